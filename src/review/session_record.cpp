#include "review/session_record.h"

#include <algorithm>
#include <cmath>

namespace corvala {

namespace {
constexpr int kMaxRows = 3723;  // the rows a day file can hold
}  // namespace

void SessionRecord::Clear() { *this = SessionRecord{}; }

void SessionRecord::KeepPricesTo(int row) {
    prices_.resize(std::min(prices_.size(), static_cast<std::size_t>(std::max(row + 1, 0))));
}

void SessionRecord::SetEquity(int row, double value) {
    if (row < 0 || row >= kMaxRows) return;
    const auto at = static_cast<std::size_t>(row);
    if (equity_.size() <= at) {
        equity_.resize(at + 1, 0);
        ran_.resize(at + 1, false);
    }
    equity_[at] = std::round(value * 10) / 10;
    ran_[at] = true;
    for (std::size_t later = at + 1; later < ran_.size(); ++later) ran_[later] = false;
}

std::vector<double> SessionRecord::EquityCurve() const {
    std::vector<double> curve;
    for (std::size_t i = 0; i < equity_.size(); ++i)
        if (ran_[i]) curve.push_back(equity_[i]);
    return curve;
}

std::vector<int> SessionRecord::EquityRows() const {
    std::vector<int> rows;
    for (std::size_t i = 0; i < ran_.size(); ++i)
        if (ran_[i]) rows.push_back(static_cast<int>(i));
    return rows;
}

}  // namespace corvala
