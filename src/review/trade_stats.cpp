#include "review/trade_stats.h"

#include <algorithm>
#include <cmath>

namespace corvala {

double ClosedTradePnl(const std::string& side, double openPrice, double closePrice, double quantity) {
    const double pnl = side == "売建" ? (openPrice - closePrice) * quantity : (closePrice - openPrice) * quantity;
    // Prices come as single-precision figures: the result is kept to the 0.1 yen they can mean.
    return std::round(pnl * 10) / 10;
}

double MaxDrawdown(const std::vector<double>& equity) {
    double high = 0, deepest = 0;
    for (const double e : equity) {
        high = std::max(high, e);
        deepest = std::max(deepest, high - e);
    }
    return deepest;
}

TradeStats ComputeTradeStats(const std::vector<ClosedTrade>& trades, const std::vector<double>& equity) {
    TradeStats s;
    double grossWin = 0, grossLoss = 0, holding = 0;
    std::vector<double> running;
    for (const ClosedTrade& t : trades) {
        ++s.trades;
        s.netPnl += t.pnl;
        running.push_back(s.netPnl);
        holding += std::max(0, t.closedSeconds - t.openedSeconds);
        SideFigures& side = s.bySide[t.side];
        ++side.trades;
        side.pnl += t.pnl;
        if (t.pnl > 0) {
            ++s.wins, ++side.wins;
            grossWin += t.pnl;
            s.largestWin = std::max(s.largestWin, t.pnl);
        } else if (t.pnl < 0) {
            ++s.losses;
            grossLoss -= t.pnl;
            s.largestLoss = std::min(s.largestLoss, t.pnl);
        }
    }
    if (s.trades > 0) {
        s.winRate = static_cast<double>(s.wins) / s.trades;
        s.avgHoldingSeconds = holding / s.trades;
    }
    if (s.wins > 0) s.avgWin = grossWin / s.wins;
    if (s.losses > 0) {
        s.avgLoss = -grossLoss / s.losses;
        s.profitFactor = grossWin / grossLoss;
    }
    s.maxDrawdown = MaxDrawdown(equity.empty() ? running : equity);
    return s;
}

}  // namespace corvala
