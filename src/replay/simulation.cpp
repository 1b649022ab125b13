#include "replay/simulation.h"

#include <algorithm>

#include "data/day_loader.h"
#include "data/series_table.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/navigation.h"
#include "settings/settings_files.h"

namespace corvala {

Simulation::Simulation(Ports ports, std::string installFolder)
    : ports_(ports), installFolder_(std::move(installFolder)), day_(std::make_unique<DayData>()) {
    InitPlaybackButtons(display_.controls, barLength_);
    SetNavigation(0);
    SetSpeed(display_.speed.speed);
    trading_.RefreshDisplay();
}

// The loop's frame goes with the task; callbacks still queued find `alive_` gone.
Simulation::~Simulation() = default;

void Simulation::Notify() {
    if (listener_) listener_();
}

void Simulation::ChartRedisplayDay() {
    if (!display_.simulationChecked && dayLoaded_ && !replayRunning()) DisplayDay(false);
}

void Simulation::ChartCursorRemoved() {
    if (!replay_.replayReady) SetNavigation(kIdle);
}


bool Simulation::StartUp(const std::string& dataFolder) {
    if (!stocks_.Load(installFolder_)) {
        ports_.dialogs.ShowError(1013, "インストールフォルダ内に銘柄リスト.csvファイルがありません。");
        return false;
    }
    SetCodeText(display_.codeText);
    const std::string history = JoinPath(installFolder_, kHistoryFolder);
    CreateDir(history);
    // What a program killed while writing left: a run half appended, temporary files.
    if (const std::string problem = RecoverHistory(history); !problem.empty()) SetMessage(problem);
    RemoveLeftSettingsTemporaries(installFolder_);
    quiz_.Check();

    if (!dataFolder.empty()) settings_.UseFolder(dataFolder, settings_.keptAside());
    const std::string installData = JoinPath(installFolder_, kInstallDataFolder);
    const std::string configured = settings_.dataFolder();
    if ((configured.empty() || !DirExists(configured)) && DirExists(installData))
        settings_.UseFolder(installData + "/", configured);
    // Until a date is remembered from an earlier run, offer the newest day that has data.
    std::string date = display_.dateText;
    if (date.empty()) date = LatestUsableDate();
    if (date.empty()) date = FormatYymmdd(ports_.clock.Today());
    SetDateText(date);
    trading_.RestoreAccount(trading_.account().baseInvestment, trading_.account().profitTotal, trading_.account().lossTotal, trading_.account().cashOnly);
    TellSettingsProblems();
    return true;
}

std::string Simulation::LatestUsableDate() const {
    if (settings_.dataFolder().empty()) return {};
    const auto folders = ListSubfolders(settings_.dataFolder());
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        if (!ParseYymmdd(*it)) continue;
        if (FileExists(JoinPath(JoinPath(settings_.dataFolder(), *it), std::string(kNoDataMarker)))) continue;
        return *it;
    }
    return {};
}

void Simulation::SetBarLength(int n) {
    if (!IsValidBarLength(n)) return;
    // A replay keeps the bars it started with; the next display takes the new length.
    pendingBarLength_.reset();
    if (replayRunning()) {
        if (n != barLength_) pendingBarLength_ = n;
        return;
    }
    if (n != barLength_) {
        barLength_ = n;
        replay_.barLength = n;
        chart_.UpdateCaptions();
        InitPlaybackButtons(display_.controls, n);
        SetNavigation(display_.navigationState);
        ForgetLoadedDay();
    }
}

void Simulation::ResetStartTime() {
    display_.startHour = "9";
    display_.startMinute = "00";
}

void Simulation::SetStartTimeText(const std::string& hour, const std::string& minute) {
    display_.startHour = hour;
    display_.startMinute = minute;
}

void Simulation::ForgetLoadedDay() {
    dayLoaded_ = false;
    replayAllowed_ = false;
    chart_.ShowEmpty();
}

void Simulation::SetDateText(const std::string& text) {
    display_.dateText = text;
    RebuildSelector();
}

