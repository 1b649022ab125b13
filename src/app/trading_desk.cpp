// The trading desk: orders placed, fills recorded, positions valued and, at the end, settled and
// written to the history files; the account panel; where a replay step meets the board, the tape
// and the matching engine.

#include "app/trading_desk.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "market/board.h"
#include "market/tape.h"
#include "platform/files.h"
#include "platform/text.h"
#include "trading/pnl.h"

namespace corvala {
namespace {

constexpr const char* kHistoryLostNote =
    "「いいえ」の場合、この記録は売買履歴に残らないまま終了します（全損益には含まれたままです）。";
constexpr const char* kCarriedText = "前に書き込めなかった記録を、先に売買履歴へ書き込みました。";
constexpr const char* kTotalsTakenText = "全損益を、設定の保存前に終了した前回の記録に合わせました。";

}  // namespace

TradingDesk::TradingDesk(Parts parts, Ports ports, std::string installFolder)
    : run_(parts.run),
      services_(parts.services),
      watcher_(parts.orders),
      records_(parts.records),
      log_(parts.log),
      display_(parts.display),
      replay_(parts.replay),
      chart_(parts.chart),
      ports_(ports),
      installFolder_(std::move(installFolder)) {
    engine_.Attach(&account_, &counters_, &engineEvents_);
    ResetBuyingPower(account_);
}

void TradingDesk::EngineEvents::OnStopFired(int slot, bool closing) {
    desk_.dirty_ = true;
    desk_.stopFiredSoundDue_ = desk_.display_.fillSoundOption;
    desk_.watcher_.OrderGone(slot, closing);  // a correction of it no longer applies
}

// RecordExecution: the execution row, a realised row per closed position, the execution list
// and, for a new order, the speed rule.
void TradingDesk::RecordExecution(const Execution& e, const OrderBook& book) {
    const RunInfo run = records_.CurrentRunInfo();
    const std::string side = SideText(e.side, e.closing);
    history_.Add(run, ExecutionRow{e.seconds, account_.cashOnly, e.closing, side, e.quantity, e.price});
    Fill& fill = fills_.emplace_back(Fill{e, {}});
    const bool buys = e.closing ? !ClosingOrderSells(e.side) : !NewOrderSells(e.side);
    record_.AddFill({replay_.currentRow, e.price, buys});
    if (!e.closing && e.position >= 0 && e.position < kOrderSlots)
        fill.positionNumbers.push_back(book.positions[static_cast<std::size_t>(e.position)].number);
    if (e.closing) {
        const ClosingOrder& o = book.pendingClosingOrders[static_cast<std::size_t>(e.slot)];
        const auto slots = AllocationList(o.closeSlots);
        const auto quantities = AllocationList(o.closeQuantities);
        for (std::size_t k = 0; k < slots.size() && k < quantities.size(); ++k) {
            const double s = LeadingNumber(slots[k]);
            if (s < 0 || s >= kOrderSlots) continue;
            const Position& p = book.positions[static_cast<std::size_t>(s)];
            fill.positionNumbers.push_back(p.number);
            const double closed = LeadingNumber(quantities[k]);
            const std::string positionSide = SideText(p.side, false);
            history_.Add(run, RealizedRow{p.openedAt, positionSide, side, static_cast<Shares>(closed), p.price,
                                          e.seconds, e.price});
            record_.AddTrade({positionSide, closed, p.price, e.price, p.openedAt, e.seconds,
                               ClosedTradePnl(positionSide, p.price, e.price, closed)});
        }
    }
    display_.executionLines.push_back(FormatTimeOfDay(e.seconds).substr(0, 5) + " " + side + " " +
                                      RightAlign(Format(static_cast<double>(e.quantity), "0"), 5) + "株 " +
                                      RightAlign(FormatPrice(e.price, services_.day().decimalPrices, false), 7) + "円");
    chart_.AddTradeMarker(e.price, e.side == kSideMarginSell, e.closing);
    if (account_.totalsCapped)
        services_.SetMessage("全損益が上限の" + Format(static_cast<double>(kMaxYen), "###,###") +
                         "円に達したため、超えた分は記録されていません。全損益をリセットして下さい。");
    if (!e.closing) run_.NewOrderFilled();
    if (display_.fillSoundOption) fillSoundPending_ = true;
    dirty_ = true;
}

namespace {
constexpr const char* kPositionTableFull = "建玉が30件あるため、新規注文は返済するまで約定しません。";
}  // namespace

void TradingDesk::SayPositionTableFull() {
    if (display_.message.text != kPositionTableFull) services_.SetMessage(kPositionTableFull);
}

void TradingDesk::SayHeldBack(int orderNumber) {
    services_.SetMessage("注文" + Format(orderNumber, "0") + "は、確保した金額を超える値段になったため約定していません。訂正するか取り消して下さい。");
}

void TradingDesk::SayAwaitingCounterparty(int orderNumber) {
    dirty_ = true;  // the order list marks it
    services_.SetMessage("注文" + Format(orderNumber, "0") + "（成行）は、反対側の気配も約定もないため、約定を待っています。");
}

void TradingDesk::SayRefusedByLimits(int orderNumber, bool /*closing*/, PriceBand limits) {
    dirty_ = true;  // the order left the list; a new order's reservation came back
    const bool decimals = services_.day().decimalPrices;
    services_.SetMessage("注文" + Format(orderNumber, "0") + "は、値幅制限（" + FormatPrice(limits.lower, decimals, true) + "～" +
                     FormatPrice(limits.upper, decimals, true) + "円）の外の値段のため取り消しました。");
}

void TradingDesk::RefreshDisplay() {
    dirty_ = false;
    display_.pendingLines = RebuildPendingList(book_, services_.day().decimalPrices);
    display_.holdingLines = RebuildPositionSummary(book_, ValuationPrice());
    ShowAccountPanel();
    watcher_.FollowOrders();
}

// Every display starts a run: empty tables, fresh numbers, the totals a discarded run returns to.
void TradingDesk::ResetForDisplay() {
    market_.ResetForDisplay();
    book_.Clear();
    counters_ = OrderCounters{};
    history_.Clear();
    record_.Clear();
    fills_.clear();
    account_.runPnl = 0;
    SnapshotTotals(account_);
    display_.executionLines.clear();
    if (records_.playing()) {  // the totals are the session's own, whatever history this folder holds
        ResetBuyingPower(account_);
        RefreshDisplay();
        return;
    }
    const std::string folder = HistoryFolder();
    const bool missing = !FileExists(JoinPath(folder, kRealizedFile)) || !FileExists(JoinPath(folder, kExecutionFile));
    const AppendHooks lock = HistoryLockHooks();
    const std::string problem = EnsureHistoryFiles(folder, lock.lockWaitMs, lock.waiting);
    lockWaitedOut_ = problem == kHistoryBusyText;
    if (!problem.empty()) {
        services_.SetMessage(problem);
    } else if (missing) {
        // New history files start the totals anew.
        account_.profitTotal = account_.lossTotal = 0;
        SnapshotTotals(account_);
    }
    ResetBuyingPower(account_);
    RefreshDisplay();
}

OrderEntryContext TradingDesk::EntryContext(std::optional<int> correctionSlot) const {
    OrderEntryContext ctx;
    ctx.correctionSlot = correctionSlot;
    ctx.nowSeconds = ParseTimeOfDay(display_.clockText).value_or(0);
    ctx.code = static_cast<float>(services_.stockCode());
    ctx.limits = market_.limits;
    ctx.tradingUnit = services_.day().tradingUnit > 0 ? services_.day().tradingUnit : 100;
    ctx.decimalPrices = services_.day().decimalPrices;
    ctx.fineTickMode = services_.day().fineTickMode;
    ctx.cells = &market_.cells;
    const double open = OpenResultNow();
    ctx.capacity = ShownBuyingPower(account_, open);
    ctx.underWater = !(Equity(account_, open) > 0);
    ctx.marketBid = market_.marketBoard.At(5).yen();
    ctx.currentPrice = market_.currentPrintPrice > 0 ? market_.currentPrintPrice : run_.StepPrice();
    ctx.meetsOpeningPrint = market_.NextLineOpens();
    return ctx;
}

// Orders belong to a replay: with none loaded (before 開 始, after ■ or 15:00) the tables are
// closed, whatever a front end offers.
bool TradingDesk::TradingOpen(EntryOutcome& out) const {
    if (run_.ReplayOpenForOrders()) return true;
    out.status = EntryOutcome::Status::NoReplay;
    out.title = "注文エラー";
    out.message = "シミュレーションの再生中ではないため、注文できません。";
    return false;
}

// The order tables changed: the overlay follows them and the board shows the market with the
// user's orders laid on, so the next print, the next step and the queue tests all see them.
void TradingDesk::ShowOrdersOnBoard(bool highlightChanges) {
    market_.RefreshOverlay(book_);
    market_.ComposeBoard(replay_.preOpenPhase);
    if (highlightChanges)
        ShowBoardWithChanges(market_.cells, market_.board, services_.day().decimalPrices, /*atOldPlace=*/true);
    else
        ShowBoard(market_.cells, market_.board, services_.day().decimalPrices);
}

// A stored or corrected order goes onto the board at once and into the engine's next pass.
void TradingDesk::AfterOrderStored() {
    ShowOrdersOnBoard(false);
    market_.newOrderFlag = true;
    run_.OrderStored();
}

namespace {

// A correction names an order that is still pending; one filled or cancelled meanwhile is gone.
template <typename Table>
bool StillPending(const Table& table, std::optional<int> slot, EntryOutcome& out) {
    if (!slot) return true;
    if (*slot >= 0 && *slot < kOrderSlots && table[static_cast<std::size_t>(*slot)].InUse()) return true;
    out.status = EntryOutcome::Status::Declined;
    out.title = "注文エラー";
    out.message = "訂正する注文はすでにありません。";
    return false;
}

}  // namespace

std::optional<EntryOutcome> TradingDesk::RefusedForNoReplay() const {
    EntryOutcome out;
    if (TradingOpen(out)) return std::nullopt;
    return out;
}

EntryOutcome TradingDesk::PlaceNewOrder(const NewOrderForm& form, std::optional<int> correctionSlot, Question question) {
    std::vector<std::string> args = OrderFormArgs(form);
    args.push_back(correctionSlot ? OpArg(*correctionSlot) : std::string());
    const OpScope op(log_, SessionOp::PlaceNewOrder, std::move(args));
    if (!op) return {};
    EntryOutcome out;
    if (!TradingOpen(out) || !StillPending(book_.pendingNewOrders, correctionSlot, out)) return out;
    OrderEntryContext ctx = EntryContext(correctionSlot);
    ctx.sayOrder = question == Question::SayingTheOrder;
    out = SubmitNewOrder(form, ctx, book_, counters_, account_, EntryDialogs(question != Question::None));
    if (out.status == EntryOutcome::Status::Stored) {
        AfterOrderStored();
    }
    RefreshDisplay();
    services_.Notify();
    return out;
}

void TradingDesk::SetCloseQuantity(int slot, const std::string& typed) {
    const OpScope op(log_, SessionOp::SetCloseQuantity, {OpArg(slot), typed});
    if (!op) return;
    EntryOutcome closed;
    if (slot < 0 || slot >= kOrderSlots || !TradingOpen(closed)) return;
    Position& p = book_.positions[static_cast<std::size_t>(slot)];
    if (!p.InUse()) return;
    p.closeQtyInput = RowQuantity(typed, services_.day().tradingUnit > 0 ? services_.day().tradingUnit : 100, p);
}

void TradingDesk::SetBulkClose(Side closingSide, bool on) {
    const OpScope op(log_, SessionOp::SetBulkClose, {OpArg(closingSide), OpArg(on)});
    EntryOutcome closed;
    if (!op || !TradingOpen(closed)) return;
    BulkClose(book_, closingSide, on);
}

EntryOutcome TradingDesk::PlaceClosingOrder(const ClosingOrderForm& form, std::optional<int> correctionSlot,
                                            bool confirm) {
    std::vector<std::string> args = OrderFormArgs(form.order);
    args.push_back(OpArg(form.side));
    args.push_back(correctionSlot ? OpArg(*correctionSlot) : std::string());
    const OpScope op(log_, SessionOp::PlaceClosingOrder, std::move(args));
    if (!op) return {};
    EntryOutcome out;
    if (!TradingOpen(out) || !StillPending(book_.pendingClosingOrders, correctionSlot, out)) return out;
    out = SubmitClosingOrder(form, EntryContext(correctionSlot), book_, counters_, EntryDialogs(confirm));
    if (out.status == EntryOutcome::Status::Stored) {
        AfterOrderStored();
    }
    RefreshDisplay();
    services_.Notify();
    return out;
}

bool TradingDesk::CancelOrder(int slot, bool closing, bool ask) {
    // Only a one-key order cancels without asking, and it is written as itself.
    const OpScope op(log_, SessionOp::CancelOrder, {OpArg(slot), OpArg(closing)});
    if (!op) return false;
    EntryOutcome closed;
    if (slot < 0 || slot >= kOrderSlots || !TradingOpen(closed)) return false;
    const bool inUse = closing ? book_.pendingClosingOrders[static_cast<std::size_t>(slot)].InUse()
                               : book_.pendingNewOrders[static_cast<std::size_t>(slot)].InUse();
    if (!inUse || (ask && !services_.Ask("注文取消し", "選択行の注文を取消します。"))) return false;
    if (!closing) AdjustBuyingPower(account_, book_.pendingNewOrders[static_cast<std::size_t>(slot)].reservedAmount);
    RemoveFilledOrder(book_, slot, closing ? RemoveMode::CancelledClosing : RemoveMode::NewOrder);
    // The withdrawn quantity leaves its own level; the market's levels stay as they are.
    ShowOrdersOnBoard(true);
    RefreshDisplay();
    services_.Notify();
    return true;
}

// The holdings at the step's price; only when there are any, the step runs often.
void TradingDesk::RevaluePositions(double price) {
    const bool any = std::any_of(book_.positions.begin(), book_.positions.end(),
                                 [](const Position& p) { return p.InUse(); });
    if (any || !display_.holdingLines[0].empty() || !display_.holdingLines[1].empty())
        display_.holdingLines = RebuildPositionSummary(book_, price);
    // A loss the price runs up can sink the account between fills: its buying power follows.
    if (any && price > 0) display_.buyingPowerText = Format(ShownBuyingPower(account_, OpenResult(price)), "###,###");
}

std::vector<std::string> TradingDesk::PendingQueueTexts() const {
    std::vector<std::string> texts;
    for (const std::optional<double>& ahead : PendingQueueFigures(book_))
        texts.push_back(ahead ? Format(*ahead, "###,##0") : std::string());
    return texts;
}

std::array<std::optional<QueueMark>, kBoardLevels> TradingDesk::BoardQueueMarks() const {
    return corvala::BoardQueueMarks(book_, market_.cells);
}

double TradingDesk::OpenResult(double price) const {
    double result = 0;
    for (const Position& p : book_.positions)
        if (p.InUse()) result += PositionResult(p.side, p.price, p.quantity, price);
    return result;
}

// Nothing is valued before the stock's first trade (no positions are open then either).
double TradingDesk::OpenResultNow() const {
    const double price = ValuationPrice();
    return price > 0 ? OpenResult(price) : 0;
}

bool TradingDesk::HoldingsOpen() {
    RefreshDisplay();
    return 保有状態チェック(display_.holdingLines);
}

// The run is not kept: its orders and holdings go with it.
void TradingDesk::DiscardRun() {
    corvala::DiscardRun(account_);
    history_.Clear();
    EmptyTables();
}

// Orders and positions of a run that ended without settling them leave the tables and the board.
void TradingDesk::EmptyTables() {
    book_.Clear();
    ShowOrdersOnBoard(false);
    ResetBuyingPower(account_);
    RefreshDisplay();
}

// What a stop settles at: the market's last trade. The step's price shown as 現在値 is where the
// step began, and its prints have moved on from it; after a jump back it is a price the market
// has left, while the last trade stays where the market had got to.
double TradingDesk::SettlementPrice() const {
    return market_.currentPrintPrice > 0 ? market_.currentPrintPrice : run_.StepPrice();
}

// The holdings are valued at the step's price, or at the last trade in the step a stock first
// trades in (whose own price is not known yet): never at 0.
double TradingDesk::ValuationPrice() const {
    return run_.StepPrice() > 0 ? run_.StepPrice() : market_.currentPrintPrice;
}

// SettleAll: pending orders withdrawn, every position closed at `price`, the run recorded.
// Without any price (nothing traded) a position is closed at its own price: nothing is realised.
void TradingDesk::SettleAll(double price) {
    // Never beyond the day's limits, which every print the market made has widened to.
    const PriceBand& band = market_.limits;
    if (band.upper.tenths() > 0 && price > 0) price = std::clamp(price, band.lower.yen(), band.upper.yen());
    const Price s = Price::Nearest(price);
    // Never stamped before a fill of the run, even when the clock stands behind it after a jump.
    const int now = std::max(market_.lastFillStamp, ParseTimeOfDay(display_.clockText).value_or(kCloseSeconds));
    for (int i = 0; i < kOrderSlots; ++i) {
        Order& o = book_.pendingNewOrders[static_cast<std::size_t>(i)];
        if (!o.InUse()) continue;
        AdjustBuyingPower(account_, o.reservedAmount);
        RemoveFilledOrder(book_, i, RemoveMode::NewOrder);
    }
    for (auto& c : book_.pendingClosingOrders) c = ClosingOrder{};
    for (int i = 0; i < kOrderSlots; ++i) {
        Position& p = book_.positions[static_cast<std::size_t>(i)];
        if (!p.InUse()) continue;
        ClosingOrder& c = book_.pendingClosingOrders[static_cast<std::size_t>(i)];
        c.number = counters_.closingOrderSeq + i;
        c.placedAt = now;
        c.code = p.code;
        c.side = p.side;
        c.quantity = p.quantity;
        c.closeSlots = std::to_string(i);
        c.closeQuantities = Format(static_cast<double>(p.quantity), "0");
        const Price at = s > 0 ? s : p.price;
        const double pnl = PositionResult(p.side, p.price, p.quantity, at);
        AdjustBuyingPower(account_, p.side == kSideMarginSell ? TimesShares(p.price, p.quantity) + pnl
                                                              : TimesShares(at, p.quantity));
        CreditResult(account_, pnl);
        c.limitPrice = at;
        RecordExecution(Execution{now, true, c.side, c.quantity, at, c.number, i, i}, book_);
        RemoveFilledOrder(book_, i, RemoveMode::FilledClosing);
    }
    ShowOrdersOnBoard(false);
    PlayPendingFillSound();
    ResetBuyingPower(account_);
    // Everything is closed: the run's last figure is what it realised.
    record_.SetEquity(replay_.currentRow, account_.runPnl);
    WriteHistory();
    RefreshDisplay();
}

// The run is kept: appended to the history files with its summary block.
void TradingDesk::WriteHistory() {
    // With the range hidden the report shows the day as far as it was played.
    if (const std::optional<int> shown = chart_.revealedRow()) record_.KeepPricesTo(*shown);
    record_.MarkKept();
    records_.KeepRun();
    const AccountTexts t = ShowAccount(account_);
    AppendToHistory(FormatRun(history_, {t.investment, t.buyingPowerCaption, ShownBuyingPower(account_, 0), t.runPnl,
                                         t.netPnl, t.netPnlAfterTax}));
    history_.Clear();
}

// What failed to be appended before goes first, so the files keep the order of events. A failure
// is said on the message line; the rows wait in the pending file (or here, when it cannot take
// them) for the next append.
void TradingDesk::AppendToHistory(const HistoryAppend& text) {
    // A session played again was kept in the history when it was played.
    if (records_.DivertHistory(text)) return;
    HistoryAppend run = text;
    if (!run.empty() && keepTotals_ && savedTotals_) {
        const auto [savedProfit, savedLoss] = savedTotals_();
        run.totals = KeptTotals{savedProfit, savedLoss, account_.profitTotal, account_.lossTotal};
    }
    unwrittenHistory_.Add(run);
    const KeptRunAppend done = AppendKeptRun(HistoryFolder(), unwrittenHistory_, HistoryLockHooks());
    lockWaitedOut_ = done.busy;
    if (done.problem.empty() || !done.pendingFile.empty() || done.journalLeft) unwrittenHistory_ = HistoryAppend{};
    historyProblem_ = done.problem;
    pendingFile_ = done.pendingFile;
    if (done.carriedPending) historyCarried_ = kCarriedText;
    if (!historyProblem_.empty())
        services_.SetMessage(historyProblem_);
    else if (done.carriedPending)
        services_.SetMessage(historyCarried_);
}

AppendHooks TradingDesk::HistoryLockHooks() {
    AppendHooks hooks;
    hooks.lockWaitMs = lockWaitedOut_ ? 0 : kHistoryLockWaitMs;
    hooks.waiting = [this] {
        services_.SetMessage(kHistoryLockWaitText);
        services_.Notify();
        if (lockWaitListener_) lockWaitListener_(kHistoryLockWaitText);
    };
    return hooks;
}

std::string TradingDesk::HistoryFolder() const { return JoinPath(installFolder_, kHistoryFolder); }

void TradingDesk::RecoverHistoryAtStart() {
    const std::string folder = HistoryFolder();
    const AppendHooks lock = HistoryLockHooks();
    std::string problem = RecoverHistory(folder, lock.lockWaitMs, lock.waiting);
    lockWaitedOut_ = problem == kHistoryBusyText;
    if (lockWaitedOut_) return;  // the program writing now completes what was left itself
    if (!problem.empty()) return services_.SetMessage(problem);
    if (FileExists(PendingHistoryPath(folder))) AppendToHistory({});
    // The totals a kept run left, where the program ended before it saved them.
    const std::optional<KeptTotals> kept = ReadKeptTotals(folder);
    if (!kept || !savedTotals_ || savedTotals_() != std::pair{kept->savedProfit, kept->savedLoss} ||
        (account_.profitTotal == kept->profit && account_.lossTotal == kept->loss))
        return;
    account_.profitTotal = kept->profit;
    account_.lossTotal = kept->loss;
    SnapshotTotals(account_);
    ShowAccountPanel();
    if (historyProblem_.empty()) services_.SetMessage(historyCarried_.empty() ? kTotalsTakenText : historyCarried_ + kTotalsTakenText);
}

void TradingDesk::ShowAccountPanel() {
    const AccountTexts t = ShowAccount(account_, OpenResultNow());
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

void TradingDesk::SetCashOnly(bool checked) {
    if (display_.controls.inputsEnabled) ToggleCashOnly(account_, checked);
    ShowAccountPanel();  // a refused click leaves the box as the account has it
    services_.Notify();
}

void TradingDesk::RestoreAccount(std::int64_t baseInvestment, std::int64_t profitTotal, std::int64_t lossTotal,
                                bool cashOnly) {
    account_.baseInvestment = baseInvestment;
    account_.profitTotal = profitTotal;
    account_.lossTotal = lossTotal;
    account_.cashOnly = cashOnly;
    SnapshotTotals(account_);
    if (const std::string message = ApplyCashOnlyRule(account_); !message.empty()) services_.SetMessage(message);
    ResetBuyingPower(account_);
    ShowAccountPanel();
    services_.Notify();
}

void TradingDesk::SetInvestmentEditing(bool on) {
    if (!display_.controls.inputsEnabled || on == display_.investmentEditing) return;
    display_.message.text.clear();
    display_.investmentEditing = on;
    if (on) {
        // Typed over as a plain number.
        display_.investmentText = PlainNumber(account_.InvestmentField());
    } else {
        std::string message;
        if (ChangeInvestment(account_, display_.investmentText, services_.questions(), message)) AppendResetMarkerToHistory();
        if (!message.empty()) services_.SetMessage(message);
    }
    ShowAccountPanel();
    services_.Notify();
}

void TradingDesk::SetInvestmentText(const std::string& typed) {
    if (display_.investmentEditing) display_.investmentText = typed;
}

void TradingDesk::PressResetTotals() {
    if (!display_.controls.inputsEnabled) return;
    if (ResetTotals(account_, services_.questions())) AppendResetMarkerToHistory();
    ShowAccountPanel();
    services_.Notify();
}

// The wiped totals are marked in the realised-P&L history; the run's snapshot follows them so
// that a discarded run cannot bring them back.
void TradingDesk::AppendResetMarkerToHistory() {
    SnapshotTotals(account_);
    AppendToHistory(FormatResetMarker(ports_.clock.Today()));
}

// The program ends with a kept run still waiting for its append: it is offered again for as
// long as the user asks; "no" ends without it, and the question says what that means.
void TradingDesk::KeepHistoryAtExit() {
    while (!unwrittenHistory_.empty()) {
        if (!services_.Ask("注意", historyProblem_ + "\n\nもう一度書き込みますか？\n" + kHistoryLostNote)) {
            unwrittenHistory_ = HistoryAppend{};
            historyProblem_.clear();
            return;
        }
        AppendToHistory({});
    }
}

void TradingDesk::PlaySound(const char* file) {
    if (ports_.sound) ports_.sound->Play(JoinPath(installFolder_, file));
}

void TradingDesk::PlayAlertSound() {
    if (display_.fillSoundOption) PlaySound(kStopSoundFile);
}

void TradingDesk::PlayPendingFillSound() {
    if (std::exchange(fillSoundPending_, false)) PlaySound(kFillSoundFile);
}

// ---- Board and tape ------------------------------------------------------------------------

void TradingDesk::BuildInitialBoard(int row) {
    初期板(market_, services_.day()[SeriesSlot::DayStock], row, replay_.preOpenPhase, services_.day().decimalPrices);
}

// The step's board: the recording with the user's orders, and what changed since the last one.
std::int32_t TradingDesk::RefreshBoard(int row) {
    const DaySeries& stock = services_.day()[SeriesSlot::DayStock];
    market_.cells.highlighted.fill(false);
    market_.TakeRecordedBoard(stock.board[static_cast<std::size_t>(row)]);
    // A locked board holds the tape for one pass of the step (see MatchPendingOrders).
    market_.lockedBoardHold = market_.marketBoard.At(0).tenths() == market_.marketBoard.At(5).tenths();
    market_.ComposeBoard(replay_.preOpenPhase);
    const Board& b = market_.board;
    std::int64_t total = 0;
    for (const Shares q : b.qty) total += std::clamp<Shares>(q, 0, 2'000'000'000);
    if (replay_.stepForwardCount <= 0)
        ShowBoardWithChanges(market_.cells, b, services_.day().decimalPrices, /*atOldPlace=*/false);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(total, 0, INT32_MAX));
}

MatchContext TradingDesk::StepContext() const {
    MatchContext ctx;
    ctx.baseSeconds = replay_.clockSeconds;
    ctx.clockShown = !display_.clockText.empty();
    // A fill is stamped with the clock on screen: the step's time when the step is matched in one
    // pass (speed 30, forward steps), the sub-step's second otherwise.
    ctx.shownSeconds = ParseTimeOfDay(display_.clockText).value_or(-1);
    ctx.simulationOn = display_.simulationChecked;
    ctx.skipping = replay_.stepForwardCount > 0;
    ctx.preOpen = replay_.preOpenPhase;
    ctx.currentRow = replay_.currentRow;
    ctx.stock = &services_.day()[SeriesSlot::DayStock];
    ctx.decimalPrices = services_.day().decimalPrices;
    ctx.fineTickMode = services_.day().fineTickMode;
    ctx.tradingUnit = services_.day().tradingUnit > 0 ? services_.day().tradingUnit : 100;
    ctx.boardTotalQty = replay_.boardTotalQty;
    ctx.random = &ports_.dayRandom;
    return ctx;
}

bool TradingDesk::MatchPendingOrders(int subStep) {
    // The hold of a locked board defers the tape to the step's next pass, never past the step:
    // a step run in one pass (or cut short at its last) takes its lines now. Held from step to
    // step, the lines of a run of locked rows would wait and then fill orders placed after they
    // printed, stamped with a clock minutes later.
    if (subStep >= kSubSteps) market_.lockedBoardHold = false;
    engine_.MatchPendingOrders(subStep, StepContext());
    return AfterPass();
}

void TradingDesk::MatchNewOrdersNow() {
    engine_.MatchNewOrdersNow(StepContext());
    AfterPass();
}

bool TradingDesk::AfterPass() {
    ShowTapeCounter();
    if (stopFiredSoundDue_) PlaySound(kStopSoundFile);
    PlayPendingFillSound();
    if (dirty_) RefreshDisplay();
    return std::exchange(stopFiredSoundDue_, false);
}

void TradingDesk::CatchUpEngineClock(int seconds) { market_.engineClock = std::max(market_.engineClock, seconds); }

void TradingDesk::RecordEquity(int row) { record_.SetEquity(row, account_.runPnl + OpenResult(ValuationPrice())); }

void TradingDesk::ClearTapeList() { market_.tapeRows.clear(); }

void TradingDesk::SetCloseInput(int slot, Shares quantity) {
    book_.positions[static_cast<std::size_t>(slot)].closeQtyInput = quantity;
}

void TradingDesk::ClearCloseInputs() {
    for (Position& p : book_.positions) p.closeQtyInput = 0;
}

void TradingDesk::NewDay(const DayData& day) {
    // Without a previous close the limits are not known until the day's first trade.
    market_.limits = DailyPriceBand(day[SeriesSlot::DayStock].prevClose);
    market_.limitsFromFirstPrint = !(market_.limits.upper > 0);
    // The report draws the day's price however the chart stands when the run ends (as far as
    // it was played when the range is hidden).
    const auto& price = day[SeriesSlot::DayStock].price;
    record_.SetPrices(std::vector<double>(price.begin(), price.begin() + kClosingRow + 1));
}

int TradingDesk::ShownTapeRows() const {
    const auto& rows = market_.tapeRows;
    const auto clock = ParseTimeOfDay(display_.clockText);
    if (!clock || *clock >= market_.engineClock) return static_cast<int>(rows.size());
    // The rows are in time order; their times "hh:nn:ss" compare as texts.
    const auto after = std::upper_bound(rows.begin(), rows.end(), display_.clockText,
                                        [](const std::string& t, const TapeRow& r) { return t < r.time; });
    return static_cast<int>(after - rows.begin());
}

void TradingDesk::ShowTapeCounter() {
    display_.tapeCounter = std::to_string(market_.tapeRows.size());
}

void TradingDesk::AddTapeLinesBefore(const std::string& time) {
    const auto start = ParseTimeOfDay(time);
    if (!start) return;
    while (market_.tapeCursor < market_.tape.size()) {
        const auto line = ReadTapeLine(market_.tape.At(market_.tapeCursor));
        if (!line || line->seconds / 60 >= *start / 60) break;
        engine_.AddTapeRow(line->time, Format(line->volume.value_or(0), "###,###"),
                           line->price.value_or(0), services_.day().decimalPrices);
        // The last traded price: stops placed before play are tested against it.
        if (line->price) market_.NotePrint(static_cast<float>(*line->price));
        // The afternoon's opening print has passed: a later 12: line is no opening.
        if (line->time.compare(0, 3, "12:") == 0) market_.afternoonOpenFlag = true;
        ++market_.tapeCursor;
    }
    // The market has got to the start: a jump back to before it replays what the tape has spent.
    market_.engineClock = *start;
    ShowTapeCounter();
}

void TradingDesk::ClearBoardLabels() { market_.cells = BoardCells{}; }
void TradingDesk::ResetBoardHighlights() { market_.cells.highlighted.fill(false); }

// The whole day's tape, estimated once so that the replay only reads finished lines.
void TradingDesk::BuildDayTape(const std::vector<std::string>& given, bool& stop) {
    if (!display_.tapeOption) return;
    if (!given.empty()) {
        market_.tape.Clear();
        for (const std::string& line : given) market_.tape.Add(line);
        ShowTapeCounter();
        return;
    }
    const DaySeries& stock = services_.day()[SeriesSlot::DayStock];
    TapeEstimator estimator(stock, services_.day().tradingUnit, ports_.dayRandom, market_.tape);
    display_.tapeListVisible = false;
    const bool displayOnly = !display_.simulationChecked;
    for (int r = 0; r < kClosingRow; ++r) {
        if (stop) {
            stop = false;
            break;
        }
        estimator.EstimateStepTape(r, r == kClosingRow - 1, displayOnly);
    }
    // Without a replay the closing prints are all the tape list shows; a replay reaches them in
    // their turn.
    if (displayOnly) {
        for (const std::string& line : estimator.closingLines()) {
            const auto t = ReadTapeLine(line);
            if (!t) continue;
            engine_.AddTapeRow(t->time, Format(t->volume.value_or(0), "###,###"), t->price.value_or(0),
                               services_.day().decimalPrices);
        }
    }
    ShowTapeCounter();
    display_.tapeListVisible = true;
}

void TradingDesk::ShowRowOnBoard(int row, std::optional<int> seconds) {
    const DayData& day = services_.day();
    ShowBoard(market_.cells, BoardOf(day[SeriesSlot::DayStock].board[static_cast<std::size_t>(row)]), day.decimalPrices);
    if (display_.tapeOption && seconds) {
        // The newest print at or before that time; the rows are in time order, their times
        // "hh:nn:ss" compare as texts.
        const auto& rows = market_.tapeRows;
        const std::string target = FormatTimeOfDay(*seconds);
        const auto after = std::upper_bound(rows.begin(), rows.end(), target,
                                            [](const std::string& t, const TapeRow& r) { return t < r.time; });
        if (after != rows.begin()) {
            display_.tapeScrollRow = static_cast<int>(after - rows.begin()) - 1;
            ++display_.tapeScrollGeneration;
        }
    }
}

// ---- Options ---------------------------------------------------------------------------------

void TradingDesk::SetBoardOption(bool on) {
    const OpScope op(log_, SessionOp::SetBoardOption, {OpArg(on)});
    if (!op) return;
    display_.boardOption = on;
}

void TradingDesk::SetHideBoardAndTape(bool on) {
    const OpScope op(log_, SessionOp::SetHideBoardAndTape, {OpArg(on)});
    if (!op) return;
    display_.hideBoardAndTape = on;
}

void TradingDesk::SetFillSoundOption(bool on) {
    const OpScope op(log_, SessionOp::SetFillSoundOption, {OpArg(on)});
    if (!op) return;
    display_.fillSoundOption = on;
}

void TradingDesk::SetTradeMarkerOption(bool on) {
    const OpScope op(log_, SessionOp::SetTradeMarkerOption, {OpArg(on)});
    if (!op) return;
    display_.tradeMarkerOption = on;
    chart_.MarkersChanged();
}

void TradingDesk::ClearLists() {
    display_.priceLabel.clear();
    display_.changeLabel.clear();
    display_.changePercentLabel.clear();
    display_.vwapLabel.clear();
    display_.volumeLabel.clear();
    display_.tapeCounter = "0";
    ClearTapeList();
    display_.pendingLines.clear();
    display_.holdingLines = {};
    display_.executionLines.clear();
}

// The fills of the run and the account as they stand.
SessionOutcome TradingDesk::RunOutcome() const {
    SessionOutcome o;
    for (const Fill& f : fills_) {
        const Execution& e = f.execution;
        o.fills.push_back({FormatTimeOfDay(e.seconds), e.closing, static_cast<double>(CodeOf(e.side)),
                           static_cast<double>(e.quantity), e.price.yen(), static_cast<double>(e.orderNumber)});
    }
    o.account = {account_.baseInvestment, account_.profitTotal, account_.lossTotal, account_.buyingPower, account_.runPnl,
                 account_.cashOnly};
    return o;
}

void TradingDesk::LoadSettings(const Settings& s) {
    SetBoardOption(s.board);
    SetFillSoundOption(s.fillSound);
    SetTradeMarkerOption(s.tradeMarkers);
    RestoreAccount(s.investment, s.profitTotal, s.lossTotal, s.cashOnly);
}

void TradingDesk::SaveSettings(Settings& s) const {
    s.board = display_.boardOption;
    s.fillSound = display_.fillSoundOption;
    s.tradeMarkers = display_.tradeMarkerOption;
    s.cashOnly = account_.cashOnly;
    s.investment = account_.baseInvestment;
    s.profitTotal = account_.profitTotal;
    s.lossTotal = account_.lossTotal;
}

}  // namespace corvala
