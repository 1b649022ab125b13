#pragma once
// Session files: every replay written down as the user played it, and a file played again. It is
// the log every user operation opens (OperationLog); it writes the operations, the answers, the
// computer's clock and a board click's age as they happen, and while a file plays it hands them
// back in their order. What a played file does to the rest of the program is its host's.

#include <cstddef>
#include <memory>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "account/account.h"
#include "account/history.h"
#include "platform/ports.h"
#include "replay/display_model.h"
#include "replay/operation_log.h"
#include "replay/services.h"
#include "replay/session_file.h"

namespace corvala {

class SessionRecorder final : public OperationLog, public RunRecords {
public:
    // What the trading desk answers.
    class Host {
    public:
        // The run was kept for the history; the fills and the account as they stand.
        virtual bool RunKeptNow() const = 0;
        virtual SessionOutcome RunOutcome() const = 0;

    protected:
        ~Host() = default;
    };

    // What a played file put aside, to come back when it ends.
    struct UserState {
        std::string dataFolder;
        std::optional<std::string> keptAside;
        int barLength = 5;
        Account account;
        bool boardOption = true, hideBoardAndTape = false, fillSound = false, tradeMarker = true;
        std::vector<std::string> givenTape;
    };
    // What the last played file would have appended to the history files, what of it found no
    // place in the replay, whether the file was cut short (the replay stops after its last action)
    // and whether it ended as the file says (the same way, at the same step, kept or not, with the
    // same fills and account when the file holds them: `outcomeChecked`).
    struct PlaybackOutcome {
        HistoryAppend history;
        int actionsLeft = 0, answersLeft = 0;
        bool finished = false, cutShort = false, matched = false, outcomeChecked = false;
        bool endedAsFile = false;  // the run ended the way the file's did (kept, stopped, …)
    };

    SessionRecorder(Services& services, const MainDisplay& display, Clock& clock, std::string installFolder);
    // The trading desk, given once it is built (before any run ends).
    void SetHost(Host& host) { host_ = &host; }
    ~SessionRecorder();

    // ---- Operations ----
    Opened BeginOperation(SessionOp op, std::vector<std::string> args) override;
    void EndOperation(const Opened& opened) override;
    // The program's own doing (the scheduler's callbacks, the loop's start): no operation of the user.
    void EnterProgram() { ++depth_; }
    void LeaveProgram() { --depth_; }
    // A box's own event loop may deliver the user's other actions: operations of their own.
    int SuspendOperations();
    void ResumeOperations(int depth) { depth_ = depth; }

    // ---- Recording ----
    // Each replay is written as it goes (the window), or only when the run is kept (`onlyKept`,
    // the command line).
    void SetOnlyWhenKept(bool onlyKept) { onlyKept_ = onlyKept; }
    // The file of the current or the last replay ("" when none was written).
    const std::string& path() const { return path_; }
    // Why the current or the last replay's file could not be written ("" when nothing went wrong).
    std::string writeProblem() const { return out_ && !out_->problem().empty() ? out_->problem() : problemSaid_; }
    // A display prepares a replay: the last file is closed and the loop's steps count anew.
    void Restart();
    // The replay's file begins: its header is `start`, its name from `stem`.
    void Open(const SessionStart& start, const std::string& stem);
    // The replay ended ("completed", "stopped") or was left.
    void Close(const char* how);
    void ForgetPath() { path_.clear(); }
    // The loop resumed: its steps are what the actions are stamped with.
    void Resumed() { ++resumptions_; }
    int resumptions() const { return resumptions_; }
    // What the outside world gave the run, written as it was read (or, while a file plays, as it
    // was read then): the computer's clock, an answer, whether a board click was fresh.
    SessionWallClock WallClockNow();
    bool RecordedAnswer(bool live);
    bool BoardClickFresh(bool live);
    void KeepRun() override;
    // The history files' run header: when, which day, which stock (a played file's stock name).
    RunInfo CurrentRunInfo() override;

    // ---- Playing a file ----
    bool playing() const override { return playback_ != nullptr; }
    // The file's own action is being done (its questions take the file's answers).
    bool acting() const { return playback_ && playback_->acting; }
    void SetActing(bool acting);
    // A file starts to play: the user's state it puts aside (to come back when it ends), then the
    // file itself, once the program is set up as the file's start says.
    void StartPlayback(std::optional<UserState> restore);
    void TakeFile(SessionFile file) { playback_->file = std::move(file); }
    const SessionFile& file() const { return playback_->file; }
    // The next answer of the file, while one of its actions is being done.
    std::optional<bool> NextAnswer();
    // The next action, taken when it is due: by default when its step has come, else when `due`
    // (given the action and its index) says so; nothing when none is due.
    using DueTest = std::function<bool(const SessionAction&, std::size_t)>;
    std::optional<SessionAction> TakeDueAction(const DueTest& due = {});
    bool allActionsTaken() const;
    std::size_t actionsTaken() const { return playback_ ? playback_->nextAction : 0; }
    // The run's history text goes to the outcome instead of the files; false when not playing.
    bool DivertHistory(const HistoryAppend& text) override;
    // The file is over (`how` it ended; nothing when it did not end by itself): its outcome, and
    // the user's state to bring back.
    std::optional<UserState> FinishPlayback(const char* how);
    void MarkCutShort(bool cutShort) { outcome_.cutShort = cutShort; }
    const PlaybackOutcome& outcome() const { return outcome_; }

private:
    void WriteLine(const std::string& line);

    struct Playback {
        SessionFile file;
        std::size_t nextAction = 0, nextAnswer = 0, nextClock = 0, nextBoardClick = 0;
        bool acting = false;
        std::optional<UserState> restore;
        HistoryAppend history;
    };

    Host* host_ = nullptr;
    Services& services_;
    const MainDisplay& display_;
    Clock& clock_;
    std::string installFolder_;
    bool onlyKept_ = false;
    std::unique_ptr<SessionWriter> out_;
    std::string path_;
    std::string problemSaid_;
    std::unique_ptr<Playback> playback_;
    PlaybackOutcome outcome_;
    int depth_ = 0;
    bool recording_ = false;  // within an operation written to the session file
    int resumptions_ = 0;     // of the replay loop since the display that started it
};

}  // namespace corvala
