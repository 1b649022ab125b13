#pragma once
// What the main window shows, as plain data. Widgets copy it onto the screen; nothing here
// knows about Qt.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rgb.h"

namespace corvala {

namespace colours {
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kMessageText{255, 128, 128};  // light red on black
inline constexpr Rgb kFlash{255, 255, 128};        // light yellow, behind black text
inline constexpr Rgb kBusyText{128, 255, 255};     // light cyan
inline constexpr Rgb kNoDataMark{255, 255, 0};     // データ未取得 in the chart panels
inline constexpr Rgb kPreOpenText{255, 255, 0};    // the busy notice's pre-open request
inline constexpr Rgb kButtonFace{192, 192, 192};
inline constexpr Rgb kBlink{255, 120, 120};        // play and new order while waiting for play
inline constexpr Rgb kLowSpeedOn{128, 128, 128};
inline constexpr Rgb kLowSpeedOff{255, 192, 128};
inline constexpr Rgb kGaugeFill{255, 128, 128};
inline constexpr Rgb kGaugeLine{80, 80, 80};
inline constexpr Rgb kChangedQuantity{64, 64, 0};
}  // namespace colours

struct MessageLine {
    std::string text;
    Rgb foreground = colours::kMessageText;
    Rgb background = colours::kBlack;
};

inline constexpr const char* kBusyDefaultText = "処理中です。しばらくお待ちください。";

struct BusyNotice {
    bool visible = false;
    std::string text = kBusyDefaultText;
    Rgb foreground = colours::kBusyText;
};

inline constexpr int kPlaybackButtons = 8;
enum PlaybackIndex : int {
    kPlayPause = 0, kStop = 1, kBarBack = 2, kMinuteBack = 3, kStepBack = 4,
    kStepForward = 5, kMinuteForward = 6, kBarForward = 7
};
inline constexpr const char* kPlayCaption = "||";   // shown while running
inline constexpr const char* kPausedCaption = "＞";

struct PlaybackButton {
    std::string caption;
    std::string tooltip;
    bool enabled = false;
    bool heldOff = false;  // pressed less than 300 ms ago
    Rgb background = colours::kButtonFace;
    bool Accepts() const { return enabled && !heldOff; }
};

// Which controls accept input, as the navigation state and the replay set them.
struct ControlStates {
    std::array<PlaybackButton, kPlaybackButtons> playback;
    // Display and 設定 buttons, simulation and 当日表示 boxes and the other inputs of the idle
    // window; the day's own inputs (date, code and start-time boxes, spinners, series
    // selector) also stay locked while the quiz box is set.
    bool inputsEnabled = true;
    bool dayInputsEnabled = true;
    bool displayButtonEnabled = true;
    bool chartOptionsEnabled = true;
    bool investmentEnabled = true;
    bool quizEnabled = true;
    std::array<bool, 3> orderButtons{};  // new order, closing order, correct/cancel
    Rgb newOrderBackground = colours::kButtonFace;
    bool speedEnabled = false;  // scroll bar and gauge, with the simulation box
    bool imageSaveEnabled = true;
};

// The speed control: the scroll bar (1–30, speed = 31 − value), its label and the gauge.
struct SpeedControl {
    int speed = 5;
    int ScrollValue() const { return 31 - speed; }
    bool lowSpeed = false;
    Rgb lowSpeedBackground = colours::kLowSpeedOff;
};

// ティック, N分足, MA1本平均, MA2本平均, 累積出来高, VWAP, 前日終値. ティック and 累積出来高 draw nothing of
// their own; the previous-close line is drawn whatever 前日終値 says. Each redraws the chart.
struct ChartOptionBoxes {
    bool tick = false, bars = true, average1 = true, average2 = true, cumulativeVolume = false, vwap = true,
         prevClose = true;
};

// The 出 題 toggle: orange when a new quiz is on offer, yellow while the quiz mode is on.
enum class QuizButtonColour { Grey, Orange, Yellow };
inline constexpr const char* kQuizTip =
    "不定期で最新の注目銘柄のデータが配信されます。最新のデータが公開されるとボタンがオレンジ色に点灯します。";

struct MainDisplay {
    MessageLine message;

    bool quizChecked = false;
    QuizButtonColour quizColour = QuizButtonColour::Grey;
    std::string quizTip = kQuizTip;

    std::string dateText;         // the date box, YYMMDD
    std::string codeText = "8473";
    std::string nameLabel;        // first 12 characters of the name and a blank
    std::string marketLabel;      // market label and a blank
    std::vector<std::string> seriesItems;
    std::string seriesText;
    bool simulationChecked = false;
    bool dayOnlyChecked = false;  // 当日表示

    std::string dayLabel;      // "2022年11月01日 (火)"
    std::string prevDayLabel;  // empty when there is no previous trading day

    // Quote area beside the board; blanked by ClearLists.
    std::string priceLabel, changeLabel, changePercentLabel, vwapLabel, volumeLabel;
    std::string tapeCounter = "0";

    std::string clockText;
    std::string startHour = "9";   // the start-time boxes
    std::string startMinute = "00";
    // The boxes at `seconds` since midnight: "10" and "05".
    void ShowStartTime(int seconds) {
        const int minute = seconds / 60 % 60;
        startHour = std::to_string(seconds / 3600);
        startMinute = (minute < 10 ? "0" : "") + std::to_string(minute);
    }
    bool tapeListVisible = true;
    bool hideBoardAndTape = false;  // 板・歩み値表示なし
    bool tapeOption = true;         // 歩み値: estimate the tape at display time
    bool boardOption = true;        // 板: show the board

    ControlStates controls;
    SpeedControl speed;

    // The three lists under the chart and the account panel.
    std::vector<std::string> pendingLines;
    std::array<std::string, 2> holdingLines;
    std::vector<std::string> executionLines;
    std::string investmentText, buyingPowerText, buyingPowerCaption = "新規建余力";
    std::string runPnlText = "0", netPnlText = "0", netPnlAfterTaxText = "0";
    std::string netPnlTooltip, netPnlAfterTaxTooltip;
    bool cashOnlyChecked = false;
    bool investmentEditing = false;  // the change-of-investment box is checked: 投資金額 is unlocked
    bool fillSoundOption = true;     // 約定音
    bool tradeMarkerOption = true;   // 売買位置

    // The chart's option boxes, their captions (which follow N, MA1 and MA2) and the legend.
    ChartOptionBoxes chartOptions;
    std::string barsCaption = "5分足", average1Caption = "5本平均", average2Caption = "12本平均";
    std::string average1Label, average2Label;  // MA1 and MA2 of the stock at the current bar
    // The tape row (oldest first) the list is scrolled to by a readout; −1: none. The generation
    // changes with every request.
    int tapeScrollRow = -1;
    unsigned tapeScrollGeneration = 0;

    BusyNotice busy;
    std::array<bool, 2> noDataMark{};  // chart panel 0 (market series) and 1 (stock)
    int navigationState = 0;

    const char* DisplayButtonCaption() const { return simulationChecked ? "開 始" : "表 示"; }
};

// The quote labels, for a step of the replay and for a readout of the chart alike: the price, and
// its change and percent against the previous close when there is one.
void ShowQuote(MainDisplay& display, double price, double prevClose, bool decimals);

}  // namespace corvala
