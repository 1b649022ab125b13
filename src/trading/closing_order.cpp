#include "trading/closing_order.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"
#include "trading/matching.h"

namespace corvala {
namespace {

// The positions a closing side closes: cash holdings for 売付, margin longs for 売埋.
bool Closes(float closingSide, const Position& p) { return p.InUse() && p.side == closingSide; }

}  // namespace

std::vector<int> ClosablePositions(const OrderBook& book, float closingSide) {
    std::vector<int> out;
    for (int i = 0; i < kOrderSlots; ++i) {
        const Position& p = book.positions[static_cast<std::size_t>(i)];
        if (Closes(closingSide, p) && p.quantity > p.committedQty) out.push_back(i);
    }
    return out;
}

float RowQuantity(const std::string& typed, int tradingUnit, const Position& p) {
    if (!IsNumeric(typed) || tradingUnit <= 0) return 0;
    const double value = std::min(std::fabs(ReadFormattedNumber(typed)), 100'000'000.0);
    const double units = std::floor(value / tradingUnit) * tradingUnit;
    return static_cast<float>(std::min<double>(units, p.quantity - p.committedQty));
}

float BulkClose(OrderBook& book, float closingSide, bool on) {
    // The first side option (売埋 or 売付) takes longs and cash holdings, 買埋 the shorts.
    const bool firstOption = closingSide != kSideMarginSell;
    for (Position& p : book.positions)
        if (p.InUse() && (firstOption ? p.side != kSideMarginSell : p.side == kSideMarginSell))
            p.closeQtyInput = on ? p.quantity - p.committedQty : 0;
    return ClosingQuantity(book);
}

float ClosingQuantity(const OrderBook& book) {
    float sum = 0;
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
    const float quantity =
        correcting ? book.pendingClosingOrders[static_cast<std::size_t>(*slot)].quantity : ClosingQuantity(book);
    f.quantity = quantity > 0 ? Format(quantity, "0") : std::string{};
    if (!CheckEntry(f, slot, "未約定の返済注文が30件あるため、これ以上注文できません。", out)) return out;
    if (!CheckPrices(f, ctx, out)) return out;
    ClosingOrder o = ctx.correctionSlot ? book.pendingClosingOrders[static_cast<std::size_t>(*slot)] : ClosingOrder{};
    if (!ctx.correctionSlot) o.number = static_cast<float>(counters.closingOrderSeq);
    o.placedAt = static_cast<float>(ctx.nowSeconds);
    o.code = ctx.code;
    o.side = form.side;
    if (!ctx.correctionSlot) o.quantity = quantity;
    const float p = static_cast<float>(ReadFormattedNumber(f.price));
    o.kind = f.kind;
    o.isMarket = f.kind == kKindNormal && f.normalMarket ? 1 : 0;
    o.limitPrice = f.kind == kKindStop || o.isMarket == 1 ? 0 : p;
    const Order old = ctx.correctionSlot ? book.pendingClosingOrders[static_cast<std::size_t>(*slot)] : Order{};
    KeepOrResetQueuePlace(o, old, ctx.cells ? 板数量チェック(*ctx.cells, p, ctx.tradingUnit, ClosingOrderSells(o.side)) : 0);
    o.triggerPrice = f.kind == kKindNormal ? 0 : static_cast<float>(ReadFormattedNumber(f.trigger));
    o.triggerDirection = f.kind != kKindNormal && f.triggerBelow ? 1 : 0;
    o.stopExecution = f.kind != kKindNormal && f.stopMarket ? 1 : 0;
    o.stopLimitPrice = f.kind != kKindNormal && !f.stopMarket ? static_cast<float>(ReadFormattedNumber(f.stopPrice)) : 0;
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
