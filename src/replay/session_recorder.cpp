// Session files as the program writes and reads them back: the operations of the user at the
// operations, where every front end passes; what the outside world gave the run as it was read.

#include "replay/session_recorder.h"

#include <cstdio>
#include <utility>

#include "platform/files.h"

namespace corvala {

SessionRecorder::SessionRecorder(Services& services, const MainDisplay& display, Clock& clock,
                                 std::string installFolder)
    : services_(services), display_(display), clock_(clock), installFolder_(std::move(installFolder)) {}

SessionRecorder::~SessionRecorder() = default;

OperationLog::Opened SessionRecorder::BeginOperation(SessionOp op, std::vector<std::string> args) {
    Opened opened{true, recording_};
    if (depth_++ > 0) return opened;  // called by another operation or by the replay itself
    if (playback_) {
        opened.allowed = playback_->acting;
        return opened;
    }
    if (!out_) return opened;
    WriteLine(SessionActionLine({0, resumptions_, display_.clockText, SessionOpName(op), std::move(args)}));
    recording_ = true;  // its questions' answers belong to it
    return opened;
}

void SessionRecorder::EndOperation(const Opened& opened) {
    --depth_;
    recording_ = opened.wasRecording;
}

int SessionRecorder::SuspendOperations() { return std::exchange(depth_, 0); }

void SessionRecorder::WriteLine(const std::string& line) {
    if (!out_) return;
    out_->Add(line);
    if (!out_->path().empty()) path_ = out_->path();
    // Said once: a session that cannot be written must not stop the replay.
    if (!out_->problem().empty() && problemSaid_ != out_->problem()) {
        problemSaid_ = out_->problem();
        services_.SetMessage(problemSaid_);
    }
}

void SessionRecorder::Restart() {
    Close("left");
    resumptions_ = 0;
    ForgetPath();
}

void SessionRecorder::Open(const SessionStart& start, const std::string& stem) {
    const std::string folder = JoinPath(JoinPath(installFolder_, kHistoryFolder), kSessionFolder);
    CreateDir(folder);
    out_ = std::make_unique<SessionWriter>(folder, stem, !onlyKept_);
    problemSaid_.clear();
    WriteLine(SessionHeaderLine(start));
}

void SessionRecorder::Close(const char* how) {
    if (!out_) return;
    const bool kept = host_->RunKeptNow();
    WriteLine(SessionEndLine(display_.clockText, resumptions_, how, kept, host_->RunOutcome()));
    if (!out_->problem().empty() || (onlyKept_ && !kept)) path_.clear();
    out_.reset();
}

// The computer's date and time for the history rows: while a session plays, as it was read then.
SessionWallClock SessionRecorder::WallClockNow() {
    if (playback_) {
        const auto& readings = playback_->file.clockReadings;
        if (playback_->nextClock < readings.size()) return readings[playback_->nextClock++];
        if (!readings.empty()) return readings.back();
    }
    const SessionWallClock now{clock_.Today(), clock_.SecondsOfDay()};
    if (out_) WriteLine(SessionClockLine(now));
    return now;
}

bool SessionRecorder::RecordedAnswer(bool live) {
    if (out_ && recording_) WriteLine(SessionAnswerLine(display_.clockText, resumptions_, live));
    return live;
}

bool SessionRecorder::BoardClickFresh(bool live) {
    if (playback_) {
        const auto& clicks = playback_->file.boardClicks;
        return playback_->nextBoardClick < clicks.size() ? clicks[playback_->nextBoardClick++] : live;
    }
    if (out_) WriteLine(SessionBoardClickLine(live));
    return live;
}

void SessionRecorder::KeepRun() {
    if (out_) out_->Keep();
}

// ---- Playing a file ---------------------------------------------------------------------------

void SessionRecorder::SetActing(bool acting) {
    if (playback_) playback_->acting = acting;
}

void SessionRecorder::StartPlayback(std::optional<UserState> restore) {
    playback_ = std::make_unique<Playback>();
    playback_->restore = std::move(restore);
    playback_->acting = true;
    outcome_ = PlaybackOutcome{};
}

std::optional<bool> SessionRecorder::NextAnswer() {
    if (!playback_ || !playback_->acting) return std::nullopt;
    const auto& answers = playback_->file.answers;
    return playback_->nextAnswer < answers.size() && answers[playback_->nextAnswer++];
}

std::optional<SessionAction> SessionRecorder::TakeDueAction(const DueTest& due) {
    if (!playback_ || playback_->nextAction >= playback_->file.actions.size()) return std::nullopt;
    const SessionAction& a = playback_->file.actions[playback_->nextAction];
    if (due ? !due(a, playback_->nextAction) : a.step > resumptions_) return std::nullopt;
    ++playback_->nextAction;
    return a;  // a copy: doing it may end the playing
}

bool SessionRecorder::allActionsTaken() const {
    return playback_ && playback_->nextAction == playback_->file.actions.size();
}

bool SessionRecorder::DivertHistory(const HistoryAppend& text) {
    if (!playback_) return false;
    playback_->history.Add(text);
    return true;
}

// A run ends as recorded when it ends the same way, at the same step, with every action and
// answer used, and (in a file that holds it) with the same fills and account.
std::optional<SessionRecorder::UserState> SessionRecorder::FinishPlayback(const char* how) {
    std::unique_ptr<Playback> p = std::move(playback_);
    PlaybackOutcome& o = outcome_;
    o.history = p->history;
    o.actionsLeft = static_cast<int>(p->file.actions.size() - p->nextAction);
    o.answersLeft = static_cast<int>(p->file.answers.size() - p->nextAnswer);
    o.finished = true;
    o.outcomeChecked = p->file.outcome.has_value();
    o.endedAsFile = how && how == p->file.end;
    o.matched = how && how == p->file.end && resumptions_ == p->file.endStep && host_->RunKeptNow() == p->file.endKept &&
                o.actionsLeft == 0 && o.answersLeft == 0 && (!p->file.outcome || *p->file.outcome == host_->RunOutcome());
    return std::move(p->restore);
}

RunInfo SessionRecorder::CurrentRunInfo() {
    const SessionWallClock now = WallClockNow();
    const std::string name = playing() && !file().start.name.empty() ? file().start.name : services_.stockName();
    return RunInfo{RecordedAtText(now.date, now.seconds), TradingDayText(now.date, services_.chosenDate()), display_.codeText, name};
}

}  // namespace corvala
