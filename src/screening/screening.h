#pragma once
// The search of a month's search file for the stock-days that moved, the rows of the result
// list, their two sort orders, and the start a chosen row hands to the replay.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "data/stock_list.h"
#include "platform/ports.h"
#include "screening/search_data.h"
#include "settings/settings.h"

namespace corvala {

inline constexpr int kMaxScreeningRows = 10'000;
inline constexpr int kScreeningNameChars = 9;
inline constexpr int kMaxShownVolume = 9'999'999;

enum ScreeningDirection { kRise = 0, kFall = 1, kBoth = 2 };

// A window of one line that passed, as a row will show it.
struct ScreeningHit {
    int field = 0;      // 8–16
    float change = 0;   // signed percent
    std::string start;  // hh:nn
    std::string end;
};

// The rows one line adds, in the order they are listed. `riseFirst` is asked only when both
// directions have one (両方 without the 9:30 option).
std::vector<ScreeningHit> ScreenLine(const SearchLine& line, const ScreeningConditions& c,
                                     const std::function<bool()>& riseFirst);

struct ScreeningRow {
    std::string text;  // as the list holds it, the hidden tail included
    int code = 0;
    float absChange = 0;
    int number = 0;    // the order it was found in, 0 first
    std::string name;  // half-width, at most nine characters
    std::string date;  // YYMMDD
    long long open = 0;
    float change = 0;
    std::string openTime, start, end;
    std::string volume;  // as shown: 9999999 at most
    bool capped = false;
    bool available = false;  // the day's file is in the data folder (○)
    bool startHidden = false, endHidden = false;  // 起点時間 / 終点時間を表示しない at the search
};

// A row of `line` for `hit`, its text included.
ScreeningRow MakeScreeningRow(const SearchLine& line, const ScreeningHit& hit, int number, std::string_view name,
                              bool available, const ScreeningConditions& c);

// A search that reads a month's bytes a slice at a time, so that the window keeps working.
class ScreeningSearch {
public:
    ScreeningSearch() = default;
    // The lines are views into the search's own copy of the file.
    ScreeningSearch(const ScreeningSearch&) = delete;
    ScreeningSearch& operator=(const ScreeningSearch&) = delete;
    // Empty again: no rows, nothing to read.
    void Reset();
    // `names` and `random` are used until the search ends. `dataFolder` decides ○ and ×.
    void Begin(std::string bytes, const ScreeningConditions& c, const StockList& names, std::string dataFolder,
               Random& random);
    // Reads up to `lines` more lines. False once the search has ended: the file read, 10,000
    // rows listed, or Stop.
    bool Continue(int lines);
    void Stop() { stopped_ = true; }
    bool finished() const { return finished_; }
    const std::vector<ScreeningRow>& rows() const { return rows_; }
    int skipped() const { return skipped_; }  // malformed lines

private:
    bool DayFileExists(const std::string& date, int code);

    std::string bytes_;
    std::vector<std::string_view> lines_;
    std::size_t next_ = 0;
    ScreeningConditions conditions_;
    const StockList* names_ = nullptr;
    Random* random_ = nullptr;
    std::string dataFolder_;
    std::unordered_map<std::string, std::unordered_set<int>> dayFiles_;  // codes by date folder
    std::vector<ScreeningRow> rows_;
    int skipped_ = 0;
    bool stopped_ = false;
    bool finished_ = true;
};

// The two orders of the list: by change and by code. Each sort flips its direction for the next
// press; the change starts with the largest, the code with the smallest.
enum class ScreeningSortKey { Change = 0, Code = 1 };
class ScreeningOrder {
public:
    void Reset(std::size_t rows);
    // The rows' places in the new order.
    const std::vector<int>& Sort(const std::vector<ScreeningRow>& rows, ScreeningSortKey key);

private:
    std::array<std::vector<int>, 2> order_;
    std::array<bool, 2> descending_{true, false};
};

// What the text of a row hands over: the hidden date and start time, and the code.
struct ScreeningPick {
    std::string date;  // YYMMDD
    std::string code;
    std::string moveStart;  // hh:nn
};
std::optional<ScreeningPick> ReadScreeningRowText(std::string_view text);

// Where the replay starts for a row: from the open, or a lead of bars before the move.
struct ScreeningStart {
    int lead = 0;
    int startBar = 0;
    std::string startTime = "09:00:00";
    bool midSessionStart = false;
};
// The range of leads, in bars, for N-minute bars.
std::pair<int, int> ScreeningLeadRange(int barLength);
// The start `lead` bars before the bar in which `moveStart` (hh:nn) falls.
ScreeningStart StartBeforeMove(std::string_view moveStart, int barLength, int lead);
// A lead drawn from the range, each value as likely.
int DrawScreeningLead(int barLength, Random& random);

// What using a row does to the main window: its date and code, and where the replay starts
// (the start-time boxes take `start` when the row is replayed from just before its move).
struct ScreeningHandOver {
    ScreeningPick pick;
    ScreeningStart start;
    bool nearStart = false;
};
ScreeningHandOver HandOverOf(const ScreeningPick& pick, bool nearStart, int barLength, Random& random);

// The threshold as the search reads its box (full-width digits too): not a number is 5, below 1
// is 1, above 255 is 255.
int ScreeningThreshold(std::string_view text);

}  // namespace corvala
