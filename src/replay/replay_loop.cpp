// The replay loop: the pre-open set-up, five-second steps with their timed sub-steps, the lunch
// break and the end of the day. Every wait suspends the loop; the scheduler resumes it, and the
// controls act on it only through the flags of the clock, which it reads at its next check.

#include "replay/replay_loop.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/text.h"
#include "replay/chart_state.h"
#include "replay/navigation.h"
#include "replay/order_dialogs.h"
#include "replay/quiz_state.h"
#include "replay/session_recorder.h"
#include "replay/trading_desk.h"

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

ReplayLoop::ReplayLoop(Host& host, RunListener& runs, MainDisplay& display, SessionRecorder& recorder, TradingDesk& trading,
                       ChartState& chart, OrderDialogs& orderDialogs, QuizMode& quiz, PriceAlerts& alerts, Ports ports)
    : host_(host),
      runs_(runs),
      display_(display),
      recorder_(recorder),
      trading_(trading),
      chart_(chart),
      orderDialogs_(orderDialogs),
      quiz_(quiz),
      alerts_(alerts),
      ports_(ports) {}

// ---- Waiting -------------------------------------------------------------------------------

// What the scheduler runs is the program's own doing, never an operation of the user.
void ReplayLoop::Later(int ms, std::function<void()> callback) {
    ports_.scheduler.After(ms, [this, alive = std::weak_ptr<int>(alive_), cb = std::move(callback)] {
        if (!alive.lock()) return;
        recorder_.EnterProgram();
        cb();
        recorder_.LeaveProgram();
    });
}

void ReplayLoop::Suspend(int ms, std::coroutine_handle<> h) {
    waiting_ = h;
    const unsigned generation = ++waitGeneration_;
    Later(ms, [this, generation] { ResumeWait(generation); });
}

void ReplayLoop::ResumeWait(unsigned generation) {
    if (generation != waitGeneration_ || !waiting_) return;  // ended early already
    if (modalDepth_ > 0) {
        // A question box is open: the loop goes on once it is answered.
        resumeDeferred_ = true;
        return;
    }
    ++waitGeneration_;
    recorder_.Resumed();
    std::exchange(waiting_, nullptr).resume();
    runs_.LoopResumed();
    host_.Notify();
}

void ReplayLoop::EndWaitEarly(bool evenOutsideStep) {
    if (!waiting_ || (!clock_.inStep && !evenOutsideStep)) return;
    const unsigned generation = waitGeneration_;
    Later(0, [this, generation] { ResumeWait(generation); });
}

void ReplayLoop::Abandon() {
    // The loop is dropped where it waits; its pending resumption must find nothing.
    ++waitGeneration_;
    waiting_ = nullptr;
    resumeDeferred_ = false;
    task_.Reset();
    preparing_ = heldPaused_ = playWhenReady_ = false;
    runs_.RunEnds("left");
}

// While a box is open the replay holds still, as under a modal box: nothing fills or moves
// between a question and what its answer does.
void ReplayLoop::BeginModal() { ++modalDepth_; }

void ReplayLoop::EndModal() {
    if (--modalDepth_ == 0 && resumeDeferred_) {
        resumeDeferred_ = false;
        const unsigned generation = waitGeneration_;
        Later(0, [this, generation] { ResumeWait(generation); });
    }
}

// The box's own event loop may deliver the user's other actions (a dialog activated, a timer of a
// dialog): they are operations of their own, written as such.
template <class Show>
void ReplayLoop::HeldDialogs::Held(Show show) {
    loop_.BeginModal();
    const int depth = loop_.recorder_.SuspendOperations();
    show(loop_.ports_.dialogs);
    loop_.recorder_.ResumeOperations(depth);
    loop_.EndModal();
}

// A session that plays shows no boxes: the user saw them when it was played; its questions take
// the answers written then.
void ReplayLoop::HeldDialogs::ShowError(int number, const std::string& text) {
    if (loop_.recorder_.playing()) return;
    Held([&](Dialogs& d) { d.ShowError(number, text); });
}

bool ReplayLoop::HeldDialogs::Ask(const std::string& title, const std::string& text) {
    if (const std::optional<bool> recorded = loop_.recorder_.NextAnswer()) return *recorded;
    bool yes = false;
    Held([&](Dialogs& d) { yes = d.Ask(title, text); });
    return loop_.recorder_.RecordedAnswer(yes);
}

std::optional<bool> ReplayLoop::HeldDialogs::AskOrCancel(const std::string& title, const std::string& text) {
    std::optional<bool> answer;
    Held([&](Dialogs& d) { answer = d.AskOrCancel(title, text); });
    return answer;
}

void ReplayLoop::HeldDialogs::ShowNotice(const std::string& title, const std::string& text) {
    if (loop_.recorder_.playing()) return;
    Held([&](Dialogs& d) { d.ShowNotice(title, text); });
}