void Simulation::RebuildSelector() {
    display_.message = MessageLine{};
    ResetStartTime();
    ForgetLoadedDay();
    display_.noDataMark = {false, false};
    chosenDate_ = display_.dateText;
    ClearLists();
    display_.seriesItems = SelectorItems(static_cast<long>(LeadingNumber(display_.dateText)));
    display_.seriesText = std::string(kDefaultSeriesItem);
}

void Simulation::SetCodeText(const std::string& text) {
    display_.codeText = text;
    display_.nameLabel.clear();
    display_.marketLabel.clear();
    if (CharCount(text) != 4) return;
    ResetStartTime();
    ForgetLoadedDay();
    display_.noDataMark = {false, false};
    ClearLists();
    const int code = ParseStockCode(text);
    if (code < 0) {
        display_.codeText.clear();
        return;
    }
    stockCode_ = code;
    UpdateCodeLabels();
}

void Simulation::UpdateCodeLabels() {
    const int code = ParseStockCode(display_.codeText);
    if (code < 0) return;
    display_.nameLabel = NameLabelText(stocks_.Name(code));
    display_.marketLabel = MarketLabelText(stocks_.MarketLabel(code));
}

void Simulation::SelectSeries(const std::string& item) {
    display_.seriesText = item;
    ForgetLoadedDay();
    display_.noDataMark = {false, false};
    ClearLists();
}

void Simulation::SetSimulationChecked(bool checked) {
    const OpScope op(recorder_, "SetSimulationChecked", {OpArg(checked)});
    if (!op) return;
    chart_.RemoveCursor();
    if (checked) {
        display_.controls.speedEnabled = true;
        chart_.ShowEmpty();
        display_.simulationChecked = true;
        display_.noDataMark = {false, false};
        return;
    }
    if (replay_.replayReady && replay_.simulationMode) {
        Stop(false);
        // A No to the stop question keeps the replay, so the box stays set.
        if (!replay_.stopRequested) return;
    }
    display_.controls.speedEnabled = false;
    SetNavigation(0);
    replay_.replayReady = false;
    replay_.paused = false;
    display_.controls.playback[kPlayPause].caption = kPlayCaption;
    display_.simulationChecked = false;
    display_.noDataMark = {false, false};
    display_.tapeOption = tapeOptionBeforeSimulation_;
    tapeOptionBeforeSimulation_ = true;
}

void Simulation::SetTapeOption(bool on) {
    const OpScope op(recorder_, "SetTapeOption", {OpArg(on)});
    if (!op) return;
    display_.tapeOption = on;
    tapeOptionBeforeSimulation_ = on;
}

void Simulation::SetBoardOption(bool on) {
    const OpScope op(recorder_, "SetBoardOption", {OpArg(on)});
    if (!op) return;
    display_.boardOption = on;
}

void Simulation::SetHideBoardAndTape(bool on) {
    const OpScope op(recorder_, "SetHideBoardAndTape", {OpArg(on)});
    if (!op) return;
    display_.hideBoardAndTape = on;
}

void Simulation::PressTapeStop() {
    if (display_.simulationChecked) return;
    tapeStop_ = true;
    display_.tapeOption = false;  // the day is shown without a tape
}

void Simulation::SetMessage(const std::string& text) {
    display_.message.text = text;
    FlashMessage();
}

void Simulation::FlashMessage() {
    display_.message.foreground = colours::kBlack;
    display_.message.background = colours::kFlash;
    const unsigned generation = ++flashGeneration_;
    Later(kFlashMs, [this, generation] {
        if (generation != flashGeneration_) return;  // a newer flash owns the line now
        display_.message.foreground = colours::kMessageText;
        display_.message.background = colours::kBlack;
        Notify();
    });
}

void Simulation::ClearDataMessage() {
    if (display_.message.text.find("この日のデータは") != std::string::npos) return;
    // A history append that failed is said until it succeeds; the stop that kept the run must
    // not wipe the only word of it.
    if (trading_.historyPending() && display_.message.text == trading_.historyProblem()) return;
    display_.message.text.clear();
    display_.message.background = colours::kBlack;
}

void Simulation::ClearLists() {
    display_.priceLabel.clear();
    display_.changeLabel.clear();
    display_.changePercentLabel.clear();
    display_.vwapLabel.clear();
    display_.volumeLabel.clear();
    display_.tapeCounter = "0";
    trading_.ClearTapeList();
    display_.pendingLines.clear();
    display_.holdingLines = {};
    display_.executionLines.clear();
}

