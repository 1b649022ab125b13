#pragma once
// Stock screening (銘柄選別) as the main window drives it: the dialog's model, the search a slice
// at a time on the scheduler, the download's outcome. It tells its host when the conditions
// change (the settings keep them) and hands a chosen row over for display.

#include <memory>
#include <string>

#include "data/stock_list.h"
#include "platform/ports.h"
#include "replay/replay_clock.h"
#include "replay/services.h"
#include "screening/screening.h"
#include "screening/screening_dialog.h"

namespace corvala {

class SettingsState;

class ScreeningState {
public:
    class Host {
    public:
        // N for the next display (the one chosen during a replay, else the current one).
        virtual int NextBarLength() const = 0;
        virtual void StartFromScreening(const ScreeningHandOver& handOver) = 0;

    protected:
        ~Host() = default;
    };

    // The conditions are kept in the settings, the data folder is theirs.
    ScreeningState(Host& host, Services& services, SettingsState& settings, const ReplayClock& replay,
                   std::string installFolder, Clock& clock, Random& random, Scheduler& scheduler);

    const ScreeningDialogModel& model() const { return model_; }
    // The conditions go into the settings as they change.
    void Open();
    void Close();
    void SetMonth(int index);
    void SetDirection(int direction);
    void SetThreshold(const std::string& text);
    enum class Option { UpTo930, HideStartTime, HideEndTime, StartNearStart };
    void SetOption(Option option, bool on);
    // 検　索: the list fills a slice at a time on the scheduler; 停　止 ends it between slices.
    void PressSearch();
    void PressStop();
    void Sort(ScreeningSortKey key);
    void SelectRow(int place);
    // A double click on a row, and 選択行をシミュレーションに反映: the row's day goes into the main
    // window and is displayed in simulation mode, from the open or from just before its move.
    void UseRow(int place);
    void UseSelectedRow();
    // データダウンロード: the month typed for it, and what came of it (`landedMonth`: that month's
    // file is in 検索データ now, and the period shows it unless a search is listing another).
    void SetDownloadMonth(const std::string& month);
    void ShowDownload(const std::string& message, const std::string& landedMonth = {});

private:
    void ContinueSearch();
    void KeepConditions();
    void ContinueLater();

    Host& host_;
    Services& services_;
    SettingsState& settings_;
    const ReplayClock& replay_;
    std::string installFolder_;
    Clock& clock_;
    Random& random_;
    Scheduler& scheduler_;
    ScreeningDialogModel model_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // scheduled slices check it
};

}  // namespace corvala
