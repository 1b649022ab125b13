// The display action: from the date and code boxes to the four loaded series.

#include "data/day_loader.h"
#include "data/series_table.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/session_file.h"
#include "replay/navigation.h"
#include "replay/simulation.h"
#include "settings/settings_files.h"

namespace corvala {
namespace {

constexpr const char* kNoDateData = "　　この日付のデータはありません。";
constexpr const char* kNoDayData = "この日のデータはありません。";
constexpr int kPrevDaySearchDays = 20;

}  // namespace

std::string DataFolderErrorText() {
    return "データのあるフォルダが正しく設定されていません。\n"
           "設定ボタンを押し、『①日中データフォルダ指定』 に\n"
           "データフォルダを設定して下さい。";
}

std::string Simulation::FindPrevTradingDay(const std::string& date) const {
    const auto ymd = ParseYymmdd(date);
    if (!ymd) return "no";
    for (int back = 1; back <= kPrevDaySearchDays; ++back) {
        const std::string candidate = FormatYymmdd(AddDays(*ymd, -back));
        if (DirExists(JoinPath(settings_.dataFolder(), candidate))) return candidate;
    }
    return "no";
}

void Simulation::SetNoDataMessageForMissingFiles(const std::string& seriesItem,
                                                 const std::string& code) {
    const std::string& date = display_.dateText;
    const std::string folder = JoinPath(settings_.dataFolder(), date);
    const bool folderMissing = !DirExists(folder);
    const bool marked = FileExists(JoinPath(folder, std::string(kNoDataMarker)));
    const std::string seriesCode = SeriesCodeFor(seriesItem);
    if (!FileExists(JoinPath(folder, seriesCode + ".csv"))) {
        if (folderMissing || marked) {
            display_.message.text = kNoDateData;
        } else {
            const std::string file = seriesItem + " (" + seriesCode + ".csv)";
            display_.message.text = "　　" + file + " のファイルがありません。日中データ内の" +
                                    date + "フォルダ内に" + file + " ファイルを解凍して入れて下さい。";
        }
    }
    if (!FileExists(JoinPath(folder, code + ".csv"))) {
        display_.message.text = (!folderMissing && !marked)
                                    ? "　　銘柄コード" + code + " のファイルがありません。"
                                    : std::string(kNoDateData);
    }
}

// Loads the four slots in order; false when a file of the chosen day is missing or a file is
// malformed, in which case the message line says why.
bool Simulation::LoadFour(const std::string& seriesCode) {
    const std::string code = display_.codeText;
    DayData& day = *day_;
    bool usable = true;
    loadedFiles_.clear();
    auto load = [&](const std::string& date, const std::string& file, SeriesSlot slot) {
        const DayFileResult r = LoadDaySeries(settings_.dataFolder(), date, file, slot, barLength_, day);
        const bool chosenDay = slot == SeriesSlot::DayIndex || slot == SeriesSlot::DayStock;
        switch (r.status) {
            case DayFileResult::Status::Loaded:
                // Its fingerprint, for a session played from this display.
                if (auto f = DescribeDataFile(settings_.dataFolder(), date + "/" + file + ".csv")) loadedFiles_.push_back(std::move(*f));
                break;
            case DayFileResult::Status::Rejected:
                display_.message.text = "　　" + date + "フォルダの" + file +
                                        ".csv を読み込めません。" + r.problem +
                                        "ファイルを確認して下さい。";
                usable = false;
                break;
            case DayFileResult::Status::Missing:
                if (slot == SeriesSlot::DayStock)
                    display_.message.text = "　　　" + code + "のこの日のデータはありません。";
                usable = usable && !chosenDay;
                break;
            case DayFileResult::Status::MissingMarked:
                usable = usable && !chosenDay;
                break;
        }
    };
    if (prevTradingDay_ != "no") {
        load(prevTradingDay_, seriesCode, SeriesSlot::PrevIndex);
        load(prevTradingDay_, code, SeriesSlot::PrevStock);
    }
    load(chosenDate_, seriesCode, SeriesSlot::DayIndex);
    load(chosenDate_, code, SeriesSlot::DayStock);
    display_.noDataMark = day.noDataMarked;
    return usable;
}

Simulation::DisplayOutcome Simulation::DisplayDay(bool showBusy) {
    if (quiz_.busy()) return DisplayOutcome::Error;  // the quiz's day is on its way
    if (replayRunning()) {
        if (replay_.replayReady) return DisplayOutcome::Error;  // one replay at a time
        AbandonReplay();  // a stopped replay that has not wound down yet: nothing is left to do
    }
    if (pendingBarLength_) SetBarLength(*pendingBarLength_);
    // The screening may have set the start already; otherwise the start-time boxes say it.
    StartPosition position;
    if (presetStart_) {
        position = *presetStart_;
        presetStart_.reset();
    } else {
        StartTimeBoxes start{display_.startHour, display_.startMinute};
        position = ValidateStartTime(start, barLength_);
        display_.startHour = start.hour;
        display_.startMinute = start.minute;
    }
    replay_.startBar = position.startBar;
    replay_.startTime = position.startTime;
    replay_.midSessionStart = position.midSessionStart;

    // The boxes: a date that is not six digits becomes today, a code that is not four digits 8473.
    if (display_.dateText.size() != 6 || !IsAllDigits(display_.dateText))
        SetDateText(FormatYymmdd(ports_.clock.Today()));
    if (display_.codeText.size() != 4 || !IsAllDigits(display_.codeText)) SetCodeText(kDefaultCode);
    if (display_.seriesText.empty()) display_.seriesText = std::string(kDefaultSeriesItem);
    chosenDate_ = display_.dateText;
    stockCode_ = ParseStockCode(display_.codeText);
    tapeStop_ = false;

    ResetReplayForDisplay();
    if (showBusy) ShowBusy(true);
    const bool sameDay = dayLoaded_;
    if (!sameDay) day_->ClearSeries();
    replayAllowed_ = false;

    if (settings_.dataFolder().empty() || !DirExists(settings_.dataFolder())) {
        ShowBusy(false);
        ports_.dialogs.ShowError(1012, DataFolderErrorText());
        EndDisplayWithoutReplay();
        return DisplayOutcome::Error;
    }
    if (!DirExists(JoinPath(settings_.dataFolder(), chosenDate_))) {
        ShowBusy(false);
        ports_.dialogs.ShowError(1014, "設定された日付のデータは存在しません。日付を変更して下さい。");
        EndDisplayWithoutReplay();
        return DisplayOutcome::Error;
    }

    display_.noDataMark = sameDay ? day_->noDataMarked : std::array<bool, 2>{false, false};
    ClearLists();
    const auto ymd = ParseYymmdd(chosenDate_);
    display_.dayLabel = ymd ? JapaneseDateLabel(*ymd) : std::string{};
    prevTradingDay_ = FindPrevTradingDay(chosenDate_);
    const auto prevYmd = ParseYymmdd(prevTradingDay_);
    display_.prevDayLabel = prevYmd ? JapaneseDateLabel(*prevYmd) : std::string{};

    DisplayOutcome outcome = DisplayOutcome::Loaded;
    if (!sameDay) {
        // A fresh load judges the boxes as they are now; a no-data message from an earlier code
        // would otherwise refuse this one.
        display_.message = MessageLine{};
        SetNoDataMessageForMissingFiles(display_.seriesText, display_.codeText);
        const std::string before = display_.message.text;
        const bool usable = LoadFour(SeriesCodeFor(display_.seriesText));
        if (!usable) {
            const bool rejected = display_.message.text.find("を読み込めません。") != std::string::npos;
            outcome = rejected ? DisplayOutcome::Rejected : DisplayOutcome::NoData;
        }
        if (display_.message.text != before || !usable) FlashMessage();
    }
    ShowBusy(false);

    if (outcome != DisplayOutcome::Loaded ||
        display_.message.text.find(kNoDayData) != std::string::npos) {
        EndDisplayWithoutReplay();
        return outcome == DisplayOutcome::Loaded ? DisplayOutcome::NoData : outcome;
    }
    dayLoaded_ = true;
    replayAllowed_ = true;
    trading_.NewDay(*day_);
    // One seed for the day's draws, so that a session file can draw them again.
    daySeed_ = playbackSeed_ ? *playbackSeed_
               : fixedDaySeed_ ? *fixedDaySeed_
                               : static_cast<std::uint64_t>(ports_.random.Next() * 9007199254740992.0);
    dayRandom_ = SeededRandom(daySeed_);
    trading_.BuildDayTape(givenTape_, tapeStop_);
    trading_.BuildInitialBoard(0);
    chart_.ShowLoadedDay();
    if (replay_.simulationMode) PrepareReplay();
    return DisplayOutcome::Loaded;
}

// The display found nothing to replay: the replay it set up is stopped without questions.
void Simulation::EndDisplayWithoutReplay() {
    preparing_ = false;
    chart_.ShowEmpty();
    const MessageLine reason = display_.message;  // says why; the stop must not clear it
    SetNavigation(0);
    Stop(true);
    replay_.stopRequested = false;
    display_.message = reason;
}

void Simulation::StartFromScreening(const ScreeningHandOver& h) {
    if (replayRunning() && replay_.replayReady) return;
    SetSimulationChecked(true);
    SetDateText(h.pick.date);
    SetCodeText(h.pick.code);
    if (h.nearStart) {
        // The boxes show where the replay starts: hour without its zero, minutes with two digits.
        const int seconds = ParseTimeOfDay(h.start.startTime).value_or(9 * 3600);
        display_.startHour = std::to_string(seconds / 3600);
        const int minute = seconds / 60 % 60;
        display_.startMinute = (minute < 10 ? "0" : "") + std::to_string(minute);
    }
    presetStart_ = StartPosition{h.start.startBar, h.start.startTime, h.start.midSessionStart};
    DisplayDay();
}

QuizMode::UserDay Simulation::EnterQuizDay(const std::string& folder, const QuizDescription& quiz) {
    QuizMode::UserDay own{display_.dateText, display_.codeText, settings_.dataFolder(), settings_.keptAside()};
    settings_.SetQuizOwnFolder(DataFolderToSave(own.folder, own.keptAside, {}));
    settings_.UseFolder(folder, std::nullopt);
    SetDateText(quiz.date);
    SetCodeText(quiz.code);
    display_.seriesText = std::string(kDefaultSeriesItem);
    return own;
}

void Simulation::SettleQuizDay(const std::string& folder) {
    // A settings dialog open meanwhile keeps the quiz folder.
    settings_.UseFolder(folder, std::nullopt, /*forDialog=*/true);
    SetNavigation(kIdle);
    ShowBusy(false);
    presetStart_ = StartPosition{0, "08:59:59", false};
}

void Simulation::PrepareQuizDay(const StartPosition& start) {
    presetStart_ = start;
    if (start.midSessionStart) {
        const int seconds = ParseTimeOfDay(start.startTime).value_or(9 * 3600);
        display_.startHour = std::to_string(seconds / 3600);
        const int minute = seconds / 60 % 60;
        display_.startMinute = (minute < 10 ? "0" : "") + std::to_string(minute);
    }
    SetSimulationChecked(true);
}

void Simulation::DisplayQuizDay() { DisplayDay(); }

void Simulation::LeaveQuizDay(const QuizMode::UserDay& day) {
    // Nor does a dialog open meanwhile bring the quiz's back.
    settings_.UseFolder(day.folder, day.keptAside, /*forDialog=*/true);
    settings_.SetQuizOwnFolder({});
    SetDateText(day.date);
    SetCodeText(day.code);
    presetStart_.reset();
    replay_.startBar = 0;
    replay_.midSessionStart = false;
    if (!replayRunning()) {
        ForgetLoadedDay();
        SetNavigation(kIdle);
    }
}

}  // namespace corvala
