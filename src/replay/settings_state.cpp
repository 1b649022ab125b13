// The settings of the program as the main window holds them: loaded into the boxes and options
// at start-up, collected again for saving, and the settings dialog.

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/simulation.h"
#include "settings/settings_files.h"

namespace corvala {
namespace {

// No drive is removable for a front end without one.
class NoRemovableDrives final : public RemovableDrives {
public:
    bool IsRemovableDrive(const std::string&) const override { return false; }
    std::string FindDataFolderOnRemovableDrives() const override { return {}; }
};

const RemovableDrives& DrivesOf(const Ports& ports) {
    static const NoRemovableDrives none;
    return ports.drives ? *ports.drives : none;
}

std::string SaveFailedText(const std::string& installFolder) {
    return "設定を保存できませんでした。\n" + JoinPath(installFolder, kSettingsFile) +
           "\nフォルダへの書き込みができるか、ディスクに空きがあるかを確かめて下さい。\n前回保存した設定はそのまま残っています。";
}

}  // namespace

bool Simulation::LoadSettings(const std::string& appDataFolder) {
    appDataFolder_ = appDataFolder;
    const LoadedSettings loaded = corvala::LoadSettings({installFolder_, appDataFolder, DrivesOf(ports_)});
    settings_ = loaded.settings;
    const Settings& s = settings_;

    display_.dateText = s.date;
    display_.codeText = s.code;
    SetSimulationChecked(s.simulation);
    SetSpeed(s.speed);
    display_.chartOptions = {s.tick, s.bars, s.average1, s.average2, s.cumulativeVolume, s.vwap, s.prevClose};
    SetBoardOption(s.board);
    dataFolder_ = s.dataFolder;
    chart_.SetAveragePeriods(s.ma1, s.ma2);
    SetBarLength(s.barLength);
    SetFillSoundOption(s.fillSound);
    SetTradeMarkerOption(s.tradeMarkers);
    SetTapeOption(s.tape);
    settingsDialog_.fields = {s.dataFolder, std::to_string(barLength_), std::to_string(chart_.averagePeriods()[0]),
                              std::to_string(chart_.averagePeriods()[1])};
    trading_.RestoreAccount(s.investment, s.profitTotal, s.lossTotal, s.cashOnly);
    settingsProblem_ = loaded.problem.empty() ? std::string() : loaded.problem + "初期設定で起動しました。";
    settingsNotice_ = loaded.notice;
    TellSettingsProblems();
    return s.showDisclaimer;
}

Settings Simulation::CurrentSettings() const {
    Settings s = settings_;
    s.date = display_.dateText;
    s.code = display_.codeText;
    s.simulation = display_.simulationChecked;
    s.speed = display_.speed.speed;
    const ChartOptionBoxes& o = display_.chartOptions;
    s.tick = o.tick;
    s.bars = o.bars;
    s.average1 = o.average1;
    s.average2 = o.average2;
    s.cumulativeVolume = o.cumulativeVolume;
    s.vwap = o.vwap;
    s.prevClose = o.prevClose;
    s.board = display_.boardOption;
    // In the quiz mode the folder saved is the user's own, the one it put aside.
    s.dataFolder = quiz_.on() ? DataFolderToSave(quiz_.userDay().folder, quiz_.userDay().keptAside, {})
                                : DataFolderToSave(dataFolder_, keptAsideFolder_, quizOwnFolder_);
    s.ma1 = chart_.averagePeriods()[0];
    s.ma2 = chart_.averagePeriods()[1];
    s.barLength = pendingBarLength_.value_or(barLength_);
    s.fillSound = display_.fillSoundOption;
    s.cashOnly = trading_.account().cashOnly;
    s.tradeMarkers = display_.tradeMarkerOption;
    s.tape = display_.tapeOption;
    s.investment = trading_.account().baseInvestment;
    s.profitTotal = trading_.account().profitTotal;
    s.lossTotal = trading_.account().lossTotal;
    return s;
}

bool Simulation::SaveSettings(bool quietly) {
    const Settings s = CurrentSettings();
    if (SaveSettingsFile(installFolder_, s)) {
        settings_ = s;
        return true;
    }
    if (!quietly) heldDialogs_.ShowNotice("注意", SaveFailedText(installFolder_));
    return false;
}

// What start-up could not take from setsim stays on the message line over what the boxes said.
void Simulation::TellSettingsProblems() {
    const std::string text = settingsProblem_ + (settingsProblem_.empty() || settingsNotice_.empty() ? "" : "　") + settingsNotice_;
    if (!text.empty()) SetMessage(text);
}

// A folder name the settings file cannot hold (it is CP932) would come back damaged.
void Simulation::WarnIfNotSavable(const std::string& folder) {
    if (FitsCp932(folder)) return;
    heldDialogs_.ShowNotice("注意", "フォルダ名に設定ファイルに保存できない文字が含まれています。\n" + folder +
                                        "\nこのフォルダは今回だけ使われ、次回の起動時には見つかりません。");
}

// setsim could not be read at start-up: writing over it would lose what it holds, so the user
// is asked once.
bool Simulation::MayOverwriteSettings() {
    if (settingsProblem_.empty() || overwriteAgreed_) return true;
    overwriteAgreed_ = AskQuestion("注意", settingsProblem_ + "\n今の設定で上書きしますか？");
    return overwriteAgreed_;
}

// The program ends with its settings saved, or, when they cannot be, only if the user says so.
bool Simulation::SaveSettingsAtExit() {
    if (!MayOverwriteSettings()) return true;  // the unread file is left as it is
    if (SaveSettings(/*quietly=*/true)) return true;
    return AskQuestion("注意", SaveFailedText(installFolder_) + "\n設定を保存せずに終了しますか？");
}

void Simulation::RememberWindowPosition(SettingsWindow window, WindowPosition position) {
    switch (window) {
        case SettingsWindow::Main: settings_.mainWindow = position; break;
        case SettingsWindow::NewOrder: settings_.newOrderWindow = position; break;
        case SettingsWindow::Closing: settings_.closingWindow = position; break;
        case SettingsWindow::CorrectCancel: settings_.correctCancelWindow = position; break;
    }
}

// A folder the user sets is theirs: the install folder's stand-in no longer speaks for it.
void Simulation::SetDataFolder(const std::string& folder) {
    const std::string trimmed(Trim(folder));
    keptAsideFolder_.reset();
    if (trimmed == dataFolder_) return;
    dataFolder_ = trimmed;
    if (!replayRunning()) ForgetLoadedDay();
}

// ---- The settings dialog --------------------------------------------------------------------

void Simulation::ActivateSettingsDialog() {
    if (!settingsDialog_.Activate()) return;
    folderBeforeDialog_ = dataFolder_;
    keptAsideBeforeDialog_ = keptAsideFolder_;
}

void Simulation::EditSettingsFolder(const std::string& typed) {
    settingsDialog_.EditFolder(typed);
    if (!replayRunning()) chart_.ShowEmpty();
    Notify();
}

void Simulation::EditSettingsPeriod(int which, const std::string& typed) {
    settingsDialog_.EditPeriod(which, typed);
    if (!replayRunning()) chart_.ShowEmpty();
    Notify();
}

void Simulation::ChooseSettingsBarLength(const std::string& item) {
    settingsDialog_.ChooseBarLength(item);
    if (!replayRunning()) chart_.ShowEmpty();
    Notify();
}

void Simulation::PressSettingsFolderButton() {
    if (!ports_.folderPicker) return;
    std::weak_ptr<int> alive = alive_;
    ports_.folderPicker->ChooseFolder([this, alive](const std::string& chosen) {
        if (alive.expired()) return;
        const std::string folder = settingsDialog_.TakeChosenFolder(chosen);
        if (folder.empty()) return;
        SetDataFolder(folder);
        UpdateRemovableMarker(installFolder_, folder, DrivesOf(ports_));
        WarnIfNotSavable(folder);
        Notify();
    });
}

void Simulation::ApplySettingsDialog(bool save) {
    const int barLengthBefore = barLength_;  // (a replay defers a new one to the next display)
    const SettingsChoice choice = settingsDialog_.Apply();
    // The folder is the field's. A field left as it was when the dialog came up keeps the folder
    // of that moment: the install folder's data may be standing in for a configured folder that
    // is missing (and a folder picked with "..." and then typed over is not kept).
    if (choice.folderChanged) {
        SetDataFolder(choice.folder);
    } else if (dataFolder_ != folderBeforeDialog_) {
        dataFolder_ = folderBeforeDialog_;
        if (!replayRunning()) ForgetLoadedDay();
    }
    if (!choice.folderChanged) keptAsideFolder_ = keptAsideBeforeDialog_;
    WarnIfNotSavable(choice.folder);
    SetBarLength(choice.barLength);
    chart_.SetAveragePeriods(choice.ma1, choice.ma2);
    // The day still loaded (same folder, same N), cleared by an edit, is drawn again with the
    // periods now in force.
    if (!replayRunning() && dayLoaded_ && barLength_ == barLengthBefore && !chart_.showsDay()) chart_.ShowLoadedDay();
    if (save && MayOverwriteSettings()) SaveSettings();
    Notify();
}

// The folder "..." set at once goes back too, with the install folder's stand-in if it was one.
void Simulation::CancelSettingsDialog() {
    settingsDialog_.Cancel();
    if (folderBeforeDialog_ != dataFolder_) {
        dataFolder_ = folderBeforeDialog_;
        if (!replayRunning()) ForgetLoadedDay();
    }
    keptAsideFolder_ = keptAsideBeforeDialog_;
    Notify();
}

}  // namespace corvala
