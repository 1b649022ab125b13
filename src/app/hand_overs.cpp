// What the chart, the quiz mode and the screening ask of the day they show: a redisplay after a
// resize, the board of a readout's row, and the hand-overs of a quiz's or a screening's day.

#include "app/displayed_day.h"

#include "app/settings_state.h"
#include "app/trading_desk.h"
#include "data/series_table.h"
#include "platform/text.h"
#include "replay/navigation.h"
#include "replay/replay_loop.h"
#include "settings/settings_files.h"

namespace corvala {

void DisplayedDay::ChartRedisplayDay() {
    if (!display_.simulationChecked && dayLoaded_ && !parts_.loop.running()) DisplayDay(false);
}

void DisplayedDay::ChartCursorRemoved() {
    if (!parts_.loop.clock().replayReady) parts_.loop.SetNavigation(kIdle);
}

void DisplayedDay::StartFromScreening(const ScreeningHandOver& h) {
    if (parts_.loop.clock().loaded()) return;
    parts_.loop.SetSimulationChecked(true);
    SetDateText(h.pick.date);
    SetCodeText(h.pick.code);
    if (h.nearStart) {
        ShowStartInBoxes(h.start.startTime);
    }
    PresetStart(StartPosition{h.start.startBar, h.start.startTime, h.start.midSessionStart});
    DisplayDay();
}

QuizMode::UserDay DisplayedDay::EnterQuizDay(const std::string& folder, const QuizDescription& quiz) {
    QuizMode::UserDay own{display_.dateText, display_.codeText, parts_.settings.dataFolder(), parts_.settings.keptAside()};
    parts_.settings.SetQuizOwnFolder(DataFolderToSave(own.folder, own.keptAside, {}));
    parts_.settings.UseFolder(folder, std::nullopt);
    SetDateText(quiz.date);
    SetCodeText(quiz.code);
    display_.seriesText = std::string(kDefaultSeriesItem);
    return own;
}

void DisplayedDay::SettleQuizDay(const std::string& folder) {
    // A settings dialog open meanwhile keeps the quiz folder.
    parts_.settings.UseFolder(folder, std::nullopt, /*forDialog=*/true);
    parts_.loop.SetNavigation(kIdle);
    services_.ShowBusy(false);
    PresetStart(StartPosition{0, "08:59:59", false});
}

void DisplayedDay::PrepareQuizDay(const StartPosition& start) {
    PresetStart(start);
    if (start.midSessionStart) ShowStartInBoxes(start.startTime);
    parts_.loop.SetSimulationChecked(true);
}

void DisplayedDay::LeaveQuizDay(const QuizMode::UserDay& day) {
    // Nor does a dialog open meanwhile bring the quiz's back.
    parts_.settings.UseFolder(day.folder, day.keptAside, /*forDialog=*/true);
    parts_.settings.SetQuizOwnFolder({});
    SetDateText(day.date);
    SetCodeText(day.code);
    PresetStart(std::nullopt);
    parts_.loop.SetStart(StartPosition{0, parts_.loop.clock().startTime, false});
    if (!parts_.loop.running()) {
        Forget();
        parts_.loop.SetNavigation(kIdle);
    }
}

}  // namespace corvala
