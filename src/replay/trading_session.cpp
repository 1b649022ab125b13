// The trading side of a run inside the simulation: orders placed, fills recorded, positions
// valued and, at the end, settled and written to the history files.

#include <algorithm>

#include "account/pnl.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/simulation.h"

namespace corvala {

void Simulation::EngineEvents::OnExecution(const Execution& fill, const OrderBook& book) {
    sim_.RecordExecution(fill, book);
}

RunInfo Simulation::CurrentRunInfo() {
    const SessionWallClock now = WallClockNow();
    const std::string name = playback_ && !playback_->file.start.name.empty() ? playback_->file.start.name
                                                                              : stocks_.Name(stockCode_);
    return RunInfo{RecordedAtText(now.date, now.seconds), TradingDayText(now.date, chosenDate_), display_.codeText, name};
}

// RecordExecution: the execution row, a realised row per closed position, the execution list
// and, for a new order, the speed rule.
void Simulation::RecordExecution(const Execution& e, const OrderBook& book) {
    const RunInfo run = CurrentRunInfo();
    const std::string side = SideText(e.side, e.closing);
    history_.Add(run, ExecutionRow{e.seconds, account_.cashOnly, e.closing, side, e.quantity, e.price});
    Fill& fill = fills_.emplace_back(Fill{e, {}});
    const bool buys = e.closing ? !ClosingOrderSells(e.side) : !NewOrderSells(e.side);
    session_.AddFill({replay_.currentRow, e.price, buys});
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
            history_.Add(run, RealizedRow{static_cast<int>(p.openedAt), positionSide, side, closed, p.price,
                                          e.seconds, e.price});
            session_.AddTrade({positionSide, closed, p.price, e.price, static_cast<int>(p.openedAt), e.seconds,
                               ClosedTradePnl(positionSide, p.price, e.price, closed)});
        }
    }
    display_.executionLines.push_back(FormatTimeOfDay(e.seconds).substr(0, 5) + " " + side + " " +
                                      RightAlign(Format(e.quantity, "0"), 5) + "株 " +
                                      RightAlign(FormatPrice(e.price, day_->decimalPrices, false), 7) + "円");
    chart_.AddTradeMarker(e.price, e.side == kSideMarginSell, e.closing);
    if (!e.closing) CutSpeedOnFill();
    if (display_.fillSoundOption) fillSoundPending_ = true;
    tradingDirty_ = true;
}

namespace {
constexpr const char* kPositionTableFull = "建玉が30件あるため、新規注文は返済するまで約定しません。";
}  // namespace

void Simulation::SayPositionTableFull() {
    if (display_.message.text != kPositionTableFull) SetMessage(kPositionTableFull);
}

void Simulation::SayHeldBack(float orderNumber) {
    SetMessage("注文" + Format(orderNumber, "0") + "は、確保した金額を超える値段になったため約定していません。訂正するか取り消して下さい。");
}

void Simulation::RefreshTradingDisplay() {
    tradingDirty_ = false;
    display_.pendingLines = RebuildPendingList(book_, day_->decimalPrices);
    display_.holdingLines = RebuildPositionSummary(book_, ValuationPrice());
    ShowAccountPanel();
    // 新規注文 stays available beside another order dialog, but not while the correct/cancel
    // list, or a correction started from it, is open: a new entry there would be lost to it.
    const int listInUse = listDialog_.visible || newDialog_.correctionMode || closeDialog_.correctionMode ? 1 : 0;
    const OrderButtonStates b = UpdateOrderButtons(anyOrderDialogOpen(), display_.holdingLines,
                                                   display_.pendingLines.size(), listInUse);
    if (replay_.replayReady) display_.controls.orderButtons = {b.newOrder, b.closingOrder, b.correctCancel};
    if (closeDialog_.visible) RebuildHoldingsList();
    if (newDialog_.visible) newDialog_.capacityText = display_.buyingPowerText;  // what the funds check uses
}

