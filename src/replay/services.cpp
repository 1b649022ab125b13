#include "replay/services.h"

#include <utility>

#include "replay/session_recorder.h"

namespace corvala {

Services::Services(MainDisplay& display, Dialogs& dialogs, Scheduler& scheduler, SessionRecorder* recorder)
    : display_(display), dialogs_(dialogs), scheduler_(scheduler), recorder_(recorder) {}

void Services::Later(int ms, std::function<void()> callback) {
    scheduler_.After(ms, [this, alive = std::weak_ptr<int>(alive_), cb = std::move(callback)] {
        if (!alive.lock()) return;
        if (recorder_) recorder_->EnterProgram();
        cb();
        if (recorder_) recorder_->LeaveProgram();
    });
}

// ---- The message line and the busy notice ----------------------------------------------------

void Services::SetMessage(const std::string& text) {
    display_.message.text = text;
    FlashMessage();
}

void Services::FlashMessage() {
    const unsigned generation = BeginFlash();
    Later(kFlashMs, [this, generation] {
        if (EndFlash(generation)) Notify();
    });
}

unsigned Services::BeginFlash() {
    display_.message.foreground = colours::kBlack;
    display_.message.background = colours::kFlash;
    return ++flashGeneration_;  // an earlier flash must not end this one
}

bool Services::EndFlash(unsigned generation) {
    if (generation != flashGeneration_) return false;  // a newer flash owns the line now
    display_.message.foreground = colours::kMessageText;
    display_.message.background = colours::kBlack;
    return true;
}

void Services::StartMessageTimer(int ms) {
    const unsigned generation = ++messageTimerGeneration_;
    Later(ms, [this, generation] {
        if (generation != messageTimerGeneration_) return;
        display_.message.text.clear();
        Notify();
    });
}

void Services::ShowBusy(bool visible) {
    display_.busy.visible = visible;
    if (visible) {
        display_.busy.text = kBusyDefaultText;
        display_.busy.foreground = colours::kBusyText;
    }
    Notify();
}

void Services::ShowRequest(const std::string& text) {
    display_.busy.visible = true;
    display_.busy.text = text;
    display_.busy.foreground = colours::kPreOpenText;
}

// ---- Questions ------------------------------------------------------------------------------

// While a box is open the replay holds still, as under a modal box: nothing fills or moves
// between a question and what its answer does.
void Services::EndQuestion() {
    if (--openQuestions_ == 0 && answered_) answered_();
}

void Services::HoldWhile(const std::function<void()>& shown) {
    BeginQuestion();
    shown();
    EndQuestion();
}

bool Services::playing() const { return recorder_ && recorder_->playing(); }

// The box's own event loop may deliver the user's other actions (a dialog activated, a timer of a
// dialog): they are operations of their own, written as such.
template <class Show>
void Services::HeldDialogs::Held(Show show) {
    s_.BeginQuestion();
    const int depth = s_.recorder_ ? s_.recorder_->SuspendOperations() : 0;
    show(s_.dialogs_);
    if (s_.recorder_) s_.recorder_->ResumeOperations(depth);
    s_.EndQuestion();
}

// A session that plays shows no boxes: the user saw them when it was played; its questions take
// the answers written then.
void Services::HeldDialogs::ShowError(int number, const std::string& text) {
    if (s_.playing()) return;
    Held([&](Dialogs& d) { d.ShowError(number, text); });
}

bool Services::HeldDialogs::Ask(const std::string& title, const std::string& text) {
    if (s_.recorder_) {
        if (const std::optional<bool> recorded = s_.recorder_->NextAnswer()) return *recorded;
    }
    bool yes = false;
    Held([&](Dialogs& d) { yes = d.Ask(title, text); });
    return s_.recorder_ ? s_.recorder_->RecordedAnswer(yes) : yes;
}

std::optional<bool> Services::HeldDialogs::AskOrCancel(const std::string& title, const std::string& text) {
    std::optional<bool> answer;
    Held([&](Dialogs& d) { answer = d.AskOrCancel(title, text); });
    return answer;
}

void Services::HeldDialogs::ShowNotice(const std::string& title, const std::string& text) {
    if (s_.playing()) return;
    Held([&](Dialogs& d) { d.ShowNotice(title, text); });
}

}  // namespace corvala
