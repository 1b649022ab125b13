#pragma once
// The replay loop: the simulated clock, the coroutine that runs the day step by step and its
// waits, the eight playback buttons, the speed, the blink and message timers, the simulation box
// and the stop with its questions. It drives the trading desk, the chart and the order dialogs at
// each step, and tells its host when a run begins, ends or resumes. The trading desk trades within
// the run: the loop tells it whether orders are open and the step's price, and hears of its fills.

#include <coroutine>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/day_series.h"
#include "platform/ports.h"
#include "replay/display_model.h"
#include "replay/price_alerts.h"
#include "replay/replay_clock.h"
#include "replay/task.h"
#include "replay/trading_desk.h"

namespace corvala {

class ChartState;
class OrderDialogs;
class QuizMode;
class SessionRecorder;

inline constexpr int kFlashMs = 800;

class ReplayLoop final : public TradingDesk::Host {
public:
    class Host {
    public:
        virtual const DayData& LoadedDay() const = 0;
        virtual int StockCodeShown() const = 0;
        virtual void Notify() = 0;

    protected:
        ~Host() = default;
    };
    // What the session files hear of a run.
    class RunListener {
    public:
        // A run was prepared, ended ("completed", "stopped", "left"), or the loop went on after a
        // wait (a played session's actions due now are taken then).
        virtual void RunBegins() = 0;
        virtual void RunEnds(const char* how) = 0;
        virtual void LoopResumed() = 0;
        // ■ while a session plays: the watching ends.
        virtual void WatchingStopped() = 0;
        // The history files' run header: when, which day, which stock.
        virtual RunInfo CurrentRunInfo() = 0;

    protected:
        ~RunListener() = default;
    };
    struct Ports {
        Dialogs& dialogs;
        Scheduler& scheduler;
    };
    ReplayLoop(Host& host, RunListener& runs, MainDisplay& display, SessionRecorder& recorder, TradingDesk& trading, ChartState& chart,
               OrderDialogs& orderDialogs, QuizMode& quiz, PriceAlerts& alerts, Ports ports);
    ReplayLoop(const ReplayLoop&) = delete;
    ReplayLoop& operator=(const ReplayLoop&) = delete;

    const ReplayClock& clock() const { return clock_; }
    ReplayClock& clock() { return clock_; }
    // The boxes of the user's actions: the replay holds still while one is open, and a played
    // session answers them as it was answered.
    Dialogs& heldDialogs() { return heldDialogs_; }
    // A box of the front end's own (a price typed in): the replay waits while it is open, as it
    // does for the program's questions.
    void HoldWhile(const std::function<void()>& shown) {
        BeginModal();
        shown();
        EndModal();
    }

    // The loop runs (from 開 始 to the end of the day or a stop).
    bool running() const { return task_.running(); }
    // Waiting for play at 08:59:59, 12:29:59 or a mid-session start.
    bool waitingForPlay() const;
    bool preparing() const { return preparing_; }
    // The last replay ran to 15:00:00 (rather than being stopped or left); its day stays shown.
    bool dayCompleted() const { return exit_ == Exit::Completed; }
    bool dayShown() const { return dayShown_; }
    // The loop waits, paused, for play or a forward or back step (not before the open or at the
    // lunch break, and not between two steps).
    bool heldPaused() const { return heldPaused_; }
    // The alerts that paused the replay since the run began, with the clock they paused it at.
    struct FiredAlert {
        double price = 0;
        std::string clock;
    };
    const std::vector<FiredAlert>& firedAlerts() const { return firedAlerts_; }
    int stepsRun() const { return stepsRun_; }
    // The step's price (現在値), 0 before the stock's first trade.
    double currentPrice() const { return currentPrice_; }

    // Playback buttons 0–7 (PlaybackIndex). A press on a button that does not accept input is
    // ignored. With a replay loaded they steer it; otherwise they are left to the chart cursor.
    void PressPlayback(int index);
    // ■ itself; `withoutQuestions` when the program stops a replay that cannot go on.
    void Stop(bool withoutQuestions);
    // The speed scroll bar (1–30, speed = 31 − value), a click on the speed gauge at `x` gauge
    // units, a click on the label left of the gauge (speed 1) and the 低速 box. The scroll bar
    // and the gauge are ignored while the display action prepares a replay.
    void SetSpeedScroll(int value);
    void ClickSpeedGauge(int x);
    void ClickSlowestLabel();
    void SetLowSpeed(bool on);
    void SetSpeed(int speed);
    // A new order was filled: the replay slows to speed 10 when it runs faster.
    void CutSpeedOnFill();
    // The simulation box: set, the display prepares a replay; cleared during one, it asks to stop.
    void SetSimulationChecked(bool checked);
    // The 歩み値 option; a replay turns it on for its run and gives it back when the box is cleared.
    void SetTapeOption(bool on);
    // A maximise, minimise or resize of a maximised window during a replay: refused with a
    // message; the caller keeps the window as it was.
    void RefuseResize();
    // The window's close request: asks about open positions and leaves the quiz mode. True: the
    // program may end, once the settings are saved.
    bool RequestClose();

