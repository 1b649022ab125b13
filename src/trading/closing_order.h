#pragma once
// Closing-order entry without its window: the holdings that can be closed, the quantities taken
// from each, bulk close, and the order stored with its allocation to the positions.

#include <string>
#include <vector>

#include "trading/new_order.h"

namespace corvala {

// The positions of a closing side (1 売埋 closes 買建, 2 買埋 closes 売建, 3 売付 closes 買付)
// that still have uncommitted shares, in slot order.
std::vector<int> ClosablePositions(const OrderBook& book, Side closingSide);

// A row quantity typed for a position: whole units, at most what is not committed yet.
Shares RowQuantity(const std::string& typed, int tradingUnit, const Position& position);

// 一括返済 on or off for the positions of the chosen side; returns the order quantity.
Shares BulkClose(OrderBook& book, Side closingSide, bool on);

// The order quantity: the sum of the row quantities.
Shares ClosingQuantity(const OrderBook& book);

struct ClosingOrderForm {
    NewOrderForm order;       // type, prices and stop as for a new order; quantity is ignored
    Side side = kSideMarginBuy;  // 1 売埋, 2 買埋, 3 売付
};

// 注文: stores the closing order with its allocation (the positions' closeQtyInput), commits the
// shares and clears the row quantities. No buying power is held back.
EntryOutcome SubmitClosingOrder(const ClosingOrderForm& form, const OrderEntryContext& ctx, OrderBook& book,
                                OrderCounters& counters, Dialogs& dialogs);

}  // namespace corvala
