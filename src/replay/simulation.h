#pragma once
// The state of one running program: the loaded day, the stock list and what the main window
// shows. The GUI and the command-line front end drive it through these operations.

#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <vector>
#include <array>
#include <coroutine>
#include <cstdint>

#include "data/day_series.h"
#include "data/stock_list.h"
#include "platform/drives.h"
#include "platform/ports.h"
#include "settings/settings.h"
#include "replay/settings_state.h"
#include "replay/screening_state.h"
#include "replay/quiz_state.h"
#include "replay/chart_state.h"
#include "replay/display_model.h"
#include "replay/operation_log.h"
#include "replay/order_dialogs.h"
#include "replay/replay_clock.h"
#include "replay/task.h"
#include "replay/trading_desk.h"
#include "account/account.h"
#include "account/history.h"
#include "review/session_record.h"
#include "replay/session_file.h"
#include "replay/session_recorder.h"
#include "platform/system.h"
#include "trading/closing_order.h"
#include "trading/matching.h"
#include "trading/new_order.h"
#include "trading/order_tables.h"
#include "trading/records.h"

namespace corvala {

struct Ports {
    Dialogs& dialogs;
    Clock& clock;
    Random& random;
    Scheduler& scheduler;
    Sound* sound = nullptr;  // none: silent
    const RemovableDrives* drives = nullptr;  // none: no drive counts as removable
    FolderPicker* folderPicker = nullptr;     // none: "..." does nothing
    Downloader* downloader = nullptr;         // none: no quiz package can be fetched
    Archive* archive = nullptr;               // none: nor unpacked
};

inline constexpr const char* kInstallDataFolder = "日中データ";
inline constexpr const char* kDefaultCode = "8473";
inline constexpr int kFlashMs = 800;

// The three lines of errors 1012, 1015 and 1016: the data folder is not set up.
std::string DataFolderErrorText();

class Simulation : private ChartState::Host, private ScreeningState::Host, private QuizMode::Host, private TradingDesk::Host, private OrderDialogs::Host,
                   private SettingsState::Host,
                   private SessionRecorder::Host {
public:
    Simulation(Ports ports, std::string installFolder);
    ~Simulation();

    // Start-up, first part: reads the settings of the install folder (setsim, with the hand-over
    // of `appDataFolder`) into the boxes, the options, the data folder, N, the periods and the
    // account. True when the disclaimer is to be shown before the start-up goes on.
    bool LoadSettings(const std::string& appDataFolder);
    // Start-up, second part: reads the stock list (error 1013 and false when it is missing: the
    // program ends), creates 売買履歴, falls back to the install folder's 日中データ when the data
    // folder does not exist, and fills the date box and the series selector. A non-empty
    // `dataFolder` stands in for the settings' one.
    bool StartUp(const std::string& dataFolder = {});

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

    // The utilities beside the replay. 売買履歴 to be opened in the file manager, created when
    // missing; "" after a message when it cannot be.
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

    // Message line.
    void SetMessage(const std::string& text) override;  // sets the text and flashes it
    void FlashMessage();
    void ClearDataMessage();
    void ClearLists();
    // Clears the message line after `ms` unless another message timer replaced this one.
    void StartMessageTimer(int ms);

    // Playback buttons 0–7 (PlaybackIndex). A press on a button that does not accept input is
    // ignored. With a replay loaded they steer it; otherwise they are left to the chart cursor.
    void PressPlayback(int index);
    // The speed scroll bar (1–30, speed = 31 − value), a click on the speed gauge at `x` gauge
    // units, a click on the label left of the gauge (speed 1) and the 低速 box. The scroll bar
    // and the gauge are ignored while the display action prepares a replay.
    void SetSpeedScroll(int value);
    void ClickSpeedGauge(int x);
    void ClickSlowestLabel();
    void SetLowSpeed(bool on) override;
    // A new order was filled: the replay slows to speed 10 when it runs faster.
    void CutSpeedOnFill();
    // The spinners beside the date and the code box; `up` moves to a later date or higher code.
    void SpinDate(bool up);
    void SpinCode(bool up);
    void SetStartTimeText(const std::string& hour, const std::string& minute);
    // A maximise, minimise or resize of a maximised window during a replay: refused with a
    // message; the caller keeps the window as it was.
    void RefuseResize();
    // 当日表示: the chart shows the chosen day only. A displayed day is drawn again.
    void SetDayOnly(bool on);
    // 設定: the day is displayed again before the settings are opened.
    void PressSettings();
    // The window's close request: asks about open positions and leaves the quiz mode. True: the
    // program may end, once SaveSettingsAtExit agrees.
    bool RequestClose();
    // Saves the settings; when they cannot be saved, asks whether to end without them.
    bool SaveSettingsAtExit();

    // ---- Settings ----
    // What the settings file would hold now (the window positions as last remembered).
    Settings CurrentSettings() const;
    // Writes setsim; a failure is told in a box (`quietly`: not told) and false returned, the old
    // file untouched.
    bool SaveSettings(bool quietly = false);
    // The settings as held, the data folder in use and the settings dialog.
    SettingsState& settings() { return settings_; }
    const SettingsState& settings() const { return settings_; }
    const std::string& dataFolder() const { return settings_.dataFolder(); }

    // ---- Quiz mode (出題) ----
    QuizMode& quizMode() { return quiz_; }
    const QuizMode& quizMode() const { return quiz_; }
    // `save` false: the values are taken but setsim is left for a later save.
    void ApplySettingsDialog(bool save = true);

    // ---- Stock screening (銘柄選別) ----
    ScreeningState& screening() { return screening_; }
    const ScreeningState& screening() const { return screening_; }
    // The hand-over itself (also for callers that found the row elsewhere).
    void StartFromScreening(const ScreeningHandOver& handOver) override;

    bool anyOrderDialogOpen() const;

    // The replay loop runs (from 開 始 to the end of the day or a stop).
    bool replayRunning() const { return replayTask_.running(); }
    const ReplayClock& replay() const { return replay_; }
    // Waiting for play at 08:59:59, 12:29:59 or a mid-session start.
    bool waitingForPlay() const;
    bool preparing() const { return preparing_; }
    // The last replay ran to 15:00:00 (rather than being stopped or left).
    bool dayCompleted() const { return loopExit_ == LoopExit::Completed; }

    const MainDisplay& display() const { return display_; }
    const DayData& day() const { return *day_; }
    const StockList& stocks() const { return stocks_; }
    const std::string& installFolder() const { return installFolder_; }
    const std::string& prevTradingDay() const { return prevTradingDay_; }  // "no" when none
    const std::string& chosenDate() const { return chosenDate_; }
    int stockCode() const { return stockCode_; }
    int barLength() const { return barLength_; }
    void SetBarLength(int n);
    bool dayLoaded() const { return dayLoaded_; }
    bool replayAllowed() const { return replayAllowed_; }
    bool tapeStopRequested() const { return tapeStop_; }

    // ---- The trading desk ----
    TradingDesk& trading() { return trading_; }
    const TradingDesk& trading() const { return trading_; }
    // The 歩み値 option (estimate the tape at display time), the 板 option (show the board) and
    // 板・歩み値表示なし (hide board and tape).
    void SetTapeOption(bool on);
    void SetBoardOption(bool on);
    void SetHideBoardAndTape(bool on);
    // The day's tape is taken from these lines ("hh:nn:ss volume price[ @]") at every display
    // instead of being estimated; empty: estimated.
    void UseGivenTape(std::vector<std::string> lines) { givenTape_ = std::move(lines); }
    // The 約定音 and 売買位置 options.
    void SetFillSoundOption(bool on);
    void SetTradeMarkerOption(bool on);
    // ---- The order dialogs ----
    OrderDialogs& orderDialogs() { return orderDialogs_; }
    const OrderDialogs& orderDialogs() const { return orderDialogs_; }

    // Called at every replay step once its figures are shown, before its timed part.
    void SetStepObserver(std::function<void(int row)> observer) { stepObserver_ = std::move(observer); }
    // Called at every replay step after its last sub-step was matched.
    void SetStepEndObserver(std::function<void(int row)> observer) { stepEndObserver_ = std::move(observer); }
    // The loop waits, paused, for play or a forward or back step (not before the open or at the
    // lunch break, and not between two steps).
    bool heldPaused() const { return heldPaused_; }
    int stepsRun() const { return stepsRun_; }

    // ---- The chart ----
    ChartState& chart() { return chart_; }
    const ChartState& chart() const { return chart_; }

    // ---- Session files ----
    // The session files: written as each replay goes, and played again.
    SessionRecorder& sessions() { return recorder_; }
    const SessionRecorder& sessions() const { return recorder_; }
    // Every display draws the day's random numbers from this seed instead of a new one.
    void FixDaySeed(std::uint64_t seed) { fixedDaySeed_ = seed; }
    // Plays a recorded session: its day displayed as it was, every action of the user at the
    // same point of the replay, every question answered and the clock read as then. Nothing is
    // appended to the history files and no session file is written; the user's own actions are
    // ignored until it ends. `restoreAfter`: the account, data folder, N and options come back
    // when it ends. "" when it started, else why not (Japanese).
    std::string PlaySession(SessionFile session, bool restoreAfter);
    // Every action of the playing session is done and the replay waits for a press that never
    // came: the file ends before its run did.
    bool playbackStalled() const;
    // Ends the playing session where it stands, as ■ does: nothing is settled or kept.
    void StopPlayback();
    // Called whenever the display changes outside a user action (a flash ending).
    void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    // The chart's host.
    const DayData& LoadedDay() const override { return *day_; }
    int ChartBarLength() const override { return barLength_; }
    bool ChartReplayRunning() const override { return replayRunning(); }
    void ChartRedisplayDay() override;
    void ChartCursorRemoved() override;
    void ChartShowRow(int row, std::optional<int> seconds) override { trading_.ShowRowOnBoard(row, seconds); }
    void ChartChanged() override { Notify(); }
    // The screening's host.
    const std::string& ScreeningDataFolder() const override { return settings_.dataFolder(); }
    const StockList& ScreeningStocks() const override { return stocks_; }
    const ScreeningConditions& SavedScreeningConditions() const override { return settings_.screening(); }
    void KeepScreeningConditions(const ScreeningConditions& c) override { settings_.KeepScreening(c); }
    bool ReplayLoaded() const override { return replayRunning() && replay_.replayReady; }
    int NextBarLength() const override { return pendingBarLength_.value_or(barLength_); }
    void ScreeningChanged() override { Notify(); }
    // The quiz mode's host.
    QuizMode::UserDay EnterQuizDay(const std::string& folder, const QuizDescription& quiz) override;
    void LeaveQuizDay(const QuizMode::UserDay& day) override;
    void SettleQuizDay(const std::string& folder) override;
    void PrepareQuizDay(const StartPosition& start) override;
    void DisplayQuizDay() override;
    // The trading desk's host.
    int StockCodeShown() const override { return stockCode_; }
    bool ReplayOpenForOrders() const override { return day_ && replay_.replayReady && replayTask_.running(); }
    double StepPrice() const override { return currentPrice_; }
    RunInfo CurrentRunInfo() override;
    void NewOrderFilled() override { CutSpeedOnFill(); }
    void OrderStored() override { replay_.orderInterrupt = true; }
    void OrderGone(int slot, bool closing) override { orderDialogs_.OrderGone(slot, closing); }
    void OrdersShown() override { orderDialogs_.FollowOrders(); }
    void RunKept() override { recorder_.KeepRun(); }
    bool DivertHistory(const HistoryAppend& text) override { return recorder_.DivertHistory(text); }
    bool PlayingSession() const override { return recorder_.playing(); }
    // The session recorder's host.
    bool RunKeptNow() const override { return trading_.record().kept(); }
    SessionOutcome RunOutcome() const override;
    // The settings' host.
    void DataFolderChanged() override;
    void SettingsFieldsEdited() override;
    // The order dialogs' host.
    std::string StockNameShown() const override { return stocks_.Name(stockCode_); }

    // A suspension of the replay loop, resumed by the scheduler after `ms`; inside the timed part
    // of a step it ends early when a button asks for it.
    struct WaitAwaiter {
        Simulation* sim;
        int ms;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> h) { sim->Suspend(ms, h); }
        void await_resume() const noexcept {}
    };
    WaitAwaiter WaitMs(int ms) { return WaitAwaiter{this, ms}; }
    void Suspend(int ms, std::coroutine_handle<> h);
    void ResumeWait(unsigned generation);
    void EndWaitEarly(bool evenOutsideStep = false);
    void AbandonReplay();
    void Later(int ms, std::function<void()> callback);
    bool AskQuestion(const std::string& title, const std::string& text) override;
    void BeginModal();
    void EndModal();
    void BeginSession();
    void EndSession(const char* how);
    void ApplyDueSessionActions();
    void ApplySessionAction(const SessionAction& action);
    void FinishPlayback(const char* how);
    void StopPlaybackShort(bool cutShort);
    bool BoardClickFresh(bool live) override { return recorder_.BoardClickFresh(live); }
    // The boxes of user actions, with the replay held while one is open.
    class HeldDialogs final : public Dialogs {
    public:
        explicit HeldDialogs(Simulation& sim) : sim_(sim) {}
        void ShowError(int number, const std::string& text) override;
        bool Ask(const std::string& title, const std::string& text) override;
        void ShowNotice(const std::string& title, const std::string& text) override;

