// Session files: every replay written down as the user played it, and played again from its
// file. What the user does is written at the operations, where every front end passes; what the
// outside world gave the run (answers, the computer's clock, a board click's age) is written as
// it was read, and the day's random draws follow the seed of the file.

#include "app/session_player.h"

#include "app/displayed_day.h"
#include "app/one_key_orders.h"
#include "app/order_dialogs.h"
#include "app/price_alerts.h"
#include "app/quiz_state.h"
#include "app/settings_state.h"
#include "app/trading_desk.h"
#include "data/day_loader.h"
#include "data/series_table.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/session_ops.h"

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
void SessionPlayer::RunBegins() {
    p_.recorder.Restart();
    if (p_.recorder.playing()) return;
    SessionStart s;
    s.dataFolder = p_.settings.dataFolder();
    s.date = p_.day.chosenDate();
    s.code = p_.display.codeText;
    s.series = p_.display.seriesText;
    s.name = p_.day.stocks().Name(p_.day.stockCode());
    s.barLength = p_.day.barLength();
    s.startBar = p_.loop.clock().startBar;
    s.startTime = p_.loop.clock().startTime;
    s.midSessionStart = p_.loop.clock().midSessionStart;
    s.seed = p_.day.seed();
    s.investment = p_.trading.account().baseInvestment;
    s.profitTotal = p_.trading.account().profitTotal;
    s.lossTotal = p_.trading.account().lossTotal;
    s.cashOnly = p_.trading.account().cashOnly;
    s.boardOption = p_.display.boardOption;
    s.hideBoardAndTape = p_.display.hideBoardAndTape;
    s.fillSound = p_.display.fillSoundOption;
    s.tradeMarker = p_.display.tradeMarkerOption;
    s.clickedPrice = p_.orderDialogs.clickedBoardPrice();
    s.givenTape = p_.day.givenTape();
    s.alerts = p_.alerts.prices();
    s.files = p_.day.loadedFiles();
    p_.recorder.Open(s, p_.day.SaveFileStem());
}

// The replay ended ("completed", "stopped") or was left: the session file is closed, a played
// session is over.
void SessionPlayer::RunEnds(const char* how) {
    p_.recorder.Close(how);
    if (p_.recorder.playing()) Finish(how);
}

// The user ends a session that plays: the day stays where it is, nothing is settled or kept.
void SessionPlayer::Stop() {
    if (!p_.recorder.playing()) return;
    Finish(nullptr);
    p_.loop.Stop(/*withoutQuestions=*/true);
    p_.services.Notify();
}

// `how` the played file ended, nothing when it did not end by itself; the user's state comes back
// when the file was played for a while only.
void SessionPlayer::Finish(const char* how) {
    const std::optional<SessionRecorder::UserState> restore = p_.recorder.FinishPlayback(how);
    const SessionRecorder::PlaybackOutcome& o = p_.recorder.outcome();
    if (restore) {
        const SessionRecorder::UserState& u = *restore;
        p_.day.UseGivenTape(u.givenTape);
        // The boxes keep the watched day; a display reads the user's own folder afresh.
        p_.day.Forget(/*keepChart=*/true);
        p_.settings.UseFolder(u.dataFolder, u.keptAside);
        p_.day.KeepBarLengthForNextDisplay(u.barLength);
        p_.trading.RestoreAccount(u.account.baseInvestment, u.account.profitTotal, u.account.lossTotal, u.account.cashOnly);
        p_.display.boardOption = u.boardOption;
        p_.display.hideBoardAndTape = u.hideBoardAndTape;
        p_.display.fillSoundOption = u.fillSound;
        p_.display.tradeMarkerOption = u.tradeMarker;
    }
    if (how) p_.services.SetMessage(!o.matched ? kDivergedText : o.outcomeChecked ? kMatchedText : kMatchedOldText);
}

// The replay cannot go on as its file says: the file ends before its run did (`cutShort`), or the
// run waits for an action its file does not hold. It stops where it stands, nothing settled, and
// the message line says why.
void SessionPlayer::StopShort(bool cutShort) {
    Finish(nullptr);
    p_.recorder.MarkCutShort(cutShort);
    p_.loop.Stop(/*withoutQuestions=*/true);
    p_.services.SetMessage(cutShort ? kCutShortText : kDivergedText);
    p_.services.Notify();
}

