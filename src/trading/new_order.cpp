#include "trading/new_order.h"

#include <algorithm>
#include <cmath>

#include "account/account.h"
#include "base/price_rules.h"
#include "platform/text.h"
#include "trading/matching.h"

namespace corvala {
namespace {

// A box's price; thousands separators typed with it are read past ("1,000" is 1000).
Price Number(const std::string& text) { return Price::Nearest(ReadFormattedNumber(text)); }

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

namespace {

// A price as typed, with its decimals: "3,136.5円", "1円".
std::string YenText(double v) {
    const char* pattern = v == std::floor(v) ? "###,##0" : v * 10 == std::floor(v * 10) ? "###,##0.0" : "###,##0.00";
    return Format(v, pattern) + "円";
}

bool BadPrice(EntryOutcome& out, std::string message) {
    out.status = EntryOutcome::Status::BadPrice;
    out.title = "注文エラー";
    out.message = std::move(message);
    return false;
}

}  // namespace

bool CheckPrices(const NewOrderForm& f, const OrderEntryContext& ctx, EntryOutcome& out) {
    const std::string required = RequiredFields(f);
    const auto needs = [&](char c) { return required.find(c) != std::string::npos; };
    struct Field {
        bool used;
        const std::string& text;
        const char* name;
    };
    const Field fields[] = {{needs('2') && !f.normalMarket && f.kind != kKindStop, f.price, "価格"},
                            {needs('3'), f.trigger, "逆指値の条件価格"},
                            {needs('4') && !f.stopMarket, f.stopPrice, "逆指値の価格"}};
    for (const Field& field : fields) {
        if (!field.used) continue;
        const double p = Number(field.text);  // as the order keeps it
        const double typed = ReadFormattedNumber(field.text);
        const std::string name = field.name;
        if (!(p > 0)) return BadPrice(out, name + "は0より大きい値を入力して下さい。");
        // The price typed, not its copy rounded to tenths, lies on the grid: 3136.0005 is no price.
        const double steps = typed / PriceStep(typed, ctx.fineTickMode);
        if (!OnPriceGrid(p, ctx.fineTickMode) || std::fabs(steps - std::round(steps)) > 1e-6)
            return BadPrice(out, name + "の" + YenText(typed) + "は呼値の単位（" +
                                     YenText(PriceStep(p, ctx.fineTickMode)) + "）に合っていません。");
        const PriceBand& band = ctx.limits;
        if (band.Excludes(Price::Nearest(p)))
            return BadPrice(out, name + "の" + YenText(typed) + "は値幅制限（" + YenText(band.lower) + "～" +
                                     YenText(band.upper) + "）の外です。");
    }
    return true;
}

double LimitReservation(Price price, double quantity, bool sells, double sellsAtLeast) {
    return (sells ? std::max(price.yen(), sellsAtLeast) : price.yen()) * quantity;
}

void KeepOrResetQueuePlace(Order& o, const Order& old, Shares ahead) {
    const bool samePlace = old.InUse() && o.limitPrice != 0 && !o.isMarket && !old.isMarket &&
                           o.limitPrice == old.limitPrice && o.side == old.side && o.quantity <= old.quantity;
    o.boardQtyAhead = samePlace ? old.boardQtyAhead : (o.limitPrice != 0 ? ahead : 0);
    o.volumeAtPrice = samePlace ? old.volumeAtPrice : 0;
}

Shares QuantityInUnits(const std::string& text, int tradingUnit) {
    const Shares u = tradingUnit > 0 ? tradingUnit : 1;
    // Beyond what any account could buy, a figure is only kept from overflowing.
    const double typed = std::min(ReadFormattedNumber(text), static_cast<double>(kMaxShares));
    const Shares units = typed >= 1 ? static_cast<Shares>(typed) / u : 0;
    return std::max<Shares>(1, units) * u;
}

std::string OrderSummary(const Order& o, bool decimalPrices) {
    const std::string price = o.isMarket ? "成行" : FormatPrice(o.limitPrice, decimalPrices, true) + "円";
    return SideText(o.side, false) + " " + price + " " + Format(o.quantity, "###,##0") + "株";
}

EntryOutcome SubmitNewOrder(const NewOrderForm& f, const OrderEntryContext& ctx, OrderBook& book,
                            OrderCounters& counters, Account& account, Dialogs& dialogs) {
    EntryOutcome out;
    const std::optional<int> slot = ctx.correctionSlot ? ctx.correctionSlot : LowestFreeSlot(book.pendingNewOrders);
    if (!CheckEntry(f, slot, "未約定の注文が30件あるため、これ以上注文できません。", out)) return out;
    if (!CheckPrices(f, ctx, out)) return out;
    const Order old = book.pendingNewOrders[static_cast<std::size_t>(*slot)];
    Order o = ctx.correctionSlot ? old : Order{};
    if (!ctx.correctionSlot) o.number = counters.newOrderSeq;
    o.placedAt = ctx.nowSeconds;
    o.code = ctx.code;
    o.side = f.sell ? kSideMarginSell : f.cashCaption ? kSideCash : kSideMarginBuy;
    // The quantity as whole units, the prices as the numbers typed.
    o.quantity = QuantityInUnits(f.quantity, ctx.tradingUnit);
    const double upper = ctx.limits.upper.yen();  // 0: not known
    const Price p = Number(f.price), t = Number(f.stopPrice), trigger = Number(f.trigger);
    const auto setStop = [&] {
        o.triggerPrice = trigger;
        o.triggerDirection = f.triggerBelow ? StopDirection::AtOrBelow : StopDirection::AtOrAbove;
        o.stopExecution = f.stopMarket ? StopExecution::Market : StopExecution::Limit;
        o.stopLimitPrice = f.stopMarket ? Price{} : t;
    };
    const Shares ahead = ctx.cells ? 板数量チェック(*ctx.cells, p, ctx.tradingUnit, f.sell) : 0;
    // The worst price a limit can fill at. A buy never pays more than its limit. A short sale
    // sells into the bid at once when that is higher, and at an opening print (or into a market
    // that has not traded yet) at whatever price it opens, which only the upper limit bounds.
    // `restsNow`: the limit stands now (not a stop's, which waits for its trigger).
    const double bid = ctx.marketBid > 0 ? ctx.marketBid : ctx.currentPrice;
    const auto worst = [&](Price price, bool restsNow) -> double {
        if (!f.sell) return price;
        if ((restsNow && ctx.meetsOpeningPrint) || bid <= 0) return upper;
        return std::max<double>(LimitReservation(price, 1, true, bid), restsNow ? 0.0 : trigger);
    };
    double perShare = 0;
    o.kind = f.kind;
    o.isMarket = false;
    o.limitPrice = Price{};
    if (f.kind == kKindNormalWithStop) {
        o.limitPrice = p;
        setStop();
        perShare = std::max(worst(p, true), f.stopMarket ? upper : worst(t, false));
    } else if (f.kind == kKindStop) {
        setStop();
        perShare = f.stopMarket ? upper : worst(t, false);
    } else if (f.normalMarket) {
        o.isMarket = true;
        perShare = upper;
    } else {
        o.limitPrice = p;
        perShare = worst(p, true);
    }
    if (!(perShare > 0)) {
        // Neither a previous close nor a trade of the day: nothing bounds what it would cost.
        out.status = EntryOutcome::Status::BadPrice;
        out.title = "注文エラー";
        out.message = "この日は値幅制限が分からないため、この注文は出せません。";
        return out;
    }
    // Counted in tenths: a decimal price times shares is exact. A product beyond 64 bits is far
    // beyond any account.
    std::int64_t amountTenths = 0;
    const bool beyond = __builtin_mul_overflow(Price::Nearest(perShare).tenths(), o.quantity, &amountTenths);
    const Money amount = Money::FromTenths(amountTenths);
    KeepOrResetQueuePlace(o, ctx.correctionSlot ? old : Order{}, ahead);
    const double required = ctx.correctionSlot ? amount - old.reservedAmount : amount;
    if (beyond || ctx.underWater || !(ctx.capacity > required)) {
        out.status = EntryOutcome::Status::NoFunds;
        out.title = "注文エラー";
        out.message = "資金が足りません。";
        return out;
    }
    o.reservedAmount = amount;
    o.fresh = true;
    const std::string question = "表記内容で注文しますか？";
    if (!dialogs.Ask("注文内容確認", ctx.sayOrder ? OrderSummary(o, ctx.decimalPrices) + "\n" + question : question)) {
        out.status = EntryOutcome::Status::Declined;
        return out;
    }
    book.pendingNewOrders[static_cast<std::size_t>(*slot)] = o;
    AdjustBuyingPower(account, -required);
    if (!ctx.correctionSlot) ++counters.newOrderSeq;
    out.status = EntryOutcome::Status::Stored;
    out.slot = *slot;
    out.amount = amount;
    return out;
}

}  // namespace corvala
