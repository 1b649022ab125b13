#include "screening/screening_dialog.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/text.h"

namespace corvala {

namespace {

constexpr std::uintmax_t kMaxSearchFileBytes = 512ull * 1024 * 1024;

// "YYYYMM" of a saved month, written "YYYY/MM" or "YYYYMM".
std::string MonthId(std::string text) {
    std::erase(text, '/');
    return text;
}

}  // namespace

void ScreeningDialogModel::Open(const std::string& installFolder, const ScreeningConditions& saved) {
    const bool shown = visible;
    visible = true;
    if (shown || searching_) return;  // brought to the front: the list stays
    if (opened_) {
        // The window was only hidden: its list and conditions are as the user left them, the
        // months as the folder holds them now.
        RelistMonths(installFolder, monthIndex >= 0 ? months[static_cast<std::size_t>(monthIndex)] : std::string());
        return;
    }
    opened_ = true;
    search_.Reset();
    shown_.clear();
    ++listVersion_;
    counterText.clear();
    message.clear();
    selected = -1;
    useEnabled = false;
    conditions = saved;
    conditions.direction = std::clamp(conditions.direction, 0, 2);
    thresholdText = std::to_string(conditions.threshold);
    months = SearchMonths(installFolder);
    const auto found = std::find(months.begin(), months.end(), MonthId(saved.laterMonth));
    monthIndex = months.empty() ? -1 : found != months.end() ? static_cast<int>(found - months.begin())
                                                              : static_cast<int>(months.size()) - 1;
    SetMonthIndex(monthIndex);
    if (MonthId(conditions.earlierMonth) > MonthId(conditions.laterMonth)) conditions.earlierMonth = conditions.laterMonth;
}

void ScreeningDialogModel::RelistMonths(const std::string& installFolder, const std::string& month) {
    months = SearchMonths(installFolder);
    const auto found = std::find(months.begin(), months.end(), month);
    SetMonthIndex(found != months.end() ? static_cast<int>(found - months.begin())
                                        : static_cast<int>(months.size()) - 1);
}

void ScreeningDialogModel::SetMonthIndex(int index) {
    if (months.empty()) {
        monthIndex = -1;
        return;
    }
    monthIndex = std::clamp(index, 0, static_cast<int>(months.size()) - 1);
    conditions.laterMonth = MonthText();
    if (MonthId(conditions.earlierMonth) > MonthId(conditions.laterMonth)) conditions.earlierMonth = conditions.laterMonth;
}

void ScreeningDialogModel::SetDirection(int direction) { conditions.direction = std::clamp(direction, 0, 2); }

void ScreeningDialogModel::SetThresholdText(const std::string& text) {
    thresholdText = text;
    if (IsNumeric(Trim(text))) conditions.threshold = ScreeningThreshold(text);
}

std::string ScreeningDialogModel::SignLabel() const {
    return conditions.direction == kRise ? "＋" : conditions.direction == kFall ? "－" : "±";
}

std::string ScreeningDialogModel::RelationLabel() const {
    return conditions.direction == kRise ? "％以上" : conditions.direction == kFall ? "％以下" : "％範囲外";
}

std::string ScreeningDialogModel::MonthText() const {
    if (monthIndex < 0 || monthIndex >= static_cast<int>(months.size())) return {};
    return MonthLabel(months[static_cast<std::size_t>(monthIndex)]);
}

bool ScreeningDialogModel::BeginSearch(const std::string& installFolder, const StockList& names,
                                       const std::string& dataFolder, Random& random) {
    if (searching_) return true;
    // Not a number reads 5, 0 reads 1 (and the box says so).
    conditions.threshold = ScreeningThreshold(thresholdText);
    thresholdText = std::to_string(conditions.threshold);
    search_.Reset();
    order_.Reset(0);
    shown_.clear();
    ++listVersion_;
    selected = -1;
    useEnabled = false;
    counterText.clear();
    message.clear();
    if (monthIndex < 0) {
        counterText = "0 件";
        return false;
    }
    const std::string path = SearchFilePath(installFolder, months[static_cast<std::size_t>(monthIndex)]);
    std::optional<std::string> bytes = ReadWholeFile(path, kMaxSearchFileBytes);
    if (!bytes) {
        counterText = "0 件";
        if (FileExists(path)) message = "検索データを読み込めません。\n" + path;
        return false;
    }
    search_.Begin(std::move(*bytes), conditions, names, dataFolder, random);
    searching_ = true;
    message = "検索中です。しばらくお待ち下さい。";
    return true;
}

bool ScreeningDialogModel::ContinueSearch(int lines) {
    if (!searching_) return false;
    const std::size_t before = rows().size();
    const bool more = search_.Continue(lines);
    for (std::size_t i = before; i < rows().size(); ++i) shown_.push_back(static_cast<int>(i));
    if (rows().size() / 100 > before / 100) counterText = std::to_string(rows().size() / 100 * 100) + "件";
    if (more) return true;
    searching_ = false;
    counterText = std::to_string(rows().size()) + " 件";
    message = skipped() > 0 ? "読み取れない行が" + std::to_string(skipped()) + "行あり、飛ばしました。" : std::string();
    order_.Reset(rows().size());
    return false;
}

const ScreeningRow* ScreeningDialogModel::RowAt(int place) const {
    if (place < 0 || place >= static_cast<int>(shown_.size())) return nullptr;
    return &rows()[static_cast<std::size_t>(shown_[static_cast<std::size_t>(place)])];
}

void ScreeningDialogModel::Sort(ScreeningSortKey key) {
    if (searching_ || rows().empty()) return;
    const ScreeningRow* current = RowAt(selected);
    const int selectedRow = current ? current->number : -1;
    shown_ = order_.Sort(rows(), key);
    ++listVersion_;
    // The selection stays on its row.
    const auto at = std::find(shown_.begin(), shown_.end(), selectedRow);
    selected = at == shown_.end() ? -1 : static_cast<int>(at - shown_.begin());
}

void ScreeningDialogModel::Select(int place) {
    const ScreeningRow* row = RowAt(place);
    selected = row ? place : -1;
    useEnabled = row && row->available;
}

std::optional<ScreeningPick> ScreeningDialogModel::PickOf(int place, std::string* why) const {
    const ScreeningRow* row = RowAt(place);
    if (!row) return std::nullopt;
    std::optional<ScreeningPick> pick;
    if (!row->available)
        *why = "日中データフォルダに該当銘柄のファイルがありません。\n該当銘柄のファイルを解凍すれば、使用可能となる場合があります。";
    else if (!(pick = ReadScreeningRowText(row->text)))
        *why = "この行の日付・銘柄を読み取れません。";
    return pick;
}

std::optional<ScreeningPick> ScreeningDialogModel::Pick(int place) {
    if (!RowAt(place)) return std::nullopt;
    Select(place);
    std::string why;
    std::optional<ScreeningPick> pick = PickOf(place, &why);
    if (!pick) message = why;
    return pick;
}

}  // namespace corvala