Task ReplayLoop::FlashAndWait() {
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
void ReplayLoop::ResetForDisplay() {
    ReplayClock& r = clock_;
    r.lastBar = LastBar(r.barLength);
    r.currentBar = r.stepInBar = r.currentRow = 0;
    r.clockSeconds = 0;  // the last run's clock must not tell the market how far it got
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

void ReplayLoop::Prepare() {
    runs_.RunBegins();
    recorder_.EnterProgram();  // the loop's own start is no operation of the user
    task_ = RunDay();
    task_.Start();
    recorder_.LeaveProgram();
    host_.Notify();
}

Task ReplayLoop::RunDay() {
    ReplayClock& r = clock_;
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
        if (std::exchange(playWhenReady_, false)) PlayPause();  // pressed while it prepared
        c.playback[kStepForward].enabled = false;
        c.imageSaveEnabled = true;
    }

    co_await StartReplay();

    c.displayButtonEnabled = true;
    orderDialogs_.CloseAll();
    c.orderButtons = {false, false, false};
    if (exit_ == Exit::Completed) {
        const DaySeries& stock = host_.LoadedDay()[SeriesSlot::DayStock];
        trading_.SettleAll(stock.close > 0 ? stock.close : trading_.SettlementPrice());
    }
    display_.busy.visible = false;
    r.startBar = 0;
    r.midSessionStart = false;
    if (exit_ == Exit::Left) {
        chart_.ShowEmpty();
        SetNavigation(kIdle);
    } else if (exit_ == Exit::Completed) {
        dayShown_ = true;
    }
    r.stopRequested = false;
    trading_.ResetBoardHighlights();
    runs_.RunEnds(exit_ == Exit::Completed ? "completed" : exit_ == Exit::Stopped ? "stopped" : "left");
}

Task ReplayLoop::StartReplay() {
    ReplayClock& r = clock_;
    r.lastBar = LastBar(r.barLength);
    co_await RunReplay();
    if (exit_ == Exit::Completed) {
        r.simulationMode = false;
        chart_.Redraw();
        display_.clockText = kCloseClock;
        r.replayReady = false;
        ApplySpeedScroll(display_.speed.ScrollValue());
        ClearDataMessage();
        SetNavigation(kIdle);
    } else if (r.stopRequested) {
        trading_.ClearLists();
        chart_.ShowEmpty();
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
        EndLeftOrStopped();
        co_return;
    }
    c.playback[kBarBack].enabled = c.playback[kMinuteForward].enabled =
        c.playback[kBarForward].enabled = true;
    r.preOpenPhase = false;
    display_.message.text.clear();
    r.currentBar = 0;
    // The prints before the start (a mid-session start's tape) reach no alert.
    trading_.TakePrintSpan();
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
                EndLeftOrStopped();
                co_return;
            }
            if (!r.paused && r.stepForwardCount > 0) TakeForwardStep();
            if (!r.paused && r.backRequest >= 1) {
                JumpBack(bar, step);
                continue;
            }
            if (!r.preOpenPhase) {
                const std::string& text = host_.LoadedDay()[SeriesSlot::DayStock].timeText[row];
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
                EndLeftOrStopped();
                co_return;
            }

            ShowStepFigures(row);
            const DaySeries& stock = host_.LoadedDay()[SeriesSlot::DayStock];
            if (stock.price[row] != 0) {  // a stock recorded without a previous close trades too
                currentPrice_ = stock.price[row];
                ShowQuote(display_, currentPrice_, stock.prevClose, host_.LoadedDay().decimalPrices);
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
            co_await WaitMs(orderDialogs_.anyOpen() ? kLowSpeedDialogMs : kLowSpeedMs);
            if (r.stopRequested) break;  // the run is closed; nothing more may fill
            display_.clockText = FormatTimeOfDay(r.clockSeconds + i);
            if (trading_.MatchPendingOrders(i)) co_await WaitMs(kStopSoundWaitMs);
            if (CheckAlerts()) break;
        }
    } else if (r.fastForward || r.stepDelay == 0) {
        if (trading_.MatchPendingOrders(kSubSteps)) co_await WaitMs(kStopSoundWaitMs);
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
            if (trading_.MatchPendingOrders(i)) co_await WaitMs(kStopSoundWaitMs);
            if (CheckAlerts()) break;
        }
    }
}

// An order stored while the replay is paused meets the board the user sees, not the next step's.
void ReplayLoop::OrderStored() {
    clock_.orderInterrupt = true;
    if (heldPaused_ && !clock_.preOpenPhase) trading_.MatchNewOrdersNow();
}

