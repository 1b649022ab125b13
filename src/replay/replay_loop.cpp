// The replay loop: the pre-open set-up, five-second steps with their timed sub-steps, the lunch
// break and the end of the day. Every wait suspends the loop; the scheduler resumes it, and the
// controls act on it only through the flags of the clock, which it reads at its next check.

#include "replay/replay_loop.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/text.h"
#include "replay/navigation.h"
#include "replay/session_recorder.h"

namespace corvala {
namespace {

constexpr int kNoticeMs = 3000;
constexpr int kPlaySliceMs = 300;   // waiting for play before the open
constexpr int kPausedSliceMs = 100;
constexpr int kLowSpeedMs = 1500;
constexpr int kLowSpeedDialogMs = 900;
constexpr const char* kPreOpenRequest = "の注文があれば、注文し再生ボタンを押して下さい。";
constexpr const char* kLunchRequest = "後場寄り前の注文があれば、注文し再生ボタンを押して下さい。";

}  // namespace

ReplayLoop::ReplayLoop(Parts parts)
    : p_(parts),
      services_(parts.services),
      display_(parts.display),
      recorder_(parts.recorder),
      speed_(clock_, parts.display, parts.services, parts.recorder),
      blink_(parts.display, parts.services, [this] { return windows_->entryOpen(); }) {
    // A wait that ended while a question was open goes on once it is answered.
    services_.WhenQuestionsAnswered([this] {
        if (!std::exchange(resumeDeferred_, false)) return;
        const unsigned generation = waitGeneration_;
        services_.Later(0, [this, generation] { ResumeWait(generation); });
    });
}

void ReplayLoop::Drive(Driven parts) {
    trading_ = &parts.market;
    chart_ = &parts.chart;
    windows_ = &parts.orderWindows;
    quiz_ = &parts.quiz;
    alerts_ = &parts.alerts;
}

// ---- Waiting -------------------------------------------------------------------------------

void ReplayLoop::Suspend(int ms, std::coroutine_handle<> h) {
    waiting_ = h;
    const unsigned generation = ++waitGeneration_;
    services_.Later(ms, [this, generation] { ResumeWait(generation); });
}

void ReplayLoop::ResumeWait(unsigned generation) {
    if (generation != waitGeneration_ || !waiting_) return;  // ended early already
    if (services_.questionOpen()) {
        // A question box is open: the loop goes on once it is answered.
        resumeDeferred_ = true;
        return;
    }
    ++waitGeneration_;
    recorder_.Resumed();
    std::exchange(waiting_, nullptr).resume();
    p_.runs.LoopResumed();
    services_.Notify();
}

void ReplayLoop::EndWaitEarly(bool evenOutsideStep) {
    if (!waiting_ || (!clock_.inStep && !evenOutsideStep)) return;
    const unsigned generation = waitGeneration_;
    services_.Later(0, [this, generation] { ResumeWait(generation); });
}

void ReplayLoop::Abandon() {
    // The loop is dropped where it waits; its pending resumption must find nothing.
    ++waitGeneration_;
    waiting_ = nullptr;
    resumeDeferred_ = false;
    task_.Reset();
    clock_.preparing = clock_.heldPaused = clock_.running = playWhenReady_ = false;
    p_.runs.RunEnds("left");
}

Task ReplayLoop::FlashAndWait() {
    const unsigned generation = services_.BeginFlash();
    co_await WaitMs(kFlashMs);
    services_.EndFlash(generation);
}

// ---- Set-up --------------------------------------------------------------------------------

void ReplayLoop::SetStart(const StartPosition& start) {
    clock_.startBar = start.startBar;
    clock_.startTime = start.startTime;
    clock_.midSessionStart = start.midSessionStart;
}

// Per-day state of the replay, at the start of every display action.
void ReplayLoop::ResetForDisplay() {
    ReplayClock& r = clock_;
    r.lastBar = LastBar(r.barLength);
    r.currentBar = r.stepInBar = r.currentRow = 0;
    r.clockSeconds = 0;  // the last run's clock must not tell the market how far it got
    r.paused = r.stopRequested = r.afternoonStarted = r.preOpenPhase = false;
    r.stepForwardCount = r.backRequest = 0;
    r.fastForward = r.jumpInterrupt = r.orderInterrupt = r.inStep = r.abortWait = false;
    r.lowSpeedChanged = false;
    clock_.dayShown = false;
    clock_.currentPrice = 0;
    clock_.stepsRun = 0;
    r.simulationMode = r.replayReady = display_.simulationChecked;
    trading_->ResetForDisplay();
    if (r.simulationMode) {
        if (!display_.tapeOption) {
            tapeOptionBeforeSimulation_ = false;
            display_.tapeOption = true;  // a replay needs its tape
        }
        clock_.preparing = true;
        SetNavigation(kWaiting);
    }
}

void ReplayLoop::Prepare() {
    p_.runs.RunBegins();
    recorder_.EnterProgram();  // the loop's own start is no operation of the user
    clock_.running = true;
    task_ = RunDay();
    task_.Start();
    recorder_.LeaveProgram();
    services_.Notify();
}

Task ReplayLoop::RunDay() {
    ReplayClock& r = clock_;
    ControlStates& c = display_.controls;
    display_.clockText = kPreOpenClock;
    if (r.midSessionStart) {
        chart_->RedrawUpTo(r.startBar - 1);
        display_.tapeListVisible = false;
        trading_->AddTapeLinesBefore(r.startTime);
        display_.tapeListVisible = true;
        display_.clockText = r.startTime;
        trading_->BuildInitialBoard(r.startBar * r.StepsPerBar());
    }
    c.displayButtonEnabled = false;
    services_.ShowRequest((display_.clockText == kPreOpenClock ? "寄り前" : "現時点") +
                      std::string(kPreOpenRequest));
    r.preOpenPhase = true;
    c.orderButtons[0] = true;
    blink_.Start();
    speed_.ApplyScroll(26);
    co_await WaitMs(kNoticeMs);
    display_.message.text.clear();
    co_await FlashAndWait();
    display_.busy.visible = false;
    clock_.preparing = false;
    if (r.replayReady) {  // not stopped during the notice
        c.playback[kPlayPause].enabled = c.playback[kStop].enabled = true;
        PlayPause();  // the engine runs, so this pauses it
        if (std::exchange(playWhenReady_, false)) PlayPause();  // pressed while it prepared
        c.playback[kStepForward].enabled = false;
        c.imageSaveEnabled = true;
    }

    co_await StartReplay();

    c.displayButtonEnabled = true;
    windows_->CloseAll();
    c.orderButtons = {false, false, false};
    if (exit_ == Exit::Completed) {
        const DaySeries& stock = services_.day()[SeriesSlot::DayStock];
        trading_->SettleAll(stock.close > 0 ? stock.close : trading_->SettlementPrice());
    }
    display_.busy.visible = false;
    r.startBar = 0;
    r.midSessionStart = false;
    if (exit_ == Exit::Left) {
        chart_->ShowEmpty();
        SetNavigation(kIdle);
    } else if (exit_ == Exit::Completed) {
        clock_.dayShown = true;
    }
    r.stopRequested = false;
    trading_->ResetBoardHighlights();
    p_.runs.RunEnds(exit_ == Exit::Completed ? "completed" : exit_ == Exit::Stopped ? "stopped" : "left");
    r.running = false;
}

Task ReplayLoop::StartReplay() {
    ReplayClock& r = clock_;
    r.lastBar = LastBar(r.barLength);
    co_await RunReplay();
    // It ends early because the replay was stopped or the simulation box cleared.
    if (exit_ == Exit::Left && r.stopRequested) exit_ = Exit::Stopped;
    if (exit_ == Exit::Completed) {
        r.simulationMode = false;
        chart_->Redraw();
        display_.clockText = kCloseClock;
        r.replayReady = false;
        speed_.ApplyScroll(display_.speed.ScrollValue());
        ClearDataMessage();
        SetNavigation(kIdle);
    } else if (r.stopRequested) {
        trading_->ClearLists();
        chart_->ShowEmpty();
        display_.busy.visible = false;
    }
}

// ---- The loop ------------------------------------------------------------------------------

Task ReplayLoop::RunReplay() {
    ReplayClock& r = clock_;
    ControlStates& c = display_.controls;
    exit_ = Exit::Left;
    while (r.paused) co_await WaitMs(kPlaySliceMs);
    if (!r.replayReady) {  // stopped before the open
        co_return;
    }
    c.playback[kBarBack].enabled = c.playback[kMinuteForward].enabled =
        c.playback[kBarForward].enabled = true;
    r.preOpenPhase = false;
    display_.message.text.clear();
    r.currentBar = 0;
    // The prints before the start (a mid-session start's tape) reach no alert.
    trading_->TakePrintSpan();
    firedAlerts_.clear();

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
                co_return;
            }
            if (!r.paused && r.stepForwardCount > 0 && r.ServeForwardStep()) display_.tapeListVisible = true;
            if (!r.paused && r.backRequest >= 1) {
                JumpBack(bar, step);
                continue;
            }
            if (!r.preOpenPhase) {
                const std::string& text = services_.day()[SeriesSlot::DayStock].timeText[row];
                display_.clockText = text.empty() ? RowClockText(row) : text;
            }
            bool jumped = false;
            while (r.paused) {
                if (r.stepForwardCount >= 1) {
                    if (r.ServeForwardStep()) display_.tapeListVisible = true;
                    break;
                }
                if (r.backRequest >= 1) {
                    JumpBack(bar, step);
                    jumped = true;
                    break;
                }
                clock_.heldPaused = true;
                co_await WaitMs(kPausedSliceMs);
                clock_.heldPaused = false;
            }
            if (jumped) continue;  // wait again at the bar the jump went to
            if (!r.replayReady) {  // stopped while paused
                co_return;
            }

