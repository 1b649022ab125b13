// The replay loop: the pre-open set-up, five-second steps with their timed sub-steps, the lunch
// break and the end of the day. Every wait suspends the loop; the scheduler resumes it, and the
// controls act on it only through the flags of the clock, which it reads at its next check.

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/text.h"
#include "replay/navigation.h"
#include "replay/simulation.h"

namespace corvala {
namespace {

constexpr int kNoticeMs = 3000;
constexpr int kPlaySliceMs = 300;   // waiting for play before the open
constexpr int kPausedSliceMs = 100;
constexpr int kLowSpeedMs = 1500;
constexpr int kLowSpeedDialogMs = 900;
constexpr int kSubSteps = 5;
constexpr const char* kPreOpenRequest = "の注文があれば、注文し再生ボタンを押して下さい。";
constexpr const char* kLunchRequest = "後場寄り前の注文があれば、注文し再生ボタンを押して下さい。";

}  // namespace

// ---- Waiting -------------------------------------------------------------------------------

// What the scheduler runs is the program's own doing, never an operation of the user.
void Simulation::Later(int ms, std::function<void()> callback) {
    ports_.scheduler.After(ms, [this, alive = std::weak_ptr<int>(alive_), cb = std::move(callback)] {
        if (!alive.lock()) return;
        recorder_.EnterProgram();
        cb();
        recorder_.LeaveProgram();
    });
}

void Simulation::Suspend(int ms, std::coroutine_handle<> h) {
    waiting_ = h;
    const unsigned generation = ++waitGeneration_;
    Later(ms, [this, generation] { ResumeWait(generation); });
}

void Simulation::ResumeWait(unsigned generation) {
    if (generation != waitGeneration_ || !waiting_) return;  // ended early already
    if (modalDepth_ > 0) {
        // A question box is open: the loop goes on once it is answered.
        resumeDeferred_ = true;
        return;
    }
    ++waitGeneration_;
    recorder_.Resumed();
    std::exchange(waiting_, nullptr).resume();
    ApplyDueSessionActions();
    Notify();
}

void Simulation::EndWaitEarly(bool evenOutsideStep) {
    if (!waiting_ || (!replay_.inStep && !evenOutsideStep)) return;
    const unsigned generation = waitGeneration_;
    Later(0, [this, generation] { ResumeWait(generation); });
}

void Simulation::AbandonReplay() {
    // The loop is dropped where it waits; its pending resumption must find nothing.
    ++waitGeneration_;
    waiting_ = nullptr;
    resumeDeferred_ = false;
    replayTask_.Reset();
    preparing_ = heldPaused_ = false;
    EndSession("left");
}

bool Simulation::AskQuestion(const std::string& title, const std::string& text) {
    return heldDialogs_.Ask(title, text);
}

// While a box is open the replay holds still, as under a modal box: nothing fills or moves
// between a question and what its answer does.
void Simulation::BeginModal() { ++modalDepth_; }

void Simulation::EndModal() {
    if (--modalDepth_ == 0 && resumeDeferred_) {
        resumeDeferred_ = false;
        const unsigned generation = waitGeneration_;
        Later(0, [this, generation] { ResumeWait(generation); });
    }
}

// A session that plays shows no boxes: the user saw them when it was played.
void Simulation::HeldDialogs::ShowError(int number, const std::string& text) {
    if (sim_.recorder_.playing()) return;
    sim_.BeginModal();
    const int depth = sim_.recorder_.SuspendOperations();
    sim_.ports_.dialogs.ShowError(number, text);
    sim_.recorder_.ResumeOperations(depth);
    sim_.EndModal();
}

// While a session plays, its questions take the answers written then.
// The box's own event loop may deliver the user's other actions (a dialog activated, a timer of a
// dialog): they are operations of their own, written as such.
bool Simulation::HeldDialogs::Ask(const std::string& title, const std::string& text) {
    if (const std::optional<bool> recorded = sim_.recorder_.NextAnswer()) return *recorded;
    sim_.BeginModal();
    const int depth = sim_.recorder_.SuspendOperations();
    const bool yes = sim_.ports_.dialogs.Ask(title, text);
    sim_.recorder_.ResumeOperations(depth);
    sim_.EndModal();
    return sim_.recorder_.RecordedAnswer(yes);
}

void Simulation::HeldDialogs::ShowNotice(const std::string& title, const std::string& text) {
    if (sim_.recorder_.playing()) return;
    sim_.BeginModal();
    const int depth = sim_.recorder_.SuspendOperations();
    sim_.ports_.dialogs.ShowNotice(title, text);
    sim_.recorder_.ResumeOperations(depth);
    sim_.EndModal();
}

Task Simulation::FlashAndWait() {
    display_.message.foreground = colours::kBlack;
    display_.message.background = colours::kFlash;
    const unsigned generation = ++flashGeneration_;  // an earlier flash must not end this one
    co_await WaitMs(kFlashMs);
    if (generation != flashGeneration_) co_return;  // and a later one owns the line now
    display_.message.foreground = colours::kMessageText;
    display_.message.background = colours::kBlack;
}

// ---- Set-up --------------------------------------------------------------------------------

// Per-day state of the replay, at the start of every display action.
void Simulation::ResetReplayForDisplay() {
    ReplayClock& r = replay_;
    r.barLength = barLength_;
    r.lastBar = LastBar(barLength_);
    r.currentBar = r.stepInBar = r.currentRow = 0;
    r.paused = r.stopRequested = r.afternoonStarted = r.preOpenPhase = false;
    r.stepForwardCount = r.backRequest = 0;
    r.fastForward = r.jumpInterrupt = r.orderInterrupt = r.inStep = r.abortWait = false;
    r.lowSpeedChanged = false;
    dayShown_ = false;
    currentPrice_ = 0;
    stepsRun_ = 0;
    r.simulationMode = r.replayReady = display_.simulationChecked;
    trading_.ResetForDisplay();
    if (r.simulationMode) {
        if (!display_.tapeOption) {
            tapeOptionBeforeSimulation_ = false;
            display_.tapeOption = true;  // a replay needs its tape
        }
        preparing_ = true;
        SetNavigation(kWaiting);
    }
}

void Simulation::PrepareReplay() {
    BeginSession();
    recorder_.EnterProgram();  // the loop's own start is no operation of the user
    replayTask_ = RunDay();
    replayTask_.Start();
    recorder_.LeaveProgram();
    Notify();
}

Task Simulation::RunDay() {
    ReplayClock& r = replay_;
    ControlStates& c = display_.controls;
    display_.clockText = kPreOpenClock;
    if (r.midSessionStart) {
        chart_.RedrawUpTo(r.startBar - 1);
        display_.tapeListVisible = false;
        trading_.AddTapeLinesBefore(r.startTime);
        display_.tapeListVisible = true;
        display_.clockText = r.startTime;
        trading_.BuildInitialBoard(r.startBar * r.StepsPerBar());
    }
    c.displayButtonEnabled = false;
    ShowPreOpenNotice((display_.clockText == kPreOpenClock ? "寄り前" : "現時点") +
                      std::string(kPreOpenRequest));
    r.preOpenPhase = true;
    c.orderButtons[0] = true;
    StartBlink();
    ApplySpeedScroll(26);
    co_await WaitMs(kNoticeMs);
    display_.message.text.clear();
    co_await FlashAndWait();
    display_.busy.visible = false;
    preparing_ = false;
    if (r.replayReady) {  // not stopped during the notice
        c.playback[kPlayPause].enabled = c.playback[kStop].enabled = true;
        PlayPause();  // the engine runs, so this pauses it
        c.playback[kStepForward].enabled = false;
        c.imageSaveEnabled = true;
    }

    co_await StartReplay();

    c.displayButtonEnabled = true;
    orderDialogs_.CloseAll();
    c.orderButtons = {false, false, false};
    if (loopExit_ == LoopExit::Completed) {
        const DaySeries& stock = (*day_)[SeriesSlot::DayStock];
        trading_.SettleAll(stock.close > 0 ? stock.close : trading_.SettlementPrice());
    }
    display_.busy.visible = false;
    r.startBar = 0;
    r.midSessionStart = false;
    if (loopExit_ == LoopExit::Left) {
        chart_.ShowEmpty();
        SetNavigation(kIdle);
    } else if (loopExit_ == LoopExit::Completed) {
        dayShown_ = true;
    }
    r.stopRequested = false;
    trading_.ResetBoardHighlights();
    EndSession(loopExit_ == LoopExit::Completed ? "completed" : loopExit_ == LoopExit::Stopped ? "stopped" : "left");
}

Task Simulation::StartReplay() {
    ReplayClock& r = replay_;
    r.lastBar = LastBar(r.barLength);
    co_await RunReplay();
    if (loopExit_ == LoopExit::Completed) {
        r.simulationMode = false;
        chart_.Redraw();
        display_.clockText = kCloseClock;
        r.replayReady = false;
        ApplySpeedScroll(display_.speed.ScrollValue());
        ClearDataMessage();
        SetNavigation(kIdle);
    } else if (r.stopRequested) {
        ClearLists();
        chart_.ShowEmpty();
        display_.busy.visible = false;
    }
}

// ---- The loop ------------------------------------------------------------------------------

Task Simulation::RunReplay() {
    ReplayClock& r = replay_;
    ControlStates& c = display_.controls;
    loopExit_ = LoopExit::Left;
    while (r.paused) co_await WaitMs(kPlaySliceMs);
    if (!r.replayReady) {  // stopped before the open
        EndLoopLeftOrStopped();
        co_return;
    }
    c.playback[kBarBack].enabled = c.playback[kMinuteForward].enabled =
        c.playback[kBarForward].enabled = true;
    r.preOpenPhase = false;
    display_.message.text.clear();
    r.currentBar = 0;

    const int perBar = r.StepsPerBar();
    int bar = std::max(0, r.currentBar);
    if (r.midSessionStart) {
        bar = r.startBar;
        r.midSessionStart = false;
    }
    int step = 0;
    while (bar <= r.lastBar) {
        while (step < perBar) {
            r.currentBar = bar;
            r.stepInBar = step;
            const int row = std::max(0, bar * perBar + step);
            r.currentRow = row;
            if (row >= kReplayRows) break;
            if (row == kLunchRow && !r.afternoonStarted) co_await LunchBreak();
            if (!r.replayReady) {
                EndLoopLeftOrStopped();
                co_return;
            }
            if (!r.paused && r.stepForwardCount > 0) TakeForwardStep();
            if (!r.paused && r.backRequest >= 1) {
                JumpBack(bar, step);
                continue;
            }
            if (!r.preOpenPhase) {
                const std::string& text = (*day_)[SeriesSlot::DayStock].timeText[row];
                display_.clockText = text.empty() ? RowClockText(row) : text;
            }
            bool jumped = false;
            while (r.paused) {
                if (r.stepForwardCount >= 1) {
                    TakeForwardStep();
                    break;
                }
                if (r.backRequest >= 1) {
                    JumpBack(bar, step);
                    jumped = true;
                    break;
                }
                heldPaused_ = true;
                co_await WaitMs(kPausedSliceMs);
                heldPaused_ = false;
            }
            if (jumped) continue;  // wait again at the bar the jump went to
            if (!r.replayReady) {  // stopped while paused
                EndLoopLeftOrStopped();
                co_return;
            }

            ShowStepFigures(row);
            const DaySeries& stock = (*day_)[SeriesSlot::DayStock];
            if (stock.price[row] != 0) {  // a stock recorded without a previous close trades too
                currentPrice_ = stock.price[row];
                ShowQuote(display_, currentPrice_, stock.prevClose, day_->decimalPrices);
                trading_.RevaluePositions(currentPrice_);
            }
            ++stepsRun_;
            if (stepObserver_) stepObserver_(row);

            r.clockSeconds = ParseTimeOfDay(display_.clockText).value_or(0);
            r.inStep = true;
            co_await TimedMatching();
            trading_.RecordEquity(row);
            if (stepEndObserver_) stepEndObserver_(row);
            r.inStep = r.orderInterrupt = r.abortWait = false;
            r.lowSpeedChanged = false;  // a change between steps does not cut the next one
            co_await WaitMs(0);  // let the window handle what came in during the step
            if (r.stopRequested) {
                loopExit_ = LoopExit::Stopped;
                co_return;
            }
            ++step;
        }
        step = 0;
        ++bar;
    }
    display_.hideBoardAndTape = false;
    loopExit_ = LoopExit::Completed;
}

Task Simulation::LunchBreak() {
    ReplayClock& r = replay_;
    ControlStates& c = display_.controls;
    SetNavigation(kWaiting);
    trading_.BuildInitialBoard(kLunchRow);
    display_.clockText = kLunchClock;
    ShowPreOpenNotice(kLunchRequest);
    r.preOpenPhase = true;
    c.playback[kPlayPause].enabled = c.playback[kStop].enabled = true;
    r.paused = false;
    // Steps asked for before the break must not carry the replay past it.
    r.stepForwardCount = 0;
    r.fastForward = false;
    display_.tapeListVisible = true;
    PlayPause();
    for (int i : {kStepForward, kBarBack, kMinuteForward, kBarForward})
        c.playback[static_cast<std::size_t>(i)].enabled = false;
    StartBlink();
    co_await WaitMs(kNoticeMs);
    co_await FlashAndWait();
    display_.busy.visible = false;
    r.afternoonStarted = true;
}

Task Simulation::TimedMatching() {
    ReplayClock& r = replay_;
    if (r.lowSpeed && r.stepForwardCount < 1) {
        for (int i = 1; i <= kSubSteps; ++i) {
            if (r.orderInterrupt) break;
            if (r.jumpInterrupt || r.lowSpeedChanged) {
                r.jumpInterrupt = r.lowSpeedChanged = false;
                break;
            }
            if (r.stopRequested || r.paused) break;
            co_await WaitMs(anyOrderDialogOpen() ? kLowSpeedDialogMs : kLowSpeedMs);
            if (r.stopRequested) break;  // the run is closed; nothing more may fill
            ShowClockSecond(r.clockSeconds + i);
            if (trading_.MatchPendingOrders(i)) co_await WaitMs(kStopSoundWaitMs);
        }
    } else if (r.fastForward || r.stepDelay == 0) {
        if (trading_.MatchPendingOrders(kSubSteps)) co_await WaitMs(kStopSoundWaitMs);
    } else {
        for (int i = 1; i <= kSubSteps; ++i) {
            if (r.jumpInterrupt) {
                r.jumpInterrupt = false;
                break;
            }
            if (r.stopRequested || r.paused) break;
            co_await WaitMs(r.stepDelay / 6);
            if (r.stopRequested) break;
            ShowClockSecond(r.clockSeconds + i);
            if (trading_.MatchPendingOrders(i)) co_await WaitMs(kStopSoundWaitMs);
        }
    }
}


// The loop ends because the replay was stopped or the simulation box cleared.
void Simulation::EndLoopLeftOrStopped() {
    display_.controls.displayButtonEnabled = true;
    loopExit_ = replay_.stopRequested ? LoopExit::Stopped : LoopExit::Left;
}

void Simulation::TakeForwardStep() {
    ReplayClock& r = replay_;
    --r.stepForwardCount;
    r.jumpInterrupt = false;  // the request is served; it must not cut a later step
    if (r.stepForwardCount == 0) display_.tapeListVisible = true;
    r.fastForward = r.stepForwardCount > 0;
}

// Back to the start of the current bar, or of the previous one early in a bar.
void Simulation::JumpBack(int& bar, int& step) {
    ReplayClock& r = replay_;
    // The market has got as far as the step on screen, though an order placed in it may have cut
    // its passes short: what lies before it is spent, and nothing fills there on the way back.
    trading_.CatchUpEngineClock(r.clockSeconds);
    if (step < 4) --bar;
    bar = std::max(0, bar);
    step = 0;
    chart_.RedrawUpTo(bar - 1);
    r.backRequest = 0;
    r.jumpInterrupt = false;
}

// ---- What a step shows ---------------------------------------------------------------------

void Simulation::ShowStepFigures(int row) {
    const DaySeries& stock = (*day_)[SeriesSlot::DayStock];
    const float vwap = stock.vwap[static_cast<std::size_t>(row)];
    display_.vwapLabel = vwap > 0 ? Format(vwap, "###,###.0") : std::string{};
    chart_.DrawRow(row);
    replay_.boardTotalQty = trading_.RefreshBoard(row);
    display_.volumeLabel = Format(stock.cumVolume[static_cast<std::size_t>(row)], "###,###");
}

void Simulation::ShowClockSecond(int seconds) { display_.clockText = FormatTimeOfDay(seconds); }

void Simulation::ShowPreOpenNotice(const std::string& text) {
    display_.busy.visible = true;
    display_.busy.text = text;
    display_.busy.foreground = colours::kPreOpenText;
}

bool Simulation::waitingForPlay() const {
    const ReplayClock& r = replay_;
    return replayTask_.running() && r.replayReady && r.paused && r.preOpenPhase && !preparing_ &&
           !display_.busy.visible && display_.controls.playback[kPlayPause].Accepts();
}

}  // namespace corvala