bool ReplayLoop::CheckAlerts() {
    const MarketState::PrintSpan span = trading_.TakePrintSpan();
    ReplayClock& r = clock_;
    if (r.stopRequested || !r.replayReady) return false;  // ■ during the pass: nothing more happens
    const std::vector<double> reached = alerts_.TakeReached(span.from, span.low, span.high);
    if (reached.empty()) return false;
    // The replay holds at this step however fast it ran: steps asked for ahead are dropped.
    r.stepForwardCount = 0;
    r.fastForward = false;
    r.jumpInterrupt = false;
    display_.tapeListVisible = true;
    if (!r.paused) PlayPause();
    const bool decimals = host_.LoadedDay().decimalPrices;
    std::string prices;
    for (double p : reached) {
        prices += (prices.empty() ? "" : "・") + FormatPrice(p, decimals, /*grouped=*/true) + "円";
        firedAlerts_.push_back({p, display_.clockText});
    }
    SetMessage("　　" + display_.clockText + "　アラート " + prices + "に達しました。");
    trading_.PlayAlertSound();
    return true;
}


// The loop ends because the replay was stopped or the simulation box cleared.
void ReplayLoop::EndLeftOrStopped() {
    display_.controls.displayButtonEnabled = true;
    exit_ = clock_.stopRequested ? Exit::Stopped : Exit::Left;
}

void ReplayLoop::TakeForwardStep() {
    ReplayClock& r = clock_;
    --r.stepForwardCount;
    r.jumpInterrupt = false;  // the request is served; it must not cut a later step
    if (r.stepForwardCount == 0) display_.tapeListVisible = true;
    r.fastForward = r.stepForwardCount > 0;
}

// Back to the start of the current bar, or of the previous one early in a bar.
void ReplayLoop::JumpBack(int& bar, int& step) {
    ReplayClock& r = clock_;
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

void ReplayLoop::ShowStepFigures(int row) {
    const DaySeries& stock = host_.LoadedDay()[SeriesSlot::DayStock];
    const float vwap = stock.vwap[static_cast<std::size_t>(row)];
    display_.vwapLabel = vwap > 0 ? Format(vwap, "###,###.0") : std::string{};
    chart_.DrawRow(row);
    clock_.boardTotalQty = trading_.RefreshBoard(row);
    display_.volumeLabel = Format(stock.cumVolume[static_cast<std::size_t>(row)], "###,###");
}

void ReplayLoop::ShowPreOpenNotice(const std::string& text) {
    display_.busy.visible = true;
    display_.busy.text = text;
    display_.busy.foreground = colours::kPreOpenText;
}

bool ReplayLoop::waitingForPlay() const {
    const ReplayClock& r = clock_;
    return task_.running() && r.replayReady && r.paused && r.preOpenPhase && !preparing_ &&
           !display_.busy.visible && display_.controls.playback[kPlayPause].Accepts();
}

// The display found nothing to replay: the replay it set up is stopped without questions.
void ReplayLoop::EndDisplayWithoutReplay() {
    preparing_ = false;
    chart_.ShowEmpty();
    const MessageLine reason = display_.message;  // says why; the stop must not clear it
    SetNavigation(0);
    Stop(true);
    clock_.stopRequested = false;
    display_.message = reason;
}

// ---- The message line and the busy notice ----------------------------------------------------

void ReplayLoop::SetMessage(const std::string& text) {
    display_.message.text = text;
    FlashMessage();
}

void ReplayLoop::FlashMessage() {
    display_.message.foreground = colours::kBlack;
    display_.message.background = colours::kFlash;
    const unsigned generation = ++flashGeneration_;
    Later(kFlashMs, [this, generation] {
        if (generation != flashGeneration_) return;  // a newer flash owns the line now
        display_.message.foreground = colours::kMessageText;
        display_.message.background = colours::kBlack;
        host_.Notify();
    });
}

void ReplayLoop::ClearDataMessage() {
    if (display_.message.text.find("この日のデータは") != std::string::npos) return;
    // A history append that failed is said until it succeeds; the stop that kept the run must
    // not wipe the only word of it.
    if (trading_.historyPending() && display_.message.text == trading_.historyProblem()) return;
    display_.message.text.clear();
    display_.message.background = colours::kBlack;
}

void ReplayLoop::ShowBusy(bool visible) {
    display_.busy.visible = visible;
    if (visible) {
        display_.busy.text = kBusyDefaultText;
        display_.busy.foreground = colours::kBusyText;
    }
    host_.Notify();
}

// ---- The trading desk's questions ----------------------------------------------------------

void ReplayLoop::OrderGone(int slot, bool closing) { orderDialogs_.OrderGone(slot, closing); }

void ReplayLoop::OrdersShown() { orderDialogs_.FollowOrders(); }

void ReplayLoop::RunKept() { recorder_.KeepRun(); }

bool ReplayLoop::DivertHistory(const HistoryAppend& text) { return recorder_.DivertHistory(text); }

bool ReplayLoop::PlayingSession() const { return recorder_.playing(); }

}  // namespace corvala