std::string SessionPlayer::Play(SessionFile session, bool restoreAfter) {
    if (p_.loop.clock().loaded()) return "シミュレーション中はセッションを再生できません。停止してから再生して下さい。";
    clockSeen_.clear();
    clockSince_ = 0;
    if (!atRecordedTimes_) waitsAtClock_.clear();
    if (p_.quiz.busy()) return "出題の取り込み中はセッションを再生できません。";
    if (p_.quiz.on()) return "出題の間はセッションを再現できません。出題ボタンを解除してから再現して下さい。";
    if (std::string problem = CheckSessionHeader(session.start); !problem.empty()) return problem;
    if (std::string problem = CheckSessionData(session.start); !problem.empty()) {
        // A data folder that moved: the folder in use serves when it holds the same files.
        SessionStart here = session.start;
        here.dataFolder = p_.settings.dataFolder();
        if (p_.settings.dataFolder().empty() || p_.settings.dataFolder() == session.start.dataFolder || !CheckSessionData(here).empty()) return problem;
        session.start.dataFolder = p_.settings.dataFolder();
    }
    if (const SessionStart& s = session.start; !ParseYymmdd(s.date) || ParseStockCode(s.code) < 0 || !IsValidBarLength(s.barLength) ||
        s.startBar > LastBar(s.barLength))
        return "セッションファイルの日付・銘柄コード・足の長さ・開始の位置が正しくありません。";
    if (p_.loop.running()) p_.loop.Abandon();  // a stopped replay still winding down
    p_.recorder.Close("left");
    p_.recorder.ForgetPath();
    std::optional<SessionRecorder::UserState> restore;
    if (restoreAfter)
        restore = SessionRecorder::UserState{p_.settings.dataFolder(),
                            p_.settings.keptAside(),
                            p_.day.nextBarLength(),
                            p_.trading.account(),
                            p_.display.boardOption,
                            p_.display.hideBoardAndTape,
                            p_.display.fillSoundOption,
                            p_.display.tradeMarkerOption,
                            p_.day.givenTape()};
    p_.recorder.StartPlayback(std::move(restore));
    const SessionStart s = session.start;

    p_.settings.UseFolder(s.dataFolder, std::nullopt);
    p_.day.SetBarLength(s.barLength);
    p_.day.SetDateText(s.date);
    p_.day.SetCodeText(s.code);
    p_.day.SelectSeries(s.series);
    p_.trading.RestoreAccount(s.investment, s.profitTotal, s.lossTotal, s.cashOnly);
    p_.display.boardOption = s.boardOption;
    p_.display.hideBoardAndTape = s.hideBoardAndTape;
    p_.display.fillSoundOption = s.fillSound;
    p_.display.tradeMarkerOption = s.tradeMarker;
    p_.day.UseGivenTape(s.givenTape);
    p_.orderDialogs.RestoreClickedPrice(s.clickedPrice);  // its age is the file's first board click
    p_.day.PresetStart(StartPosition{s.startBar, s.startTime, s.midSessionStart});
    p_.day.SeedNextDisplay(s.seed);
    p_.loop.SetSimulationChecked(true);
    p_.recorder.TakeFile(std::move(session));
    const DisplayedDay::DisplayOutcome outcome = p_.day.DisplayDay();
    p_.day.SeedNextDisplay(std::nullopt);
    if (outcome != DisplayedDay::DisplayOutcome::Loaded || !p_.loop.running()) {
        const std::string why = p_.display.message.text.empty() ? "セッションの日を表示できませんでした。" : std::string(Trim(p_.display.message.text));
        if (p_.recorder.playing()) Finish(nullptr);
        return why;
    }
    // The display read what the header names, and nothing else.
    if (p_.day.loadedFiles() != p_.recorder.file().start.files) {
        Stop();
        return "セッションファイルに記録したデータファイルと、その日を表示して読んだデータファイルが合いません。このセッションは再生できません。";
    }
    p_.alerts.Restore(p_.recorder.file().start.alerts);  // those set before the run began
    p_.recorder.SetActing(false);
    p_.services.SetMessage(kWatchingText);
    LoopResumed();
    p_.services.Notify();
    return {};
}

bool SessionPlayer::stalled() const {
    const ReplayClock& r = p_.loop.clock();
    const bool heldForGood = p_.loop.clock().heldPaused && r.paused && r.stepForwardCount == 0 && r.backRequest == 0;
    if (!heldForGood && !p_.loop.waitingForPlay()) return false;
    if (p_.recorder.allActionsTaken()) return true;
    // Played at the recorded times, an action later than a clock that stands still never comes.
    if (!atRecordedTimes_) return false;
    const SessionAction& next = p_.recorder.file().actions[p_.recorder.actionsTaken()];
    const std::optional<int> at = ParseTimeOfDay(next.at);
    return at && *at > ParseTimeOfDay(p_.display.clockText).value_or(0);
}