            ShowStepFigures(row);
            const DaySeries& stock = services_.day()[SeriesSlot::DayStock];
            if (stock.price[row] != 0) {  // a stock recorded without a previous close trades too
                clock_.currentPrice = stock.price[row];
                ShowQuote(display_, clock_.currentPrice, stock.prevClose, services_.day().decimalPrices);
                trading_->RevaluePositions(clock_.currentPrice);
            }
            ++clock_.stepsRun;
            if (observers_[0]) observers_[0](row);

            r.clockSeconds = ParseTimeOfDay(display_.clockText).value_or(0);
            r.inStep = true;
            co_await TimedMatching();
            trading_->RecordEquity(row);
            if (observers_[1]) observers_[1](row);
            r.inStep = r.orderInterrupt = r.abortWait = false;
            r.lowSpeedChanged = false;  // a change between steps does not cut the next one
            co_await WaitMs(0);  // let the window handle what came in during the step
            if (r.stopRequested) {
                exit_ = Exit::Stopped;
                co_return;
            }
            ++step;
        }
        step = 0;
        ++bar;
    }
    display_.hideBoardAndTape = false;
    exit_ = Exit::Completed;
}

Task ReplayLoop::LunchBreak() {
    ReplayClock& r = clock_;
    ControlStates& c = display_.controls;
    SetNavigation(kWaiting);
    trading_->BuildInitialBoard(kLunchRow);
    display_.clockText = kLunchClock;
    services_.ShowRequest(kLunchRequest);
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
    blink_.Start();
    co_await WaitMs(kNoticeMs);
    co_await FlashAndWait();
    display_.busy.visible = false;
    r.afternoonStarted = true;
}

