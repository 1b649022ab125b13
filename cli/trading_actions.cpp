#include "trading_actions.h"

#include <algorithm>

#include "platform/text.h"

namespace corvala::cli {

using json = nlohmann::ordered_json;

namespace {

// The account panel's boxes are locked from 開 始 to the end of the run.
constexpr const char* kLockedDuringReplay = "再生中は投資金額・現物のみ・リセットを操作できません。";

std::optional<float> Pick(const std::map<std::string, float>& names, const json& j, const char* key,
                          std::string& error) {
    if (!j.contains(key)) return std::nullopt;
    if (j[key].is_string()) {
        const auto it = names.find(j[key].get<std::string>());
        if (it != names.end()) return it->second;
    }
    std::string choices;
    for (const auto& [name, value] : names) choices += (choices.empty() ? "" : ", ") + name;
    error = std::string("\"") + key + "\" must be one of " + choices;
    return std::nullopt;
}

// The order fields are checked as the dialog's boxes would be: numbers or nothing.
bool CheckOrderFields(const json& f, std::string& error) {
    static const std::map<std::string, float> kTypes = {
        {"通常注文", CodeOf(kKindNormal)}, {"逆指値付通常注文", CodeOf(kKindNormalWithStop)}, {"逆指値注文", CodeOf(kKindStop)}};
    static const std::map<std::string, float> kLimitOrMarket = {{"指値", 0}, {"成行", 1}};
    static const std::map<std::string, float> kWhen = {{"以上", 0}, {"以下", 1}};
    for (const auto& [key, names] : {std::pair{"type", &kTypes}, std::pair{"normal", &kLimitOrMarket},
                                     std::pair{"stop", &kLimitOrMarket}, std::pair{"when", &kWhen}}) {
        Pick(*names, f, key, error);
        if (!error.empty()) return false;
    }
    for (const char* key : {"price", "qty", "trigger", "stopPrice"})
        if (f.contains(key) && !f[key].is_number() && !f[key].is_string()) {
            error = std::string("\"") + key + "\" must be a number";
            return false;
        }
    return true;
}

std::string FieldText(const json& f, const char* key) {
    if (!f.contains(key)) return {};
    return f[key].is_string() ? f[key].get<std::string>() : f[key].dump();
}

NewOrderForm FormOf(const json& f) {
    NewOrderForm form;
    const auto text = [&](const char* key) { return f.contains(key) && f[key].is_string() ? f[key].get<std::string>() : ""; };
    const std::string type = text("type");
    form.kind = type == "逆指値付通常注文" ? kKindNormalWithStop : type == "逆指値注文" ? kKindStop : kKindNormal;
    form.normalMarket = text("normal") == "成行";
    form.triggerBelow = text("when") == "以下";
    form.stopMarket = text("stop") == "成行";
    form.quantity = FieldText(f, "qty");
    form.price = FieldText(f, "price");
    form.trigger = FieldText(f, "trigger");
    form.stopPrice = FieldText(f, "stopPrice");
    return form;
}

// The order form of a correction: the stored order as the dialog prefills it, overwritten by
// the fields given.
json PrefilledFields(const Order& o, bool decimalPrices) {
    const auto price = [&](Price v) { return Format(v, decimalPrices ? "0.0" : "#"); };
    json f;
    f["type"] = o.kind == kKindNormalWithStop ? "逆指値付通常注文" : o.kind == kKindStop ? "逆指値注文" : "通常注文";
    f["normal"] = o.isMarket ? "成行" : "指値";
    if (o.limitPrice != 0) f["price"] = price(o.limitPrice);
    f["qty"] = Format(static_cast<double>(o.quantity), "0");
    if (o.kind != kKindNormal) {
        f["trigger"] = price(o.triggerPrice);
        f["when"] = o.triggerDirection == StopDirection::AtOrBelow ? "以下" : "以上";
        f["stop"] = o.stopExecution == StopExecution::Market ? "成行" : "指値";
        if (o.stopExecution == StopExecution::Limit) f["stopPrice"] = price(o.stopLimitPrice);
    }
    return f;
}

template <typename Table>
std::optional<int> SlotOfNumber(const Table& table, int number) {
    for (int i = 0; i < kOrderSlots; ++i)
        if (table[static_cast<std::size_t>(i)].InUse() && table[static_cast<std::size_t>(i)].number == number) return i;
    return std::nullopt;
}

std::string Refusal(const EntryOutcome& out) {
    if (out.status == EntryOutcome::Status::Stored) return {};
    return out.message.empty() ? "注文は受け付けられませんでした。" : out.message;
}

std::string PlaceNew(Simulation& sim, const json& f, std::optional<int> correctionSlot) {
    NewOrderForm form = FormOf(f);
    const std::string side = f.contains("side") && f["side"].is_string() ? f["side"].get<std::string>() : "買建";
    // In cash-only mode the dialog offers 買付 alone; otherwise 買建 and 売建.
    if (sim.trading().account().cashOnly != (side == "買付"))
        return sim.trading().account().cashOnly ? "現物のみ: 買付だけを注文できます。" : "買付は現物のみのときに注文できます。";
    form.sell = side == "売建";
    form.cashCaption = side == "買付";
    return Refusal(sim.trading().PlaceNewOrder(form, correctionSlot));
}

std::string PlaceClose(Simulation& sim, const TradingAction& a, std::optional<int> correctionSlot) {
    ClosingOrderForm form;
    form.order = FormOf(a.fields);
    form.side = a.closeSide;
    if (sim.trading().account().cashOnly != (a.closeSide == kSideCash))
        return sim.trading().account().cashOnly ? "現物のみ: 売付だけを注文できます。" : "売付は現物のみのときに注文できます。";
    if (!correctionSlot) {
        for (Side side : {kSideMarginBuy, kSideMarginSell}) sim.trading().SetBulkClose(side, false);
        if (a.closeAll) sim.trading().SetBulkClose(a.closeSide, true);
        const std::vector<int> closable = ClosablePositions(sim.trading().orders(), a.closeSide);
        for (const auto& [number, quantity] : a.closeQuantities) {
            const auto slot = SlotOfNumber(sim.trading().orders().positions, number);
            if (!slot || std::find(closable.begin(), closable.end(), *slot) == closable.end())
                return "建玉" + Format(number, "0") + "はこの注文で返済できません。";
            sim.trading().SetCloseQuantity(*slot, quantity);
        }
    }
    return Refusal(sim.trading().PlaceClosingOrder(form, correctionSlot));
}

}  // namespace

std::optional<TradingAction> ParseTradingAction(const json& j, std::string& error) {
    error.clear();
    TradingAction a;
    if (j.contains("new")) {
        a.kind = TradingAction::Kind::New;
        a.fields = j["new"];
        if (!a.fields.is_object()) error = "\"new\" must hold the order fields";
        else if (CheckOrderFields(a.fields, error)) {
            static const std::map<std::string, float> kSides = {{"買建", 1}, {"売建", 2}, {"買付", 3}};
            if (!a.fields.contains("side")) error = "\"new\" needs a \"side\"";
            else Pick(kSides, a.fields, "side", error);
        }
    } else if (j.contains("close")) {
        a.kind = TradingAction::Kind::Close;
        a.fields = j["close"];
        static const std::map<std::string, float> kSides = {{"売埋", 1}, {"買埋", 2}, {"売付", 3}};
        if (!a.fields.is_object() || !a.fields.contains("side")) {
            error = "\"close\" needs a \"side\" and \"positions\"";
        } else if (const auto side = Pick(kSides, a.fields, "side", error); side && CheckOrderFields(a.fields, error)) {
            a.closeSide = static_cast<Side>(static_cast<int>(*side));
            const json& p = a.fields.contains("positions") ? a.fields["positions"] : json();
            if (p.is_string() && p.get<std::string>() == "all") {
                a.closeAll = true;
            } else if (p.is_object() && !p.empty()) {
                for (const auto& [number, quantity] : p.items()) {
                    if (!IsAllDigits(number) || !(quantity.is_number() || quantity.is_string())) {
                        error = "\"positions\" maps position numbers to share counts";
                        break;
                    }
                    a.closeQuantities[number.size() <= 9 ? std::stoi(number) : -1] =
                        quantity.is_string() ? quantity.get<std::string>() : quantity.dump();
                }
            } else {
                error = "\"positions\" must be \"all\" or {\"<position number>\": shares, …}";
            }
        }
    } else if (j.contains("cancel") || j.contains("correct")) {
        const bool cancel = j.contains("cancel");
        a.kind = cancel ? TradingAction::Kind::Cancel : TradingAction::Kind::Correct;
        const json& n = j[cancel ? "cancel" : "correct"];
        if (!n.is_number_integer() || n.get<int>() <= 0) error = std::string("\"") + (cancel ? "cancel" : "correct") + "\" must be an order number";
        else a.orderNumber = n.get<int>();
        a.fields = j;
        if (error.empty() && !cancel) CheckOrderFields(a.fields, error);
    } else if (j.contains("key")) {
        a.kind = TradingAction::Kind::OneKey;
        const std::optional<OneKey> key = j["key"].is_string() ? OneKeyOrders::FromName(j["key"].get<std::string>()) : std::nullopt;
        if (!key) error = "\"key\" must be one of buyAtAsk, sellAtBid, closeAll, cancelAll";
        else a.key = *key;
        a.keyQuantity = FieldText(j, "qty");
        if (j.contains("qty") && !(IsNumeric(a.keyQuantity) && ReadFormattedNumber(a.keyQuantity) > 0))
            error = "\"qty\" must be a number of shares above 0";
    } else if (j.contains("cashOnly")) {
        a.kind = TradingAction::Kind::CashOnly;
        if (!j["cashOnly"].is_boolean()) error = "\"cashOnly\" must be true or false";
        else a.flag = j["cashOnly"].get<bool>();
    } else if (j.contains("investment")) {
        a.kind = TradingAction::Kind::Investment;
        if (!j["investment"].is_number() && !j["investment"].is_string()) error = "\"investment\" must be an amount in yen";
        else a.investment = FieldText(j, "investment");
    } else if (j.contains("reset")) {
        a.kind = TradingAction::Kind::Reset;
        if (j["reset"] != true) error = "\"reset\" must be true";
    } else {
        return std::nullopt;
    }
    return a;
}

std::string ApplyTradingAction(Simulation& sim, const TradingAction& a) {
    switch (a.kind) {
        case TradingAction::Kind::New:
            return PlaceNew(sim, a.fields, std::nullopt);
        case TradingAction::Kind::Close:
            return PlaceClose(sim, a, std::nullopt);
        case TradingAction::Kind::Cancel:
        case TradingAction::Kind::Correct: {
            const OrderBook& book = sim.trading().orders();
            const auto newSlot = SlotOfNumber(book.pendingNewOrders, a.orderNumber);
            const auto closeSlot = SlotOfNumber(book.pendingClosingOrders, a.orderNumber);
            if (!newSlot && !closeSlot) return "注文" + Format(a.orderNumber, "0") + "は未約定の注文にありません。";
            if (a.kind == TradingAction::Kind::Cancel)
                return sim.trading().CancelOrder(newSlot ? *newSlot : *closeSlot, !newSlot) ? "" : "取消されませんでした。";
            const Order& o = newSlot ? book.pendingNewOrders[static_cast<std::size_t>(*newSlot)]
                                     : static_cast<const Order&>(book.pendingClosingOrders[static_cast<std::size_t>(*closeSlot)]);
            json f = PrefilledFields(o, sim.day().data().decimalPrices);
            for (const auto& [key, value] : a.fields.items())
                if (key != "at" && key != "correct") f[key] = value;
            if (newSlot) {
                if (!f.contains("side")) f["side"] = SideText(o.side, false);
                return PlaceNew(sim, f, newSlot);
            }
            TradingAction close = a;
            close.fields = f;
            close.closeSide = o.side;
            return PlaceClose(sim, close, closeSlot);
        }
        case TradingAction::Kind::OneKey:
            return sim.oneKeys().Press(a.key, a.keyQuantity);
        case TradingAction::Kind::CashOnly:
            if (!sim.display().controls.inputsEnabled) return kLockedDuringReplay;
            sim.trading().SetCashOnly(a.flag);
            return sim.trading().account().cashOnly == a.flag ? "" : "投資金額が30万円を割っていますので、現物取引のみとなります。";
        case TradingAction::Kind::Investment:
            if (!sim.display().controls.inputsEnabled) return kLockedDuringReplay;
            sim.trading().SetInvestmentEditing(true);
            sim.trading().SetInvestmentText(a.investment);
            sim.trading().SetInvestmentEditing(false);
            return {};
        case TradingAction::Kind::Reset:
            if (!sim.display().controls.inputsEnabled) return kLockedDuringReplay;
            sim.trading().PressResetTotals();
            return {};
    }
    return {};
}

void AddTradingReport(const Simulation& sim, json& out) {
    json executions = json::array();
    for (const TradingDesk::Fill& f : sim.trading().fills()) {
        const Execution& e = f.execution;
        json row;
        row["time"] = FormatTimeOfDay(e.seconds);
        row["trade"] = e.closing ? "返済" : "新規";
        row["side"] = SideText(e.side, e.closing);
        row["quantity"] = static_cast<double>(e.quantity);
        row["price"] = static_cast<double>(e.price);
        row["order"] = static_cast<double>(e.orderNumber);
        if (e.closing) {
            json positions = json::array();
            for (float n : f.positionNumbers) positions.push_back(static_cast<double>(n));
            row["position"] = positions;
        } else {
            row["position"] = f.positionNumbers.empty() ? json() : json(static_cast<double>(f.positionNumbers[0]));
        }
        executions.push_back(row);
    }
    out["executions"] = executions;
    const MainDisplay& d = sim.display();
    out["pendingOrders"] = d.pendingLines;
    json positions = json::array();
    for (const std::string& line : d.holdingLines)
        if (!line.empty()) positions.push_back(line);
    out["positions"] = positions;
    // The queue ahead of each pending line, as the window's column shows it (null: none).
    json queue = json::array();
    for (const std::optional<double>& ahead : PendingQueueFigures(sim.trading().orders()))
        queue.push_back(ahead ? json(*ahead) : json(nullptr));
    out["pendingQueue"] = std::move(queue);
    out["account"] = {{"investment", d.investmentText},   {"buyingPower", d.buyingPowerText},
                      {"buyingPowerCaption", d.buyingPowerCaption}, {"runPnl", d.runPnlText},
                      {"netPnl", d.netPnlText},           {"netPnlAfterTax", d.netPnlAfterTaxText},
                      {"profitTotal", sim.trading().account().profitTotal}, {"lossTotal", sim.trading().account().lossTotal}};
}

}  // namespace corvala::cli