    private:
        Simulation& sim_;
    };
    HeldDialogs heldDialogs_{*this};

    // The replay (replay_engine.cpp).
    enum class LoopExit { Completed, Stopped, Left };
    void ResetReplayForDisplay();
    void EndDisplayWithoutReplay();
    void PrepareReplay();
    Task RunDay();
    Task StartReplay();
    Task RunReplay();
    Task LunchBreak();
    Task TimedMatching();
    Task FlashAndWait();
    void EndLoopLeftOrStopped();
    void TakeForwardStep();
    void JumpBack(int& bar, int& step);
    void ShowStepFigures(int row);
    void ShowClockSecond(int seconds);
    void ShowPreOpenNotice(const std::string& text);

    // The controls (playback_controls.cpp).
    void PlayPause();
    void Stop(bool withoutQuestions);
    void RecordOrDiscard(const std::string& question);
    void RequestJump(int index);
    void ApplySpeedScroll(int value);
    void SetSpeed(int speed);
    void StartBlink();
    void StopBlink();
    void BlinkOn(unsigned generation);
    void SetNavigation(int state);
    void ResetStartTime();

    void ForgetLoadedDay();
    void TellSettingsProblems();
    void RebuildSelector();
    void UpdateCodeLabels();
    std::string FindPrevTradingDay(const std::string& date) const;
    std::string LatestUsableDate() const;
    void SetNoDataMessageForMissingFiles(const std::string& seriesItem, const std::string& code);
    bool LoadFour(const std::string& seriesCode);
    void ShowBusy(bool visible) override;
    void Notify() override;