Task ReplayLoop::TimedMatching() {
    ReplayClock& r = clock_;
    if (r.lowSpeed && r.stepForwardCount < 1) {
        for (int i = 1; i <= kSubSteps; ++i) {
            if (r.orderInterrupt) break;
            if (r.jumpInterrupt || r.lowSpeedChanged) {
                r.jumpInterrupt = r.lowSpeedChanged = false;
                break;
            }
            if (r.stopRequested || r.paused) break;
            co_await WaitMs(windows_->anyOpen() ? kLowSpeedDialogMs : kLowSpeedMs);
            if (r.stopRequested) break;  // the run is closed; nothing more may fill
            display_.clockText = FormatTimeOfDay(r.clockSeconds + i);
            if (trading_->MatchPendingOrders(i)) co_await WaitMs(kStopSoundWaitMs);
            if (CheckAlerts()) break;
        }
    } else if (r.fastForward || r.stepDelay == 0) {
        if (trading_->MatchPendingOrders(kSubSteps)) co_await WaitMs(kStopSoundWaitMs);
        CheckAlerts();
    } else {
        for (int i = 1; i <= kSubSteps; ++i) {
            if (r.jumpInterrupt) {
                r.jumpInterrupt = false;
                break;
            }
            if (r.stopRequested || r.paused) break;
            co_await WaitMs(r.stepDelay / 6);
            if (r.stopRequested) break;
            display_.clockText = FormatTimeOfDay(r.clockSeconds + i);
            if (trading_->MatchPendingOrders(i)) co_await WaitMs(kStopSoundWaitMs);
            if (CheckAlerts()) break;
        }
    }
}