// Every display starts a run: empty tables, fresh numbers, the totals a discarded run returns to.
void Simulation::ResetTradingForDisplay() {
    book_.Clear();
    counters_ = OrderCounters{};
    history_.Clear();
    session_.Clear();
    fills_.clear();
    account_.runPnl = 0;
    SnapshotTotals(account_);
    display_.executionLines.clear();
    if (playback_) {  // the totals are the session's own, whatever history this folder holds
        ResetBuyingPower(account_);
        RefreshTradingDisplay();
        return;
    }
    const std::string folder = JoinPath(installFolder_, kHistoryFolder);
    const bool missing = !FileExists(JoinPath(folder, kRealizedFile)) || !FileExists(JoinPath(folder, kExecutionFile));
    if (const std::string problem = EnsureHistoryFiles(folder); !problem.empty()) {
        SetMessage(problem);
    } else if (missing) {
        // New history files start the totals anew.
        account_.profitTotal = account_.lossTotal = 0;
        SnapshotTotals(account_);
    }
    ResetBuyingPower(account_);
    RefreshTradingDisplay();
}

OrderEntryContext Simulation::EntryContext(std::optional<int> correctionSlot) const {
    OrderEntryContext ctx;
    ctx.correctionSlot = correctionSlot;
    ctx.nowSeconds = ParseTimeOfDay(display_.clockText).value_or(0);
    ctx.code = static_cast<float>(stockCode_);
    ctx.limits = market_.limits;
    ctx.tradingUnit = day_->tradingUnit > 0 ? day_->tradingUnit : 100;
    ctx.decimalPrices = day_->decimalPrices;
    ctx.fineTickMode = day_->fineTickMode;
    ctx.cells = &market_.cells;
    ctx.capacity = account_.buyingPower;
    ctx.marketBid = market_.marketBoard[5];
    ctx.currentPrice = market_.currentPrintPrice > 0 ? market_.currentPrintPrice : currentPrice_;
    ctx.meetsOpeningPrint = market_.NextLineOpens();
    return ctx;
}

// Orders belong to a replay: with none loaded (before 開 始, after ■ or 15:00) the tables are
// closed, whatever a front end offers.
bool Simulation::TradingOpen(EntryOutcome& out) const {
    if (day_ && replay_.replayReady && replayTask_.running()) return true;
    out.status = EntryOutcome::Status::NoReplay;
    out.title = "注文エラー";
    out.message = "シミュレーションの再生中ではないため、注文できません。";
    return false;
}

// The order tables changed: the overlay follows them and the board shows the market with the
// user's orders laid on, so the next print, the next step and the queue tests all see them.
void Simulation::ShowOrdersOnBoard(bool highlightChanges) {
    market_.RefreshOverlay(book_);
    market_.ComposeBoard(replay_.preOpenPhase);
    if (highlightChanges)
        ShowBoardWithChanges(market_.cells, market_.board, day_->decimalPrices, /*atOldPlace=*/true);
    else
        ShowBoard(market_.cells, market_.board, day_->decimalPrices);
}

