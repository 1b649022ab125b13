// The screening dialog as the main window drives it: the search a slice at a time on the
// scheduler, and a chosen row handed to the display action.

#include "replay/simulation.h"

namespace corvala {

namespace {
// Lines read per slice: a few milliseconds, so that the window answers between slices.
constexpr int kScreeningSliceLines = 2000;
}  // namespace

void Simulation::OpenScreening() {
    screening_.Open(installFolder_, settings_.screening);
    if (screening_.downloadMonth.empty()) {  // this month's data is what a download usually wants
        const Ymd today = ports_.clock.Today();
        screening_.downloadMonth = std::to_string(today.year * 100 + today.month);
    }
    KeepScreeningConditions();
    Notify();
}

void Simulation::CloseScreening() {
    screening_.Stop();
    screening_.visible = false;
    Notify();
}

void Simulation::KeepScreeningConditions() { settings_.screening = screening_.conditions; }

void Simulation::SetScreeningMonth(int index) {
    screening_.SetMonthIndex(index);
    KeepScreeningConditions();
    Notify();
}

void Simulation::SetScreeningDirection(int direction) {
    screening_.SetDirection(direction);
    KeepScreeningConditions();
    Notify();
}

void Simulation::SetScreeningThreshold(const std::string& text) {
    screening_.SetThresholdText(text);
    KeepScreeningConditions();
    Notify();
}

void Simulation::SetScreeningOption(ScreeningOption option, bool on) {
    switch (option) {
        case ScreeningOption::UpTo930: screening_.SetUpTo930(on); break;
        case ScreeningOption::HideStartTime: screening_.SetHideStartTime(on); break;
        case ScreeningOption::HideEndTime: screening_.SetHideEndTime(on); break;
        case ScreeningOption::StartNearStart: screening_.SetStartNearStart(on); break;
    }
    KeepScreeningConditions();
    Notify();
}

void Simulation::PressScreeningSearch() {
    if (screening_.searching()) return;
    const bool started = screening_.BeginSearch(installFolder_, stocks_, dataFolder_, ports_.random);
    KeepScreeningConditions();
    Notify();
    if (started) ports_.scheduler.After(0, [this, alive = std::weak_ptr<int>(alive_)] {
        if (!alive.expired()) ContinueScreeningSearch();
    });
}

void Simulation::ContinueScreeningSearch() {
    const bool more = screening_.ContinueSearch(kScreeningSliceLines);
    Notify();
    if (more) ports_.scheduler.After(0, [this, alive = std::weak_ptr<int>(alive_)] {
        if (!alive.expired()) ContinueScreeningSearch();
    });
}

void Simulation::PressScreeningStop() {
    screening_.Stop();
    Notify();
}

void Simulation::SortScreening(ScreeningSortKey key) {
    screening_.Sort(key);
    Notify();
}

void Simulation::SelectScreeningRow(int place) {
    screening_.Select(place);
    Notify();
}

void Simulation::UseScreeningRow(int place) {
    const std::optional<ScreeningPick> pick = screening_.Pick(place);
    if (!pick) {
        Notify();
        return;
    }
    if (replayRunning() && replay_.replayReady) {  // the day of a running replay is not changed under it
        screening_.message = "シミュレーション中は反映できません。停止してから選んで下さい。";
        Notify();
        return;
    }
    StartFromScreening(HandOverOf(*pick, screening_.conditions.startNearStart,
                                  pendingBarLength_.value_or(barLength_), ports_.random));
}

void Simulation::SetScreeningDownloadMonth(const std::string& month) {
    screening_.downloadMonth = month;
    Notify();
}

void Simulation::ShowScreeningDownload(const std::string& message, const std::string& landedMonth) {
    if (screening_.searching()) return;  // the window does not download while it searches
    screening_.message = message;
    if (!landedMonth.empty()) {
        screening_.RelistMonths(installFolder_, landedMonth);
        KeepScreeningConditions();
    }
    Notify();
}

void Simulation::UseSelectedScreeningRow() { UseScreeningRow(screening_.selected); }

void Simulation::StartFromScreening(const ScreeningHandOver& h) {
    if (replayRunning() && replay_.replayReady) return;
    SetSimulationChecked(true);
    SetDateText(h.pick.date);
    SetCodeText(h.pick.code);
    if (h.nearStart) {
        // The boxes show where the replay starts: hour without its zero, minutes with two digits.
        const int seconds = ParseTimeOfDay(h.start.startTime).value_or(9 * 3600);
        display_.startHour = std::to_string(seconds / 3600);
        const int minute = seconds / 60 % 60;
        display_.startMinute = (minute < 10 ? "0" : "") + std::to_string(minute);
    }
    presetStart_ = StartPosition{h.start.startBar, h.start.startTime, h.start.midSessionStart};
    DisplayDay();
}

}  // namespace corvala
