#pragma once
// What the main window shows, as plain data. Widgets copy it onto the screen; nothing here
// knows about Qt.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvala {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colours {
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kMessageText{255, 128, 128};  // light red on black
inline constexpr Rgb kFlash{255, 255, 128};        // light yellow, behind black text
inline constexpr Rgb kBusyText{128, 255, 255};     // light cyan
inline constexpr Rgb kNoDataMark{255, 255, 0};     // データ未取得 in the chart panels
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

struct MainDisplay {
    MessageLine message;

    std::string dateText;         // the date box, YYMMDD
    std::string codeText = "8473";
    std::string nameLabel;        // first 12 characters of the name and a blank
    std::string marketLabel;      // market label and a blank
    std::vector<std::string> seriesItems;
    std::string seriesText;
    bool simulationChecked = false;

    std::string dayLabel;      // "2022年11月01日 (火)"
    std::string prevDayLabel;  // empty when there is no previous trading day

    // Quote area beside the board; blanked by ClearLists.
    std::string priceLabel, changeLabel, changePercentLabel, vwapLabel, volumeLabel;
    std::string tapeCounter = "0";

    BusyNotice busy;
    std::array<bool, 2> noDataMark{};  // chart panel 0 (market series) and 1 (stock)
    int navigationState = 0;

    const char* DisplayButtonCaption() const { return simulationChecked ? "開 始" : "表 示"; }
};

}  // namespace corvala
