#include "app/simulation.h"

#include <algorithm>

#include "data/day_loader.h"
#include "data/series_table.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/navigation.h"
#include "settings/settings_files.h"

namespace corvala {

Simulation::Simulation(Ports ports, std::string installFolder)
    : ports_(ports), installFolder_(std::move(installFolder)) {
    loop_.Drive({trading_, chart_, orderDialogs_, quiz_, alerts_});
    recorder_.SetHost(trading_);
    InitPlaybackButtons(display_.controls, day_.barLength());
    loop_.SetNavigation(0);
    loop_.speed().SetSpeed(display_.speed.speed);
    trading_.RefreshDisplay();
    trading_.SetSavedTotals([this] { return std::pair{settings_.saved().profitTotal, settings_.saved().lossTotal}; });
}


bool Simulation::StartUp(const std::string& dataFolder) {
    if (!day_.LoadStockList()) {
        ports_.dialogs.ShowError(1013, "インストールフォルダ内に銘柄リスト.csvファイルがありません。");
        return false;
    }
    day_.SetCodeText(display_.codeText);
    const std::string history = JoinPath(installFolder_, kHistoryFolder);
    CreateDir(history);
    // What a program killed while writing left: a run half appended, temporary files, rows
    // that waited for the history, totals not saved.
    trading_.RecoverHistoryAtStart();
    RemoveLeftSettingsTemporaries(installFolder_);
    quiz_.Check();

    if (!dataFolder.empty()) settings_.UseFolder(dataFolder, settings_.keptAside());
    const std::string installData = JoinPath(installFolder_, kInstallDataFolder);
    const std::string configured = settings_.dataFolder();
    if ((configured.empty() || !DirExists(configured)) && DirExists(installData))
        settings_.UseFolder(installData + "/", configured);
    // Until a date is remembered from an earlier run, offer the newest day that has data.
    std::string date = display_.dateText;
    if (date.empty()) date = day_.LatestUsableDate();
    if (date.empty()) date = FormatYymmdd(ports_.clock.Today());
    day_.SetDateText(date);
    trading_.RestoreAccount(trading_.account().baseInvestment, trading_.account().profitTotal, trading_.account().lossTotal, trading_.account().cashOnly);
    TellSettingsProblems();
    return true;
}

// ---- Settings ----------------------------------------------------------------------------------

bool Simulation::LoadSettings(const std::string& appDataFolder) {
    const Settings& s = settings_.Load(appDataFolder);
    for (SettingsSlice* slice : slices_) slice->LoadSettings(s);
    settings_.FillDialog(s.dataFolder, day_.barLength(), chart_.averagePeriods()[0], chart_.averagePeriods()[1]);
    settings_.FillOwnOptions(s);
    TellSettingsProblems();
    return s.showDisclaimer;
}

Settings Simulation::CurrentSettings() const {
    Settings s = settings_.saved();
    for (const SettingsSlice* slice : slices_) slice->SaveSettings(s);
    // In the quiz mode the folder saved is the user's own, the one it put aside.
    s.dataFolder = quiz_.on() ? DataFolderToSave(quiz_.userDay().folder, quiz_.userDay().keptAside, {})
                              : settings_.FolderToSave();
    return s;
}

bool Simulation::SaveSettings(bool quietly) { return settings_.Save(CurrentSettings(), quietly); }

void Simulation::TellSettingsProblems() {
    if (const std::string text = settings_.ProblemText(); !text.empty()) services_.SetMessage(text);
}

bool Simulation::SaveSettingsAtExit() {
    return settings_.SaveAtExit([this] { return CurrentSettings(); });
}

void Simulation::ApplySettingsDialog(bool save) {
    const int barLengthBefore = day_.barLength();  // (a replay defers a new one to the next display)
    const SettingsChoice choice = settings_.Apply();
    day_.SetBarLength(choice.barLength);
    chart_.SetAveragePeriods(choice.ma1, choice.ma2);
    oneKeys_.SetOptions({choice.oneKeys, choice.oneKeyConfirm, choice.oneKeyUnits});
    chart_.SetHideRange(choice.hideRange);
    // The day still loaded (same folder, same N), cleared by an edit, is drawn again with the
    // periods now in force.
    if (!loop_.running() && day_.dayLoaded() && day_.barLength() == barLengthBefore && !chart_.showsDay()) chart_.ShowLoadedDay();
    if (save && settings_.MayOverwrite()) SaveSettings();
    services_.Notify();
}

void Simulation::PressSettings() {
    if (loop_.clock().loaded()) return;
    chart_.RemoveCursor();
    // As with 当日表示: in simulation mode a display would prepare a new replay; a finished day
    // stays on screen as it is.
    if (!display_.simulationChecked) day_.DisplayDay();
    settings_.Open();
    settings_.Activate();
    services_.Notify();
}

void Simulation::DataFolderChanged() {
    if (!loop_.running()) day_.Forget();
}

void Simulation::SettingsFieldsEdited() {
    if (!loop_.running()) chart_.ShowEmpty();
    services_.Notify();
}

}  // namespace corvala
