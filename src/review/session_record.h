#pragma once
// What a run leaves for its review: the closed trades, and the account's result (realised plus
// the open positions valued at the step's price) after every step that ran.

#include <vector>

#include "review/trade_stats.h"

namespace corvala {

// A fill as the report marks it: at its step's row, its price, buying or selling.
struct FillMark {
    int row = 0;
    double price = 0;
    bool buy = false;
};

class SessionRecord {
public:
    void Clear();
    void AddTrade(const ClosedTrade& trade) { trades_.push_back(trade); }
    void AddFill(const FillMark& fill) { fills_.push_back(fill); }
    // The result after `row`'s step, to 0.1 yen. A row run again after a jump back takes the new
    // figure, and the rows after it that ran before the jump no longer count.
    void SetEquity(int row, double value);
    // The day's price by row, for the report's picture.
    void SetPrices(std::vector<double> prices) { prices_ = std::move(prices); }
    const std::vector<double>& prices() const { return prices_; }
    // Only the rows up to `row` were shown (the range hidden): the rest of the day's price is
    // not the report's to draw.
    void KeepPricesTo(int row);
    // The run was kept (written to the history): its report is due.
    void MarkKept() { kept_ = true; }

    const std::vector<ClosedTrade>& trades() const { return trades_; }
    const std::vector<FillMark>& fills() const { return fills_; }
    bool kept() const { return kept_; }
    // The results of the rows that ran, in the order of the day, with their rows.
    std::vector<double> EquityCurve() const;
    std::vector<int> EquityRows() const;
    TradeStats Stats() const { return ComputeTradeStats(trades_, EquityCurve()); }

private:
    std::vector<ClosedTrade> trades_;
    std::vector<FillMark> fills_;
    std::vector<double> equity_;
    std::vector<bool> ran_;
    std::vector<double> prices_;
    bool kept_ = false;
};

}  // namespace corvala
