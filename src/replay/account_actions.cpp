// The account panel of the main window: 現物のみ, the change of investment, リセット and the
// sound and marker options, and the sounds the trading side plays.

#include <utility>

#include "account/history.h"
#include "platform/files.h"
#include "replay/simulation.h"

namespace corvala {
namespace {

constexpr const char* kHistoryLostNote =
    "「いいえ」の場合、この記録は売買履歴に残らないまま終了します（全損益には含まれたままです）。";

}  // namespace

void Simulation::ShowAccountPanel() {
    const AccountTexts t = ShowAccount(account_);
    if (!display_.investmentEditing) display_.investmentText = t.investment;
    display_.buyingPowerText = t.buyingPower;
    display_.buyingPowerCaption = t.buyingPowerCaption;
    display_.runPnlText = t.runPnl;
    display_.netPnlText = t.netPnl;
    display_.netPnlAfterTaxText = t.netPnlAfterTax;
    display_.netPnlTooltip = t.netPnlTooltip;
    display_.netPnlAfterTaxTooltip = t.netPnlAfterTaxTooltip;
    display_.cashOnlyChecked = account_.cashOnly;
}

void Simulation::SetCashOnly(bool checked) {
    if (display_.controls.inputsEnabled) ToggleCashOnly(account_, checked);
    ShowAccountPanel();  // a refused click leaves the box as the account has it
    Notify();
}

void Simulation::RestoreAccount(std::int64_t baseInvestment, std::int64_t profitTotal, std::int64_t lossTotal,
                                bool cashOnly) {
    account_.baseInvestment = baseInvestment;
    account_.profitTotal = profitTotal;
    account_.lossTotal = lossTotal;
    account_.cashOnly = cashOnly;
    SnapshotTotals(account_);
    if (const std::string message = ApplyCashOnlyRule(account_); !message.empty()) SetMessage(message);
    ResetBuyingPower(account_);
    ShowAccountPanel();
    Notify();
}

void Simulation::SetInvestmentEditing(bool on) {
    if (!display_.controls.inputsEnabled || on == display_.investmentEditing) return;
    display_.message.text.clear();
    display_.investmentEditing = on;
    if (on) {
        // Typed over as a plain number.
        display_.investmentText = PlainNumber(account_.InvestmentField());
    } else {
        std::string message;
        if (ChangeInvestment(account_, display_.investmentText, heldDialogs_, message)) AppendResetMarkerToHistory();
        if (!message.empty()) SetMessage(message);
    }
    ShowAccountPanel();
    Notify();
}

void Simulation::SetInvestmentText(const std::string& typed) {
    if (display_.investmentEditing) display_.investmentText = typed;
}

void Simulation::PressResetTotals() {
    if (!display_.controls.inputsEnabled) return;
    if (ResetTotals(account_, heldDialogs_)) AppendResetMarkerToHistory();
    ShowAccountPanel();
    Notify();
}

// The wiped totals are marked in the realised-P&L history; the run's snapshot follows them so
// that a discarded run cannot bring them back.
void Simulation::AppendResetMarkerToHistory() {
    SnapshotTotals(account_);
    AppendToHistory(FormatResetMarker(ports_.clock.Today()));
}

// The program ends with a kept run still waiting for its append: it is offered again for as
// long as the user asks; "no" ends without it, and the question says what that means.
void Simulation::KeepHistoryAtExit() {
    while (historyPending()) {
        if (!AskQuestion("注意", historyProblem_ + "\n\nもう一度書き込みますか？\n" + kHistoryLostNote)) {
            unwrittenHistory_ = HistoryAppend{};
            return;
        }
        historyProblem_ = AppendHistory(JoinPath(installFolder_, kHistoryFolder), unwrittenHistory_);
        if (historyProblem_.empty()) unwrittenHistory_ = HistoryAppend{};
    }
}

void Simulation::SetFillSoundOption(bool on) {
    const OpScope op(*this, "SetFillSoundOption", {OpArg(on)});
    if (!op) return;
    display_.fillSoundOption = on;
}
// The markers show or go at once, during a replay too (the box stays usable then).
void Simulation::SetTradeMarkerOption(bool on) {
    const OpScope op(*this, "SetTradeMarkerOption", {OpArg(on)});
    if (!op) return;
    display_.tradeMarkerOption = on;
    chart_.MarkersChanged();
}

void Simulation::PlaySound(const char* file) {
    if (ports_.sound) ports_.sound->Play(JoinPath(installFolder_, file));
}

void Simulation::PlayPendingFillSound() {
    if (std::exchange(fillSoundPending_, false)) PlaySound(kFillSoundFile);
}

}  // namespace corvala
