// The three order dialogs: opening them slows the replay, their forms feed the order-entry code,
// and they close themselves when their order is stored, filled or gone.

#include <algorithm>

#include "app/order_dialogs.h"
#include "platform/text.h"

namespace corvala {
namespace {

std::string* TextOf(NewOrderForm& f, OrderField field) {
    switch (field) {
        case OrderField::Quantity: return &f.quantity;
        case OrderField::Price: return &f.price;
        case OrderField::Trigger: return &f.trigger;
        case OrderField::StopPrice: return &f.stopPrice;
    }
    return &f.quantity;
}

// The form of a stored order, as the correction dialogs are prefilled.
NewOrderForm FormFrom(const Order& o, bool decimals) {
    NewOrderForm f;
    f.kind = o.kind;
    f.normalMarket = o.isMarket;
    f.quantity = Format(static_cast<double>(o.quantity), "0");
    if (o.limitPrice != 0) f.price = DialogPriceText(o.limitPrice, decimals);
    if (o.kind != kKindNormal) {
        f.trigger = DialogPriceText(o.triggerPrice, decimals);
        f.triggerBelow = o.triggerDirection == StopDirection::AtOrBelow;
        f.stopMarket = o.stopExecution == StopExecution::Market;
        if (!f.stopMarket) f.stopPrice = DialogPriceText(o.stopLimitPrice, decimals);
    }
    return f;
}

// Whether some long (or cash) and some short position still has shares not yet being closed.
std::pair<bool, bool> SharesFree(const OrderBook& book) {
    bool longFree = false, shortFree = false;
    for (const Position& p : book.positions) {
        if (!p.InUse() || p.quantity <= p.committedQty) continue;
        (p.side == kSideMarginSell ? shortFree : longFree) = true;
    }
    return {longFree, shortFree};
}

}  // namespace

OrderDialogs::OrderDialogs(Parts parts)
    : services_(parts.services),
      recorder_(parts.recorder),
      speed_(parts.speed),
      alerts_(parts.alerts),
      log_(parts.recorder),
      display_(parts.display),
      replay_(parts.replay),
      trading_(parts.trading),
      clock_(parts.clock) {}

void OrderDialogs::RestoreLowSpeed(bool before) {
    if (!before) speed_.SetLowSpeed(false);
}

void OrderDialogs::RestoreChosenSpeed() {
    const OpScope op(log_, SessionOp::RestoreChosenSpeed, {});
    if (!op) return;
    speed_.SetLowSpeed(false);
    services_.Notify();
}

// ---- New order ------------------------------------------------------------------------------

void OrderDialogs::OpenNewOrderDialog() {
    const OpScope op(log_, SessionOp::OpenNewOrderDialog, {});
    if (!op) return;
    if (!display_.controls.orderButtons[0] || newDialog_.visible) return;
    newDialog_ = NewOrderDialogModel{};
    newDialog_.lowSpeedBefore = display_.speed.lowSpeed;
    speed_.SetLowSpeed(true);
    display_.hideBoardAndTape = false;
    newDialog_.visible = true;
    newDialog_.form.cashCaption = trading_.account().cashOnly;
    ActivateNewOrderDialog();
    trading_.RefreshDisplay();
    services_.Notify();
}

void OrderDialogs::ActivateNewOrderDialog() {
    const OpScope op(log_, SessionOp::ActivateNewOrderDialog, {});
    if (!op) return;
    if (!newDialog_.visible || newDialog_.correctionMode) return;
    if (clickedPrice_ != 0 && recorder_.BoardClickFresh(clock_.NowMs() - clickedAtMs_ <= kBoardClickKeepMs))
        newDialog_.form.price = DialogPriceText(clickedPrice_, services_.day().decimalPrices);
    services_.Notify();
}

void OrderDialogs::SetOrderKind(bool closing, OrderKind kind) {
    const OpScope op(log_, SessionOp::SetOrderKind, {OpArg(closing), OpArg(kind)});
    if (!op) return;
    corvala::SetOrderKind(FormOf(closing), kind);
    services_.Notify();
}

void OrderDialogs::SetOrderOption(bool closing, OrderOption option, bool on) {
    const OpScope op(log_, SessionOp::SetOrderOption, {OpArg(closing), OpArg(static_cast<int>(option)), OpArg(on)});
    if (!op) return;
    NewOrderForm& f = FormOf(closing);
    switch (option) {
        case OrderOption::NormalMarket: f.normalMarket = on && f.kind == kKindNormal; break;
        case OrderOption::TriggerBelow: f.triggerBelow = on; break;
        case OrderOption::StopMarket: f.stopMarket = on; break;
    }
    services_.Notify();
}

void OrderDialogs::EditOrderText(bool closing, OrderField field, const std::string& typed) {
    const OpScope op(log_, SessionOp::EditOrderText, {OpArg(closing), OpArg(static_cast<int>(field)), typed});
    if (!op) return;
    if (closing && field == OrderField::Quantity) return;  // the sum of the rows
    *TextOf(FormOf(closing), field) = CleanNumberText(typed);
}

void OrderDialogs::SpinOrderField(bool closing, OrderField field, bool up) {
    const OpScope op(log_, SessionOp::SpinOrderField, {OpArg(closing), OpArg(static_cast<int>(field)), OpArg(up)});
    if (!op) return;
    std::string& text = *TextOf(FormOf(closing), field);
    if (field == OrderField::Quantity) {
        if (closing) return;
        text = SpinQuantity(text, services_.day().tradingUnit, up);
    } else {
        text = SpinPrice(text, up, services_.day().decimalPrices, services_.day().fineTickMode);
    }
    services_.Notify();
}

void OrderDialogs::SetNewOrderSell(bool sell) {
    const OpScope op(log_, SessionOp::SetNewOrderSell, {OpArg(sell)});
    if (!op) return;
    newDialog_.form.sell = sell && !newDialog_.form.cashCaption;
    services_.Notify();
}

void OrderDialogs::SetOrderAlert(bool on) {
    const OpScope op(log_, SessionOp::SetOrderAlert, {OpArg(on)});
    if (!op) return;
    newDialog_.alertAtPrice = on;
    services_.Notify();
}

EntryOutcome OrderDialogs::SubmitNewOrderDialog() {
    const OpScope op(log_, SessionOp::SubmitNewOrderDialog, {});
    if (!op) return {};
    if (!newDialog_.visible) return {};
    const bool correcting = newDialog_.correctionMode;
    // The box shows the whole units that are ordered before the order is confirmed.
    std::string& quantity = newDialog_.form.quantity;
    if (IsNumeric(quantity))
        quantity = Format(QuantityInUnits(quantity, services_.day().tradingUnit > 0 ? services_.day().tradingUnit : 100), "0");
    services_.Notify();
    const EntryOutcome out = trading_.PlaceNewOrder(newDialog_.form, correcting ? std::optional<int>(newDialog_.correctionSlot)
                                                                    : std::nullopt);
    // A limit that rests (not a market order, not a stop before it fires) carries its alert.
    const NewOrderForm& f = newDialog_.form;
    const bool limitRests = !f.normalMarket && f.kind != kKindStop;
    const double limit = ReadFormattedNumber(f.price);
    // Set now, or set already (fewer than ten, so that was why it was not added).
    const bool alertRefused = out.status == EntryOutcome::Status::Stored && newDialog_.alertAtPrice && limitRests &&
                              !alerts_.Add(limit) && alerts_.prices().size() >= PriceAlerts::kMax;
    FinishSubmit(out, &OrderDialogs::LeaveNewOrderDialog);
    if (alertRefused) services_.questions().ShowNotice("アラート", "アラートは10件までのため、この注文のアラートは設定できませんでした。");
    return out;
}

// A stored order closes its dialog; a refusal is shown and the dialog stays.
void OrderDialogs::FinishSubmit(const EntryOutcome& out, void (OrderDialogs::*leave)()) {
    if (out.status == EntryOutcome::Status::Stored)
        (this->*leave)();
    else if (!out.message.empty())
        services_.questions().ShowNotice(out.title, out.message);
    trading_.RefreshDisplay();
    services_.Notify();
}

void OrderDialogs::CancelNewOrderDialog() {
    const OpScope op(log_, SessionOp::CancelNewOrderDialog, {});
    if (!op) return;
    if (!newDialog_.visible) return;
    LeaveNewOrderDialog();
    services_.Notify();
}

// After a correction, confirmed or not, the list comes back and keeps the replay slow.
template <typename Model>
void OrderDialogs::LeaveDialog(Model& model, void (OrderDialogs::*close)()) {
    const bool correcting = model.correctionMode;
    const bool before = model.lowSpeedBefore;
    if (correcting) model.lowSpeedBefore = true;
    (this->*close)();
    if (correcting) ShowCorrectCancelDialog(before);
}

void OrderDialogs::LeaveNewOrderDialog() { LeaveDialog(newDialog_, &OrderDialogs::CloseNewOrderDialog); }

// 閉じる: the form cleared, correction over, the speed as it was.
void OrderDialogs::CloseNewOrderDialog() {
    const bool before = newDialog_.lowSpeedBefore;
    newDialog_ = NewOrderDialogModel{};
    RestoreLowSpeed(before);
    trading_.RefreshDisplay();
}

// ---- Closing order --------------------------------------------------------------------------

void OrderDialogs::OpenClosingDialog(int summaryLine) {
    const OpScope op(log_, SessionOp::OpenClosingDialog, {OpArg(summaryLine)});
    if (!op) return;
    if (closeDialog_.visible || !replay_.replayReady) return;
    if (summaryLine < 0 && !display_.controls.orderButtons[1]) return;
    if (summaryLine >= 0 && (summaryLine > 1 || display_.holdingLines[static_cast<std::size_t>(summaryLine)].empty()))
        return;
    const auto [longFree, shortFree] = SharesFree(trading_.orders());
    if (summaryLine < 0 && !longFree && !shortFree) return;  // everything is already being closed
    closeDialog_ = ClosingDialogModel{};
    closeDialog_.lowSpeedBefore = display_.speed.lowSpeed;
    speed_.SetLowSpeed(true);
    display_.hideBoardAndTape = false;
    closeDialog_.visible = true;
    if (trading_.account().cashOnly)
        closeDialog_.side = kSideCash;
    else if (summaryLine >= 0)
        closeDialog_.side = summaryLine == 0 ? kSideMarginBuy : kSideMarginSell;
    else
        closeDialog_.side = longFree ? kSideMarginBuy : kSideMarginSell;
    RebuildHoldingsList();
    trading_.RefreshDisplay();
    services_.Notify();
}

void OrderDialogs::SetClosingSide(Side side) {
    const OpScope op(log_, SessionOp::SetClosingSide, {OpArg(side)});
    if (!op) return;
    if (!closeDialog_.visible || closeDialog_.correctionMode || trading_.account().cashOnly) return;
    closeDialog_.side = side == kSideMarginSell ? kSideMarginSell : kSideMarginBuy;
    trading_.ClearCloseInputs();
    closeDialog_.bulkMode = false;
    RebuildHoldingsList();
    services_.Notify();
}

// The list of the chosen side; with nothing left there, the other side, else the dialog closes.
void OrderDialogs::RebuildHoldingsList() {
    ClosingDialogModel& c = closeDialog_;
    c.lines.clear();
    c.rowTexts = {};
    // A correction shows the holdings its order closes, with the shares it takes from each; they
    // cannot be changed.
    std::vector<Shares> quantities;
    if (c.correctionMode) {
        c.listedSlots.clear();
        for (const auto& [slot, q] : AllocatedPositions(trading_.orders(), trading_.orders().pendingClosingOrders[static_cast<std::size_t>(c.correctionSlot)])) {
            c.listedSlots.push_back(slot);
            quantities.push_back(q);
        }
    } else {
        c.listedSlots = ListedPositions(trading_.orders(), c.side);
        if (c.side == kSideMarginBuy && c.listedSlots.empty()) {
            // A cash holding opened before the box was cleared is closed with 売埋 too.
            c.listedSlots = ListedPositions(trading_.orders(), kSideCash);
        }
        for (int slot : c.listedSlots) quantities.push_back(trading_.orders().positions[static_cast<std::size_t>(slot)].closeQtyInput);
    }
    for (int slot : c.listedSlots)
        c.lines.push_back(HoldingLine(trading_.orders().positions[static_cast<std::size_t>(slot)], display_.codeText,
                                      services_.stockName(), trading_.ValuationPrice(), services_.day().decimalPrices, slot));
    Shares sum = 0;
    for (std::size_t i = 0; i < quantities.size(); ++i) {
        sum += quantities[i];
        if (i < c.rowTexts.size() && quantities[i] != 0) c.rowTexts[i] = Format(static_cast<double>(quantities[i]), "0");
    }
    if (!c.correctionMode) c.order.quantity = sum > 0 ? Format(static_cast<double>(sum), "0") : std::string{};
    if (c.correctionMode || !c.lines.empty()) return;
    const auto [longFree, shortFree] = SharesFree(trading_.orders());
    if (c.side != kSideMarginSell && shortFree && !trading_.account().cashOnly) {
        c.side = kSideMarginSell;
        RebuildHoldingsList();
    } else if (c.side == kSideMarginSell && longFree) {
        c.side = kSideMarginBuy;
        RebuildHoldingsList();
    } else {
        CloseClosingDialog();
    }
}

void OrderDialogs::EditCloseRow(int row, const std::string& typed) {
    const OpScope op(log_, SessionOp::EditCloseRow, {OpArg(row), typed});
    if (!op) return;
    ClosingDialogModel& c = closeDialog_;
    if (!c.visible || c.correctionMode || row < 0 || row >= kCloseRows ||
        static_cast<std::size_t>(row) >= c.listedSlots.size())
        return;
    const int slot = c.listedSlots[static_cast<std::size_t>(row)];
    const std::string cleaned = CleanNumberText(typed);
    if (!IsNumeric(cleaned)) {
        trading_.SetCloseInput(slot, 0);
    } else {
        // Beyond 100,000,000 the figure is that much; then whole units within what is free.
        const double v = std::clamp(ReadFormattedNumber(cleaned), -1e8, 1e8);
        trading_.SetCloseQuantity(slot, Format(v, "0"));
    }
    RebuildHoldingsList();
    services_.Notify();
}

void OrderDialogs::ToggleCloseRow(int row) {
    const OpScope op(log_, SessionOp::ToggleCloseRow, {OpArg(row)});
    if (!op) return;
    ClosingDialogModel& c = closeDialog_;
    if (!c.visible || c.correctionMode || row < 0 || static_cast<std::size_t>(row) >= c.listedSlots.size()) return;
    const int slot = c.listedSlots[static_cast<std::size_t>(row)];
    const Position& p = trading_.orders().positions[static_cast<std::size_t>(slot)];
    trading_.SetCloseInput(slot, p.closeQtyInput == 0 ? p.quantity - p.committedQty : 0);
    RebuildHoldingsList();
    services_.Notify();
}

void OrderDialogs::ToggleBulkClose() {
    const OpScope op(log_, SessionOp::ToggleBulkClose, {});
    if (!op) return;
    ClosingDialogModel& c = closeDialog_;
    if (!c.visible || c.correctionMode) return;
    c.bulkMode = !c.bulkMode;
    trading_.SetBulkClose(c.side, c.bulkMode);
    RebuildHoldingsList();
    services_.Notify();
}

EntryOutcome OrderDialogs::SubmitClosingDialog() {
    const OpScope op(log_, SessionOp::SubmitClosingDialog, {});
    if (!op) return {};
    if (!closeDialog_.visible) return {};
    const bool correcting = closeDialog_.correctionMode;
    const EntryOutcome out = trading_.PlaceClosingOrder(ClosingOrderForm{closeDialog_.order, closeDialog_.side},
                                               correcting ? std::optional<int>(closeDialog_.correctionSlot)
                                                          : std::nullopt);
    FinishSubmit(out, &OrderDialogs::LeaveClosingDialog);
    return out;
}

void OrderDialogs::CancelClosingDialog() {
    const OpScope op(log_, SessionOp::CancelClosingDialog, {});
    if (!op) return;
    if (!closeDialog_.visible) return;
    LeaveClosingDialog();
    services_.Notify();
}

void OrderDialogs::LeaveClosingDialog() { LeaveDialog(closeDialog_, &OrderDialogs::CloseClosingDialog); }

void OrderDialogs::CloseClosingDialog() {
    const bool before = closeDialog_.lowSpeedBefore;
    closeDialog_ = ClosingDialogModel{};
    trading_.ClearCloseInputs();
    RestoreLowSpeed(before);
    trading_.RefreshDisplay();
}

// ---- Correct and cancel ---------------------------------------------------------------------

void OrderDialogs::OpenCorrectCancelDialog(int pendingLine) {
    const OpScope op(log_, SessionOp::OpenCorrectCancelDialog, {OpArg(pendingLine)});
    if (!op) return;
    if (listDialog_.visible || !display_.controls.orderButtons[2] || !replay_.replayReady) return;
    if (pendingLine >= 0) {
        if (static_cast<std::size_t>(pendingLine) >= display_.pendingLines.size()) return;
        const std::string& line = display_.pendingLines[static_cast<std::size_t>(pendingLine)];
        const int slot = TrailingSlot(line);
        if (slot < 0) return;
        bool closing = false;
        if (line.find("買付") != std::string::npos || line.find("建") != std::string::npos) closing = false;
        if (line.find("売付") != std::string::npos || line.find("埋") != std::string::npos) closing = true;
        rememberedOrder_ = {slot, closing};
    }
    ShowCorrectCancelDialog(display_.speed.lowSpeed);
}

void OrderDialogs::ShowCorrectCancelDialog(bool lowSpeedBefore) {
    listDialog_ = CorrectCancelDialogModel{};
    listDialog_.lowSpeedBefore = lowSpeedBefore;
    speed_.SetLowSpeed(true);
    listDialog_.visible = true;
    RebuildCorrectCancelList();
    if (listDialog_.lines.empty()) HideCorrectCancelDialog(true);
    trading_.RefreshDisplay();
    services_.Notify();
}

void OrderDialogs::RebuildCorrectCancelList() {
    CorrectCancelDialogModel& l = listDialog_;
    l.lines.clear();
    l.entries.clear();
    const std::string name = services_.stockName();
    for (int closing = 0; closing < 2; ++closing)
        for (int i = 0; i < kOrderSlots; ++i) {
            const Order& o = closing ? static_cast<const Order&>(trading_.orders().pendingClosingOrders[static_cast<std::size_t>(i)])
                                     : trading_.orders().pendingNewOrders[static_cast<std::size_t>(i)];
            if (!o.InUse()) continue;
            l.lines.push_back(CorrectCancelLine(o, closing == 1, display_.codeText, name, services_.day().decimalPrices, i));
            l.entries.emplace_back(i, closing == 1);
        }
    l.selected = l.lines.empty() ? -1 : 0;
    const auto it = std::find(l.entries.begin(), l.entries.end(), rememberedOrder_);
    if (it != l.entries.end()) l.selected = static_cast<int>(it - l.entries.begin());
    rememberedOrder_ = {100, false};
}

void OrderDialogs::SelectCorrectCancelLine(int index) {
    const OpScope op(log_, SessionOp::SelectCorrectCancelLine, {OpArg(index)});
    if (!op) return;
    if (index >= 0 && static_cast<std::size_t>(index) < listDialog_.lines.size()) listDialog_.selected = index;
}

void OrderDialogs::CancelSelectedOrder() {
    const OpScope op(log_, SessionOp::CancelSelectedOrder, {});
    if (!op) return;
    CorrectCancelDialogModel& l = listDialog_;
    if (!l.visible || l.selected < 0 || static_cast<std::size_t>(l.selected) >= l.entries.size()) return;
    const auto [slot, closing] = l.entries[static_cast<std::size_t>(l.selected)];
    if (!trading_.CancelOrder(slot, closing)) return;
    RebuildCorrectCancelList();
    if (l.lines.empty()) HideCorrectCancelDialog(true);
    trading_.RefreshDisplay();
    services_.Notify();
}

void OrderDialogs::CorrectSelectedOrder() {
    const OpScope op(log_, SessionOp::CorrectSelectedOrder, {});
    if (!op) return;
    CorrectCancelDialogModel& l = listDialog_;
    if (!l.visible || l.selected < 0 || static_cast<std::size_t>(l.selected) >= l.entries.size()) return;
    const auto [slot, closing] = l.entries[static_cast<std::size_t>(l.selected)];
    // An entry in progress in the dialog the correction needs is never thrown away.
    if (closing ? closeDialog_.visible : newDialog_.visible) return;
    const bool before = l.lowSpeedBefore;
    HideCorrectCancelDialog(false);
    const bool decimals = services_.day().decimalPrices;
    if (closing) {
        const ClosingOrder& o = trading_.orders().pendingClosingOrders[static_cast<std::size_t>(slot)];
        closeDialog_ = ClosingDialogModel{};
        closeDialog_.visible = true;
        closeDialog_.correctionMode = true;
        closeDialog_.correctionSlot = slot;
        closeDialog_.caption = "訂正返済注文";
        closeDialog_.side = o.side;
        closeDialog_.order = FormFrom(o, decimals);
        closeDialog_.lowSpeedBefore = before;
        RebuildHoldingsList();
    } else {
        const Order& o = trading_.orders().pendingNewOrders[static_cast<std::size_t>(slot)];
        newDialog_ = NewOrderDialogModel{};
        newDialog_.visible = true;
        newDialog_.correctionMode = true;
        newDialog_.correctionSlot = slot;
        newDialog_.caption = "訂正注文";
        newDialog_.form = FormFrom(o, decimals);
        newDialog_.form.sell = o.side == kSideMarginSell;
        newDialog_.form.cashCaption = o.side == kSideCash;
        newDialog_.lowSpeedBefore = before;
    }
    trading_.RefreshDisplay();
    services_.Notify();
}

void OrderDialogs::CloseCorrectCancelDialog() {
    const OpScope op(log_, SessionOp::CloseCorrectCancelDialog, {});
    if (!op) return;
    if (!listDialog_.visible) return;
    HideCorrectCancelDialog(true);
    services_.Notify();
}

void OrderDialogs::HideCorrectCancelDialog(bool restoreSpeed) {
    const bool before = listDialog_.lowSpeedBefore;
    listDialog_ = CorrectCancelDialogModel{};
    if (restoreSpeed && !newDialog_.correctionMode && !closeDialog_.correctionMode) RestoreLowSpeed(before);
    trading_.RefreshDisplay();
}

// An order filled, fired or cancelled: a correction of it ends, and the lists that show it follow.
void OrderDialogs::OrderGone(int slot, bool closing) {
    if (!closing && newDialog_.correctionMode && newDialog_.correctionSlot == slot) CloseNewOrderDialog();
    if (closing && closeDialog_.correctionMode && closeDialog_.correctionSlot == slot) CloseClosingDialog();
    if (listDialog_.visible) {
        RebuildCorrectCancelList();
        if (listDialog_.lines.empty()) HideCorrectCancelDialog(true);
    }
}

void OrderDialogs::CloseAll() {
    if (newDialog_.visible) CloseNewOrderDialog();
    if (closeDialog_.visible) CloseClosingDialog();
    if (listDialog_.visible) HideCorrectCancelDialog(true);
}

// The lists were shown anew: 新規注文 stays available beside another order dialog, but not while
// the correct/cancel list, or a correction started from it, is open: a new entry there would be
// lost to it.
void OrderDialogs::FollowOrders() {
    const int listInUse = listDialog_.visible || newDialog_.correctionMode || closeDialog_.correctionMode ? 1 : 0;
    const OrderButtonStates b = UpdateOrderButtons(anyOpen(), display_.holdingLines,
                                                   display_.pendingLines.size(), listInUse);
    if (replay_.replayReady) display_.controls.orderButtons = {b.newOrder, b.closingOrder, b.correctCancel};
    if (closeDialog_.visible) RebuildHoldingsList();
    if (newDialog_.visible) newDialog_.capacityText = display_.buyingPowerText;  // what the funds check uses
}

void OrderDialogs::ClickBoardPrice(int level) {
    const OpScope op(log_, SessionOp::ClickBoardPrice, {OpArg(level)});
    if (!op) return;
    if (level < 0 || level >= kBoardLevels) return;
    clickedPrice_ = trading_.market().board.At(level);
    clickedAtMs_ = clock_.NowMs();
    if (clickedPrice_ == 0) return;
    const std::string price = DialogPriceText(clickedPrice_, services_.day().decimalPrices);
    if (newDialog_.visible)
        newDialog_.form.price = price;
    else if (closeDialog_.visible)
        closeDialog_.order.price = price;
    services_.Notify();
}

}  // namespace corvala
