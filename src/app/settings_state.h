#pragma once
// The program's settings as it holds them: what setsim gave at start-up and was last saved, the
// data folder in use (with the install folder's stand-in and the quiz's own), and the settings
// dialog. It tells its host when the data folder changed or a field was edited, and saves what
// the host collects from the other components.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/drives.h"
#include "platform/ports.h"
#include "replay/services.h"
#include "settings/settings.h"
#include "settings/settings_dialog.h"

namespace corvala {

class SettingsState {
public:
    class Host {
    public:
        // The data folder changed: a day loaded from the old one is forgotten.
        virtual void DataFolderChanged() = 0;
        // A dialog field was edited: the chart goes to its empty frame.
        virtual void SettingsFieldsEdited() = 0;

    protected:
        ~Host() = default;
    };

    SettingsState(Host& host, Services& services, std::string installFolder, const RemovableDrives* drives,
                  FolderPicker* folderPicker);

    // setsim of the install folder (with the hand-over of `appDataFolder`); the data folder is
    // its own.
    const Settings& Load(const std::string& appDataFolder);
    // What could not be read or taken from setsim, for the message line ("" when all was well).
    std::string ProblemText() const;
    // The settings as last loaded or saved.
    const Settings& saved() const { return settings_; }
    // Writes `current` to setsim; a failure is told in a box (`quietly`: not told) and false
    // returned, the old file untouched.
    bool Save(const Settings& current, bool quietly = false);
    // setsim could not be read at start-up: writing over it is asked once.
    bool MayOverwrite();
    // The program ends with its settings saved, or, when they cannot be, only if the user says so.
    // `current` is asked for once the user agreed to write over a setsim that could not be read.
    bool SaveAtExit(const std::function<Settings()>& current);
    enum class Window { Main, NewOrder, Closing, CorrectCancel };
    // The position of a window in the normal state (twips), for the next start.
    void RememberWindowPosition(Window window, WindowPosition position);
    // The disclaimer's "次回から表示しない" box.
    void SetDisclaimerSuppressed(bool ticked) { settings_.showDisclaimer = !ticked; }
    const ScreeningConditions& screening() const { return settings_.screening; }
    void KeepScreening(const ScreeningConditions& conditions) { settings_.screening = conditions; }

    // ---- The data folder ----
    const std::string& dataFolder() const { return dataFolder_; }
    const std::optional<std::string>& keptAside() const { return keptAside_; }
    // A folder the user sets is theirs: the install folder's stand-in no longer speaks for it.
    void SetDataFolder(const std::string& folder);
    // The folder as the program puts it in place (start-up, the quiz, a session), with the
    // configured folder it stands in for; `forDialog`: a dialog open meanwhile keeps it.
    void UseFolder(const std::string& folder, std::optional<std::string> keptAside, bool forDialog = false);
    // The quiz mode keeps the user's own folder while the quiz folder is in use ("" outside it).
    void SetQuizOwnFolder(const std::string& folder) { quizOwnFolder_ = folder; }
    // The folder setsim keeps: the configured one, never a stand-in.
    std::string FolderToSave() const;

    // ---- The settings dialog ----
    // Its fields and buttons. Edits clear the chart to its empty frame; Apply takes the fields
    // and hides the dialog; Cancel restores them.
    const SettingsDialogModel& dialog() const { return dialog_; }
    void Open() { dialog_.Open(); }
    void FillDialog(const std::string& folder, int barLength, int ma1, int ma2);
    // The own page: the one-key orders and 値幅を隠す as `s` has them.
    void FillOwnOptions(const Settings& s);
    void ChooseOneKey(int which, const std::string& key);
    void SetOneKeyConfirm(bool on);
    void EditOneKeyUnits(const std::string& typed);
    void SetHideRange(bool on);
    void Activate();
    void EditFolder(const std::string& typed);
    void EditPeriod(int which, const std::string& typed);
    void ChooseBarLength(const std::string& item);
    void PressFolderButton();  // "..."
    // The folder is the field's; the rest of the choice is for the host to put in force.
    SettingsChoice Apply();
    void Cancel();

private:
    void WarnIfNotSavable(const std::string& folder);

    Host& host_;
    std::string installFolder_;
    Services& services_;
    const RemovableDrives* drives_;
    FolderPicker* folderPicker_;
    Settings settings_;
    SettingsDialogModel dialog_;
    std::string dataFolder_;
    // The configured folder while the install folder's 日中データ stands in for it.
    std::optional<std::string> keptAside_;
    std::string quizOwnFolder_;
    // The data folder when the dialog kept its fields: キャンセル goes back to it.
    std::string folderBeforeDialog_;
    std::optional<std::string> keptAsideBeforeDialog_;
    std::string problem_;  // why setsim could not be read, told again once the boxes are set
    std::string notice_;   // what of setsim could not be taken as it stands, told the same way
    bool overwriteAgreed_ = false;  // the user agreed to write over the setsim that could not be read
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // the folder picker's callback checks it
};

}  // namespace corvala
