#pragma once
// The replay loop: the simulated clock, the coroutine that runs the day step by step and its
// waits, the eight playback buttons, the speed and the blink, the simulation box and the stop
// with its questions. At each step it drives the market, the chart, the order windows and the
// price alerts through the interfaces of run_parts.h, and tells its listener when a run begins,
// ends or resumes. The trading desk trades within the run: the loop tells it whether orders are
// open and the step's price, and hears of its fills.

#include <coroutine>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/day_series.h"
#include "platform/ports.h"
#include "replay/blink.h"
#include "replay/display_model.h"
#include "replay/playback_speed.h"
#include "replay/replay_clock.h"
#include "replay/run_parts.h"
#include "replay/services.h"
#include "replay/settings_slice.h"
#include "replay/task.h"

namespace corvala {

class SessionRecorder;

class ReplayLoop final : public RunForOrders, public SettingsSlice {
public:
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

    protected:
        ~RunListener() = default;
    };
    struct Parts {
        Services& services;
        RunListener& runs;
        MainDisplay& display;
        SessionRecorder& recorder;
    };
    explicit ReplayLoop(Parts parts);
    // What a run drives, once every part is built (before any run).
    struct Driven {
        RunMarket& market;
        RunChart& chart;
        RunOrderWindows& orderWindows;
        RunQuiz& quiz;
        RunAlerts& alerts;
    };
    void Drive(Driven parts);
    ReplayLoop(const ReplayLoop&) = delete;
    ReplayLoop& operator=(const ReplayLoop&) = delete;

    // The clock and what the loop tells of its run; only the loop writes them.
    const ReplayClock& clock() const { return clock_; }
    // The next display starts the replay here.
    void SetStart(const StartPosition& start);

    // The loop runs (from 開 始 to the end of the day or a stop).
    bool running() const { return task_.running(); }
    // Waiting for play at 08:59:59, 12:29:59 or a mid-session start.
    bool waitingForPlay() const;
    // The last replay ran to 15:00:00 (rather than being stopped or left); its day stays shown.
    bool dayCompleted() const { return exit_ == Exit::Completed; }
    // The alerts that paused the replay since the run began, with the clock they paused it at.
    struct FiredAlert {
        double price = 0;
        std::string clock;
    };
    const std::vector<FiredAlert>& firedAlerts() const { return firedAlerts_; }

    // Playback buttons 0–7 (PlaybackIndex). A press on a button that does not accept input is
    // ignored. With a replay loaded they steer it; otherwise they are left to the chart cursor.
    void PressPlayback(int index);
    // ■ itself; `withoutQuestions` when the program stops a replay that cannot go on.
    void Stop(bool withoutQuestions);
    // The speed controls.
    PlaybackSpeed& speed() { return speed_; }
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
    // The message line is cleared, but for the no-data text and a history append still failing.
    void ClearDataMessage();
    // setsim: the simulation box, the speed and 歩み値.
    void LoadSettings(const Settings& s) override;
    void SaveSettings(Settings& s) const override;

    // Called at every step once its figures are shown, before its timed part (`atStepEnd`: after
    // its last sub-step was matched).
    void SetStepObserver(std::function<void(int row)> observer, bool atStepEnd = false) {
        observers_[atStepEnd ? 1 : 0] = std::move(observer);
    }

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
    bool ReplayOpenForOrders() const override { return running() && clock_.replayReady; }
    double StepPrice() const override { return clock_.currentPrice; }
    void NewOrderFilled() override;
    void OrderStored() override;

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

    Task RunDay();
    Task StartReplay();
    Task RunReplay();
    Task LunchBreak();
    Task TimedMatching();
    // After a pass of the tape: an alert its prints reached pauses the replay at this step.
    bool CheckAlerts();
    Task FlashAndWait();
    void JumpBack(int& bar, int& step);
    void ShowStepFigures(int row);

    void PlayPause();
    void RecordOrDiscard(const std::string& question);
    void RequestJump(int index);

    Parts p_;
    Services& services_;
    MainDisplay& display_;
    SessionRecorder& recorder_;
    RunMarket* trading_ = nullptr;
    RunChart* chart_ = nullptr;
    RunOrderWindows* windows_ = nullptr;
    RunQuiz* quiz_ = nullptr;
    RunAlerts* alerts_ = nullptr;
    std::vector<FiredAlert> firedAlerts_;

    ReplayClock clock_;
    PlaybackSpeed speed_;
    PlayBlink blink_;
    Task task_;
    Exit exit_ = Exit::Left;
    bool playWhenReady_ = false;  // play was pressed while it prepared
    bool tapeOptionBeforeSimulation_ = true;
    std::function<void(int)> observers_[2];

    std::coroutine_handle<> waiting_;
    unsigned waitGeneration_ = 0;
    bool resumeDeferred_ = false;  // a wait ended while a question was open
};

}  // namespace corvala