// A stored or corrected order goes onto the board at once and into the engine's next pass.
void Simulation::AfterOrderStored() {
    ShowOrdersOnBoard(false);
    market_.newOrderFlag = true;
    replay_.orderInterrupt = true;
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

EntryOutcome Simulation::PlaceNewOrder(const NewOrderForm& form, std::optional<int> correctionSlot) {
    const OpScope op(*this, "PlaceNewOrder", {OpArg(form.kind), OpArg(form.sell), OpArg(form.cashCaption), form.quantity, form.price, form.trigger, form.stopPrice, OpArg(form.normalMarket), OpArg(form.triggerBelow), OpArg(form.stopMarket), correctionSlot ? OpArg(*correctionSlot) : std::string()});
    if (!op) return {};
    EntryOutcome out;
    if (!TradingOpen(out) || !StillPending(book_.pendingNewOrders, correctionSlot, out)) return out;
    out = SubmitNewOrder(form, EntryContext(correctionSlot), book_, counters_, account_, heldDialogs_);
    if (out.status == EntryOutcome::Status::Stored) {
        AfterOrderStored();
    }
    RefreshTradingDisplay();
    Notify();
    return out;
}

void Simulation::SetCloseQuantity(int slot, const std::string& typed) {
    const OpScope op(*this, "SetCloseQuantity", {OpArg(slot), typed});
    if (!op) return;
    EntryOutcome closed;
    if (slot < 0 || slot >= kOrderSlots || !TradingOpen(closed)) return;
    Position& p = book_.positions[static_cast<std::size_t>(slot)];
    if (!p.InUse()) return;
    p.closeQtyInput = RowQuantity(typed, day_->tradingUnit > 0 ? day_->tradingUnit : 100, p);
}

void Simulation::SetBulkClose(float closingSide, bool on) {
    const OpScope op(*this, "SetBulkClose", {OpArg(closingSide), OpArg(on)});
    EntryOutcome closed;
    if (!op || !TradingOpen(closed)) return;
    BulkClose(book_, closingSide, on);
}

EntryOutcome Simulation::PlaceClosingOrder(const ClosingOrderForm& form, std::optional<int> correctionSlot) {
    const OpScope op(*this, "PlaceClosingOrder", {OpArg(form.order.kind), OpArg(form.order.sell), OpArg(form.order.cashCaption), form.order.quantity, form.order.price, form.order.trigger, form.order.stopPrice, OpArg(form.order.normalMarket), OpArg(form.order.triggerBelow), OpArg(form.order.stopMarket), OpArg(form.side),
                                                  correctionSlot ? OpArg(*correctionSlot) : std::string()});
    if (!op) return {};
    EntryOutcome out;
    if (!TradingOpen(out) || !StillPending(book_.pendingClosingOrders, correctionSlot, out)) return out;
    out = SubmitClosingOrder(form, EntryContext(correctionSlot), book_, counters_, heldDialogs_);
    if (out.status == EntryOutcome::Status::Stored) {
        AfterOrderStored();
    }
    RefreshTradingDisplay();
    Notify();
    return out;
}

// The holdings at the step's price; only when there are any, the step runs often.
bool Simulation::CancelOrder(int slot, bool closing) {
    const OpScope op(*this, "CancelOrder", {OpArg(slot), OpArg(closing)});
    if (!op) return false;
    EntryOutcome closed;
    if (slot < 0 || slot >= kOrderSlots || !TradingOpen(closed)) return false;
    const bool inUse = closing ? book_.pendingClosingOrders[static_cast<std::size_t>(slot)].InUse()
                               : book_.pendingNewOrders[static_cast<std::size_t>(slot)].InUse();
    if (!inUse || !AskQuestion("注文取消し", "選択行の注文を取消します。")) return false;
    if (!closing) AdjustBuyingPower(account_, book_.pendingNewOrders[static_cast<std::size_t>(slot)].reservedAmount);
    RemoveFilledOrder(book_, slot, closing ? RemoveMode::CancelledClosing : RemoveMode::NewOrder);
    // The withdrawn quantity leaves its own level; the market's levels stay as they are.
    ShowOrdersOnBoard(true);
    RefreshTradingDisplay();
    Notify();
    return true;
}

void Simulation::RevaluePositions(double price) {
    const bool any = std::any_of(book_.positions.begin(), book_.positions.end(),
                                 [](const Position& p) { return p.InUse(); });
    if (any || !display_.holdingLines[0].empty() || !display_.holdingLines[1].empty())
        display_.holdingLines = RebuildPositionSummary(book_, price);
}

std::vector<std::string> Simulation::PendingQueueTexts() const {
    std::vector<std::string> texts;
    for (const std::optional<double>& ahead : PendingQueueFigures(book_))
        texts.push_back(ahead ? Format(*ahead, "###,##0") : std::string());
    return texts;
}

std::array<std::optional<QueueMark>, kBoardLevels> Simulation::BoardQueueMarks() const {
    return corvala::BoardQueueMarks(book_, market_.cells);
}

double Simulation::OpenResult(double price) const {
    double result = 0;
    for (const Position& p : book_.positions)
        if (p.InUse()) result += PositionResult(p.side, p.price, p.quantity, price);
    return result;
}

bool Simulation::HoldingsOpen() {
    RefreshTradingDisplay();
    return 保有状態チェック(display_.holdingLines);
}

bool Simulation::AnyTradeMade() const { return !history_.executions.empty(); }


// The run is not kept: its orders and holdings go with it.
void Simulation::DiscardRun() {
    corvala::DiscardRun(account_);
    history_.Clear();
    EmptyTables();
}

// Orders and positions of a run that ended without settling them leave the tables and the board.
void Simulation::EmptyTables() {
    book_.Clear();
    ShowOrdersOnBoard(false);
    ResetBuyingPower(account_);
    RefreshTradingDisplay();
}

// What a stop settles at: the market's last trade. The step's price shown as 現在値 is where the
// step began, and its prints have moved on from it; after a jump back it is a price the market
// has left, while the last trade stays where the market had got to.
double Simulation::SettlementPrice() const {
    return market_.currentPrintPrice > 0 ? market_.currentPrintPrice : currentPrice_;
}

// The holdings are valued at the step's price, or at the last trade in the step a stock first
// trades in (whose own price is not known yet): never at 0.
double Simulation::ValuationPrice() const {
    return currentPrice_ > 0 ? currentPrice_ : market_.currentPrintPrice;
}

// SettleAll: pending orders withdrawn, every position closed at `price`, the run recorded.
// Without any price (nothing traded) a position is closed at its own price: nothing is realised.
void Simulation::SettleAll(double price) {
    // Never beyond the day's limits, which every print the market made has widened to.
    const PriceBand& band = market_.limits;
    if (band.upper > 0 && price > 0) price = std::clamp(price, static_cast<double>(band.lower), static_cast<double>(band.upper));
    const float s = static_cast<float>(price);
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
        c.number = static_cast<float>(counters_.closingOrderSeq + i);
        c.placedAt = static_cast<float>(now);
        c.code = p.code;
        c.side = p.side;
        c.quantity = p.quantity;
        c.closeSlots = std::to_string(i);
        c.closeQuantities = Format(p.quantity, "0");
        const float at = s > 0 ? s : p.price;
        const double pnl = PositionResult(p.side, p.price, p.quantity, at);
        AdjustBuyingPower(account_, p.side == kSideMarginSell ? static_cast<double>(p.price) * p.quantity + pnl
                                                              : static_cast<double>(p.quantity) * at);
        account_.runPnl += pnl;
        CreditResult(account_, pnl);
        c.limitPrice = at;
        RecordExecution(Execution{now, true, c.side, c.quantity, at, c.number, i, i}, book_);
        RemoveFilledOrder(book_, i, RemoveMode::FilledClosing);
    }
    ShowOrdersOnBoard(false);
    PlayPendingFillSound();
    ResetBuyingPower(account_);
    // Everything is closed: the run's last figure is what it realised.
    session_.SetEquity(replay_.currentRow, account_.runPnl);
    WriteHistory();
    RefreshTradingDisplay();
}

// The run is kept: appended to the history files with its summary block.
void Simulation::WriteHistory() {
    session_.MarkKept();
    if (sessionOut_) sessionOut_->Keep();
    const AccountTexts t = ShowAccount(account_);
    AppendToHistory(FormatRun(history_, {t.investment, t.buyingPowerCaption, account_.buyingPower, t.runPnl,
                                         t.netPnl, t.netPnlAfterTax}));
    history_.Clear();
}

// What failed to be appended before goes first, so the files keep the order of events. A failure
// is said on the message line and everything is kept for the next append.
void Simulation::AppendToHistory(const HistoryAppend& text) {
    if (playback_) {  // a session played again was kept in the history when it was played
        playback_->history.Add(text);
        return;
    }
    unwrittenHistory_.Add(text);
    historyProblem_ = AppendHistory(JoinPath(installFolder_, kHistoryFolder), unwrittenHistory_);
    if (historyProblem_.empty())
        unwrittenHistory_ = HistoryAppend{};
    else
        SetMessage(historyProblem_);
}

}  // namespace corvala
