#pragma once
// Realised profit and loss of closing fills and of the end-of-run settlement.

#include "account/account.h"
#include "trading/records.h"

namespace corvala {

// 単一取引の損益計算: over the positions a closing order is allocated to, the book value of the
// closed part (`sw` set) or its result at `kakaku` for the closing side `bai`. 0 when the
// allocation lists are empty or of different lengths.
double 単一取引の損益計算(const ClosingOrder& order, const OrderBook& book, Price kakaku, Side bai, bool sw);

// The accounting of one closing order filled at `fillPrice` at `nowSeconds`: buying power, run
// result and totals; the order then carries the fill time and price. Returns the result.
double ClosingFillAccounting(Account& a, ClosingOrder& order, const OrderBook& book, Price fillPrice,
                             int nowSeconds);

// The result of closing `quantity` of a position of `side` opened at `price`, at `at`; also the
// valuation of an open position at the current price.
double PositionResult(Side side, Price price, Shares quantity, double at);

}  // namespace corvala
