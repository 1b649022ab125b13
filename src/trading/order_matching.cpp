// The user's orders against one tape line: stops, market orders walking the market's board,
// marketable limits, and resting limits that fill through the queue or through the price. The
// user's own orders never trade with each other, nor supply liquidity to the user.

#include <algorithm>
#include <cmath>

#include "account/account.h"
#include "trading/pnl.h"
#include "base/price_rules.h"
#include "platform/text.h"
#include "trading/matching.h"
#include "trading/matching_line.h"
#include "trading/new_order.h"
#include "trading/order_tables.h"

namespace corvala {
namespace {

bool Sells(const Order& o, bool closing) { return closing ? ClosingOrderSells(o.side) : NewOrderSells(o.side); }

// A level's price (as a double, to compare with the tape's prints, and exact) and its shares.
double Level(const Board& b, int i) { return b.At(i).yen(); }
Price LevelPrice(const Board& b, int i) { return b.At(i); }
Shares LevelQty(const Board& b, int i) { return b.Qty(i); }

// The first level of the side an order of `sells` waits on, and of the side it trades against.
int OwnSide(bool sells) { return sells ? 0 : 5; }
int OppositeSide(bool sells) { return sells ? 5 : 0; }

}  // namespace

Shares 板数量チェック(const BoardCells& cells, Price kakaku, int tradingUnit, bool sells) {
    const Board& shown = cells.shown;
    const int first = OwnSide(sells);
    for (int i = first; i < first + 5; ++i)
        if (shown.At(i).tenths() == kakaku.tenths()) return std::max<Shares>(0, shown.Qty(i));
    const std::int64_t fifth = shown.At(first + 4).tenths();
    if (shown.At(4).tenths() != 0 && shown.At(9).tenths() != 0 &&
        (sells ? kakaku.tenths() > fifth : kakaku.tenths() < fifth))
        return Shares{8} * tradingUnit;
    return 0;
}

void MatchingEngine::TestOrders(Line& line, const MatchContext& ctx) {
    freePositions_ = CountFreePositions();
    // A pass for orders just placed tests only those; the others wait for the next print.
    const bool orderPass = m_.newOrderFlag;
    for (int i = 0; i < kOrderSlots; ++i) {
        Order& n = book_.pendingNewOrders[static_cast<std::size_t>(i)];
        if (!orderPass || n.fresh) TestOrder(n, false, i, line, ctx);
        ClosingOrder& c = book_.pendingClosingOrders[static_cast<std::size_t>(i)];
        if (!orderPass || c.fresh) TestOrder(c, true, i, line, ctx);
    }
    for (Order& o : book_.pendingNewOrders) o.fresh = false;
    for (ClosingOrder& o : book_.pendingClosingOrders) o.fresh = false;
}

void MatchingEngine::TestOrder(Order& order, bool closing, int slot, Line& line, const MatchContext& ctx) {
    if (!order.InUse()) return;
    const bool sells = Sells(order, closing);
    // A stop that fired on this line waits for the next one as a limit order.
    if (!order.isMarket && m_.FiredOnThisLine(closing, order.number)) return;
    if ((order.kind == kKindNormalWithStop || order.kind == kKindStop) && StopFires(order, closing, slot, line, ctx)) {
        if (!order.isMarket) return;
    }
    // A new order fills only into a free position slot; with all 30 in use it waits.
    if (!closing && freePositions_ == 0) {
        NoRoomForPositions();
        return;
    }
    const double print = line.t.price.value_or(0);
    const bool takes = order.isMarket || (order.kind != kKindStop && Marketable(order, sells));
    std::optional<Price> price;
    if (order.isMarket) {
        price = line.opening ? std::optional(Price::Nearest(print)) : MarketFillPrice(order, sells, line, ctx);
        if (!price) {
            AwaitCounterparty(order);
            return;
        }
    } else if (order.kind == kKindStop) {
        return;  // a stop that has not fired has nothing to test
    } else {
        price = LimitFillPrice(order, sells, line);
        // The opening auction fills at its own price, and only an order that takes it.
        if (price && line.opening) {
            const bool takes = sells ? print >= order.limitPrice : print <= order.limitPrice;
            price = takes ? std::optional(Price::Nearest(print)) : std::nullopt;
        }
    }
    if (!price) return;
    if (takes && line.printed && !line.opening && print > 0) {
        // The print came first and took what it traded through: an order that takes the
        // market's quotes now does no better than it (and, a limit, no worse than its limit).
        const Price printed = Price::Nearest(print);
        Price bound = sells ? std::min(*price, printed) : std::max(*price, printed);
        if (!order.isMarket) bound = sells ? std::max(bound, order.limitPrice) : std::min(bound, order.limitPrice);
        price = bound;
    }
    const auto honest = Honest(order, closing, *price, ctx);
    if (!honest) return;  // the order waits for a price the rules allow
    line.filled += static_cast<double>(order.quantity);
    if (takes && !line.opening) m_.TakeFromMarket(sells, order.quantity);
    Fill(order, closing, slot, *honest, line, ctx);
}

// A limit at or through the opposite best price of the market's own board trades at once.
bool MatchingEngine::Marketable(const Order& o, bool sells) const {
    const double bestAsk = Level(m_.marketBoard, 0), bestBid = Level(m_.marketBoard, 5);
    return sells ? (bestBid != 0 && o.limitPrice <= bestBid) : (bestAsk != 0 && o.limitPrice >= bestAsk);
}

// What a fill may never be: at no price, off the grid, beyond the day's limits, beyond the
// order's limit, or costing more buying power than the order holds back. A short sale that a
// print went past sells at what it was checked and reserved for, as its resting offer would
// have been taken at the exchange.
std::optional<Price> MatchingEngine::Honest(const Order& o, bool closing, Price price, const MatchContext& ctx) {
    const bool sells = Sells(o, closing);
    double p = price;
    if (!closing && sells && o.quantity > 0) {
        const double most = ToPriceGrid(o.reservedAmount / static_cast<double>(o.quantity), ctx.fineTickMode, /*up=*/false);
        p = std::min(p, most);
    }
    if (!(p > 0) || !OnPriceGrid(p, ctx.fineTickMode)) return std::nullopt;
    const PriceBand& band = m_.limits;
    if (band.Excludes(Price::Nearest(p))) return std::nullopt;
    if (!o.isMarket && o.limitPrice > 0 && (sells ? p < o.limitPrice : p > o.limitPrice)) return std::nullopt;
    if (!closing && !sells && p * static_cast<double>(o.quantity) > o.reservedAmount + 0.5) {
        auto& told = m_.heldBackTold;
        if (listener_ && std::find(told.begin(), told.end(), o.number) == told.end()) {
            told.push_back(o.number);
            listener_->OnHeldBack(o.number);
        }
        return std::nullopt;
    }
    return Price::Nearest(p);
}

bool MatchingEngine::StopFires(Order& o, bool closing, int slot, const Line& line, const MatchContext& ctx) {
    const double p = m_.currentPrintPrice;
    const bool fires = o.triggerDirection == StopDirection::AtOrAbove ? (p >= o.triggerPrice && o.triggerPrice != 0)
                                                                     : (p <= o.triggerPrice && p != 0);
    if (!fires) return false;
    const bool sells = Sells(o, closing);
    o.limitPrice = o.stopLimitPrice;
    o.boardQtyAhead = 板数量チェック(m_.cells, o.limitPrice, ctx.tradingUnit, sells);
    if (!o.isMarket) 板瞬時反映(m_.cells, m_.board, o.limitPrice, o.quantity, sells);
    if (!closing && o.stopExecution == StopExecution::Limit && account_) {
        // The order now holds what its limit can fill at, never more than it was checked for:
        // what it holds beyond that comes back.
        const double bid = Level(m_.marketBoard, 5);
        const double atLimit = LimitReservation(o.limitPrice, static_cast<double>(o.quantity), sells, bid > 0 ? bid : p);
        const Money reserve = atLimit >= o.reservedAmount ? o.reservedAmount : Money::Nearest(atLimit);
        AdjustBuyingPower(*account_, o.reservedAmount - reserve);
        o.reservedAmount = reserve;
    }
    if (o.stopExecution == StopExecution::Market) o.isMarket = true;
    // It is a plain order now.
    o.kind = OrderKind::Normal;
    o.triggerPrice = o.stopLimitPrice = Price{};
    o.triggerDirection = StopDirection::AtOrAbove;
    o.stopExecution = StopExecution::Limit;
    // Fired by a print that has happened, the order waits for the next one; fired in a pass for
    // orders just placed before the line at the cursor is due, that line is its next print.
    if (line.printed) m_.MarkFired(closing, o.number);
    m_.RefreshOverlay(book_);  // the order now stands at its limit
    if (listener_) listener_->OnStopFired(slot, closing);
    return true;
}

// A market order walks the opposite side of the market's board from its best level. With that
// side empty it trades only with a print of this moment, at the print's price; the last trade,
// however old, is nobody's offer: the order waits.
std::optional<Price> MatchingEngine::MarketFillPrice(const Order& o, bool sells, const Line& line,
                                                     const MatchContext& ctx) const {
    const Board& b = m_.marketBoard;
    const int first = OppositeSide(sells);
    Shares remaining = o.quantity;
    std::int64_t costTenths = 0;  // counted exactly: the average's rounding must not hang on noise
    for (int i = first; i < first + 5 && remaining > 0; ++i) {
        const Shares take = std::min(LevelQty(b, i), remaining);
        costTenths += take * LevelPrice(b, i).tenths();
        remaining -= take;
    }
    if (remaining > 0) {
        // The side ran out: its farthest level. A thin book's empty fifth level would give 0 yen,
        // so the farthest shown one counts.
        for (int i = first + 4; i >= first; --i)
            if (Level(b, i) != 0 && LevelQty(b, i) > 0) return LevelPrice(b, i);
        const double print = line.t.price.value_or(0);
        if (line.due && line.t.volume.value_or(0) > 0 && print > 0) return Price::Nearest(print);
        return std::nullopt;
    }
    const double average = static_cast<double>(costTenths) / 10 / static_cast<double>(o.quantity);
    if (ctx.decimalPrices) {
        // A tenth of a yen (a half rounded up, as "0.0" shows it), then onto the grid where the
        // step is larger, against the order.
        const Shares q = o.quantity;
        const Price tenth = Price::FromTenths((2 * costTenths + q) / (2 * q));
        return Price::Nearest(ToPriceGrid(tenth.yen(), ctx.fineTickMode, /*up=*/!sells));
    }
    const double step = std::max(1.0, std::floor(PriceStep(line.t.price.value_or(average), ctx.fineTickMode)));
    return Price::Nearest(std::floor(average / step + 0.7) * step);
}

void MatchingEngine::AwaitCounterparty(Order& o) {
    if (o.awaitingCounterparty) return;  // told once
    o.awaitingCounterparty = true;
    if (listener_) listener_->OnAwaitingCounterparty(o.number);
}

std::optional<Price> MatchingEngine::LimitFillPrice(Order& o, bool sells, Line& line) {
    // What trades with the order is the market's own: its quotes decide what is marketable and
    // what a new order meets. The user's orders are a queue to wait in: a print beyond the best
    // price shown, the user's own resting order among them, counts at that price.
    const Board& mb = m_.marketBoard;
    const Board& b = m_.board;
    const double bestAsk = Level(mb, 0), bestBid = Level(mb, 5);
    double p = line.t.price.value_or(0);
    if (m_.newOrderFlag && line.t.volume.value_or(0) == 0) {
        // Against the quote for this order only: the line keeps the last trade for the others (a
        // market sell after a buy must not take the ask as a price somebody paid).
        // With that side empty nobody stands there now, and the last trade (however old) is no
        // counterparty: the order waits for a print.
        const double opposite = sells ? bestBid : bestAsk;
        if (opposite == 0) return std::nullopt;
        p = opposite;
    }
    if (!sells && p < Level(b, 5)) p = Level(b, 5);
    if (sells && Level(b, 0) != 0 && p > Level(b, 0)) p = Level(b, 0);

    if (Marketable(o, sells)) {
        // Whole levels until the order is covered; the price is the first level beyond their average.
        const int first = OppositeSide(sells);
        Shares covered = 0;
        std::int64_t costTenths = 0;  // exact: a level equal to the average is not beyond it
        for (int i = first; i < first + 5 && covered < o.quantity; ++i) {
            const Shares quantity = LevelQty(mb, i);
            covered += quantity;
            costTenths += quantity * LevelPrice(mb, i).tenths();
        }
        // level beyond average ⇔ level × covered beyond cost; with nothing covered, the limit.
        const auto beyond = [&](Price level) {
            const std::int64_t scaled = level.tenths() * (covered > 0 ? covered : 1);
            const std::int64_t cost = covered > 0 ? costTenths : o.limitPrice.tenths();
            return sells ? scaled < cost : scaled > cost;
        };
        Price price;
        for (int i = first; i < first + 5; ++i) {
            const Price level = LevelPrice(mb, i);
            if (level == 0) continue;
            price = level;  // the last non-empty level, unless one lies beyond the average
            if (beyond(level)) break;
        }
        if (sells ? price < o.limitPrice : price > o.limitPrice) price = o.limitPrice;
        return price;
    }
    // The other assumptions count only a print that happens now, not the last one again.
    if (p == o.limitPrice && fillRule_ == FillRule::Optimistic) return line.due ? std::optional(o.limitPrice) : std::nullopt;
    if (p == o.limitPrice && fillRule_ == FillRule::Pessimistic) {
        // The price the line printed, before it was brought up to the order's own level.
        const double printed = line.t.price.value_or(0);
        if (line.due && printed > 0 && (sells ? printed > o.limitPrice : printed < o.limitPrice)) return o.limitPrice;
        return std::nullopt;
    }
    if (p == o.limitPrice) {
        // The queue: what stood ahead at the price on the order's own side must trade before
        // the order fills.
        int at = -1;
        for (int i = OwnSide(sells); i < OwnSide(sells) + 5; ++i)
            if (Level(b, i) == p) at = i;
        o.boardQtyAhead = QueueOnBoard(o, b, sells);
        const double v = line.t.volume.value_or(0);
        if (line.due) o.volumeAtPrice += static_cast<Shares>(v);
        if ((o.volumeAtPrice >= o.boardQtyAhead && o.volumeAtPrice != 0) || at < 0 || static_cast<double>(LevelQty(b, at)) <= v)
            return o.limitPrice;
        return std::nullopt;
    }
    if (sells ? p > o.limitPrice : p < o.limitPrice) return Price::Nearest(p);  // through the price
    return std::nullopt;
}

int MatchingEngine::CountFreePositions() const {
    return static_cast<int>(std::count_if(book_.positions.begin(), book_.positions.end(),
                                          [](const Position& p) { return !p.InUse(); }));
}

void MatchingEngine::NoRoomForPositions() {
    if (listener_) listener_->OnPositionTableFull();
}

void MatchingEngine::Fill(Order& o, bool closing, int slot, Price price, Line& line, const MatchContext& ctx) {
    AddTapeRow(line.t.time, Format(static_cast<double>(o.quantity), "###,###"), price, ctx.decimalPrices);
    m_.lastFillStamp = line.stamp;
    if (closing)
        FillClosingOrder(price, slot, line);
    else
        FillNewOrder(price, slot, line);
    // The next order of the line meets the board without this one.
    m_.ComposeBoard(ctx.preOpen);
    freePositions_ = CountFreePositions();
}

void MatchingEngine::FillNewOrder(Price price, int slot, const Line& line) {
    Order& o = book_.pendingNewOrders[static_cast<std::size_t>(slot)];
    if (account_) AdjustBuyingPower(*account_, o.reservedAmount - TimesShares(price, o.quantity));
    Execution e{line.stamp, false, o.side, o.quantity, price, o.number, slot, -1};
    if (counters_) e.position = AddPosition(book_, *counters_, o, price, line.stamp).value_or(-1);
    if (listener_) listener_->OnExecution(e, book_);
    RemoveFilledOrder(book_, slot, RemoveMode::NewOrder);
    m_.RefreshOverlay(book_);  // this line's correction must not lay the filled order back on
    if (listener_) listener_->OnOrderRemoved(slot, false);
}

void MatchingEngine::FillClosingOrder(Price price, int slot, const Line& line) {
    ClosingOrder& o = book_.pendingClosingOrders[static_cast<std::size_t>(slot)];
    if (account_) ClosingFillAccounting(*account_, o, book_, price, line.stamp);
    const Execution e{line.stamp, true, o.side, o.quantity, price, o.number, slot, -1};
    if (listener_) listener_->OnExecution(e, book_);
    RemoveFilledOrder(book_, slot, RemoveMode::FilledClosing);
    m_.RefreshOverlay(book_);
    if (listener_) listener_->OnOrderRemoved(slot, true);
}

}  // namespace corvala