// An order stored while the replay is paused meets the board the user sees, not the next step's.
void ReplayLoop::OrderStored() {
    clock_.orderInterrupt = true;
    if (clock_.heldPaused && !clock_.preOpenPhase) trading_->MatchNewOrdersNow();
}

bool ReplayLoop::CheckAlerts() {
    const MarketState::PrintSpan span = trading_->TakePrintSpan();
    ReplayClock& r = clock_;
    if (r.stopRequested || !r.replayReady) return false;  // ■ during the pass: nothing more happens
    const std::vector<double> reached = alerts_->TakeReached(span.from, span.low, span.high);
    if (reached.empty()) return false;
    // The replay holds at this step however fast it ran: steps asked for ahead are dropped.
    r.stepForwardCount = 0;
    r.fastForward = false;
    r.jumpInterrupt = false;
    display_.tapeListVisible = true;
    if (!r.paused) PlayPause();
    const bool decimals = services_.day().decimalPrices;
    std::string prices;
    for (double p : reached) {
        prices += (prices.empty() ? "" : "・") + FormatPrice(p, decimals, /*grouped=*/true) + "円";
        firedAlerts_.push_back({p, display_.clockText});
    }
    services_.SetMessage("　　" + display_.clockText + "　アラート " + prices + "に達しました。");
    trading_->PlayAlertSound();
    return true;
}

// Back to the start of the current bar, or of the previous one early in a bar.
void ReplayLoop::JumpBack(int& bar, int& step) {
    ReplayClock& r = clock_;
    // The market has got as far as the step on screen, though an order placed in it may have cut
    // its passes short: what lies before it is spent, and nothing fills there on the way back.
    trading_->CatchUpEngineClock(r.clockSeconds);
    if (step < 4) --bar;
    bar = std::max(0, bar);
    step = 0;
    chart_->RedrawUpTo(bar - 1);
    r.backRequest = 0;
    r.jumpInterrupt = false;
}

// ---- What a step shows ---------------------------------------------------------------------

void ReplayLoop::ShowStepFigures(int row) {
    const DaySeries& stock = services_.day()[SeriesSlot::DayStock];
    const float vwap = stock.vwap[static_cast<std::size_t>(row)];
    display_.vwapLabel = vwap > 0 ? Format(vwap, "###,###.0") : std::string{};
    chart_->DrawRow(row);
    clock_.boardTotalQty = trading_->RefreshBoard(row);
    display_.volumeLabel = Format(stock.cumVolume[static_cast<std::size_t>(row)], "###,###");
}

bool ReplayLoop::waitingForPlay() const {
    const ReplayClock& r = clock_;
    return task_.running() && r.replayReady && r.paused && r.preOpenPhase && !clock_.preparing &&
           !display_.busy.visible && display_.controls.playback[kPlayPause].Accepts();
}

// The display found nothing to replay: the replay it set up is stopped without questions.
void ReplayLoop::EndDisplayWithoutReplay() {
    clock_.preparing = false;
    chart_->ShowEmpty();
    const MessageLine reason = display_.message;  // says why; the stop must not clear it
    SetNavigation(0);
    Stop(true);
    clock_.stopRequested = false;
    display_.message = reason;
}

// ---- The message line ----------------------------------------------------------------------

void ReplayLoop::ClearDataMessage() {
    if (display_.message.text.find("この日のデータは") != std::string::npos) return;
    // A history append that failed is said until it succeeds; the stop that kept the run must
    // not wipe the only word of it.
    if (trading_->historyPending() && display_.message.text == trading_->historyProblem()) return;
    display_.message.text.clear();
    display_.message.background = colours::kBlack;
}

void ReplayLoop::NewOrderFilled() { speed_.CutOnFill(windows_->anyOpen()); }

}  // namespace corvala
