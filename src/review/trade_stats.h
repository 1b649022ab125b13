#pragma once
// The figures a trader reviews after practice: how many trades, how many won, what they won and
// lost, the worst fall of the account, by side; for one run or across the kept runs.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvala {

// One closed position (or the closed part of one), as a realised row of the history records it.
struct ClosedTrade {
    std::string side;  // of the position: 買建, 売建 or 買付
    double quantity = 0, openPrice = 0, closePrice = 0;
    int openedSeconds = 0, closedSeconds = 0;
    double pnl = 0;  // in yen, as the history writes it
};

// Realised result of a closed part: (close − open) × quantity, the other way round for a short,
// to 0.1 yen.
double ClosedTradePnl(const std::string& side, double openPrice, double closePrice, double quantity);

struct SideFigures {
    int trades = 0, wins = 0;
    double pnl = 0;
};

struct TradeStats {
    int trades = 0, wins = 0, losses = 0;  // a trade of exactly 0 is neither
    double winRate = 0;                    // wins ÷ trades, 0 without trades
    double avgWin = 0, avgLoss = 0;        // the loss negative
    std::optional<double> profitFactor;    // gross win ÷ gross loss; none without a loss
    double largestWin = 0, largestLoss = 0;
    double maxDrawdown = 0;                // the deepest fall of the equity below its high, ≥ 0
    double netPnl = 0;
    double avgHoldingSeconds = 0;
    std::map<std::string, SideFigures> bySide;  // 買建, 売建, 買付: those traded
};

// The statistics of `trades`; the drawdown from `equity` (the account's result over time, which
// starts from 0), or from the running sum of the trades when `equity` is empty.
TradeStats ComputeTradeStats(const std::vector<ClosedTrade>& trades, const std::vector<double>& equity = {});

// The deepest fall below the running high of a curve that starts at 0.
double MaxDrawdown(const std::vector<double>& equity);

}  // namespace corvala
