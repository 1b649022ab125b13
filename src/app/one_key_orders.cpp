#include "app/one_key_orders.h"

#include <algorithm>

#include "platform/text.h"
#include "trading/order_forms.h"

namespace corvala {
namespace {

constexpr std::array<const char*, kOneKeys> kNames = {"buyAtAsk", "sellAtBid", "closeAll", "cancelAll"};
constexpr const char* kRefusedTitle = "注文エラー";

}  // namespace

OneKeyOrders::OneKeyOrders(Services& services, OperationLog& log, TradingDesk& trading, const OrderDialogs& windows)
    : services_(services), log_(log), trading_(trading), windows_(windows) {}

const char* OneKeyOrders::Name(OneKey key) { return kNames[static_cast<std::size_t>(key)]; }

std::optional<OneKey> OneKeyOrders::FromName(std::string_view name) {
    for (int k = 0; k < kOneKeys; ++k)
        if (name == kNames[static_cast<std::size_t>(k)]) return static_cast<OneKey>(k);
    return std::nullopt;
}

std::optional<OneKey> OneKeyOrders::KeyFor(std::string_view keyName) const {
    for (int k = 0; k < kOneKeys; ++k)
        if (!keyName.empty() && options_.keys[static_cast<std::size_t>(k)] == keyName) return static_cast<OneKey>(k);
    return std::nullopt;
}

std::string OneKeyOrders::DefaultQuantity() const {
    const int unit = services_.day().tradingUnit > 0 ? services_.day().tradingUnit : 100;
    return std::to_string(static_cast<long long>(unit) * std::clamp(options_.units, 1, kMaxOneKeyUnits));
}

std::string OneKeyOrders::Press(OneKey key, const std::string& quantity) { return Press(key, quantity, options_.confirm); }

std::string OneKeyOrders::Press(OneKey key, const std::string& quantity, bool confirm) {
    // The quantity is written as ordered: a session plays the same shares whatever is set then.
    const bool orders = key == OneKey::BuyAtAsk || key == OneKey::SellAtBid;
    const std::string shares = orders && quantity.empty() ? DefaultQuantity() : quantity;
    const OpScope op(log_, SessionOp::OneKeyOrder, {Name(key), shares, OpArg(confirm)});
    if (!op) return {};
    if (const std::optional<EntryOutcome> closed = trading_.RefusedForNoReplay()) return Refuse(closed->title, closed->message);
    if (windows_.anyOpen()) return Refuse(kRefusedTitle, "注文画面を開いている間はワンキー注文を使えません。");
    std::string refusal;
    switch (key) {
        case OneKey::BuyAtAsk: refusal = OrderAtBest(false, shares, confirm); break;
        case OneKey::SellAtBid: refusal = OrderAtBest(true, shares, confirm); break;
        case OneKey::CloseAll: refusal = CloseAll(confirm); break;
        case OneKey::CancelAll: refusal = CancelAll(confirm); break;
    }
    services_.Notify();
    return refusal;
}

std::string OneKeyOrders::Refuse(const std::string& title, const std::string& message) {
    services_.questions().ShowNotice(title, message);
    services_.Notify();
    return message;
}

// A limit at the market's best price on the other side, not at the user's own order laid on it.
std::string OneKeyOrders::OrderAtBest(bool sell, const std::string& quantity, bool confirm) {
    const bool cashOnly = trading_.account().cashOnly;
    if (sell && cashOnly) return Refuse(kRefusedTitle, "現物のみのため、売建はできません。");
    const double price = trading_.market().marketBoard.At(sell ? 5 : 0).yen();
    if (!(price > 0)) return Refuse(kRefusedTitle, sell ? "買い気配がないため、売建できません。" : "売り気配がないため、買い注文を出せません。");
    NewOrderForm form;
    form.sell = sell;
    form.cashCaption = cashOnly;
    form.quantity = quantity;
    form.price = DialogPriceText(price, services_.day().decimalPrices);
    const EntryOutcome out = trading_.PlaceNewOrder(
        form, std::nullopt, confirm ? TradingDesk::Question::SayingTheOrder : TradingDesk::Question::None);
    if (out.status == EntryOutcome::Status::Stored || out.message.empty()) return {};
    return Refuse(out.title, out.message);
}

// 一括返済 of each kind of holding (margin longs, cash, shorts), each as one market order, asked
// once for all of them. Shares a pending closing order already closes stay with it.
std::string OneKeyOrders::CloseAll(bool confirm) {
    const bool anyFree = std::any_of(trading_.orders().positions.begin(), trading_.orders().positions.end(),
                                     [](const Position& p) { return p.InUse() && p.quantity > p.committedQty; });
    if (!anyFree) return Refuse(kRefusedTitle, "返済できる建玉がありません（返済注文中の株数は除きます）。");
    if (confirm && !services_.questions().Ask("注文内容確認", "すべての建玉を成行で返済します。よろしいですか？")) return {};
    for (const Side side : {kSideMarginBuy, kSideCash, kSideMarginSell}) {
        trading_.ClearCloseInputs();
        bool some = false;
        for (int slot = 0; slot < kOrderSlots; ++slot) {
            const Position& p = trading_.orders().positions[static_cast<std::size_t>(slot)];
            if (!p.InUse() || p.side != side || p.quantity <= p.committedQty) continue;
            trading_.SetCloseInput(slot, p.quantity - p.committedQty);
            some = true;
        }
        if (!some) continue;
        ClosingOrderForm form;
        form.order.normalMarket = true;
        form.order.cashCaption = side == kSideCash;
        form.side = side;
        const EntryOutcome out = trading_.PlaceClosingOrder(form, std::nullopt, /*confirm=*/false);
        if (out.status != EntryOutcome::Status::Stored) {
            trading_.ClearCloseInputs();
            return out.message.empty() ? std::string() : Refuse(out.title, out.message);
        }
    }
    trading_.ClearCloseInputs();
    return {};
}

std::string OneKeyOrders::CancelAll(bool confirm) {
    const OrderBook& book = trading_.orders();
    const auto used = [](const auto& table) {
        return std::any_of(table.begin(), table.end(), [](const auto& o) { return o.InUse(); });
    };
    if (!used(book.pendingNewOrders) && !used(book.pendingClosingOrders))
        return Refuse(kRefusedTitle, "取消できる注文がありません。");
    if (confirm && !services_.questions().Ask("注文取消し", "未約定の注文をすべて取消します。")) return {};
    for (const bool closing : {false, true})
        for (int slot = 0; slot < kOrderSlots; ++slot) {
            const bool inUse = closing ? book.pendingClosingOrders[static_cast<std::size_t>(slot)].InUse()
                                       : book.pendingNewOrders[static_cast<std::size_t>(slot)].InUse();
            if (inUse) trading_.CancelOrder(slot, closing, /*ask=*/false);
        }
    return {};
}

}  // namespace corvala
