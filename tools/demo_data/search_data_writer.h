#pragma once
// 検索データ_YYYYMM.txt: one line per stock and day with the day's key moves, for the stock search.

#include <string>
#include <string_view>

#include "demo_data/market_model.h"

namespace corvala {

// One line without its line end: date YYMMDD, code, open, opening time, times of the day's high
// and low, of the high and low up to 9:30, the open-to-9:30 moves, the day's moves in per cent
// and the volume in trading units.
std::string FormatSearchLine(std::string_view dateFolder, std::string_view code, const DayPath& day,
                             int priceDecimals);

}  // namespace corvala
