// The spinners beside the date and the stock-code box: they step through the dates and the
// stock files of the data folder.

#include "app/displayed_day.h"

#include "app/settings_state.h"
#include "app/trading_desk.h"
#include "data/day_loader.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/navigation.h"
#include "replay/replay_loop.h"

namespace corvala {
namespace {

constexpr int kForwardSearchDays = 20;
constexpr int kCodeSkipLimit = 5;

int DayNumber(const Ymd& d) { return d.year * 10000 + d.month * 100 + d.day; }

bool MarkedWithoutData(const std::string& folder) {
    return FileExists(JoinPath(folder, std::string(kNoDataMarker)));
}

}  // namespace

void DisplayedDay::SpinDate(bool up) {
    if (parts_.loop.clock().loaded()) return;
    Forget();
    parts_.trading.ClearBoardLabels();
    parts_.trading.ClearLists();
    ResetStartTime();
    if (dataFolder().empty() || !DirExists(dataFolder())) {
        ports_.dialogs.ShowError(1015, DataFolderErrorText());
        return;
    }
    std::string date = display_.dateText;
    if (date.empty()) {
        for (const std::string& name : ListSubfolders(dataFolder())) {
            if (name.size() == 6 && IsAllDigits(name) &&
                !MarkedWithoutData(JoinPath(dataFolder(), name))) {
                date = name;
                break;
            }
        }
        if (date.empty()) {
            ports_.dialogs.ShowError(1016, DataFolderErrorText());
            return;
        }
    }
    const Ymd today = ports_.clock.Today();
    if (CharCount(date) != 6 || !ParseYymmdd(date)) date = FormatYymmdd(today);
    const Ymd current = *ParseYymmdd(date);
    std::string result = date;
    if (up) {
        for (int d = 1; d <= kForwardSearchDays; ++d) {
            const Ymd next = AddDays(current, d);
            if (DayNumber(next) > DayNumber(today)) break;
            const std::string folder = JoinPath(dataFolder(), FormatYymmdd(next));
            if (DirExists(folder) && !MarkedWithoutData(folder)) {
                result = FormatYymmdd(next);
                break;
            }
        }
    } else {
        const std::string prev = FindPrevTradingDay(date);
        if (prev != "no") result = prev;
    }
    SetDateText(result);
    parts_.loop.SetNavigation(kIdle);
    services_.Notify();
}

void DisplayedDay::SpinCode(bool up) {
    if (parts_.loop.clock().loaded()) return;
    ResetStartTime();
    const std::string folder = JoinPath(dataFolder(), display_.dateText);
    if (codeListDate_ != display_.dateText) {
        codeList_.clear();
        for (const std::string& file : ListFiles(folder)) {
            if (file.size() != 8 || file.compare(4, 4, ".csv") != 0) continue;
            const std::string code = file.substr(0, 4);
            if (IsAllDigits(code)) codeList_.push_back(code);
        }
        codeListDate_ = display_.dateText;
    }
    if (codeList_.empty()) return;
    const std::string current = display_.codeText;
    const auto n = static_cast<int>(codeList_.size());
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (codeList_[static_cast<std::size_t>(i)] == current) at = i;
    std::string next;
    if (at < 0) {
        // A code without a file: the nearest listed code in the direction of the spin.
        for (const std::string& code : codeList_) {
            if (up && code > current) {
                next = code;
                break;
            }
            if (!up && code < current) next = code;
        }
    } else {
        for (int k = 1; k <= kCodeSkipLimit + 1; ++k) {
            const int j = up ? at + k : at - k;
            if (j < 0 || j >= n) break;
            const std::string& code = codeList_[static_cast<std::size_t>(j)];
            if (FileExists(JoinPath(folder, code + ".csv"))) {
                next = code;
                break;
            }
        }
    }
    if (!next.empty() && next != current) {
        SetCodeText(next);
        parts_.trading.ClearBoardLabels();
    }
    services_.Notify();
}

}  // namespace corvala