void Simulation::ShowBusy(bool visible) {
    display_.busy.visible = visible;
    if (visible) {
        display_.busy.text = kBusyDefaultText;
        display_.busy.foreground = colours::kBusyText;
    }
    Notify();
}

// ---- Settings ----------------------------------------------------------------------------------

bool Simulation::LoadSettings(const std::string& appDataFolder) {
    const Settings& s = settings_.Load(appDataFolder);
    display_.dateText = s.date;
    display_.codeText = s.code;
    SetSimulationChecked(s.simulation);
    SetSpeed(s.speed);
    display_.chartOptions = {s.tick, s.bars, s.average1, s.average2, s.cumulativeVolume, s.vwap, s.prevClose};
    SetBoardOption(s.board);
    chart_.SetAveragePeriods(s.ma1, s.ma2);
    SetBarLength(s.barLength);
    SetFillSoundOption(s.fillSound);
    SetTradeMarkerOption(s.tradeMarkers);
    SetTapeOption(s.tape);
    settings_.FillDialog(s.dataFolder, barLength_, chart_.averagePeriods()[0], chart_.averagePeriods()[1]);
    trading_.RestoreAccount(s.investment, s.profitTotal, s.lossTotal, s.cashOnly);
    TellSettingsProblems();
    return s.showDisclaimer;
}

Settings Simulation::CurrentSettings() const {
    Settings s = settings_.saved();
    s.date = display_.dateText;
    s.code = display_.codeText;
    s.simulation = display_.simulationChecked;
    s.speed = display_.speed.speed;
    const ChartOptionBoxes& o = display_.chartOptions;
    s.tick = o.tick;
    s.bars = o.bars;
    s.average1 = o.average1;
    s.average2 = o.average2;
    s.cumulativeVolume = o.cumulativeVolume;
    s.vwap = o.vwap;
    s.prevClose = o.prevClose;
    s.board = display_.boardOption;
    // In the quiz mode the folder saved is the user's own, the one it put aside.
    s.dataFolder = quiz_.on() ? DataFolderToSave(quiz_.userDay().folder, quiz_.userDay().keptAside, {})
                              : settings_.FolderToSave();
    s.ma1 = chart_.averagePeriods()[0];
    s.ma2 = chart_.averagePeriods()[1];
    s.barLength = pendingBarLength_.value_or(barLength_);
    s.fillSound = display_.fillSoundOption;
    const Account& a = trading_.account();
    s.cashOnly = a.cashOnly;
    s.tradeMarkers = display_.tradeMarkerOption;
    s.tape = display_.tapeOption;
    s.investment = a.baseInvestment;
    s.profitTotal = a.profitTotal;
    s.lossTotal = a.lossTotal;
    return s;
}

bool Simulation::SaveSettings(bool quietly) { return settings_.Save(CurrentSettings(), quietly); }

void Simulation::TellSettingsProblems() {
    if (const std::string text = settings_.ProblemText(); !text.empty()) SetMessage(text);
}

bool Simulation::SaveSettingsAtExit() {
    return settings_.SaveAtExit([this] { return CurrentSettings(); });
}

void Simulation::ApplySettingsDialog(bool save) {
    const int barLengthBefore = barLength_;  // (a replay defers a new one to the next display)
    const SettingsChoice choice = settings_.Apply();
    SetBarLength(choice.barLength);
    chart_.SetAveragePeriods(choice.ma1, choice.ma2);
    // The day still loaded (same folder, same N), cleared by an edit, is drawn again with the
    // periods now in force.
    if (!replayRunning() && dayLoaded_ && barLength_ == barLengthBefore && !chart_.showsDay()) chart_.ShowLoadedDay();
    if (save && settings_.MayOverwrite()) SaveSettings();
    Notify();
}

void Simulation::DataFolderChanged() {
    if (!replayRunning()) ForgetLoadedDay();
}

void Simulation::SettingsFieldsEdited() {
    if (!replayRunning()) chart_.ShowEmpty();
    Notify();
}

}  // namespace corvala
