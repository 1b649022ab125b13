#pragma once
// The screening dialog (銘柄選別): the month and the conditions, the search a slice at a time,
// the counter, the two sorts, and the row a user picks.

#include <optional>
#include <string>
#include <vector>

#include "screening/screening.h"

namespace corvala {

class ScreeningDialogModel {
public:
    bool visible = false;
    ScreeningConditions conditions;
    std::string thresholdText = "5";
    std::vector<std::string> months;  // YYYYMM of the search files, oldest first
    int monthIndex = -1;              // -1 when there is none
    std::string downloadMonth;  // YYYYMM typed for データダウンロード
    std::string counterText;
    std::string message;
    int selected = -1;  // a place in `shown`
    bool useEnabled = false;

    // The first opening: the list cleared, the months of `installFolder` listed, the saved
    // conditions in the controls (a saved month that has no file gives the newest month). Later
    // ones show the window as it was left, with the months listed again.
    void Open(const std::string& installFolder, const ScreeningConditions& saved);
    void SetMonthIndex(int index);
    // The months listed again after a download, `month` shown when it is among them.
    void RelistMonths(const std::string& installFolder, const std::string& month);
    void SetDirection(int direction);
    void SetThresholdText(const std::string& text);
    void SetUpTo930(bool on) { conditions.upTo930 = on; }
    void SetHideStartTime(bool on) { conditions.hideStartTime = on; }
    void SetHideEndTime(bool on) { conditions.hideEndTime = on; }
    void SetStartNearStart(bool on) { conditions.startNearStart = on; }

    // "＋" "％以上", "－" "％以下" or "±" "％範囲外", by the direction.
    std::string SignLabel() const;
    std::string RelationLabel() const;
    std::string MonthText() const;  // "YYYY/MM", or "" without months

    // 検　索: the threshold box read, the list cleared, the month's file opened. False when
    // there is nothing to read (no file: the count is 0 at once).
    bool BeginSearch(const std::string& installFolder, const StockList& names, const std::string& dataFolder,
                     Random& random);
    // One slice of the search; false once it has ended.
    bool ContinueSearch(int lines);
    // 停　止: the search ends before its next line.
    void Stop() { search_.Stop(); }
    bool searching() const { return searching_; }

    // The rows in the order the list shows them.
    const std::vector<ScreeningRow>& rows() const { return search_.rows(); }
    const std::vector<int>& shown() const { return shown_; }
    const ScreeningRow* RowAt(int place) const;
    int skipped() const { return search_.skipped(); }
    // Counts every refill of the list (a new search, a sort): the list redraws itself whole then.
    int listVersion() const { return listVersion_; }

    void Sort(ScreeningSortKey key);
    // A click: a row without ○ cannot be used.
    void Select(int place);
    // A double click: the row's hand-over, or the reason in `message` when its day is missing.
    std::optional<ScreeningPick> Pick(int place);
    // The same without touching the window: the reason goes to `why`.
    std::optional<ScreeningPick> PickOf(int place, std::string* why) const;
    // 選択行をシミュレーションに反映.
    std::optional<ScreeningPick> PickSelected() { return Pick(selected); }

private:
    ScreeningSearch search_;
    ScreeningOrder order_;
    std::vector<int> shown_;
    bool searching_ = false;
    bool opened_ = false;
    int listVersion_ = 0;
};

}  // namespace corvala
