// Session files: every replay written down as the user played it, and played again from its
// file. What the user does is written at the operations, where every front end passes; what the
// outside world gave the run (answers, the computer's clock, a board click's age) is written as
// it was read, and the day's random draws follow the seed of the file.

#include <cstdio>

#include "data/day_loader.h"
#include "data/series_table.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/simulation.h"

namespace corvala {
namespace {

constexpr const char* kWatchingText = "　　記録したセッションを再現しています。■で終了します。";
constexpr const char* kMatchedText = "　　セッションを最後まで再現しました。約定と口座は記録と同じです。";
constexpr const char* kMatchedOldText =
    "　　セッションを最後まで再現しました。(結果の記録がない古い形式のため、約定と口座は照合していません。)";
constexpr const char* kDivergedText =
    "　　セッションの再現が記録と違う結果になりました。このファイルは記録したときのとおりには再現できません。";
constexpr const char* kCutShortText =
    "　　セッションファイルが途中で終わっているため、最後の操作のところで再現を止めました。決済や記録はしていません。";

}  // namespace

std::string OpArg(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

OperationLog::Opened Simulation::BeginOperation(const char* op, std::initializer_list<std::string> args) {
    Opened opened{true, recordingOp_};
    if (opDepth_++ > 0) return opened;  // called by another operation or by the replay itself
    if (playback_) {
        opened.allowed = playback_->acting;
        return opened;
    }
    if (!sessionOut_) return opened;
    WriteSessionLine(SessionActionLine({0, resumptions_, display_.clockText, op, std::vector<std::string>(args)}));
    recordingOp_ = true;  // its questions' answers belong to it
    return opened;
}

void Simulation::EndOperation(const Opened& opened) {
    --opDepth_;
    recordingOp_ = opened.wasRecording;
}

void Simulation::WriteSessionLine(const std::string& line) {
    if (!sessionOut_) return;
    sessionOut_->Add(line);
    if (!sessionOut_->path().empty()) sessionPath_ = sessionOut_->path();
    // Said once: a session that cannot be written must not stop the replay.
    if (!sessionOut_->problem().empty() && sessionProblemSaid_ != sessionOut_->problem()) {
        sessionProblemSaid_ = sessionOut_->problem();
        SetMessage(sessionProblemSaid_);
    }
}

// From the display that prepares a replay: the day as loaded, the start and the account.
void Simulation::BeginSession() {
    CloseSessionFile("left");
    resumptions_ = 0;
    sessionPath_.clear();
    if (playback_) return;
    SessionStart s;
    s.dataFolder = settings_.dataFolder();
    s.date = chosenDate_;
    s.code = display_.codeText;
    s.series = display_.seriesText;
    s.name = stocks_.Name(stockCode_);
    s.barLength = barLength_;
    s.startBar = replay_.startBar;
    s.startTime = replay_.startTime;
    s.midSessionStart = replay_.midSessionStart;
    s.seed = daySeed_;
    s.investment = trading_.account().baseInvestment;
    s.profitTotal = trading_.account().profitTotal;
    s.lossTotal = trading_.account().lossTotal;
    s.cashOnly = trading_.account().cashOnly;
    s.boardOption = display_.boardOption;
    s.hideBoardAndTape = display_.hideBoardAndTape;
    s.fillSound = display_.fillSoundOption;
    s.tradeMarker = display_.tradeMarkerOption;
    s.clickedPrice = orderDialogs_.clickedBoardPrice();
    s.givenTape = givenTape_;
    s.files = loadedFiles_;
    const std::string folder = JoinPath(JoinPath(installFolder_, kHistoryFolder), kSessionFolder);
    CreateDir(folder);
    sessionOut_ = std::make_unique<SessionWriter>(folder, SaveFileStem(), !sessionOnlyKept_);
    sessionProblemSaid_.clear();
    WriteSessionLine(SessionHeaderLine(s));
}

// The replay ended ("completed", "stopped") or was left: the session file is closed, a played
// session is over.
void Simulation::EndSession(const char* how) {
    CloseSessionFile(how);
    if (playback_) FinishPlayback(how);
}

void Simulation::CloseSessionFile(const char* how) {
    if (!sessionOut_) return;
    WriteSessionLine(SessionEndLine(display_.clockText, resumptions_, how, trading_.record().kept(), RunOutcome()));
    if (!sessionOut_->problem().empty() || (sessionOnlyKept_ && !trading_.record().kept())) sessionPath_.clear();
    sessionOut_.reset();
}

// The user ends a session that plays: the day stays where it is, nothing is settled or kept.
void Simulation::StopPlayback() {
    if (!playback_) return;
    FinishPlayback(nullptr);
    Stop(/*withoutQuestions=*/true);
    Notify();
}

// The fills of the run and the account as they stand.
SessionOutcome Simulation::RunOutcome() const {
    SessionOutcome o;
    for (const TradingDesk::Fill& f : trading_.fills()) {
        const Execution& e = f.execution;
        o.fills.push_back({FormatTimeOfDay(e.seconds), e.closing, e.side, e.quantity, e.price, e.orderNumber});
    }
    const Account& a = trading_.account();
    o.account = {a.baseInvestment, a.profitTotal, a.lossTotal, a.buyingPower, a.runPnl, a.cashOnly};
    return o;
}

// `how` the replay ended, nothing when it did not end by itself. A run ends as recorded when it
// ends the same way, at the same step, with every action and answer used, and (in a file that
// holds it) with the same fills and account.
void Simulation::FinishPlayback(const char* how) {
    std::unique_ptr<Playback> p = std::move(playback_);
    PlaybackOutcome& o = playbackOutcome_;
    o.history = p->history;
    o.actionsLeft = static_cast<int>(p->file.actions.size() - p->nextAction);
    o.answersLeft = static_cast<int>(p->file.answers.size() - p->nextAnswer);
    o.finished = true;
    o.outcomeChecked = p->file.outcome.has_value();
    o.matched = how && how == p->file.end && resumptions_ == p->file.endStep && trading_.record().kept() == p->file.endKept &&
                o.actionsLeft == 0 && o.answersLeft == 0 && (!p->file.outcome || *p->file.outcome == RunOutcome());
    if (p->restore) {
        const UserState& u = *p->restore;
        givenTape_ = u.givenTape;
        // The boxes keep the watched day; a display reads the user's own folder afresh.
        dayLoaded_ = replayAllowed_ = false;
        settings_.UseFolder(u.dataFolder, u.keptAside);
        if (u.barLength != barLength_) pendingBarLength_ = u.barLength;
        trading_.RestoreAccount(u.account.baseInvestment, u.account.profitTotal, u.account.lossTotal, u.account.cashOnly);
        display_.boardOption = u.boardOption;
        display_.hideBoardAndTape = u.hideBoardAndTape;
        display_.fillSoundOption = u.fillSound;
        display_.tradeMarkerOption = u.tradeMarker;
    }
    if (how) SetMessage(!o.matched ? kDivergedText : o.outcomeChecked ? kMatchedText : kMatchedOldText);
}

// The replay cannot go on as its file says: the file ends before its run did (`cutShort`), or the
// run waits for an action its file does not hold. It stops where it stands, nothing settled, and
// the message line says why.
void Simulation::StopPlaybackShort(bool cutShort) {
    FinishPlayback(nullptr);
    playbackOutcome_.cutShort = cutShort;
    Stop(/*withoutQuestions=*/true);
    SetMessage(cutShort ? kCutShortText : kDivergedText);
    Notify();
}

std::string Simulation::PlaySession(SessionFile session, bool restoreAfter) {
    if (replayRunning() && replay_.replayReady) return "シミュレーション中はセッションを再生できません。停止してから再生して下さい。";
    if (quiz_.busy()) return "出題の取り込み中はセッションを再生できません。";
    if (quiz_.on()) return "出題の間はセッションを再現できません。出題ボタンを解除してから再現して下さい。";
    if (std::string problem = CheckSessionHeader(session.start); !problem.empty()) return problem;
    if (std::string problem = CheckSessionData(session.start); !problem.empty()) {
        // A data folder that moved: the folder in use serves when it holds the same files.
        SessionStart here = session.start;
        here.dataFolder = settings_.dataFolder();
        if (settings_.dataFolder().empty() || settings_.dataFolder() == session.start.dataFolder || !CheckSessionData(here).empty()) return problem;
        session.start.dataFolder = settings_.dataFolder();
    }
    const SessionStart& s = session.start;
    if (!ParseYymmdd(s.date) || ParseStockCode(s.code) < 0 || !IsValidBarLength(s.barLength) ||
        s.startBar > LastBar(s.barLength))
        return "セッションファイルの日付・銘柄コード・足の長さ・開始の位置が正しくありません。";
    if (replayRunning()) AbandonReplay();  // a stopped replay still winding down
    CloseSessionFile("left");
    sessionPath_.clear();
    std::optional<UserState> restore;
    if (restoreAfter)
        restore = UserState{settings_.dataFolder(),
                            settings_.keptAside(),
                            pendingBarLength_.value_or(barLength_),
                            trading_.account(),
                            display_.boardOption,
                            display_.hideBoardAndTape,
                            display_.fillSoundOption,
                            display_.tradeMarkerOption,
                            givenTape_};
    playback_ = std::make_unique<Playback>();
    playback_->restore = std::move(restore);
    playback_->acting = true;
    playbackOutcome_ = PlaybackOutcome{};

    settings_.UseFolder(s.dataFolder, std::nullopt);
    SetBarLength(s.barLength);
    SetDateText(s.date);
    SetCodeText(s.code);
    SelectSeries(s.series);
    trading_.RestoreAccount(s.investment, s.profitTotal, s.lossTotal, s.cashOnly);
    display_.boardOption = s.boardOption;
    display_.hideBoardAndTape = s.hideBoardAndTape;
    display_.fillSoundOption = s.fillSound;
    display_.tradeMarkerOption = s.tradeMarker;
    givenTape_ = s.givenTape;
    orderDialogs_.RestoreClickedPrice(s.clickedPrice);  // its age is the file's first board click
    presetStart_ = StartPosition{s.startBar, s.startTime, s.midSessionStart};
    playbackSeed_ = s.seed;
    SetSimulationChecked(true);
    playback_->file = std::move(session);
    const DisplayOutcome outcome = DisplayDay();
    playbackSeed_.reset();
    if (outcome != DisplayOutcome::Loaded || !replayRunning()) {
        const std::string why = display_.message.text.empty() ? "セッションの日を表示できませんでした。" : std::string(Trim(display_.message.text));
        if (playback_) FinishPlayback(nullptr);
        return why;
    }
    // The display read what the header names, and nothing else.
    if (loadedFiles_ != playback_->file.start.files) {
        StopPlayback();
        return "セッションファイルに記録したデータファイルと、その日を表示して読んだデータファイルが合いません。このセッションは再生できません。";
    }
    playback_->acting = false;
    SetMessage(kWatchingText);
    ApplyDueSessionActions();
    Notify();
    return {};
}

bool Simulation::playbackStalled() const {
    const ReplayClock& r = replay_;
    const bool heldForGood = heldPaused_ && r.paused && r.stepForwardCount == 0 && r.backRequest == 0;
    return playback_ && playback_->nextAction == playback_->file.actions.size() && (heldForGood || waitingForPlay());
}

// The actions written between this resumption of the loop and the next, in their order. A file
// cut short (the program ended mid-run) ends the replay past its last action, without settling.
void Simulation::ApplyDueSessionActions() {
    while (playback_ && playback_->nextAction < playback_->file.actions.size()) {
        const SessionAction a = playback_->file.actions[playback_->nextAction];  // a copy: it may end the playing
        if (a.step > resumptions_) return;
        ++playback_->nextAction;
        playback_->acting = true;
        const int depth = std::exchange(opDepth_, 0);
        ApplySessionAction(a);
        opDepth_ = depth;
        if (playback_) playback_->acting = false;
    }
    if (!playback_) return;
    if (!playback_->file.end.empty()) {
        if (playbackStalled()) StopPlaybackShort(/*cutShort=*/false);
        return;
    }
    const auto& actions = playback_->file.actions;
    if (resumptions_ > (actions.empty() ? 0 : actions.back().step) && replay_.replayReady) StopPlaybackShort(/*cutShort=*/true);
}

void Simulation::ApplySessionAction(const SessionAction& a) {
    const auto text = [&](std::size_t k) -> std::string { return k < a.args.size() ? a.args[k] : std::string(); };
    const auto integer = [&](std::size_t k) { return std::atoi(text(k).c_str()); };
    const auto real = [&](std::size_t k) { return static_cast<float>(std::atof(text(k).c_str())); };
    const auto flag = [&](std::size_t k) { return text(k) == "true"; };
    const auto slot = [&](std::size_t k) { return text(k).empty() ? std::nullopt : std::optional<int>(integer(k)); };
    const auto form = [&](std::size_t k) {
        NewOrderForm f;
        f.kind = real(k);
        f.sell = flag(k + 1);
        f.cashCaption = flag(k + 2);
        f.quantity = text(k + 3);
        f.price = text(k + 4);
        f.trigger = text(k + 5);
        f.stopPrice = text(k + 6);
        f.normalMarket = flag(k + 7);
        f.triggerBelow = flag(k + 8);
        f.stopMarket = flag(k + 9);
        return f;
    };
    const std::string& op = a.op;
    // A file may have been edited: what no dialog could have sent is not sent.
    const auto kindOk = [&](std::size_t k) { const float v = real(k); return v == kKindNormal || v == kKindNormalWithStop || v == kKindStop; };
    const auto sideOk = [&](std::size_t k) { const float v = real(k); return v == kSideMarginBuy || v == kSideMarginSell || v == kSideCash; };
    const auto fieldOk = [&](std::size_t k) { return integer(k) >= 0 && integer(k) <= static_cast<int>(OrderField::StopPrice); };
    const auto optionOk = [&](std::size_t k) { return integer(k) >= 0 && integer(k) <= static_cast<int>(OrderDialogs::OrderOption::StopMarket); };
    if (((op == "SetOrderKind" || op == "PlaceNewOrder" || op == "PlaceClosingOrder") && !kindOk(op == "SetOrderKind" ? 1 : 0)) ||
        ((op == "PlaceClosingOrder" || op == "SetBulkClose") && !sideOk(op == "SetBulkClose" ? 0 : 10)) ||
        ((op == "EditOrderText" || op == "SpinOrderField") && !fieldOk(1)) || (op == "SetOrderOption" && !optionOk(1)))
        return;
    if (op == "PressPlayback") {
        // It was taken when it was pressed: the 300 ms a button rests are the user's hand, not the replay's.
        const int index = integer(0);
        if (index >= 0 && index < kPlaybackButtons) display_.controls.playback[static_cast<std::size_t>(index)].heldOff = false;
        PressPlayback(index);
    } else if (op == "SetSpeedScroll") SetSpeedScroll(integer(0));
    else if (op == "ClickSpeedGauge") ClickSpeedGauge(integer(0));
    else if (op == "ClickSlowestLabel") ClickSlowestLabel();
    else if (op == "SetLowSpeed") SetLowSpeed(flag(0));
    else if (op == "RestoreChosenSpeed") orderDialogs_.RestoreChosenSpeed();
    else if (op == "OpenNewOrderDialog") orderDialogs_.OpenNewOrderDialog();
    else if (op == "ActivateNewOrderDialog") orderDialogs_.ActivateNewOrderDialog();
    else if (op == "SetOrderKind") orderDialogs_.SetOrderKind(flag(0), real(1));
    else if (op == "SetOrderOption") orderDialogs_.SetOrderOption(flag(0), static_cast<OrderDialogs::OrderOption>(integer(1)), flag(2));
    else if (op == "EditOrderText") orderDialogs_.EditOrderText(flag(0), static_cast<OrderField>(integer(1)), text(2));
    else if (op == "SpinOrderField") orderDialogs_.SpinOrderField(flag(0), static_cast<OrderField>(integer(1)), flag(2));
    else if (op == "SetNewOrderSell") orderDialogs_.SetNewOrderSell(flag(0));
    else if (op == "SubmitNewOrderDialog") orderDialogs_.SubmitNewOrderDialog();
    else if (op == "CancelNewOrderDialog") orderDialogs_.CancelNewOrderDialog();
    else if (op == "OpenClosingDialog") orderDialogs_.OpenClosingDialog(integer(0));
    else if (op == "SetClosingSide") orderDialogs_.SetClosingSide(real(0));
    else if (op == "EditCloseRow") orderDialogs_.EditCloseRow(integer(0), text(1));
    else if (op == "ToggleCloseRow") orderDialogs_.ToggleCloseRow(integer(0));
    else if (op == "ToggleBulkClose") orderDialogs_.ToggleBulkClose();
    else if (op == "SubmitClosingDialog") orderDialogs_.SubmitClosingDialog();
    else if (op == "CancelClosingDialog") orderDialogs_.CancelClosingDialog();
    else if (op == "OpenCorrectCancelDialog") orderDialogs_.OpenCorrectCancelDialog(integer(0));
    else if (op == "SelectCorrectCancelLine") orderDialogs_.SelectCorrectCancelLine(integer(0));
    else if (op == "CancelSelectedOrder") orderDialogs_.CancelSelectedOrder();
    else if (op == "CorrectSelectedOrder") orderDialogs_.CorrectSelectedOrder();
    else if (op == "CloseCorrectCancelDialog") orderDialogs_.CloseCorrectCancelDialog();
    else if (op == "ClickBoardPrice") orderDialogs_.ClickBoardPrice(integer(0));
    else if (op == "PlaceNewOrder") trading_.PlaceNewOrder(form(0), slot(10));
    else if (op == "PlaceClosingOrder") trading_.PlaceClosingOrder({form(0), real(10)}, slot(11));
    else if (op == "SetCloseQuantity") trading_.SetCloseQuantity(integer(0), text(1));
    else if (op == "SetBulkClose") trading_.SetBulkClose(real(0), flag(1));
    else if (op == "CancelOrder") trading_.CancelOrder(integer(0), flag(1));
    else if (op == "SetSimulationChecked") SetSimulationChecked(flag(0));
    else if (op == "RequestClose") RequestClose();
    else if (op == "SetHideBoardAndTape") SetHideBoardAndTape(flag(0));
    else if (op == "SetBoardOption") SetBoardOption(flag(0));
    else if (op == "SetTapeOption") SetTapeOption(flag(0));
    else if (op == "SetFillSoundOption") SetFillSoundOption(flag(0));
    else if (op == "SetTradeMarkerOption") SetTradeMarkerOption(flag(0));
    // An operation this version does not know changes nothing; what follows may still fit.
}

// The computer's date and time for the history rows: while a session plays, as it was read then.
SessionWallClock Simulation::WallClockNow() {
    if (playback_) {
        const auto& readings = playback_->file.clockReadings;
        if (playback_->nextClock < readings.size()) return readings[playback_->nextClock++];
        if (!readings.empty()) return readings.back();
    }
    const SessionWallClock now{ports_.clock.Today(), ports_.clock.SecondsOfDay()};
    if (sessionOut_) WriteSessionLine(SessionClockLine(now));
    return now;
}

bool Simulation::RecordedAnswer(bool live) {
    if (sessionOut_ && recordingOp_) WriteSessionLine(SessionAnswerLine(display_.clockText, resumptions_, live));
    return live;
}

bool Simulation::BoardClickFresh(bool live) {
    if (playback_) {
        const auto& clicks = playback_->file.boardClicks;
        return playback_->nextBoardClick < clicks.size() ? clicks[playback_->nextBoardClick++] : live;
    }
    if (sessionOut_) WriteSessionLine(SessionBoardClickLine(live));
    return live;
}

RunInfo Simulation::CurrentRunInfo() {
    const SessionWallClock now = WallClockNow();
    const std::string name = playback_ && !playback_->file.start.name.empty() ? playback_->file.start.name
                                                                              : stocks_.Name(stockCode_);
    return RunInfo{RecordedAtText(now.date, now.seconds), TradingDayText(now.date, chosenDate_), display_.codeText, name};
}

void Simulation::RunKept() {
    if (sessionOut_) sessionOut_->Keep();
}

bool Simulation::DivertHistory(const HistoryAppend& text) {
    if (!playback_) return false;
    playback_->history.Add(text);
    return true;
}

}  // namespace corvala
