// The settings of the program: setsim read at start-up and written at exit or from the dialog,
// the data folder in use, and the settings dialog.

#include "app/settings_state.h"

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"
#include "settings/settings_files.h"

namespace corvala {
namespace {

// No drive is removable for a front end without one.
class NoRemovableDrives final : public RemovableDrives {
public:
    bool IsRemovableDrive(const std::string&) const override { return false; }
    std::string FindDataFolderOnRemovableDrives() const override { return {}; }
};

const RemovableDrives& DrivesOr(const RemovableDrives* drives) {
    static const NoRemovableDrives none;
    return drives ? *drives : none;
}

std::string SaveFailedText(const std::string& installFolder) {
    return "設定を保存できませんでした。\n" + JoinPath(installFolder, kSettingsFile) +
           "\nフォルダへの書き込みができるか、ディスクに空きがあるかを確かめて下さい。\n前回保存した設定はそのまま残っています。";
}

}  // namespace

SettingsState::SettingsState(Host& host, Services& services, std::string installFolder, const RemovableDrives* drives,
                             FolderPicker* folderPicker)
    : host_(host), installFolder_(std::move(installFolder)), services_(services), drives_(drives), folderPicker_(folderPicker) {}

const Settings& SettingsState::Load(const std::string& appDataFolder) {
    const LoadedSettings loaded = LoadSettings({installFolder_, appDataFolder, DrivesOr(drives_)});
    settings_ = loaded.settings;
    dataFolder_ = settings_.dataFolder;
    problem_ = loaded.problem.empty() ? std::string() : loaded.problem + "初期設定で起動しました。";
    notice_ = loaded.notice;
    return settings_;
}

// What start-up could not take from setsim stays on the message line over what the boxes said.
std::string SettingsState::ProblemText() const {
    return problem_ + (problem_.empty() || notice_.empty() ? "" : "　") + notice_;
}

bool SettingsState::Save(const Settings& current, bool quietly) {
    if (SaveSettingsFile(installFolder_, current)) {
        settings_ = current;
        return true;
    }
    if (!quietly) services_.questions().ShowNotice("注意", SaveFailedText(installFolder_));
    return false;
}

// setsim could not be read at start-up: writing over it would lose what it holds, so the user
// is asked once.
bool SettingsState::MayOverwrite() {
    if (problem_.empty() || overwriteAgreed_) return true;
    overwriteAgreed_ = services_.Ask("注意", problem_ + "\n今の設定で上書きしますか？");
    return overwriteAgreed_;
}

bool SettingsState::SaveAtExit(const std::function<Settings()>& current) {
    if (!MayOverwrite()) return true;  // the unread file is left as it is
    if (Save(current(), /*quietly=*/true)) return true;
    return services_.Ask("注意", SaveFailedText(installFolder_) + "\n設定を保存せずに終了しますか？");
}

void SettingsState::RememberWindowPosition(Window window, WindowPosition position) {
    switch (window) {
        case Window::Main: settings_.mainWindow = position; break;
        case Window::NewOrder: settings_.newOrderWindow = position; break;
        case Window::Closing: settings_.closingWindow = position; break;
        case Window::CorrectCancel: settings_.correctCancelWindow = position; break;
    }
}

// A folder name the settings file cannot hold (it is CP932) would come back damaged.
void SettingsState::WarnIfNotSavable(const std::string& folder) {
    if (FitsCp932(folder)) return;
    services_.questions().ShowNotice("注意", "フォルダ名に設定ファイルに保存できない文字が含まれています。\n" + folder +
                                    "\nこのフォルダは今回だけ使われ、次回の起動時には見つかりません。");
}

void SettingsState::SetDataFolder(const std::string& folder) {
    const std::string trimmed(Trim(folder));
    keptAside_.reset();
    if (trimmed == dataFolder_) return;
    dataFolder_ = trimmed;
    host_.DataFolderChanged();
}

void SettingsState::UseFolder(const std::string& folder, std::optional<std::string> keptAside, bool forDialog) {
    dataFolder_ = folder;
    keptAside_ = std::move(keptAside);
    if (!forDialog) return;
    folderBeforeDialog_ = dataFolder_;
    keptAsideBeforeDialog_ = keptAside_;
}

std::string SettingsState::FolderToSave() const { return DataFolderToSave(dataFolder_, keptAside_, quizOwnFolder_); }

// ---- The settings dialog --------------------------------------------------------------------

void SettingsState::FillDialog(const std::string& folder, int barLength, int ma1, int ma2) {
    dialog_.fields = {folder, std::to_string(barLength), std::to_string(ma1), std::to_string(ma2), dialog_.fields.own};
}

void SettingsState::FillOwnOptions(const Settings& s) {
    dialog_.fields.own = {s.oneKeys, s.oneKeyConfirm, std::to_string(s.oneKeyUnits), s.hideRange};
}

void SettingsState::ChooseOneKey(int which, const std::string& key) {
    dialog_.ChooseOneKey(which, key);
    services_.Notify();
}

void SettingsState::SetOneKeyConfirm(bool on) {
    dialog_.fields.own.oneKeyConfirm = on;
    services_.Notify();
}

void SettingsState::EditOneKeyUnits(const std::string& typed) {
    dialog_.EditOneKeyUnits(typed);
    services_.Notify();
}

void SettingsState::SetHideRange(bool on) {
    dialog_.fields.own.hideRange = on;
    services_.Notify();
}

void SettingsState::Activate() {
    if (!dialog_.Activate()) return;
    folderBeforeDialog_ = dataFolder_;
    keptAsideBeforeDialog_ = keptAside_;
}

void SettingsState::EditFolder(const std::string& typed) {
    dialog_.EditFolder(typed);
    host_.SettingsFieldsEdited();
}

void SettingsState::EditPeriod(int which, const std::string& typed) {
    dialog_.EditPeriod(which, typed);
    host_.SettingsFieldsEdited();
}

void SettingsState::ChooseBarLength(const std::string& item) {
    dialog_.ChooseBarLength(item);
    host_.SettingsFieldsEdited();
}

void SettingsState::PressFolderButton() {
    if (!folderPicker_) return;
    std::weak_ptr<int> alive = alive_;
    folderPicker_->ChooseFolder([this, alive](const std::string& chosen) {
        if (alive.expired()) return;
        const std::string folder = dialog_.TakeChosenFolder(chosen);
        if (folder.empty()) return;
        SetDataFolder(folder);
        UpdateRemovableMarker(installFolder_, folder, DrivesOr(drives_));
        WarnIfNotSavable(folder);
        services_.Notify();
    });
}

// The folder is the field's. A field left as it was when the dialog came up keeps the folder of
// that moment: the install folder's data may be standing in for a configured folder that is
// missing (and a folder picked with "..." and then typed over is not kept).
SettingsChoice SettingsState::Apply() {
    const SettingsChoice choice = dialog_.Apply();
    if (choice.folderChanged) {
        SetDataFolder(choice.folder);
    } else if (dataFolder_ != folderBeforeDialog_) {
        dataFolder_ = folderBeforeDialog_;
        host_.DataFolderChanged();
    }
    if (!choice.folderChanged) keptAside_ = keptAsideBeforeDialog_;
    WarnIfNotSavable(choice.folder);
    return choice;
}

// The folder "..." set at once goes back too, with the install folder's stand-in if it was one.
void SettingsState::Cancel() {
    dialog_.Cancel();
    if (folderBeforeDialog_ != dataFolder_) {
        dataFolder_ = folderBeforeDialog_;
        host_.DataFolderChanged();
    }
    keptAside_ = keptAsideBeforeDialog_;
    services_.Notify();
}

}  // namespace corvala
