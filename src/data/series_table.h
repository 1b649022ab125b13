#pragma once
// The market series offered beside the stock: selector item, file name (series code) and kind,
// and which items a date offers.

#include <string>
#include <string_view>
#include <vector>

namespace corvala {

// 0 is a stock; 5 is not used.
enum class SeriesKind : int {
    Stock = 0,
    Nikkei225 = 1,
    Futures = 2,
    Topix = 3,
    NikkeiJasdaq = 4,
    Mothers = 6,
    Prime = 7,
    Standard = 8,
    Growth = 9,
};

struct SeriesInfo {
    std::string_view item;  // selector text, e.g. 日経225
    std::string_view code;  // file name without .csv, e.g. N225
    SeriesKind kind;
};

// Every series in selector order.
const std::vector<SeriesInfo>& AllSeries();

// Selector item → series code; empty for an item not in the table.
std::string SeriesCodeFor(std::string_view item);
// Series code → kind; Nikkei225 for a code not in the table.
SeriesKind SeriesKindForCode(std::string_view code);

// The selector's items for a date given as the number its YYMMDD text reads as (071225 → 71225).
std::vector<std::string> SelectorItems(long dateNumber);

inline constexpr std::string_view kDefaultSeriesItem = "日経225";

}  // namespace corvala
