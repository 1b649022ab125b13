#pragma once
// One recorded day as the recorder writes it: a CP932 text of 3601 comma-separated lines.

#include <string>

#include "demo_data/demo_manifest.h"
#include "demo_data/market_model.h"

namespace corvala {

struct DayFileLayout {
    std::string dateText;  // 2022/11/01
    bool isStock = true;
    int priceDecimals = 0;        // 0, 1 (the decimal stock) or 2 (indices)
    bool hasVolume = true;        // stocks and futures; indices write "-"
    bool hasBoard = true;         // stocks and futures; indices write zeros
    bool hasVwap = true;          // stocks only; without it a line has 35 fields
    bool openInHundreds = false;  // TSPM writes its open divided by 100
};

// The file's bytes. Fills the figures of `file` from the values as written.
std::string FormatDayFile(const DayPath& day, const DayFileLayout& layout, DemoDayFile& file);

}  // namespace corvala
