#pragma once
// 銘柄リスト.csv and 銘柄リストold.csv: code, ticker "CODE.MARKET" and name, no header line.

#include <string>
#include <vector>

#include "demo_data/demo_manifest.h"

namespace corvala {

// The demo stocks plus a few hundred made-up others over every market, including an unknown
// market code and names that only CP932 (not Shift_JIS proper) can hold. Sorted by code.
std::vector<DemoStock> BuildStockList(const std::vector<DemoStock>& demoStocks);

// An older copy of the list: a few entries of `mainList` as they were, and one stock that has
// since left the main list, whose code goes to `oldOnlyCode`.
std::vector<DemoStock> BuildOldStockList(const std::vector<DemoStock>& mainList,
                                         std::string& oldOnlyCode);

// CP932 bytes, CR LF line ends.
std::string FormatStockList(const std::vector<DemoStock>& entries);

}  // namespace corvala
