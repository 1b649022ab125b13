// Where a replay step meets the board, the tape and the matching engine. Each is called at the
// point of the loop where its work belongs.

#include <algorithm>
#include <climits>

#include "platform/text.h"
#include "replay/simulation.h"

namespace corvala {

// ---- Board and tape ------------------------------------------------------------------------

void Simulation::BuildInitialBoard(int row) {
    初期板(market_, (*day_)[SeriesSlot::DayStock], row, replay_.preOpenPhase, day_->decimalPrices);
}

// The step's board: the recording with the user's orders, and what changed since the last one.
void Simulation::RefreshBoard(int row) {
    const DaySeries& stock = (*day_)[SeriesSlot::DayStock];
    market_.cells.highlighted.fill(false);
    market_.TakeRecordedBoard(stock.board[static_cast<std::size_t>(row)]);
    if (market_.marketBoard[0] == market_.marketBoard[5]) market_.lockedBoardHold = true;
    market_.ComposeBoard(replay_.preOpenPhase);
    const Board& b = market_.board;
    std::int64_t total = 0;
    for (int k = kBoardLevels; k < 20; ++k)
        total += static_cast<std::int64_t>(std::clamp(b[static_cast<std::size_t>(k)], 0.0f, 2e9f));
    replay_.boardTotalQty = static_cast<std::int32_t>(std::clamp<std::int64_t>(total, 0, INT32_MAX));
    if (replay_.stepForwardCount <= 0)
        ShowBoardWithChanges(market_.cells, b, day_->decimalPrices, /*atOldPlace=*/false);
}

MatchContext Simulation::StepContext() const {
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
    ctx.stock = &(*day_)[SeriesSlot::DayStock];
    ctx.decimalPrices = day_->decimalPrices;
    ctx.fineTickMode = day_->fineTickMode;
    ctx.tradingUnit = day_->tradingUnit > 0 ? day_->tradingUnit : 100;
    ctx.boardTotalQty = replay_.boardTotalQty;
    ctx.random = &dayRandom_;
    return ctx;
}

void Simulation::MatchPendingOrders(int subStep) {
    engine_.MatchPendingOrders(subStep, StepContext());
    ShowTapeCounter();
    if (stopFiredSoundDue_) PlaySound(kStopSoundFile);
    PlayPendingFillSound();
    if (tradingDirty_) RefreshTradingDisplay();
}

void Simulation::ShowTapeCounter() {
    display_.tapeCounter = std::to_string(market_.tapeRows.size());
}

void Simulation::AddTapeLinesBefore(const std::string& time) {
    const auto start = ParseTimeOfDay(time);
    if (!start) return;
    while (market_.tapeCursor < market_.tape.size()) {
        const auto line = ReadTapeLine(market_.tape.At(market_.tapeCursor));
        if (!line || line->seconds / 60 >= *start / 60) break;
        engine_.AddTapeRow(line->time, Format(line->volume.value_or(0), "###,###"),
                           line->price.value_or(0), day_->decimalPrices);
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

void Simulation::ClearBoardLabels() { market_.cells = BoardCells{}; }
void Simulation::ResetBoardQuantityBackgrounds() { market_.cells.highlighted.fill(false); }

void Simulation::CloseOrderDialogs() {
    if (newDialog_.visible) CloseNewOrderDialog();
    if (closeDialog_.visible) CloseClosingDialog();
    if (listDialog_.visible) HideCorrectCancelDialog(true);
}

}  // namespace corvala
