// The user's orders against one tape line: their own crossing, stops, market orders walking the
// board, marketable limits, and resting limits that fill through the queue or through the price.

#include <algorithm>
#include <cmath>

#include "account/account.h"
#include "account/pnl.h"
#include "market/price_rules.h"
#include "platform/text.h"
#include "trading/matching.h"
#include "trading/matching_line.h"
#include "trading/new_order.h"
#include "trading/order_tables.h"

namespace corvala {
namespace {

bool Sells(const Order& o, bool closing) { return closing ? ClosingOrderSells(o.side) : NewOrderSells(o.side); }

float Level(const Board& b, int i) { return b[static_cast<std::size_t>(i)]; }
float LevelQty(const Board& b, int i) { return b[static_cast<std::size_t>(i + kBoardLevels)]; }

}  // namespace

float 板数量チェック(const BoardCells& cells, float kakaku, int tradingUnit) {
    for (int i = 0; i < kBoardLevels; ++i)
        if (cells.shown[static_cast<std::size_t>(i)] == kakaku) return cells.shown[static_cast<std::size_t>(i + kBoardLevels)];
    const float fifthAsk = cells.shown[4], fifthBid = cells.shown[9];
    if (fifthAsk != 0 && fifthBid != 0 && (kakaku > fifthAsk || kakaku < fifthBid))
        return 8.0f * static_cast<float>(tradingUnit);
    return 0;
}

void MatchingEngine::TestOrders(Line& line, const MatchContext& ctx) {
    freePositions_ = CountFreePositions();
    for (int i = 0; i < kOrderSlots; ++i) {
        if (m_.newOrderFlag) SelfCross(i, line, ctx);
        TestOrder(book_.pendingNewOrders[static_cast<std::size_t>(i)], false, i, line, ctx);
        TestOrder(book_.pendingClosingOrders[static_cast<std::size_t>(i)], true, i, line, ctx);
    }
}

// Two of the user's new orders at one price on opposite sides fill against each other.
void MatchingEngine::SelfCross(int i, Line& line, const MatchContext& ctx) {
    auto& orders = book_.pendingNewOrders;
    for (int j = i + 1; j < kOrderSlots; ++j) {
        Order& a = orders[static_cast<std::size_t>(i)];
        Order& b = orders[static_cast<std::size_t>(j)];
        // Market orders and stops not yet fired carry no price (0): they never meet each other.
        if (!a.InUse() || !b.InUse() || b.side == kSideCash || a.limitPrice == 0 || a.limitPrice != b.limitPrice ||
            a.side == b.side)
            continue;
        if (freePositions_ < 2) {
            NoRoomForPositions();
            continue;
        }
        const float crossed = std::min(a.quantity, b.quantity);
        if (a.quantity != b.quantity) {
            Order& larger = a.quantity > b.quantity ? a : b;
            const auto free = LowestFreeSlot(orders);
            if (!free) continue;  // no slot for the rest: the orders stay as they are
            Order rest = larger;
            const float excess = larger.quantity - crossed;
            rest.number = static_cast<float>(counters_ ? counters_->newOrderSeq++ : 0);
            rest.quantity = excess;
            rest.reservedAmount = larger.reservedAmount * excess / larger.quantity;
            larger.reservedAmount -= rest.reservedAmount;
            larger.quantity = crossed;
            orders[static_cast<std::size_t>(*free)] = rest;
        }
        line.filled += 2.0 * crossed;
        const float price = a.limitPrice;
        AddTapeRow(line.t.time, Format(crossed, "###,###"), price, ctx.decimalPrices);
        FillNewOrder(price, i, line);
        FillNewOrder(price, j, line);
        freePositions_ = CountFreePositions();
        return;
    }
}

void MatchingEngine::TestOrder(Order& order, bool closing, int slot, Line& line, const MatchContext& ctx) {
    if (!order.InUse()) return;
    const bool sells = Sells(order, closing);
    if ((order.kind == kKindNormalWithStop || order.kind == kKindStop) && StopFires(order, closing, slot, ctx)) {
        if (order.isMarket == 0) return;  // a fired stop waits for the next line as a limit order
    }
    // A new order fills only into a free position slot; with all 30 in use it waits.
    if (!closing && freePositions_ == 0) {
        NoRoomForPositions();
        return;
    }
    if (order.isMarket == 1) {
        line.filled += order.quantity;
        Fill(order, closing, slot, line.opening ? static_cast<float>(line.t.price.value_or(0))
                                                : MarketFillPrice(order, sells, line, ctx),
             line, ctx);
        return;
    }
    if (order.kind == kKindStop) return;  // a stop that has not fired has nothing to test
    if (const auto price = LimitFillPrice(order, sells, line)) {
        line.filled += order.quantity;
        Fill(order, closing, slot, line.opening ? static_cast<float>(line.t.price.value_or(0)) : *price, line, ctx);
    }
}

bool MatchingEngine::StopFires(Order& o, bool closing, int slot, const MatchContext& ctx) {
    const double p = m_.currentPrintPrice;
    const bool fires = o.triggerDirection == 0 ? (p >= o.triggerPrice && o.triggerPrice != 0)
                                               : (p <= o.triggerPrice && p != 0);
    if (!fires) return false;
    o.limitPrice = o.stopLimitPrice;
    o.boardQtyAhead = 板数量チェック(m_.cells, o.limitPrice, ctx.tradingUnit);
    if (o.isMarket == 0) 板瞬時反映(m_.cells, m_.board, o.limitPrice, static_cast<std::int32_t>(o.quantity), Sells(o, closing));
    if (!closing && o.stopExecution == 0 && account_) {
        // The order now holds what its limit ties up; a short sale below the market, what it
        // sells at (the best bid, or this print with no bids).
        const float bid = Level(m_.board, 5);
        const double reserve = LimitReservation(o.limitPrice, o.quantity, Sells(o, closing), bid > 0 ? bid : p);
        AdjustBuyingPower(*account_, o.reservedAmount - reserve);
        o.reservedAmount = reserve;
    }
    if (o.stopExecution == 1) o.isMarket = 1;
    o.kind = o.triggerPrice = o.triggerDirection = o.stopExecution = o.stopLimitPrice = 0;
    m_.RefreshOverlay(book_);  // the order now stands at its limit
    if (listener_) listener_->OnStopFired(slot, closing);
    return true;
}

// A market order walks the opposite side from its best level.
float MatchingEngine::MarketFillPrice(const Order& o, bool sells, const Line& line, const MatchContext& ctx) const {
    const int first = sells ? 5 : 0;
    double remaining = o.quantity, cost = 0;
    for (int i = first; i < first + 5 && remaining > 0; ++i) {
        const double take = std::min<double>(LevelQty(m_.board, i), remaining);
        cost += take * Level(m_.board, i);
        remaining -= take;
    }
    if (remaining > 0) {
        // The side ran out: its farthest level. A thin book's empty fifth level would give 0 yen,
        // so the farthest shown one counts, and the print itself on an empty side.
        for (int i = first + 4; i >= first; --i)
            if (Level(m_.board, i) != 0) return Level(m_.board, i);
        return static_cast<float>(line.t.price.value_or(0));
    }
    const double average = cost / o.quantity;
    if (ctx.decimalPrices) return static_cast<float>(ReadFormattedNumber(Format(average, "0.0")));
    const double step = std::max(1.0, std::floor(PriceStep(line.t.price.value_or(average), ctx.fineTickMode)));
    return static_cast<float>(std::floor(average / step + 0.7) * step);
}

std::optional<float> MatchingEngine::LimitFillPrice(Order& o, bool sells, Line& line) {
    const Board& b = m_.board;
    const float bestAsk = Level(b, 0), bestBid = Level(b, 5);
    double p = line.t.price.value_or(0);
    if (m_.newOrderFlag && line.t.volume.value_or(0) == 0) {
        const float opposite = sells ? bestBid : bestAsk;
        if (opposite != 0) line.t.price = p = opposite;
    }
    if (!sells && p < bestBid) p = bestBid;
    if (sells && bestAsk != 0 && p > bestAsk) p = bestAsk;

    const bool marketable = sells ? (bestBid != 0 && o.limitPrice < bestBid) : (bestAsk != 0 && o.limitPrice > bestAsk);
    if (marketable) {
        // Whole levels until the order is covered; the price is the first level beyond their average.
        const int first = sells ? 5 : 0;
        double covered = 0, cost = 0;
        for (int i = first; i < first + 5 && covered < o.quantity; ++i) {
            covered += LevelQty(b, i);
            cost += static_cast<double>(LevelQty(b, i)) * Level(b, i);
        }
        const double average = covered > 0 ? cost / covered : o.limitPrice;
        float price = 0;
        for (int i = first; i < first + 5; ++i) {
            const float level = Level(b, i);
            if (level == 0) continue;
            price = level;  // the last non-empty level, unless one lies beyond the average
            if (sells ? level < average : level > average) break;
        }
        if (sells ? price < o.limitPrice : price > o.limitPrice) price = o.limitPrice;
        return price;
    }
    if (p == o.limitPrice) {
        // The queue: what stood ahead at the price must trade before the order fills.
        int at = -1;
        for (int i = 0; i < kBoardLevels; ++i)
            if (Level(b, i) == static_cast<float>(p)) at = i;
        o.boardQtyAhead = QueueOnBoard(o, b);
        const double v = line.t.volume.value_or(0);
        if (line.due) o.volumeAtPrice += static_cast<float>(v);
        if ((o.volumeAtPrice >= o.boardQtyAhead && o.volumeAtPrice != 0) || at < 0 || LevelQty(b, at) <= v)
            return o.limitPrice;
        return std::nullopt;
    }
    if (sells ? p > o.limitPrice : p < o.limitPrice) return static_cast<float>(p);  // through the price
    return std::nullopt;
}

int MatchingEngine::CountFreePositions() const {
    return static_cast<int>(std::count_if(book_.positions.begin(), book_.positions.end(),
                                          [](const Position& p) { return !p.InUse(); }));
}

void MatchingEngine::NoRoomForPositions() {
    if (listener_) listener_->OnPositionTableFull();
}

void MatchingEngine::Fill(Order& o, bool closing, int slot, float price, Line& line, const MatchContext& ctx) {
    AddTapeRow(line.t.time, Format(o.quantity, "###,###"), price, ctx.decimalPrices);
    if (closing)
        FillClosingOrder(price, slot, line);
    else
        FillNewOrder(price, slot, line);
    freePositions_ = CountFreePositions();
}

void MatchingEngine::FillNewOrder(float price, int slot, const Line& line) {
    Order& o = book_.pendingNewOrders[static_cast<std::size_t>(slot)];
    if (account_) AdjustBuyingPower(*account_, o.reservedAmount - static_cast<double>(o.quantity) * price);
    Execution e{line.stamp, false, o.side, o.quantity, price, o.number, slot, -1};
    if (counters_) e.position = AddPosition(book_, *counters_, o, price, line.stamp).value_or(-1);
    if (listener_) listener_->OnExecution(e, book_);
    RemoveFilledOrder(book_, slot, RemoveMode::NewOrder);
    m_.RefreshOverlay(book_);  // this line's correction must not lay the filled order back on
    if (listener_) listener_->OnOrderRemoved(slot, false);
}

void MatchingEngine::FillClosingOrder(float price, int slot, const Line& line) {
    ClosingOrder& o = book_.pendingClosingOrders[static_cast<std::size_t>(slot)];
    if (account_) ClosingFillAccounting(*account_, o, book_, price, line.stamp);
    const Execution e{line.stamp, true, o.side, o.quantity, price, o.number, slot, -1};
    if (listener_) listener_->OnExecution(e, book_);
    RemoveFilledOrder(book_, slot, RemoveMode::FilledClosing);
    m_.RefreshOverlay(book_);
    if (listener_) listener_->OnOrderRemoved(slot, true);
}

}  // namespace corvala
