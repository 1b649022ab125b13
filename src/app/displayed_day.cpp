// The displayed day: the boxes and their change handlers, and the display action from the date
// and code boxes to the four loaded series.

#include "app/displayed_day.h"

#include "app/chart_state.h"
#include "app/quiz_state.h"
#include "app/settings_state.h"
#include "app/trading_desk.h"
#include "data/day_loader.h"
#include "data/series_table.h"
#include "market/minute_day.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/navigation.h"
#include "replay/replay_loop.h"
#include "replay/session_file.h"
#include "settings/settings_files.h"

namespace corvala {
namespace {

constexpr const char* kNoDateData = "　　この日付のデータはありません。";
constexpr const char* kNoDayData = "この日のデータはありません。";
constexpr int kPrevDaySearchDays = 20;
constexpr const char* kBuiltFromBars = "　　この日は1分足から作ったデータです。板と歩み値は記録ではありません。";

}  // namespace

std::string DataFolderErrorText() {
    return "データのあるフォルダが正しく設定されていません。\n"
           "設定ボタンを押し、『①日中データフォルダ指定』 に\n"
           "データフォルダを設定して下さい。";
}

DisplayedDay::DisplayedDay(MainDisplay& display, Parts parts, Ports ports, std::string installFolder)
    : display_(display), services_(parts.services), parts_(std::move(parts)), ports_(ports), installFolder_(std::move(installFolder)) {}

const std::string& DisplayedDay::dataFolder() const { return parts_.settings.dataFolder(); }

std::string DisplayedDay::FindPrevTradingDay(const std::string& date) const {
    const auto ymd = ParseYymmdd(date);
    if (!ymd) return "no";
    for (int back = 1; back <= kPrevDaySearchDays; ++back) {
        const std::string candidate = FormatYymmdd(AddDays(*ymd, -back));
        if (DirExists(JoinPath(dataFolder(), candidate))) return candidate;
    }
    return "no";
}

void DisplayedDay::SetNoDataMessageForMissingFiles(const std::string& seriesItem,
                                                 const std::string& code) {
    const std::string& date = display_.dateText;
    const std::string folder = JoinPath(dataFolder(), date);
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
bool DisplayedDay::LoadFour(const std::string& seriesCode) {
    const std::string code = display_.codeText;
    DayData& day = services_.day();
    bool usable = true;
    loadedFiles_.clear();
    auto load = [&](const std::string& date, const std::string& file, SeriesSlot slot) {
        const DayFileResult r = LoadDaySeries(dataFolder(), date, file, slot, barLength_, day);
        const bool chosenDay = slot == SeriesSlot::DayIndex || slot == SeriesSlot::DayStock;
        switch (r.status) {
            case DayFileResult::Status::Loaded:
                // Its fingerprint, for a session played from this display.
                if (auto f = DescribeDataFile(dataFolder(), date + "/" + file + ".csv")) loadedFiles_.push_back(std::move(*f));
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
    load(services_.chosenDate(), seriesCode, SeriesSlot::DayIndex);
    load(services_.chosenDate(), code, SeriesSlot::DayStock);
    display_.noDataMark = day.noDataMarked;
    return usable;
}

DisplayedDay::DisplayOutcome DisplayedDay::DisplayDay(bool showBusy) {
    if (parts_.quiz.busy()) return DisplayOutcome::Error;  // the quiz's day is on its way
    if (parts_.loop.running()) {
        if (parts_.loop.clock().replayReady) return DisplayOutcome::Error;  // one replay at a time
        parts_.loop.Abandon();  // a stopped replay that has not wound down yet: nothing is left to do
    }
    // 開 始 with the time cursor fixed on the day shown: the replay starts at the cursor's bar.
    if (display_.simulationChecked)
        if (const auto at = parts_.chart.CursorBarStart()) display_.ShowStartTime(*at);
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
    parts_.loop.SetStart(position);

    // The boxes: a date that is not six digits becomes today, a code that is not four digits 8473.
    if (display_.dateText.size() != 6 || !IsAllDigits(display_.dateText))
        SetDateText(FormatYymmdd(ports_.clock.Today()));
    if (display_.codeText.size() != 4 || !IsAllDigits(display_.codeText)) SetCodeText(kDefaultCode);
    if (display_.seriesText.empty()) display_.seriesText = std::string(kDefaultSeriesItem);
    services_.SetChosenDate(display_.dateText);
    services_.SetStockCode(ParseStockCode(display_.codeText));
    tapeStop_ = false;

    parts_.loop.ResetForDisplay();
    if (showBusy) services_.ShowBusy(true);
    const bool sameDay = dayLoaded_;
    if (!sameDay) {
        services_.day().ClearSeries();
        parts_.alerts.Forget();  // another day's prices
    }
    replayAllowed_ = false;

    if (dataFolder().empty() || !DirExists(dataFolder())) {
        services_.ShowBusy(false);
        ports_.dialogs.ShowError(1012, DataFolderErrorText());
        parts_.loop.EndDisplayWithoutReplay();
        return DisplayOutcome::Error;
    }
    if (!DirExists(JoinPath(dataFolder(), services_.chosenDate()))) {
        services_.ShowBusy(false);
        ports_.dialogs.ShowError(1014, "設定された日付のデータは存在しません。日付を変更して下さい。");
        parts_.loop.EndDisplayWithoutReplay();
        return DisplayOutcome::Error;
    }

    display_.noDataMark = sameDay ? services_.day().noDataMarked : std::array<bool, 2>{false, false};
    parts_.trading.ClearLists();
    const auto ymd = ParseYymmdd(services_.chosenDate());
    display_.dayLabel = ymd ? JapaneseDateLabel(*ymd) : std::string{};
    prevTradingDay_ = FindPrevTradingDay(services_.chosenDate());
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
        if (display_.message.text != before || !usable) services_.FlashMessage();
    }
    services_.ShowBusy(false);

    if (outcome != DisplayOutcome::Loaded ||
        display_.message.text.find(kNoDayData) != std::string::npos) {
        parts_.loop.EndDisplayWithoutReplay();
        return outcome == DisplayOutcome::Loaded ? DisplayOutcome::NoData : outcome;
    }
    dayLoaded_ = true;
    replayAllowed_ = true;
    parts_.trading.NewDay(services_.day());
    // One seed for the day's draws, so that a session file can draw them again. Without a
    // replay the same day shows the same tape at every 表 示: its seed follows from the day.
    daySeed_ = playbackSeed_                        ? *playbackSeed_
               : fixedDaySeed_                      ? *fixedDaySeed_
               : !parts_.loop.clock().simulationMode ? std::stoull(Fnv1a64(services_.chosenDate() + "/" + display_.codeText), nullptr, 16) >> 11
                                                    : static_cast<std::uint64_t>(ports_.random.Next() * 9007199254740992.0);
    dayRandom_ = SeededRandom(daySeed_);
    parts_.trading.BuildDayTape(givenTape_, tapeStop_);
    parts_.trading.BuildInitialBoard(0);
    parts_.chart.ShowLoadedDay();
    // A day built from one-minute bars says so, so that nobody takes its board for a recording.
    if (BuiltFromMinuteBars(JoinPath(dataFolder(), services_.chosenDate()), display_.codeText)) services_.SetMessage(kBuiltFromBars);
    if (parts_.loop.clock().simulationMode) parts_.loop.Prepare();
    return DisplayOutcome::Loaded;
}

std::string DisplayedDay::LatestUsableDate() const {
    if (dataFolder().empty()) return {};
    const auto folders = ListSubfolders(dataFolder());
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        if (!ParseYymmdd(*it)) continue;
        if (FileExists(JoinPath(JoinPath(dataFolder(), *it), std::string(kNoDataMarker)))) continue;
        return *it;
    }
    return {};
}

void DisplayedDay::SetBarLength(int n) {
    if (!IsValidBarLength(n)) return;
    // A replay keeps the bars it started with; the next display takes the new length.
    pendingBarLength_.reset();
    if (parts_.loop.running()) {
        if (n != barLength_) pendingBarLength_ = n;
        return;
    }
    if (n != barLength_) {
        barLength_ = n;
        parts_.loop.SetBarLength(n);
        parts_.chart.UpdateCaptions();
        Forget();
    }
}

void DisplayedDay::ResetStartTime() {
    display_.startHour = "9";
    display_.startMinute = "00";
}

void DisplayedDay::SetStartTimeText(const std::string& hour, const std::string& minute) {
    display_.startHour = hour;
    display_.startMinute = minute;
}

void DisplayedDay::Forget(bool keepChart) {
    dayLoaded_ = false;
    replayAllowed_ = false;
    if (!keepChart) parts_.chart.ShowEmpty();
}

void DisplayedDay::KeepBarLengthForNextDisplay(int n) {
    if (n != barLength_) pendingBarLength_ = n;
}

void DisplayedDay::ShowStartInBoxes(const std::string& time) {
    display_.ShowStartTime(ParseTimeOfDay(time).value_or(9 * 3600));
}

void DisplayedDay::SetDateText(const std::string& text) {
    display_.dateText = text;
    RebuildSelector();
}

void DisplayedDay::RebuildSelector() {
    display_.message = MessageLine{};
    ResetStartTime();
    Forget();
    display_.noDataMark = {false, false};
    services_.SetChosenDate(display_.dateText);
    parts_.trading.ClearLists();
    display_.seriesItems = SelectorItems(static_cast<long>(LeadingNumber(display_.dateText)));
    display_.seriesText = std::string(kDefaultSeriesItem);
}

void DisplayedDay::SetCodeText(const std::string& text) {
    display_.codeText = text;
    display_.nameLabel.clear();
    display_.marketLabel.clear();
    if (CharCount(text) != 4) return;
    ResetStartTime();
    Forget();
    display_.noDataMark = {false, false};
    parts_.trading.ClearLists();
    const int code = ParseStockCode(text);
    if (code < 0) {
        display_.codeText.clear();
        return;
    }
    services_.SetStockCode(code);
    UpdateCodeLabels();
}

void DisplayedDay::UpdateCodeLabels() {
    const int code = ParseStockCode(display_.codeText);
    if (code < 0) return;
    display_.nameLabel = NameLabelText(services_.stocks().Name(code));
    display_.marketLabel = MarketLabelText(services_.stocks().MarketLabel(code));
}

void DisplayedDay::SelectSeries(const std::string& item) {
    display_.seriesText = item;
    Forget();
    display_.noDataMark = {false, false};
    parts_.trading.ClearLists();
}

void DisplayedDay::ChooseSeries(const std::string& item) {
    const bool shown = dayLoaded_ && !parts_.loop.running();
    SelectSeries(item);
    if (!shown) return;
    if (display_.simulationChecked)
        services_.SetMessage(kSeriesOnStart);
    else
        DisplayDay();
    services_.Notify();
}

void DisplayedDay::PressTapeStop() {
    if (display_.simulationChecked) return;
    tapeStop_ = true;
    display_.tapeOption = false;  // the day is shown without a tape
}

void DisplayedDay::SetDayOnly(bool on) {
    display_.dayOnlyChecked = on;
    parts_.chart.RemoveCursor();
    if (parts_.loop.running() || !dayLoaded_) return;
    if (parts_.loop.clock().dayShown && display_.simulationChecked) {
        // The replayed day stays (a display would prepare a new replay), on the new range.
        parts_.chart.SetDayOnly(on);
    }
    else if (!display_.simulationChecked)
        DisplayDay();
    services_.Notify();
}

void DisplayedDay::LoadSettings(const Settings& s) {
    display_.dateText = s.date;
    display_.codeText = s.code;
    SetBarLength(s.barLength);
}

void DisplayedDay::SaveSettings(Settings& s) const {
    s.date = display_.dateText;
    s.code = display_.codeText;
    s.barLength = nextBarLength();
}

}  // namespace corvala