// The actions written between this resumption of the loop and the next, in their order. A file
// cut short (the program ended mid-run) ends the replay past its last action, without settling.
void SessionPlayer::LoopResumed() {
    if (p_.display.clockText != clockSeen_) {
        clockSeen_ = p_.display.clockText;
        clockSince_ = p_.recorder.resumptions();
    }
    SessionRecorder::DueTest due;
    if (atRecordedTimes_) due = [this](const SessionAction& a, std::size_t i) { return DueAtItsTime(a, i); };
    std::size_t index = p_.recorder.actionsTaken();
    while (const std::optional<SessionAction> a = p_.recorder.TakeDueAction(due)) {
        if (!atRecordedTimes_) {
            if (waitsAtClock_.size() <= index) waitsAtClock_.resize(index + 1, 0);
            waitsAtClock_[index] = a->at == p_.display.clockText ? p_.recorder.resumptions() - clockSince_ : 0;
        }
        ++index;
        p_.recorder.SetActing(true);
        const int depth = p_.recorder.SuspendOperations();
        Apply(*a);
        p_.recorder.ResumeOperations(depth);
        p_.recorder.SetActing(false);
    }
    // An action still to come waits for its step.
    if (!p_.recorder.playing() || !p_.recorder.allActionsTaken()) return;
    const SessionFile& file = p_.recorder.file();
    if (!file.end.empty()) {
        if (stalled()) StopShort(/*cutShort=*/false);
        return;
    }
    const auto& actions = file.actions;
    if (atRecordedTimes_) return;  // the steps are not the file's: only a stall ends it short
    if (p_.recorder.resumptions() > (actions.empty() ? 0 : actions.back().step) && p_.loop.clock().replayReady)
        StopShort(/*cutShort=*/true);
}

bool SessionPlayer::DueAtItsTime(const SessionAction& a, std::size_t index) const {
    // Taken before the day was shown, the action has no time: it is due at once.
    const std::optional<int> at = ParseTimeOfDay(a.at);
    const int now = ParseTimeOfDay(p_.display.clockText).value_or(0);
    if (!at || *at < now) return true;
    if (*at > now) return false;
    const int waits = index < waitsAtClock_.size() ? waitsAtClock_[index] : 0;
    return p_.recorder.resumptions() - clockSince_ >= waits;
}

