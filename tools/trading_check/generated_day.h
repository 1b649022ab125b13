#pragma once
// Days no recording would hold on the demo install, drawn from a small grammar: how the price
// moves (flat, trending, gapping, running to a limit and staying there, halted), when it first
// trades, whether the file knows the previous close, writes its open on every line or only the
// first, shows a thin or one-sided board, holds a big lunch auction, lags its last-trade times or
// ends early. The day is written as the recorder writes a file and read back by the real loader.

#include <cstdint>
#include <string>

#include "trading_check/choices.h"

namespace corvala::check {

struct DayShape {
    enum class Path { Flat, Trend, Gap, LimitUp, LimitDown, Halted };
    Path path = Path::Flat;
    std::int64_t prevClose = 315'000;  // hundredths of a yen
    bool decimals = false;             // prices written with one decimal, on the fine steps
    bool fineSteps = false;
    bool noPrevClose = false;          // the file writes "-"
    bool openOnFirstLineOnly = false;
    int firstTradeLine = 0;            // 0: trades from 09:00
    int board = 0;                     // 0 full, 1 a single level a side, 2 a side missing at times
    bool lunchAuction = false;         // a big trade and a jump at 12:30
    int stalePerMille = 0;             // rows whose last-trade time is the trade before's
    int lines = 3601;                  // fewer: the file was cut short
    std::uint64_t seed = 1;            // the details: moves, quantities, board depth

    std::string Describe() const;
};

DayShape ChooseDayShape(Choices& choices);

// The file's bytes (CP932, CR LF) for a day of `dateText` ("2022/11/10").
std::string FormatGeneratedDay(const DayShape& shape, const std::string& dateText);

// The demo stock and day whose file a generated day takes the place of: a trading day with one
// before it, so that the previous day's chart and the market series are there as usual.
inline constexpr const char* kGeneratedDate = "221110";
inline constexpr const char* kGeneratedCode = "8473";

// Writes the day over <dataFolder>/221110/8473.csv; false when the file cannot be written.
bool WriteGeneratedDay(const std::string& dataFolder, const DayShape& shape);

// Empties the install's history folder, so that a long run of sessions does not read an ever
// longer history at every end of day.
void ClearHistory(const std::string& installFolder);

}  // namespace corvala::check
