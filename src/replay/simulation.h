#pragma once
// The state of one running program: the loaded day, the stock list and what the main window
// shows. The GUI and the command-line front end drive it through these operations.

#include <functional>
#include <memory>
#include <string>

#include "data/day_series.h"
#include "data/stock_list.h"
#include "platform/ports.h"
#include "replay/display_model.h"

namespace corvala {

struct Ports {
    Dialogs& dialogs;
    Clock& clock;
    Random& random;
    Scheduler& scheduler;
};

inline constexpr const char* kInstallDataFolder = "日中データ";
inline constexpr const char* kHistoryFolder = "売買履歴";
inline constexpr const char* kDefaultCode = "8473";
inline constexpr int kFlashMs = 800;

class Simulation {
public:
    Simulation(Ports ports, std::string installFolder);
    ~Simulation();

    // Start-up: reads the stock list (error 1013 and false when it is missing: the program
    // ends), creates 売買履歴, falls back to the install folder's 日中データ when the configured
    // data folder does not exist, and fills the date box and the series selector.
    bool StartUp(const std::string& configuredDataFolder = {});

    // The user's edits. Each runs the change handler of its box.
    void SetDateText(const std::string& text);
    void SetCodeText(const std::string& text);
    void SelectSeries(const std::string& item);
    void SetSimulationChecked(bool checked);
    // The busy notice's 歩み値停止 button.
    void PressTapeStop();

    enum class DisplayOutcome { Loaded, NoData, Rejected, Error };
    // The display action: validates the boxes, finds the previous trading day and loads the four
    // series. `showBusy` false suppresses the busy notice (callers that show their own).
    DisplayOutcome DisplayDay(bool showBusy = true);

    // Message line.
    void SetMessage(const std::string& text);  // sets the text and flashes it
    void FlashMessage();
    void ClearDataMessage();
    void ClearLists();

    const MainDisplay& display() const { return display_; }
    const DayData& day() const { return *day_; }
    const StockList& stocks() const { return stocks_; }
    const std::string& dataFolder() const { return dataFolder_; }
    const std::string& installFolder() const { return installFolder_; }
    const std::string& prevTradingDay() const { return prevTradingDay_; }  // "no" when none
    const std::string& chosenDate() const { return chosenDate_; }
    int stockCode() const { return stockCode_; }
    int barLength() const { return barLength_; }
    void SetBarLength(int n);
    bool dayLoaded() const { return dayLoaded_; }
    bool replayAllowed() const { return replayAllowed_; }
    bool tapeStopRequested() const { return tapeStop_; }

    // Called whenever the display changes outside a user action (a flash ending).
    void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    void ForgetLoadedDay();
    void RebuildSelector();
    void UpdateCodeLabels();
    std::string FindPrevTradingDay(const std::string& date) const;
    std::string LatestUsableDate() const;
    void SetNoDataMessageForMissingFiles(const std::string& seriesItem, const std::string& code);
    bool LoadFour(const std::string& seriesCode);
    void ShowBusy(bool visible);
    void Notify();

    Ports ports_;
    std::string installFolder_;
    std::string dataFolder_;
    std::string previousDataFolder_;  // the configured one, when the install folder's was used
    StockList stocks_;
    std::unique_ptr<DayData> day_;
    MainDisplay display_;

    std::string chosenDate_;
    std::string prevTradingDay_ = "no";
    int stockCode_ = 8473;
    int barLength_ = 5;
    bool dayLoaded_ = false;     // the boxes still name the loaded day
    bool replayAllowed_ = false;
    bool tapeStop_ = false;
    unsigned flashGeneration_ = 0;
    std::function<void()> listener_;
};

}  // namespace corvala
