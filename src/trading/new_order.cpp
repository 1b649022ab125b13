#include "trading/new_order.h"

#include <algorithm>
#include <cmath>

#include "account/account.h"
#include "market/price_rules.h"
#include "platform/text.h"
#include "trading/matching.h"

namespace corvala {
namespace {

// A box's figure; thousands separators typed with it are read past ("1,000" is 1000).
float Number(const std::string& text) { return static_cast<float>(ReadFormattedNumber(text)); }

}  // namespace

std::string RequiredFields(const NewOrderForm& f) {
    if (f.kind == kKindNormalWithStop) return "1234";
    if (f.kind == kKindStop) return "134";
    return "12";
}

int MissingField(const NewOrderForm& f, std::string_view required) {
    const auto needs = [&](char c) { return required.find(c) != std::string_view::npos; };
    if (needs('1') && !IsNumeric(f.quantity)) return 1;
    if (needs('2') && !f.normalMarket && !IsNumeric(f.price)) return 2;
    if (needs('3') && !IsNumeric(f.trigger)) return 3;
    if (needs('4') && !f.stopMarket && !IsNumeric(f.stopPrice)) return 4;
    return 0;
}

std::string 空欄チェック(const NewOrderForm& f, std::string_view required) {
    const int missing = MissingField(f, required);
    return missing == 0 ? std::string{} : missing == 1 ? "数量" : "価格";
}

bool CheckEntry(const NewOrderForm& f, std::optional<int> slot, const char* tableFull, EntryOutcome& out) {
    if (const std::string missing = 空欄チェック(f, RequiredFields(f)); !missing.empty()) {
        out.status = EntryOutcome::Status::MissingField;
        out.missingField = MissingField(f, RequiredFields(f));
        out.title = "エラー";
        out.message = missing + "が入力されていません。";
        return false;
    }
    if (!slot || *slot < 0 || *slot >= kOrderSlots) {
        out.status = EntryOutcome::Status::TableFull;
        out.title = "注文エラー";
        out.message = tableFull;
        return false;
    }
    return true;
}

double LimitReservation(float price, double quantity, bool sells, double sellsAtLeast) {
    return (sells ? std::max<double>(price, sellsAtLeast) : static_cast<double>(price)) * quantity;
}

void KeepOrResetQueuePlace(Order& o, const Order& old, float ahead) {
    const bool samePlace = old.InUse() && o.limitPrice != 0 && o.isMarket == 0 && old.isMarket == 0 &&
                           o.limitPrice == old.limitPrice;
    o.boardQtyAhead = samePlace ? old.boardQtyAhead : (o.limitPrice != 0 ? ahead : 0);
    o.volumeAtPrice = samePlace ? old.volumeAtPrice : 0;
}

float QuantityInUnits(const std::string& text, int tradingUnit) {
    const double u = tradingUnit > 0 ? tradingUnit : 1;
    const double units = std::floor(ReadFormattedNumber(text) / u);
    return static_cast<float>(std::max(1.0, units) * u);
}

EntryOutcome SubmitNewOrder(const NewOrderForm& f, const OrderEntryContext& ctx, OrderBook& book,
                            OrderCounters& counters, Account& account, Dialogs& dialogs) {
    EntryOutcome out;
    const std::optional<int> slot = ctx.correctionSlot ? ctx.correctionSlot : LowestFreeSlot(book.pendingNewOrders);
    if (!CheckEntry(f, slot, "未約定の注文が30件あるため、これ以上注文できません。", out)) return out;
    const Order old = book.pendingNewOrders[static_cast<std::size_t>(*slot)];
    Order o = ctx.correctionSlot ? old : Order{};
    if (!ctx.correctionSlot) o.number = static_cast<float>(counters.newOrderSeq);
    o.placedAt = static_cast<float>(ctx.nowSeconds);
    o.code = ctx.code;
    o.side = f.sell ? kSideMarginSell : f.cashCaption ? kSideCash : kSideMarginBuy;
    // The quantity as whole units, the prices as the numbers typed.
    o.quantity = QuantityInUnits(f.quantity, ctx.tradingUnit);
    const double q = o.quantity;
    const double upperLimit = ctx.prevClose + DailyPriceLimit(ctx.prevClose);
    const float p = Number(f.price), t = Number(f.stopPrice);
    const auto setStop = [&] {
        o.triggerPrice = Number(f.trigger);
        o.triggerDirection = f.triggerBelow ? 1 : 0;
        o.stopExecution = f.stopMarket ? 1 : 0;
        o.stopLimitPrice = f.stopMarket ? 0 : t;
    };
    const float ahead = ctx.cells ? 板数量チェック(*ctx.cells, p, ctx.tradingUnit) : 0;
    // A short sale below the market is sold at the bid at once; before the open it is sold at the
    // opening price, which only the upper limit bounds.
    const double bid = ctx.cells && ctx.cells->shown[5] > 0 ? ctx.cells->shown[5] : ctx.currentPrice;
    const auto limitAmount = [&](float price) {
        if (f.sell && ctx.preOpen && bid > 0 && price < bid) return q * upperLimit;
        return LimitReservation(price, q, f.sell, bid);
    };
    double amount = 0;
    o.kind = f.kind;
    o.isMarket = 0;
    o.limitPrice = 0;
    if (f.kind == kKindNormalWithStop) {
        o.limitPrice = p;
        setStop();
        amount = std::max(limitAmount(p), f.stopMarket ? q * upperLimit : limitAmount(t));
    } else if (f.kind == kKindStop) {
        setStop();
        amount = f.stopMarket ? upperLimit * q : limitAmount(t);
    } else if (f.normalMarket) {
        o.isMarket = 1;
        amount = q * upperLimit;
    } else {
        o.limitPrice = p;
        amount = limitAmount(p);
    }
    KeepOrResetQueuePlace(o, ctx.correctionSlot ? old : Order{}, ahead);
    const double required = ctx.correctionSlot ? amount - old.reservedAmount : amount;
    if (!(ctx.capacity > required)) {
        out.status = EntryOutcome::Status::NoFunds;
        out.title = "注文エラー";
        out.message = "資金が足りません。";
        return out;
    }
    o.reservedAmount = amount;
    if (!dialogs.Ask("注文内容確認", "表記内容で注文しますか？")) {
        out.status = EntryOutcome::Status::Declined;
        return out;
    }
    book.pendingNewOrders[static_cast<std::size_t>(*slot)] = o;
    AdjustBuyingPower(account, -(ctx.correctionSlot ? amount - old.reservedAmount : amount));
    if (!ctx.correctionSlot) ++counters.newOrderSeq;
    out.status = EntryOutcome::Status::Stored;
    out.slot = *slot;
    out.amount = amount;
    return out;
}

}  // namespace corvala