void SessionPlayer::Apply(const SessionAction& a) {
    const std::optional<SessionOp> known = SessionOpFromName(a.op);
    if (!known) return;  // an operation this version does not know changes nothing; what follows may still fit
    const SessionOp op = *known;
    const auto text = [&](std::size_t k) -> std::string { return k < a.args.size() ? a.args[k] : std::string(); };
    const auto integer = [&](std::size_t k) { return OpArgInt(text(k)); };
    const auto real = [&](std::size_t k) { return OpArgReal(text(k)); };
    const auto flag = [&](std::size_t k) { return OpArgFlag(text(k)); };
    const auto slot = [&](std::size_t k) { return text(k).empty() ? std::nullopt : std::optional<int>(integer(k)); };
    const auto form = [&] { return OrderFormFromArgs(a.args, 0); };
    // A file may have been edited: what no dialog could have sent is not sent.
    const auto kindOk = [&](std::size_t k) { const float v = real(k); return v == 0 || v == 1 || v == 2; };  // 通常, 逆指値付, 逆指値
    const auto sideOk = [&](std::size_t k) { const float v = real(k); return v == 1 || v == 2 || v == 3; };  // 売埋, 買埋, 売付
    const auto side = [&](std::size_t k) { return static_cast<Side>(integer(k)); };
    const auto fieldOk = [&](std::size_t k) { return integer(k) >= 0 && integer(k) <= static_cast<int>(OrderField::StopPrice); };
    const auto optionOk = [&](std::size_t k) { return integer(k) >= 0 && integer(k) <= static_cast<int>(OrderDialogs::OrderOption::StopMarket); };
    if (((op == SessionOp::SetOrderKind || op == SessionOp::PlaceNewOrder || op == SessionOp::PlaceClosingOrder) &&
         !kindOk(op == SessionOp::SetOrderKind ? 1 : 0)) ||
        ((op == SessionOp::PlaceClosingOrder || op == SessionOp::SetBulkClose) && !sideOk(op == SessionOp::SetBulkClose ? 0 : kOrderFormArgs)) ||
        ((op == SessionOp::EditOrderText || op == SessionOp::SpinOrderField) && !fieldOk(1)) ||
        (op == SessionOp::SetOrderOption && !optionOk(1)))
        return;
    OrderDialogs& dialogs = p_.orderDialogs;
    switch (op) {  // no default: every operation is played
    case SessionOp::PressPlayback: {
        // It was taken when it was pressed: the 300 ms a button rests are the user's hand, not the replay's.
        const int index = integer(0);
        if (index >= 0 && index < kPlaybackButtons) p_.display.controls.playback[static_cast<std::size_t>(index)].heldOff = false;
        p_.loop.PressPlayback(index);
        break;
    }
    case SessionOp::SetSpeedScroll: p_.loop.speed().SetSpeedScroll(integer(0)); break;
    case SessionOp::ClickSpeedGauge: p_.loop.speed().ClickSpeedGauge(integer(0)); break;
    case SessionOp::ClickSlowestLabel: p_.loop.speed().ClickSlowestLabel(); break;
    case SessionOp::SetLowSpeed: p_.loop.speed().SetLowSpeed(flag(0)); break;
    case SessionOp::RestoreChosenSpeed: dialogs.RestoreChosenSpeed(); break;
    case SessionOp::OpenNewOrderDialog: dialogs.OpenNewOrderDialog(); break;
    case SessionOp::ActivateNewOrderDialog: dialogs.ActivateNewOrderDialog(); break;
    case SessionOp::SetOrderKind: dialogs.SetOrderKind(flag(0), static_cast<OrderKind>(integer(1))); break;
    case SessionOp::SetOrderOption: dialogs.SetOrderOption(flag(0), static_cast<OrderDialogs::OrderOption>(integer(1)), flag(2)); break;
    case SessionOp::EditOrderText: dialogs.EditOrderText(flag(0), static_cast<OrderField>(integer(1)), text(2)); break;
    case SessionOp::SpinOrderField: dialogs.SpinOrderField(flag(0), static_cast<OrderField>(integer(1)), flag(2)); break;
    case SessionOp::SetNewOrderSell: dialogs.SetNewOrderSell(flag(0)); break;
    case SessionOp::SetOrderAlert: dialogs.SetOrderAlert(flag(0)); break;
    case SessionOp::SubmitNewOrderDialog: dialogs.SubmitNewOrderDialog(); break;
    case SessionOp::CancelNewOrderDialog: dialogs.CancelNewOrderDialog(); break;
    case SessionOp::OpenClosingDialog: dialogs.OpenClosingDialog(integer(0)); break;
    case SessionOp::SetClosingSide: dialogs.SetClosingSide(side(0)); break;
    case SessionOp::EditCloseRow: dialogs.EditCloseRow(integer(0), text(1)); break;
    case SessionOp::ToggleCloseRow: dialogs.ToggleCloseRow(integer(0)); break;
    case SessionOp::ToggleBulkClose: dialogs.ToggleBulkClose(); break;
    case SessionOp::SubmitClosingDialog: dialogs.SubmitClosingDialog(); break;
    case SessionOp::CancelClosingDialog: dialogs.CancelClosingDialog(); break;
    case SessionOp::OpenCorrectCancelDialog: dialogs.OpenCorrectCancelDialog(integer(0)); break;
    case SessionOp::SelectCorrectCancelLine: dialogs.SelectCorrectCancelLine(integer(0)); break;
    case SessionOp::CancelSelectedOrder: dialogs.CancelSelectedOrder(); break;
    case SessionOp::CorrectSelectedOrder: dialogs.CorrectSelectedOrder(); break;
    case SessionOp::CloseCorrectCancelDialog: dialogs.CloseCorrectCancelDialog(); break;
    case SessionOp::ClickBoardPrice: dialogs.ClickBoardPrice(integer(0)); break;
    case SessionOp::PlaceNewOrder: p_.trading.PlaceNewOrder(form(), slot(kOrderFormArgs)); break;
    case SessionOp::PlaceClosingOrder: p_.trading.PlaceClosingOrder({form(), side(kOrderFormArgs)}, slot(kOrderFormArgs + 1)); break;
    case SessionOp::SetCloseQuantity: p_.trading.SetCloseQuantity(integer(0), text(1)); break;
    case SessionOp::SetBulkClose: p_.trading.SetBulkClose(side(0), flag(1)); break;
    case SessionOp::CancelOrder: p_.trading.CancelOrder(integer(0), flag(1)); break;
    case SessionOp::SetSimulationChecked: p_.loop.SetSimulationChecked(flag(0)); break;
    case SessionOp::RequestClose: p_.loop.RequestClose(); break;
    case SessionOp::SetHideBoardAndTape: p_.trading.SetHideBoardAndTape(flag(0)); break;
    case SessionOp::SetBoardOption: p_.trading.SetBoardOption(flag(0)); break;
    case SessionOp::SetTapeOption: p_.loop.SetTapeOption(flag(0)); break;
    case SessionOp::SetFillSoundOption: p_.trading.SetFillSoundOption(flag(0)); break;
    case SessionOp::SetTradeMarkerOption: p_.trading.SetTradeMarkerOption(flag(0)); break;
    case SessionOp::AddAlert: p_.alerts.Add(real(0)); break;
    case SessionOp::RemoveAlert: p_.alerts.Remove(real(0)); break;
    case SessionOp::ClearAlerts: p_.alerts.Clear(); break;
    case SessionOp::OneKeyOrder:
        if (const std::optional<OneKey> key = OneKeyOrders::FromName(text(0))) p_.oneKeys.Press(*key, text(1), flag(2));
        break;
    }
}

}  // namespace corvala
