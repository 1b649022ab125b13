#pragma once
// The monthly search files built from the day files themselves: one line per stock and trading
// day with the open and its time, the times of the day's high and low (and of those up to 9:30),
// the changes over the nine windows and the volume in trading units — the moves as they happened.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/day_series.h"

namespace corvala {

// The line (without its line end) of a stock's day as the loader read it into `stock` (a chosen
// day's stock slot, loaded with one-minute bars): the extremes are those of the bars, each at
// its minute, as the chart draws the day; none when it never traded.
// A window whose start comes after its end (the day's low before its high, for the fall from the
// high to the low) did not happen in that order: its change is 0.
std::optional<std::string> SearchLineOfDay(std::string_view date, std::string_view code, const DaySeries& stock);

struct SearchMonthBuild {
    std::string lines;       // CR LF after every line, in date and then code order
    int read = 0;            // stock-days that gave a line
    int skipped = 0;         // stock files that gave none
    std::vector<std::string> problems;  // "YYMMDD/CODE.csv: why", one per skipped file
};

// Every stock file (four-digit code) of the trading days of `month` (YYYYMM) in `dataFolder`;
// a day marked as without data is passed over.
SearchMonthBuild BuildSearchMonth(const std::string& dataFolder, std::string_view month);

// Writes the month's file into the install folder's 検索データ atomically (CP932); "" when it was
// written, else why not (Japanese).
std::string WriteSearchMonth(const std::string& installFolder, std::string_view month, const std::string& lines);

}  // namespace corvala
