#pragma once
// What a session file does to the others: the file opened when a run begins and closed when it
// ends, and a recorded session played again — its day displayed as it was, each action of the
// user handed to the component it belongs to at the same point of the replay, and the user's own
// state given back when it ends. The recorder keeps the file; this drives the rooms from it.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "replay/replay_loop.h"
#include "replay/session_file.h"
#include "replay/session_recorder.h"

namespace corvala {

class DisplayedDay;
class OneKeyOrders;
class OrderDialogs;
class QuizMode;
class PriceAlerts;
class SettingsState;
class TradingDesk;

class SessionPlayer final : public ReplayLoop::RunListener {
public:
    struct Parts {
        Services& services;
        SessionRecorder& recorder;
        ReplayLoop& loop;
        DisplayedDay& day;
        TradingDesk& trading;
        OrderDialogs& orderDialogs;
        SettingsState& settings;
        const QuizMode& quiz;
        PriceAlerts& alerts;
        OneKeyOrders& oneKeys;
        MainDisplay& display;
    };
    explicit SessionPlayer(Parts parts) : p_(std::move(parts)) {}
    SessionPlayer(const SessionPlayer&) = delete;
    SessionPlayer& operator=(const SessionPlayer&) = delete;

    // Plays a recorded session: its day displayed as it was, every action of the user at the
    // same point of the replay, every question answered and the clock read as then. Nothing is
    // appended to the history files and no session file is written; the user's own actions are
    // ignored until it ends. `restoreAfter`: the account, data folder, N and options come back
    // when it ends. "" when it started, else why not (Japanese).
    std::string Play(SessionFile session, bool restoreAfter);
    // The actions are done when the replay clock reaches the times they were taken at, not at
    // the same resumption of the loop: for a run whose fills, and so whose waits, differ. At the
    // clock it was taken at (before the open, at lunch, while paused) an action waits as many
    // resumptions as it did then: `waitsAtClock`, as a play by the steps found them.
    void PlayAtRecordedTimes(std::vector<int> waitsAtClock) { waitsAtClock_ = std::move(waitsAtClock), atRecordedTimes_ = true; }
    // For each action taken by its step, the loop's resumptions between the clock's reaching the
    // action's time and the action.
    const std::vector<int>& waitsAtClock() const { return waitsAtClock_; }
    // Every action of the playing session is done and the replay waits for a press that never
    // came: the file ends before its run did.
    bool stalled() const;
    // Ends the playing session where it stands, as ■ does: nothing is settled or kept.
    void Stop();

    // The loop's run events.
    void RunBegins() override;
    void RunEnds(const char* how) override;
    void LoopResumed() override;
    void WatchingStopped() override { Stop(); }

private:
    void Apply(const SessionAction& action);
    void Finish(const char* how);
    void StopShort(bool cutShort);

    bool DueAtItsTime(const SessionAction& a, std::size_t index) const;

    Parts p_;
    bool atRecordedTimes_ = false;
    std::vector<int> waitsAtClock_;
    std::string clockSeen_;  // the clock at the last resumption, and the resumption it came at
    int clockSince_ = 0;
};

}  // namespace corvala