    Ports ports_;
    std::string installFolder_;
    // A start the screening set: the display takes it instead of the start-time boxes.
    std::optional<StartPosition> presetStart_;
    std::optional<int> pendingBarLength_;  // chosen during a replay; the next display takes it
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
    std::function<void(int)> stepObserver_;
    std::function<void(int)> stepEndObserver_;
    bool heldPaused_ = false;
    int stepsRun_ = 0;

    std::vector<std::string> givenTape_;
    bool tapeOptionBeforeSimulation_ = true;

    // The displayed day's seed, its draws (board refills, tape splits) and its files as read.
    std::optional<std::uint64_t> fixedDaySeed_;
    std::uint64_t daySeed_ = 0;
    mutable SeededRandom dayRandom_{0};
    std::optional<std::uint64_t> playbackSeed_;
    std::vector<SessionDataFile> loadedFiles_;

    // The components; the replay's task below goes first when the program ends.
    ReplayClock replay_;
    SettingsState settings_{*this, installFolder_, heldDialogs_, ports_.drives, ports_.folderPicker};
    SessionRecorder recorder_{*this, display_, ports_.clock, installFolder_};
    ChartState chart_{*this, display_, replay_};
    TradingDesk trading_{*this, recorder_, display_, replay_, chart_,
                         TradingDesk::Ports{heldDialogs_, ports_.clock, dayRandom_, ports_.sound}, installFolder_};
    OrderDialogs orderDialogs_{*this, recorder_, display_, replay_, trading_, heldDialogs_, ports_.clock};
    ScreeningState screening_{*this, installFolder_, ports_.clock, ports_.random, ports_.scheduler};
    QuizMode quiz_{*this, display_, installFolder_, ports_.dialogs, ports_.scheduler, ports_.downloader, ports_.archive};
    Task replayTask_;
    LoopExit loopExit_ = LoopExit::Left;
    bool preparing_ = false;     // from the display action until the replay waits for play
    bool dayShown_ = false;      // a finished replay left the day on screen
    double currentPrice_ = 0;
    std::vector<std::string> codeList_;  // stock files of `codeListDate_`, for the code spinner
    std::string codeListDate_;

    std::coroutine_handle<> waiting_;
    unsigned waitGeneration_ = 0;
    int modalDepth_ = 0;          // a question box is open: the replay holds still
    bool resumeDeferred_ = false;
    unsigned blinkGeneration_ = 0;
    unsigned messageTimerGeneration_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // scheduled callbacks check it
};

}  // namespace corvala
