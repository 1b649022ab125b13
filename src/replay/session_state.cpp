// Session files: every replay written down as the user played it, and played again from its
// file. What the user does is written at the operations, where every front end passes; what the
// outside world gave the run (answers, the computer's clock, a board click's age) is written as
// it was read, and the day's random draws follow the seed of the file.


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

// From the display that prepares a replay: the day as loaded, the start and the account.
void Simulation::BeginSession() {
    recorder_.Restart();
    if (recorder_.playing()) return;
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
    recorder_.Open(s, SaveFileStem());
}

// The replay ended ("completed", "stopped") or was left: the session file is closed, a played
// session is over.
void Simulation::EndSession(const char* how) {
    recorder_.Close(how);
    if (recorder_.playing()) FinishPlayback(how);
}

// The user ends a session that plays: the day stays where it is, nothing is settled or kept.
void Simulation::StopPlayback() {
    if (!recorder_.playing()) return;
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

// `how` the played file ended, nothing when it did not end by itself; the user's state comes back
// when the file was played for a while only.
void Simulation::FinishPlayback(const char* how) {
    const std::optional<SessionRecorder::UserState> restore = recorder_.FinishPlayback(how);
    const SessionRecorder::PlaybackOutcome& o = recorder_.outcome();
    if (restore) {
        const SessionRecorder::UserState& u = *restore;
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
    recorder_.MarkCutShort(cutShort);
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
    if (const SessionStart& s = session.start; !ParseYymmdd(s.date) || ParseStockCode(s.code) < 0 || !IsValidBarLength(s.barLength) ||
        s.startBar > LastBar(s.barLength))
        return "セッションファイルの日付・銘柄コード・足の長さ・開始の位置が正しくありません。";
    if (replayRunning()) AbandonReplay();  // a stopped replay still winding down
    recorder_.Close("left");
    recorder_.ForgetPath();
    std::optional<SessionRecorder::UserState> restore;
    if (restoreAfter)
        restore = SessionRecorder::UserState{settings_.dataFolder(),
                            settings_.keptAside(),
                            pendingBarLength_.value_or(barLength_),
                            trading_.account(),
                            display_.boardOption,
                            display_.hideBoardAndTape,
                            display_.fillSoundOption,
                            display_.tradeMarkerOption,
                            givenTape_};
    recorder_.StartPlayback(std::move(restore));
    const SessionStart s = session.start;

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
    recorder_.TakeFile(std::move(session));
    const DisplayOutcome outcome = DisplayDay();
    playbackSeed_.reset();
    if (outcome != DisplayOutcome::Loaded || !replayRunning()) {
        const std::string why = display_.message.text.empty() ? "セッションの日を表示できませんでした。" : std::string(Trim(display_.message.text));
        if (recorder_.playing()) FinishPlayback(nullptr);
        return why;
    }
    // The display read what the header names, and nothing else.
    if (loadedFiles_ != recorder_.file().start.files) {
        StopPlayback();
        return "セッションファイルに記録したデータファイルと、その日を表示して読んだデータファイルが合いません。このセッションは再生できません。";
    }
    recorder_.SetActing(false);
    SetMessage(kWatchingText);
    ApplyDueSessionActions();
    Notify();
    return {};
}

bool Simulation::playbackStalled() const {
    const ReplayClock& r = replay_;
    const bool heldForGood = heldPaused_ && r.paused && r.stepForwardCount == 0 && r.backRequest == 0;
    return recorder_.allActionsTaken() && (heldForGood || waitingForPlay());
}

// The actions written between this resumption of the loop and the next, in their order. A file
// cut short (the program ended mid-run) ends the replay past its last action, without settling.
void Simulation::ApplyDueSessionActions() {
    while (const std::optional<SessionAction> a = recorder_.TakeDueAction()) {
        recorder_.SetActing(true);
        const int depth = recorder_.SuspendOperations();
        ApplySessionAction(*a);
        recorder_.ResumeOperations(depth);
        recorder_.SetActing(false);
    }
    // An action still to come waits for its step.
    if (!recorder_.playing() || !recorder_.allActionsTaken()) return;
    const SessionFile& file = recorder_.file();
    if (!file.end.empty()) {
        if (playbackStalled()) StopPlaybackShort(/*cutShort=*/false);
        return;
    }
    const auto& actions = file.actions;
    if (recorder_.resumptions() > (actions.empty() ? 0 : actions.back().step) && replay_.replayReady)
        StopPlaybackShort(/*cutShort=*/true);
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

RunInfo Simulation::CurrentRunInfo() {
    const SessionWallClock now = recorder_.WallClockNow();
    const std::string name = recorder_.playing() && !recorder_.file().start.name.empty() ? recorder_.file().start.name
                                                                                        : stocks_.Name(stockCode_);
    return RunInfo{RecordedAtText(now.date, now.seconds), TradingDayText(now.date, chosenDate_), display_.codeText, name};
}

}  // namespace corvala