    // The message line: a text that flashes, a timer that clears it, the no-data text kept.
    void SetMessage(const std::string& text) override;
    void FlashMessage();
    void StartMessageTimer(int ms);
    void ClearDataMessage();
    void ShowBusy(bool visible);
    bool Ask(const std::string& title, const std::string& text) { return heldDialogs_.Ask(title, text); }

    // Called at every step once its figures are shown, before its timed part; and after its
    // last sub-step was matched.
    void SetStepObserver(std::function<void(int row)> observer) { stepObserver_ = std::move(observer); }
    void SetStepEndObserver(std::function<void(int row)> observer) { stepEndObserver_ = std::move(observer); }

    // ---- For the display action ----
    // Per-day state at the start of every display; the loop starts once the day is loaded; a
    // display that found nothing to replay stops the one it set up, without questions.
    void ResetForDisplay();
    void Prepare();
    void EndDisplayWithoutReplay();
    // The loop is dropped where it waits (a stopped replay winding down, the program ending).
    void Abandon();
    // N changed outside a replay: the buttons' captions and states follow.
    void SetBarLength(int n);
    void SetNavigation(int state);

private:
    // ---- What the trading desk asks of the run ----
    const DayData& LoadedDay() const override { return host_.LoadedDay(); }
    int StockCodeShown() const override { return host_.StockCodeShown(); }
    bool ReplayOpenForOrders() const override { return running() && clock_.replayReady; }
    double StepPrice() const override { return currentPrice_; }
    RunInfo CurrentRunInfo() override { return runs_.CurrentRunInfo(); }
    void NewOrderFilled() override { CutSpeedOnFill(); }
    void OrderStored() override;
    void OrderGone(int slot, bool closing) override;
    void OrdersShown() override;
    void RunKept() override;
    bool DivertHistory(const HistoryAppend& text) override;
    bool PlayingSession() const override;
    bool AskQuestion(const std::string& title, const std::string& text) override { return Ask(title, text); }
    void Notify() override { host_.Notify(); }

    enum class Exit { Completed, Stopped, Left };

    // A suspension of the loop, resumed by the scheduler after `ms`; inside the timed part of a
    // step it ends early when a button asks for it.
    struct WaitAwaiter {
        ReplayLoop* loop;
        int ms;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> h) { loop->Suspend(ms, h); }
        void await_resume() const noexcept {}
    };
    WaitAwaiter WaitMs(int ms) { return WaitAwaiter{this, ms}; }
    void Suspend(int ms, std::coroutine_handle<> h);
    void ResumeWait(unsigned generation);
    void EndWaitEarly(bool evenOutsideStep = false);
    void Later(int ms, std::function<void()> callback);
    void BeginModal();
    void EndModal();

    class HeldDialogs final : public Dialogs {
    public:
        explicit HeldDialogs(ReplayLoop& loop) : loop_(loop) {}
        void ShowError(int number, const std::string& text) override;
        bool Ask(const std::string& title, const std::string& text) override;
        // Not recorded: a キャンセル leaves nothing to play again.
        std::optional<bool> AskOrCancel(const std::string& title, const std::string& text) override;
        void ShowNotice(const std::string& title, const std::string& text) override;

    private:
        template <class Show>
        void Held(Show show);
        ReplayLoop& loop_;
    };

    Task RunDay();
    Task StartReplay();
    Task RunReplay();
    Task LunchBreak();
    Task TimedMatching();
    // After a pass of the tape: an alert its prints reached pauses the replay at this step.
    bool CheckAlerts();
    Task FlashAndWait();
    void EndLeftOrStopped();
    void TakeForwardStep();
    void JumpBack(int& bar, int& step);
    void ShowStepFigures(int row);
    void ShowPreOpenNotice(const std::string& text);

    void PlayPause();
    void RecordOrDiscard(const std::string& question);
    void RequestJump(int index);
    void ApplySpeedScroll(int value);
    void StartBlink();
    void StopBlink();
    void BlinkOn(unsigned generation);

    Host& host_;
    RunListener& runs_;
    MainDisplay& display_;
    SessionRecorder& recorder_;
    TradingDesk& trading_;
    ChartState& chart_;
    OrderDialogs& orderDialogs_;
    QuizMode& quiz_;
    PriceAlerts& alerts_;
    std::vector<FiredAlert> firedAlerts_;
    Ports ports_;
    HeldDialogs heldDialogs_{*this};

    ReplayClock clock_;
    Task task_;
    Exit exit_ = Exit::Left;
    bool preparing_ = false;  // from the display action until the replay waits for play
    bool playWhenReady_ = false;  // play was pressed while it prepared
    bool dayShown_ = false;   // a finished replay left the day on screen
    bool heldPaused_ = false;
    int stepsRun_ = 0;
    double currentPrice_ = 0;
    bool tapeOptionBeforeSimulation_ = true;
    std::function<void(int)> stepObserver_;
    std::function<void(int)> stepEndObserver_;

    std::coroutine_handle<> waiting_;
    unsigned waitGeneration_ = 0;
    int modalDepth_ = 0;  // a question box is open: the replay holds still
    bool resumeDeferred_ = false;
    unsigned blinkGeneration_ = 0;
    unsigned flashGeneration_ = 0;
    unsigned messageTimerGeneration_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // scheduled callbacks check it
};

}  // namespace corvala
