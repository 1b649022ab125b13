#pragma once
// The account's records for the replayed stock: pending new and closing orders and open
// positions, each in a table of 30 slots. A slot is free while its number is 0.

#include <array>
#include <string>
#include <vector>

#include "base/values.h"

namespace corvala {

inline constexpr int kOrderSlots = 30;

inline constexpr Side kSideMarginBuy = Side::MarginBuy, kSideMarginSell = Side::MarginSell, kSideCash = Side::Cash;
inline constexpr OrderKind kKindNormal = OrderKind::Normal, kKindNormalWithStop = OrderKind::NormalWithStop,
                           kKindStop = OrderKind::Stop;

struct Order {
    int number = 0;    // 0: the slot is free
    int placedAt = 0;  // seconds since midnight of the replay clock
    int code = 0;
    Side side = Side::None;
    Shares quantity = 0;
    Price limitPrice;  // 0 for a market order or a pure stop order
    OrderKind kind = OrderKind::Normal;
    Price triggerPrice;
    StopDirection triggerDirection = StopDirection::AtOrAbove;
    StopExecution stopExecution = StopExecution::Limit;
    Price stopLimitPrice;
    Money reservedAmount;  // new orders: buying power held back
    bool isMarket = false;
    Shares boardQtyAhead = 0;  // the queue that stood ahead at limitPrice
    Shares volumeAtPrice = 0;  // shares printed at limitPrice since the order was placed
    bool fresh = false;       // placed or corrected since the engine last tested it
    // A market order that found nothing to trade with: no offer on the other side, no print.
    bool awaitingCounterparty = false;
    bool InUse() const { return number != 0; }
};

struct ClosingOrder : Order {
    std::string closeSlots;       // position slots closed, joined by ","
    std::string closeQuantities;  // shares taken from each, in the same order
};

struct Position {
    int number = 0;  // 0: the slot is free
    int openedAt = 0;
    int code = 0;
    Side side = Side::None;
    Shares quantity = 0;
    Price price;
    Shares committedQty = 0;  // already tied up in pending closing orders
    Shares closeQtyInput = 0;
    bool InUse() const { return number != 0; }
};

// The three tables of a displayed day.
struct OrderBook {
    std::array<Order, kOrderSlots> pendingNewOrders{};
    std::array<ClosingOrder, kOrderSlots> pendingClosingOrders{};
    std::array<Position, kOrderSlots> positions{};
    void Clear() { *this = OrderBook{}; }
};

// The pieces of a closing order's `closeSlots` or `closeQuantities`; empty for "".
std::vector<std::string> AllocationList(const std::string& joined);

// True when a new order of `side` sells (売建); a closing order sells unless it is 買埋.
inline bool NewOrderSells(Side side) { return side == kSideMarginSell; }
inline bool ClosingOrderSells(Side side) { return side != kSideMarginSell; }

}  // namespace corvala
