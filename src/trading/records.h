#pragma once
// The account's records for the replayed stock: pending new and closing orders and open
// positions, each in a table of 30 slots. A slot is free while its number is 0.

#include <array>
#include <string>
#include <vector>

namespace corvala {

inline constexpr int kOrderSlots = 30;

// Side codes. New orders and positions: 1 買建, 2 売建, 3 買付. Closing orders: 1 売埋,
// 2 買埋, 3 売付 (the side of the positions they close).
inline constexpr float kSideMarginBuy = 1, kSideMarginSell = 2, kSideCash = 3;
// 0 通常注文, 1 逆指値付通常注文, 2 逆指値注文.
inline constexpr float kKindNormal = 0, kKindNormalWithStop = 1, kKindStop = 2;

struct Order {
    float number = 0;  // 0: the slot is free
    float placedAt = 0;  // seconds since midnight of the replay clock
    float code = 0;
    float side = 0;
    float quantity = 0;
    float limitPrice = 0;  // 0 for a market order or a pure stop order
    float kind = 0;
    float triggerPrice = 0;
    float triggerDirection = 0;  // 0 以上, 1 以下
    float stopExecution = 0;     // 0 指値, 1 成行
    float stopLimitPrice = 0;
    double reservedAmount = 0;  // new orders: buying power held back (money is kept in double)
    float isMarket = 0;
    float boardQtyAhead = 0;  // the queue that stood ahead at limitPrice
    float volumeAtPrice = 0;  // shares printed at limitPrice since the order was placed
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
    float number = 0;  // 0: the slot is free
    float openedAt = 0;
    float code = 0;
    float side = 0;
    float quantity = 0;
    float price = 0;
    float committedQty = 0;  // already tied up in pending closing orders
    float closeQtyInput = 0;
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
inline bool NewOrderSells(float side) { return side == kSideMarginSell; }
inline bool ClosingOrderSells(float side) { return side != kSideMarginSell; }

}  // namespace corvala
