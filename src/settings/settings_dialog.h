#pragma once
// The settings dialog (設定): its four fields and what typing, 設定 and キャンセル do with them.

#include <array>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace corvala {

inline constexpr const char* kProgramVersion = "2.1";
inline constexpr const char* kProgramDate = "2022.11.11";
// "バージョン：Ver2.1  2022.11.11"
std::string VersionLine();
// The bar-length list: "1", "2", "3", "4", "5", "10".
const std::vector<std::string>& BarLengthItems();

// The dialog's own page (ワンキー注文 and 値幅を隠す), below the described sections.
struct OwnOptionFields {
    std::array<std::string, kOneKeys> oneKeys{"F6", "F7", "F8", "F9"};  // "" for none
    bool oneKeyConfirm = true;
    std::string oneKeyUnits = "1";  // the quantity in trading units
    bool hideRange = false;
    friend bool operator==(const OwnOptionFields&, const OwnOptionFields&) = default;
};

struct SettingsFields {
    std::string folder;
    std::string barLength = "5";  // the list's text
    std::string ma1 = "5", ma2 = "12";
    OwnOptionFields own;
    friend bool operator==(const SettingsFields&, const SettingsFields&) = default;
};

// What 設定 makes of the fields.
struct SettingsChoice {
    std::string folder;  // ends with the separator; "" when none was ever chosen
    bool folderChanged = false;  // differs from the field kept at activation
    int barLength = 5;
    int ma1 = 5, ma2 = 12;
    std::array<std::string, kOneKeys> oneKeys{"F6", "F7", "F8", "F9"};
    bool oneKeyConfirm = true;
    int oneKeyUnits = 1;
    bool hideRange = false;
};

class SettingsDialogModel {
public:
    SettingsFields fields;
    bool visible = false;

    // The dialog is shown (without blocking the main window).
    void Open() { visible = true; }
    // The dialog became the active window: the first time after an apply or a cancel, the
    // fields are kept for キャンセル (true then).
    bool Activate();
    // The text the folder field keeps after an edit: a pasted line end is cut.
    void EditFolder(const std::string& typed);
    // A period field after an edit: a value above 24 reads "24".
    void EditPeriod(int which, const std::string& typed);
    void ChooseBarLength(const std::string& item);
    // A one-key order's key: "F5"–"F12" or "" (none); a key another one had leaves it.
    void ChooseOneKey(int which, const std::string& key);
    void EditOneKeyUnits(const std::string& typed) { fields.own.oneKeyUnits = typed; }
    // "...": the chosen folder (without its trailing separator) goes into the field with one.
    // Returns the field's new text; "" (cancelled) leaves the field.
    std::string TakeChosenFolder(const std::string& chosen);
    // 設定: the folder gets its trailing separator and loses a date folder picked by mistake
    // (…/221111/ becomes …/); an empty field, or a period (or one-key quantity) that is not 1 or
    // more, keeps the value kept at activation. The fields show the result; the dialog hides.
    SettingsChoice Apply();
    // キャンセル: the kept fields come back and the dialog hides. Returns the folder field.
    std::string Cancel();

private:
    SettingsFields kept_;
    bool keepAtActivation_ = true;
};

}  // namespace corvala
