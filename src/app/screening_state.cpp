// The screening dialog as the main window drives it: the search a slice at a time on the
// scheduler, and a chosen row handed to the display action.

#include "app/screening_state.h"

#include "app/settings_state.h"

namespace corvala {

namespace {
// Lines read per slice: a few milliseconds, so that the window answers between slices.
constexpr int kScreeningSliceLines = 2000;
}  // namespace

ScreeningState::ScreeningState(Host& host, Services& services, SettingsState& settings, const ReplayClock& replay,
                               std::string installFolder, Clock& clock, Random& random, Scheduler& scheduler)
    : host_(host),
      services_(services),
      settings_(settings),
      replay_(replay),
      installFolder_(std::move(installFolder)), clock_(clock), random_(random), scheduler_(scheduler) {}

void ScreeningState::Open() {
    model_.Open(installFolder_, settings_.screening());
    if (model_.downloadMonth.empty()) {  // this month's data is what a download usually wants
        const Ymd today = clock_.Today();
        model_.downloadMonth = std::to_string(today.year * 100 + today.month);
    }
    KeepConditions();
    services_.Notify();
}

void ScreeningState::Close() {
    model_.Stop();
    model_.visible = false;
    services_.Notify();
}

void ScreeningState::KeepConditions() { settings_.KeepScreening(model_.conditions); }

void ScreeningState::SetMonth(int index) {
    model_.SetMonthIndex(index);
    KeepConditions();
    services_.Notify();
}

void ScreeningState::SetDirection(int direction) {
    model_.SetDirection(direction);
    KeepConditions();
    services_.Notify();
}

void ScreeningState::SetThreshold(const std::string& text) {
    model_.SetThresholdText(text);
    KeepConditions();
    services_.Notify();
}

void ScreeningState::SetOption(Option option, bool on) {
    switch (option) {
        case Option::UpTo930: model_.SetUpTo930(on); break;
        case Option::HideStartTime: model_.SetHideStartTime(on); break;
        case Option::HideEndTime: model_.SetHideEndTime(on); break;
        case Option::StartNearStart: model_.SetStartNearStart(on); break;
    }
    KeepConditions();
    services_.Notify();
}

void ScreeningState::PressSearch() {
    if (model_.searching()) return;
    const bool started = model_.BeginSearch(installFolder_, services_.stocks(), settings_.dataFolder(), random_);
    KeepConditions();
    services_.Notify();
    if (started) ContinueLater();
}

void ScreeningState::ContinueSearch() {
    const bool more = model_.ContinueSearch(kScreeningSliceLines);
    services_.Notify();
    if (more) ContinueLater();
}

void ScreeningState::PressStop() {
    model_.Stop();
    services_.Notify();
}

void ScreeningState::Sort(ScreeningSortKey key) {
    model_.Sort(key);
    services_.Notify();
}

void ScreeningState::SelectRow(int place) {
    model_.Select(place);
    services_.Notify();
}

void ScreeningState::UseRow(int place) {
    const std::optional<ScreeningPick> pick = model_.Pick(place);
    if (!pick) {
        services_.Notify();
        return;
    }
    if (replay_.loaded()) {
        model_.message = "シミュレーション中は反映できません。停止してから選んで下さい。";
        services_.Notify();
        return;
    }
    host_.StartFromScreening(HandOverOf(*pick, model_.conditions.startNearStart, host_.NextBarLength(), random_));
}

void ScreeningState::SetDownloadMonth(const std::string& month) {
    model_.downloadMonth = month;
    services_.Notify();
}

void ScreeningState::ShowDownload(const std::string& message, const std::string& landedMonth) {
    if (model_.searching()) return;  // the window does not download while it searches
    model_.message = message;
    if (!landedMonth.empty()) {
        model_.RelistMonths(installFolder_, landedMonth);
        KeepConditions();
    }
    services_.Notify();
}

void ScreeningState::UseSelectedRow() { UseRow(model_.selected); }

void ScreeningState::ContinueLater() {
    scheduler_.After(0, [this, alive = std::weak_ptr<int>(alive_)] {
        if (!alive.expired()) ContinueSearch();
    });
}

}  // namespace corvala
