#include "settings/settings_dialog.h"

#include <algorithm>
#include <optional>

#include "data/day_loader.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace corvala {
namespace {

constexpr char kSeparator = '/';

bool EndsWithSeparator(const std::string& s) { return !s.empty() && (s.back() == '/' || s.back() == '\\'); }

// A period field's value: a whole number from 1 to 24, or nothing.
std::optional<int> PeriodValue(const std::string& field) {
    const double v = LeadingNumber(Trim(field));
    if (!(v >= 1)) return std::nullopt;
    return static_cast<int>(std::min<double>(Int(v), kMaxAveragePeriod));
}

}  // namespace

std::string VersionLine() { return std::string("バージョン：") + "Ver" + kProgramVersion + "  " + kProgramDate; }

const std::vector<std::string>& BarLengthItems() {
    static const std::vector<std::string> items = {"1", "2", "3", "4", "5", "10"};
    return items;
}

bool SettingsDialogModel::Activate() {
    if (!keepAtActivation_) return false;
    kept_ = fields;
    keepAtActivation_ = false;
    return true;
}

void SettingsDialogModel::EditFolder(const std::string& typed) {
    std::string text = typed;
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
    fields.folder = text;
}

void SettingsDialogModel::EditPeriod(int which, const std::string& typed) {
    std::string& field = which == 0 ? fields.ma1 : fields.ma2;
    field = LeadingNumber(typed) > kMaxAveragePeriod ? std::to_string(kMaxAveragePeriod) : typed;
}

void SettingsDialogModel::ChooseBarLength(const std::string& item) {
    const auto& items = BarLengthItems();
    if (std::find(items.begin(), items.end(), item) != items.end()) fields.barLength = item;
}

void SettingsDialogModel::ChooseOneKey(int which, const std::string& key) {
    if (which < 0 || which >= kOneKeys || (!key.empty() && !IsOneKeyName(key))) return;
    for (std::string& other : fields.own.oneKeys)
        if (other == key) other.clear();
    fields.own.oneKeys[static_cast<std::size_t>(which)] = key;
}

std::string SettingsDialogModel::TakeChosenFolder(const std::string& chosen) {
    if (chosen.empty()) return {};
    fields.folder = EndsWithSeparator(chosen) ? chosen : chosen + kSeparator;
    return fields.folder;
}

SettingsChoice SettingsDialogModel::Apply() {
    std::string folder(Trim(fields.folder));
    if (!folder.empty() && !EndsWithSeparator(folder)) folder += kSeparator;
    // A date folder (six digits) picked instead of the folder that holds the dates.
    if (folder.size() >= 7) {
        const std::string_view tail = std::string_view(folder).substr(folder.size() - 7);
        if (IsAllDigits(tail.substr(0, 6)) && EndsWithSeparator(folder)) folder.resize(folder.size() - 7);
    }
    SettingsChoice choice;
    choice.folder = folder.empty() ? std::string(Trim(kept_.folder)) : folder;
    choice.folderChanged = choice.folder != Trim(kept_.folder);
    choice.barLength = static_cast<int>(LeadingNumber(fields.barLength));
    if (!IsValidBarLength(choice.barLength)) choice.barLength = static_cast<int>(LeadingNumber(kept_.barLength));
    if (!IsValidBarLength(choice.barLength)) choice.barLength = 5;
    const auto period = [](const std::string& field, const std::string& kept, int fallback) {
        return PeriodValue(field).value_or(PeriodValue(kept).value_or(fallback));
    };
    choice.ma1 = period(fields.ma1, kept_.ma1, 5);
    choice.ma2 = period(fields.ma2, kept_.ma2, 12);
    const auto units = [](const std::string& field) -> std::optional<int> {
        const double v = LeadingNumber(Trim(field));
        if (!(v >= 1)) return std::nullopt;
        return static_cast<int>(std::min<double>(Int(v), kMaxOneKeyUnits));
    };
    const OwnOptionFields& own = fields.own;
    choice.oneKeys = own.oneKeys;
    choice.oneKeyConfirm = own.oneKeyConfirm;
    choice.oneKeyUnits = units(own.oneKeyUnits).value_or(units(kept_.own.oneKeyUnits).value_or(1));
    choice.hideRange = own.hideRange;
    fields = {choice.folder, std::to_string(choice.barLength), std::to_string(choice.ma1), std::to_string(choice.ma2),
              {choice.oneKeys, choice.oneKeyConfirm, std::to_string(choice.oneKeyUnits), choice.hideRange}};
    visible = false;
    keepAtActivation_ = true;
    return choice;
}

std::string SettingsDialogModel::Cancel() {
    fields = kept_;
    visible = false;
    keepAtActivation_ = true;
    return fields.folder;
}

}  // namespace corvala
