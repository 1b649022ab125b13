#pragma once
// The displayed day: the stock list, the date, code and series boxes with their spinners, the
// display action that finds the previous trading day and loads the four series, the bar length,
// the day's seed and draws, and the names of what is saved of it. A loaded day goes to the
// trading desk and the chart, and in simulation mode the replay loop is prepared for it. The
// chart, the quiz mode and the screening ask it for the day they show or hand over.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/chart_state.h"
#include "app/quiz_state.h"
#include "app/screening_state.h"
#include "data/day_series.h"
#include "data/stock_list.h"
#include "platform/ports.h"
#include "platform/system.h"
#include "replay/display_model.h"
#include "replay/replay_clock.h"
#include "replay/session_file.h"
#include "replay/settings_slice.h"

namespace corvala {

class PriceAlerts;
class ReplayLoop;
class SettingsState;
class TradingDesk;

inline constexpr const char* kInstallDataFolder = "日中データ";
inline constexpr const char* kDefaultCode = "8473";
inline constexpr const char* kSeriesOnStart = "　　選んだ系列は、開 始を押すと表示されます。";

// The three lines of errors 1012, 1015 and 1016: the data folder is not set up.
std::string DataFolderErrorText();

class DisplayedDay final : public ChartState::Host, public QuizMode::Host, public ScreeningState::Host, public SettingsSlice {
public:
    struct Parts {
        Services& services;
        ReplayLoop& loop;
        TradingDesk& trading;
        ChartState& chart;
        SettingsState& settings;
        const QuizMode& quiz;
        PriceAlerts& alerts;
    };
    struct Ports {
        Dialogs& dialogs;
        Clock& clock;
        Random& random;
    };
    DisplayedDay(MainDisplay& display, Parts parts, Ports ports, std::string installFolder);
    DisplayedDay(const DisplayedDay&) = delete;
    DisplayedDay& operator=(const DisplayedDay&) = delete;

    // The stock list of the install folder; false when it is missing.
    bool LoadStockList() { return services_.stocks().Load(installFolder_); }

    // The user's edits. Each runs the change handler of its box.
    void SetDateText(const std::string& text);
    void SetCodeText(const std::string& text);
    void SelectSeries(const std::string& item);
    // The user picks a series in the selector: the day on screen is displayed again with it at
    // once; in simulation mode, where a display prepares a replay, the message line says that
    // 開 始 applies it.
    void ChooseSeries(const std::string& item);
    void SetStartTimeText(const std::string& hour, const std::string& minute);
    // The start boxes show a start at `time` (hh:nn:ss): hour without its zero, two-digit minutes.
    void ShowStartInBoxes(const std::string& time);
    // The busy notice's 歩み値停止 button.
    void PressTapeStop();
    // The spinners beside the date and the code box; `up` moves to a later date or higher code.
    void SpinDate(bool up);
    void SpinCode(bool up);
    // 当日表示: the chart shows the chosen day only. A displayed day is drawn again.
    void SetDayOnly(bool on);

    enum class DisplayOutcome { Loaded, NoData, Rejected, Error };
    // The display action: validates the boxes, finds the previous trading day and loads the four
    // series. `showBusy` false suppresses the busy notice (callers that show their own).
    DisplayOutcome DisplayDay(bool showBusy = true);
    // The next display starts here instead of at the start-time boxes (a screening pick, a quiz,
    // a played session); nothing resets it.
    void PresetStart(std::optional<StartPosition> start) { presetStart_ = std::move(start); }

    // N. During a replay a new one waits for the next display.
    int barLength() const { return barLength_; }
    int nextBarLength() const { return pendingBarLength_.value_or(barLength_); }
    void SetBarLength(int n);
    void KeepBarLengthForNextDisplay(int n);
    // setsim: the date and code boxes, N (the one chosen for the next display).
    void LoadSettings(const Settings& s) override;
    void SaveSettings(Settings& s) const override;
    // The loaded day is forgotten: the boxes no longer name it, the chart shows its empty frame
    // (`keepChart`: the chart keeps what it shows).
    void Forget(bool keepChart = false);
    // The newest day of the data folder not marked as without data; "" when none.
    std::string LatestUsableDate() const;

