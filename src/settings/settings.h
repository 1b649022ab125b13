#pragma once
// The user's settings as the file `setsim` keeps them: one value per line, 45 lines in a fixed
// order, CP932 with CR LF, no keys. The order of the fields below is the order of the lines.
// Lines 42–45 are this program's own additions; a file of 41 lines (older versions) gives them
// their defaults.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace corvala {

inline constexpr int kSettingsLines = 45;
// The one-key orders, in the order of line 42's keys.
enum class OneKey { BuyAtAsk, SellAtBid, CloseAll, CancelAll };
inline constexpr int kOneKeys = 4;
inline constexpr int kMaxOneKeyUnits = 9999;
inline constexpr const char* kSettingsFile = "setsim";
inline constexpr const char* kFactorySettingsFile = "setsim(初期)";

// A window's top-left corner on the screen, in twips.
struct WindowPosition {
    int top = 0;
    int left = 0;
    friend bool operator==(const WindowPosition&, const WindowPosition&) = default;
};

// The conditions of the screening dialog, kept for it between runs.
struct ScreeningConditions {
    std::string laterMonth;    // the later date of the search period
    std::string earlierMonth;  // the earlier one
    int direction = 0;         // 0 上昇, 1 下落, 2 両方
    int threshold = 5;         // percent
    bool upTo930 = false;          // 9:30までのデータで検索
    bool hideStartTime = false;    // 起点時間を表示しない
    bool hideEndTime = false;      // 終点時間を表示しない
    bool startNearStart = false;   // 起点時間周辺からスタートする
    friend bool operator==(const ScreeningConditions&, const ScreeningConditions&) = default;
};

struct Settings {
    WindowPosition mainWindow{600, 600};  // lines 1–2
    std::string date;                     // 3: YYMMDD; empty: the newest day with data
    std::string code = "8473";            // 4
    bool simulation = false;              // 5: ｼﾐｭﾚｰｼｮﾝ
    int speed = 5;                        // 6: 1–30
    // 7–14: ティック, N分足, the two moving averages, 累積出来高, VWAP, 前日終値, 板.
    bool tick = false, bars = true, average1 = true, average2 = true;
    bool cumulativeVolume = false, vwap = true, prevClose = true, board = true;
    std::string dataFolder;  // 15: ends with the path separator; empty: not chosen yet
    int ma1 = 5;             // 16: 1–24
    int ma2 = 12;            // 17: 1–24
    int barLength = 5;       // 18: 1, 2, 3, 4, 5 or 10
    bool fillSound = true;   // 19: 約定音
    bool cashOnly = false;   // 20: 現物のみ
    bool tradeMarkers = true;  // 21: 売買位置
    bool tape = true;          // 22: 歩み値
    std::string reserved;      // 23: CP932 bytes, written back exactly as read
    bool showDisclaimer = true;  // 24
    std::int64_t investment = 1'000'000;  // 25: 投資金額, 0 to kMaxYen
    WindowPosition newOrderWindow{2400, 3000};       // 26–27
    WindowPosition closingWindow{2400, 3450};        // 28–29
    WindowPosition correctCancelWindow{2400, 3900};  // 30–31
    std::int64_t profitTotal = 0;  // 32: 利益分, 0 to kMaxYen
    std::int64_t lossTotal = 0;    // 33: 損失分, 0 to kMaxYen
    ScreeningConditions screening;  // 34–41
    // 42: the one-key orders' keys (F5–F12, or "" for none), comma-joined in OneKey order.
    std::array<std::string, kOneKeys> oneKeys{"F6", "F7", "F8", "F9"};
    bool oneKeyConfirm = true;  // 43: a one-key order asks "表記内容で注文しますか？" as the dialogs do
    int oneKeyUnits = 1;        // 44: the one-key quantity in trading units, 1–9999
    bool hideRange = false;     // 45: 値幅を隠す
    // Lines after the last (a newer version's), CP932 bytes kept as they were.
    std::vector<std::string> laterLines;
    // Text lines (3, 4, 15, 34, 35) whose bytes are not CP932, by line number, as they were read:
    // while the value is still the one they read as, they are written back as they were.
    std::map<int, std::string> notCp932;

    friend bool operator==(const Settings&, const Settings&) = default;
};

// The factory defaults: what a missing setsim(初期) and the lines an older, shorter file lacks
// stand for.
const Settings& FactorySettings();

// What reading a settings file met that the user is told of: money lines (25, 32, 33) whose
// value was refused and took the default, and text lines whose bytes are not CP932.
struct SettingsReadNotes {
    std::vector<int> refusedMoney;
    std::vector<int> notCp932;
    bool empty() const { return refusedMoney.empty() && notCp932.empty(); }
};
// The message line's text for `notes` ("" when there is nothing to tell).
std::string SettingsNotice(const SettingsReadNotes& notes);

// The values of a settings file. Lines end in CR LF, LF or CR alike. Lines missing at the end
// take `defaults`; a value that is not a number where one is expected reads with the
// leading-number rule and is brought into its range (the amounts of money: 0 to kMaxYen, else
// the default). Never fails; `notes`, when given, collects what the user is told of.
Settings ReadSettings(std::string_view bytes, const Settings& defaults = FactorySettings(),
                      SettingsReadNotes* notes = nullptr);

// The lines (and any later ones) as texts, trimmed, in file order.
std::vector<std::string> SettingsLines(const Settings& s);
// The file's bytes: SettingsLines in CP932, each ended by CR LF.
std::string WriteSettings(const Settings& s);

inline constexpr int kMaxAveragePeriod = 24;

// The keys a one-key order can take: "F5" … "F12" (F2–F4 open the order dialogs).
inline constexpr int kFirstOneKey = 5, kLastOneKey = 12;
bool IsOneKeyName(std::string_view key);

}  // namespace corvala
