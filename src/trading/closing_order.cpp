#include "trading/closing_order.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"
#include "trading/matching.h"

namespace corvala {
namespace {

// The positions a closing side closes: cash holdings for 売付, margin longs for 売埋.
bool Closes(Side closingSide, const Position& p) { return p.InUse() && p.side == closingSide; }

}  // namespace

std::vector<int> ClosablePositions(const OrderBook& book, Side closingSide) {
    std::vector<int> out;
    for (int i = 0; i < kOrderSlots; ++i) {
        const Position& p = book.positions[static_cast<std::size_t>(i)];
        if (Closes(closingSide, p) && p.quantity > p.committedQty) out.push_back(i);
    }
    return out;
}

Shares RowQuantity(const std::string& typed, int tradingUnit, const Position& p) {
    if (!IsNumeric(typed) || tradingUnit <= 0) return 0;
    const auto value = static_cast<Shares>(std::min(std::fabs(ReadFormattedNumber(typed)), 100'000'000.0));
    return std::min(value / tradingUnit * tradingUnit, p.quantity - p.committedQty);
}

Shares BulkClose(OrderBook& book, Side closingSide, bool on) {
    // The first side option (売埋 or 売付) takes longs and cash holdings, 買埋 the shorts.
    const bool firstOption = closingSide != kSideMarginSell;
    for (Position& p : book.positions)
        if (p.InUse() && (firstOption ? p.side != kSideMarginSell : p.side == kSideMarginSell))
            p.closeQtyInput = on ? p.quantity - p.committedQty : 0;
    return ClosingQuantity(book);
}

Shares ClosingQuantity(const OrderBook& book) {
    Shares sum = 0;
    for (const Position& p : book.positions)
        if (p.InUse()) sum += p.closeQtyInput;
    return sum;
}

EntryOutcome SubmitClosingOrder(const ClosingOrderForm& form, const OrderEntryContext& ctx, OrderBook& book,
                                OrderCounters& counters, Dialogs& dialogs) {
    EntryOutcome out;
    NewOrderForm f = form.order;
    const std::optional<int> slot =
        ctx.correctionSlot ? ctx.correctionSlot : LowestFreeSlot(book.pendingClosingOrders);
    // A correction keeps the order's quantity and allocation; a new order takes the rows' sum.
    const bool correcting = ctx.correctionSlot && *slot >= 0 && *slot < kOrderSlots;
    const Shares quantity =
        correcting ? book.pendingClosingOrders[static_cast<std::size_t>(*slot)].quantity : ClosingQuantity(book);
    f.quantity = quantity > 0 ? Format(quantity, "0") : std::string{};
    if (!CheckEntry(f, slot, "未約定の返済注文が30件あるため、これ以上注文できません。", out)) return out;
    if (!CheckPrices(f, ctx, out)) return out;
    ClosingOrder o = ctx.correctionSlot ? book.pendingClosingOrders[static_cast<std::size_t>(*slot)] : ClosingOrder{};
    if (!ctx.correctionSlot) o.number = counters.closingOrderSeq;
    o.placedAt = ctx.nowSeconds;
    o.code = ctx.code;
    o.side = form.side;
    if (!ctx.correctionSlot) o.quantity = quantity;
    const Price p = Price::Nearest(ReadFormattedNumber(f.price));
    o.kind = f.kind;
    o.isMarket = f.kind == kKindNormal && f.normalMarket;
    o.limitPrice = f.kind == kKindStop || o.isMarket ? Price{} : p;
    const Order old = ctx.correctionSlot ? book.pendingClosingOrders[static_cast<std::size_t>(*slot)] : Order{};
    const Shares ahead = ctx.cells ? 板数量チェック(*ctx.cells, p, ctx.tradingUnit, ClosingOrderSells(o.side)) : 0;
    KeepOrResetQueuePlace(o, old, ahead);
    const bool stop = f.kind != kKindNormal;
    o.triggerPrice = stop ? Price::Nearest(ReadFormattedNumber(f.trigger)) : Price{};
    o.triggerDirection = stop && f.triggerBelow ? StopDirection::AtOrBelow : StopDirection::AtOrAbove;
    o.stopExecution = stop && f.stopMarket ? StopExecution::Market : StopExecution::Limit;
    o.stopLimitPrice = stop && !f.stopMarket ? Price::Nearest(ReadFormattedNumber(f.stopPrice)) : Price{};
    o.reservedAmount = 0;
    o.fresh = true;
    if (!dialogs.Ask("注文内容確認", "表記内容で注文しますか？")) {
        out.status = EntryOutcome::Status::Declined;
        return out;
    }
    if (!ctx.correctionSlot) {
        // The allocation, highest slot first, and the shares it commits.
        o.closeSlots.clear();
        o.closeQuantities.clear();
        for (int i = 0; i < kOrderSlots; ++i) {
            Position& pos = book.positions[static_cast<std::size_t>(i)];
            if (!pos.InUse() || pos.closeQtyInput == 0) continue;
            pos.committedQty += pos.closeQtyInput;
            const std::string q = Format(pos.closeQtyInput, "0");
            o.closeSlots = o.closeSlots.empty() ? std::to_string(i) : std::to_string(i) + "," + o.closeSlots;
            o.closeQuantities = o.closeQuantities.empty() ? q : q + "," + o.closeQuantities;
        }
        ++counters.closingOrderSeq;
    }
    book.pendingClosingOrders[static_cast<std::size_t>(*slot)] = o;
    for (Position& pos : book.positions) pos.closeQtyInput = 0;  // the dialog closes
    out.status = EntryOutcome::Status::Stored;
    out.slot = *slot;
    return out;
}

}  // namespace corvala