    const DayData& data() const { return services_.day(); }
    const StockList& stocks() const { return services_.stocks(); }
    const std::string& prevTradingDay() const { return prevTradingDay_; }  // "no" when none
    const std::string& chosenDate() const { return services_.chosenDate(); }
    int stockCode() const { return services_.stockCode(); }
    bool dayLoaded() const { return dayLoaded_; }
    bool replayAllowed() const { return replayAllowed_; }
    bool tapeStopRequested() const { return tapeStop_; }

    // The day's tape is taken from these lines ("hh:nn:ss volume price[ @]") at every display
    // instead of being estimated; empty: estimated.
    void UseGivenTape(std::vector<std::string> lines) { givenTape_ = std::move(lines); }
    const std::vector<std::string>& givenTape() const { return givenTape_; }
    // The day's random draws (board refills, tape splits) come from one seed per display, so a
    // session file can draw them again: a fixed one for every display, or one for the next.
    void FixDaySeed(std::uint64_t seed) { fixedDaySeed_ = seed; }
    void SeedNextDisplay(std::optional<std::uint64_t> seed) { playbackSeed_ = seed; }
    std::uint64_t seed() const { return daySeed_; }
    Random& random() { return dayRandom_; }
    // The files the last display read, with their fingerprints.
    const std::vector<SessionDataFile>& loadedFiles() const { return loadedFiles_; }

    // ---- What is saved of the day ----
    // 売買履歴 to be opened in the file manager, created when missing; "" after a message when it
    // cannot be.
    std::string HistoryFolderToOpen();
    // The name of a file saved now: "corvala_" + the date and time of the save + "_" + the date
    // box + "_" + the code box + "_" + the replay clock (hhnnss) while a replay runs.
    std::string SaveFileStem() const;
    // A new file in `folder` for a picture of the window: that name and ".png"; a name already
    // taken gets "-2", "-3" ….
    std::string PictureFilePath(const std::string& folder) const;
    // The message line after a picture save, or after the desktop refused to open `what`.
    void ReportPictureSaved(const std::string& path, bool saved);
    void ReportNotOpened(const std::string& what);

private:
    // ---- What the chart, the quiz mode and the screening ask of it (hand_overs.cpp) ----
    int ChartBarLength() const override { return barLength_; }
    void ChartRedisplayDay() override;
    void ChartCursorRemoved() override;
    int NextBarLength() const override { return nextBarLength(); }
    QuizMode::UserDay EnterQuizDay(const std::string& folder, const QuizDescription& quiz) override;
    void SettleQuizDay(const std::string& folder) override;
    void LeaveQuizDay(const QuizMode::UserDay& day) override;
    void PrepareQuizDay(const StartPosition& start) override;
    void DisplayQuizDay() override { DisplayDay(); }
    void StartFromScreening(const ScreeningHandOver& handOver) override;

    void ResetStartTime();
    void RebuildSelector();
    void UpdateCodeLabels();
    std::string FindPrevTradingDay(const std::string& date) const;
    void SetNoDataMessageForMissingFiles(const std::string& seriesItem, const std::string& code);
    bool LoadFour(const std::string& seriesCode);
    const std::string& dataFolder() const;

    MainDisplay& display_;
    Services& services_;
    Parts parts_;
    Ports ports_;
    std::string installFolder_;

    std::string prevTradingDay_ = "no";
    int barLength_ = 5;
    std::optional<int> pendingBarLength_;  // chosen during a replay; the next display takes it
    std::optional<StartPosition> presetStart_;
    bool dayLoaded_ = false;  // the boxes still name the loaded day
    bool replayAllowed_ = false;
    bool tapeStop_ = false;
    std::vector<std::string> givenTape_;
    std::vector<std::string> codeList_;  // stock files of `codeListDate_`, for the code spinner
    std::string codeListDate_;

    std::optional<std::uint64_t> fixedDaySeed_;
    std::optional<std::uint64_t> playbackSeed_;
    std::uint64_t daySeed_ = 0;
    SeededRandom dayRandom_{0};
    std::vector<SessionDataFile> loadedFiles_;
};

}  // namespace corvala
