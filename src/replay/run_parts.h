#pragma once
// What a run asks of the parts of the program it drives, and what they ask of it. The replay loop
// knows the components only through these; each is implemented by the component that owns it
// (the trading desk, the chart, the order windows, the quiz mode, the price alerts).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "trading/matching.h"

namespace corvala {

// The one-second passes of a five-second step, and the short wait after a stop fired.
inline constexpr int kSubSteps = 5;
inline constexpr int kStopSoundWaitMs = 300;

// What the trading desk asks of the run (answered by the replay loop).
class RunForOrders {
public:
    // A replay is loaded and running: the order tables are open.
    virtual bool ReplayOpenForOrders() const = 0;
    // The step's price (現在値), 0 before the stock's first trade.
    virtual double StepPrice() const = 0;
    // A new order filled (the replay slows down); an order was stored (the step's wait ends).
    virtual void NewOrderFilled() = 0;
    virtual void OrderStored() = 0;

protected:
    ~RunForOrders() = default;
};

// The market and the money of the run, step by step (the trading desk).
class RunMarket {
public:
    // ---- A display, a start ----
    virtual void ResetForDisplay() = 0;
    virtual void BuildInitialBoard(int row) = 0;
    // A mid-session start: the tape lines before `time` (hh:nn:ss) are listed at once.
    virtual void AddTapeLinesBefore(const std::string& time) = 0;
    // The market has got to `seconds` (a jump back replays nothing it has spent).
    virtual void CatchUpEngineClock(int seconds) = 0;

    // ---- A step ----
    // The step's recorded board with the user's orders laid on; its total for the queue model.
    virtual std::int32_t RefreshBoard(int row) = 0;
    virtual void RevaluePositions(double price) = 0;
    // A pass of the step's tape (`subStep` 1–kSubSteps); true when a stop fired (a short wait).
    virtual bool MatchPendingOrders(int subStep) = 0;
    // An order stored while paused meets the board shown at once.
    virtual void MatchNewOrdersNow() = 0;
    // The prints since the last call: from, lowest and highest price.
    virtual MarketState::PrintSpan TakePrintSpan() = 0;
    // An alert reached: the stop sound, when 約定音 is on.
    virtual void PlayAlertSound() = 0;
    virtual void RecordEquity(int row) = 0;
    virtual void ResetBoardHighlights() = 0;

    // ---- The end of a run ----
    virtual bool HoldingsOpen() = 0;
    virtual bool AnyTradeMade() const = 0;
    // The price the positions are settled at now.
    virtual double SettlementPrice() const = 0;
    virtual void SettleAll(double price) = 0;
    // The run is given up: nothing of it is kept.
    virtual void DiscardRun() = 0;
    // Orders that never filled go; the buying power is whole again.
    virtual void EmptyTables() = 0;
    virtual void ClearLists() = 0;
    // A history append failed and is still due; what the message line says of it.
    virtual bool historyPending() const = 0;
    virtual const std::string& historyProblem() const = 0;

protected:
    ~RunMarket() = default;
};

// The chart of the run.
class RunChart {
public:
    virtual void ShowEmpty() = 0;
    virtual void Redraw() = 0;
    virtual void RedrawUpTo(int bar) = 0;
    virtual void DrawRow(int row) = 0;
    // A playback button while the time cursor is fixed: moves it, ■ removes it.
    virtual void CursorButton(int index) = 0;
    virtual std::optional<int> CursorBarStart() const = 0;
    virtual void RemoveCursor() = 0;

protected:
    ~RunChart() = default;
};

// The order windows: open ones slow the replay and keep the play button still; all close at a
// run's end.
class RunOrderWindows {
public:
    virtual bool anyOpen() const = 0;
    // 新規注文 or 返済注文 is open.
    virtual bool entryOpen() const = 0;
    virtual void CloseAll() = 0;

protected:
    ~RunOrderWindows() = default;
};

// The quiz mode, which a stop may leave.
class RunQuiz {
public:
    virtual bool on() const = 0;
    virtual void Leave() = 0;

protected:
    ~RunQuiz() = default;
};

// The price alerts: those the step's prints reached (each once), which pause the replay.
class RunAlerts {
public:
    virtual std::vector<double> TakeReached(double from, double low, double high) = 0;

protected:
    ~RunAlerts() = default;
};

}  // namespace corvala
