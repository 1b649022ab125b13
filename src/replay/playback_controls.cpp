// The controls that steer the replay: the eight playback buttons, the stop questions, the
// re-enable timers, the simulation box, 歩み値, the close request and the loop's part of setsim.
// They only set the clock's flags and counters; the loop acts on them at its next check.

#include "replay/replay_loop.h"

#include <algorithm>

#include "platform/text.h"
#include "replay/navigation.h"
#include "replay/session_recorder.h"

namespace corvala {
namespace {

constexpr const char* kPlayWhenReady = "再生の準備をしています。準備ができしだい再生します。";
constexpr const char* kCloseSettleQuestion =
    "現在値で強制決済されますが、宜しいですか？\n\n"
    "はい：保有中の建玉を現在値で決済し、記録してから終了します。\n"
    "いいえ：決済せず、今回の取引を記録しないで終了します。\n"
    "キャンセル：終了せずに続けます。";

constexpr int kReEnableMs = 300;
constexpr const char* kRecordNote = "\n「いいえ」の場合、今回の売買履歴は記録しません。";

}  // namespace

void ReplayLoop::SetBarLength(int n) {
    clock_.barLength = n;
    InitPlaybackButtons(display_.controls, n);
    SetNavigation(display_.navigationState);
}

void ReplayLoop::SetNavigation(int state) {
    display_.navigationState = state;
    SetNavigationState(display_.controls, state, clock_.barLength, quiz_->on());
}

void ReplayLoop::PressPlayback(int index) {
    if (index < 0 || index >= kPlaybackButtons) return;
    if (index == kPlayPause && clock_.preparing && clock_.replayReady) {
        // Pressed during the wait after 開 始: the replay plays as soon as it is ready.
        const OpScope op(recorder_, SessionOp::PressPlayback, {OpArg(index)});
        if (!op) return;
        playWhenReady_ = true;
        services_.SetMessage(kPlayWhenReady);
        services_.Notify();
        return;
    }
    if (!display_.controls.playback[static_cast<std::size_t>(index)].Accepts()) return;
    const OpScope op(recorder_, SessionOp::PressPlayback, {OpArg(index)});
    if (!op) {
        if (index == kStop) p_.runs.WatchingStopped();  // ■ ends watching a session
        return;
    }
    if (!clock_.replayReady) {
        chart_->CursorButton(index);
        return;
    }
    switch (index) {
        case kPlayPause:
            PlayPause();
            break;
        case kStop:
            Stop(false);
            break;
        case kBarBack:
        case kStepForward:
        case kMinuteForward:
        case kBarForward:
            RequestJump(index);
            break;
        default:
            break;  // 1分前 and 5秒前 do nothing during a replay
    }
    services_.Notify();
}

void ReplayLoop::PlayPause() {
    ReplayClock& r = clock_;
    ControlStates& c = display_.controls;
    if (r.paused) {
        if (r.simulationMode) c.playback[kStepForward].enabled = false;
        if (display_.clockText == kPreOpenClock) {
            display_.clockText = kOpenClock;
            SetNavigation(kRunning);
            display_.message.text.clear();
        } else if (display_.clockText == kLunchClock) {
            display_.clockText = kAfternoonClock;
            c.playback[kBarBack].enabled = c.playback[kMinuteForward].enabled =
                c.playback[kBarForward].enabled = true;
            display_.message.text.clear();
            r.preOpenPhase = false;
        }
        r.paused = false;
        c.playback[kPlayPause].caption = kPlayCaption;
        blink_.Stop();
    } else {
        r.paused = true;
        c.playback[kPlayPause].caption = kPausedCaption;
        if (display_.clockText != kLunchClock && display_.clockText != kPreOpenClock)
            SetNavigation(kPaused);
    }
}

void ReplayLoop::RecordOrDiscard(const std::string& question) {
    if (services_.Ask("注意", question + kRecordNote))
        trading_->SettleAll(trading_->SettlementPrice());
    else
        trading_->DiscardRun();
}

void ReplayLoop::Stop(bool withoutQuestions) {
    ReplayClock& r = clock_;
    if (!r.replayReady) {
        chart_->CursorButton(kStop);
        return;
    }
    display_.busy.visible = false;
    blink_.Stop();
    if (r.simulationMode && !withoutQuestions) {
        if (!services_.Ask("問い合わせ", "シミュレーションを停止しますか？")) return;
        display_.hideBoardAndTape = false;
        if (trading_->HoldingsOpen())
            RecordOrDiscard("現在値で強制決済されますが、宜しいですか？");
        else if (trading_->AnyTradeMade())
            RecordOrDiscard("取引結果を記録として残しますか？");
        else
            trading_->EmptyTables();  // orders that never filled go; the buying power is whole again
        if (quiz_->on() && services_.Ask("問い合わせ", "出題ボタンも解除しますか？")) quiz_->Leave();
    }
    chart_->ShowEmpty();
    SetNavigation(kIdle);
    ClearDataMessage();
    r.replayReady = false;
    r.paused = false;
    display_.controls.playback[kPlayPause].caption = kPlayCaption;
    trading_->ClearLists();
    r.stopRequested = true;
    r.currentBar = 0;
    r.abortWait = true;
    EndWaitEarly(/*evenOutsideStep=*/true);  // the loop winds down at once
}

void ReplayLoop::RequestJump(int index) {
    ReplayClock& r = clock_;
    const int n = clock_.barLength;
    r.jumpInterrupt = true;
    auto& button = display_.controls.playback[static_cast<std::size_t>(index)];
    button.heldOff = true;
    services_.Later(kReEnableMs, [this, index] {
        display_.controls.playback[static_cast<std::size_t>(index)].heldOff = false;
        services_.Notify();
    });
    switch (index) {
        case kBarBack:
            r.backRequest = 12 * n;
            break;
        case kStepForward:
            r.stepForwardCount = 1;
            break;
        case kMinuteForward:
            r.stepForwardCount = 12;
            break;
        case kBarForward:
            r.stepForwardCount = 12 * n;
            break;
        default:
            return;
    }
    if (index != kBarBack) display_.tapeListVisible = false;
    EndWaitEarly();
}

void ReplayLoop::RefuseResize() {
    services_.SetMessage(FullWidthBlanks(24) + "シミュレーション中は画面の拡大・縮小はできません。"
                                     "停止後拡大・縮小した後、再度開始して下さい。");
    services_.Notify();  // the chart stays as it is
}

// ---- The simulation box, the close request --------------------------------------------------

void ReplayLoop::SetSimulationChecked(bool checked) {
    const OpScope op(recorder_, SessionOp::SetSimulationChecked, {OpArg(checked)});
    if (!op) return;
    // The cursor fixed on the day shown says where the replay about to be prepared starts.
    if (checked)
        if (const auto at = chart_->CursorBarStart()) display_.ShowStartTime(*at);
    chart_->RemoveCursor();
    if (checked) {
        display_.controls.speedEnabled = true;
        chart_->ShowEmpty();
        display_.simulationChecked = true;
        display_.noDataMark = {false, false};
        return;
    }
    if (clock_.replayReady && clock_.simulationMode) {
        Stop(false);
        // A No to the stop question keeps the replay, so the box stays set.
        if (!clock_.stopRequested) return;
    }
    display_.controls.speedEnabled = false;
    SetNavigation(0);
    clock_.replayReady = false;
    clock_.paused = false;
    display_.controls.playback[kPlayPause].caption = kPlayCaption;
    display_.simulationChecked = false;
    display_.noDataMark = {false, false};
    display_.tapeOption = tapeOptionBeforeSimulation_;
    tapeOptionBeforeSimulation_ = true;
}

void ReplayLoop::SetTapeOption(bool on) {
    const OpScope op(recorder_, SessionOp::SetTapeOption, {OpArg(on)});
    if (!op) return;
    display_.tapeOption = on;
    tapeOptionBeforeSimulation_ = on;
}

bool ReplayLoop::RequestClose() {
    // With positions open the user chooses how to leave, or stays: asked before the close is
    // recorded, so that a キャンセル leaves the run (and its session file) as it was.
    const bool settles = clock_.replayReady && clock_.simulationMode && trading_->HoldingsOpen();
    std::optional<bool> settle;
    if (settles && !recorder_.playing()) {
        settle = services_.questions().AskOrCancel("注意", kCloseSettleQuestion);
        if (!settle) return false;
    }
    const OpScope op(recorder_, SessionOp::RequestClose, {});
    if (!op) {  // the program ends while a session plays: nothing of it is settled or kept
        Abandon();
        return true;
    }
    if (settles) {
        // A played file's close takes the file's answer; a live one records the user's.
        const bool yes = settle ? recorder_.RecordedAnswer(*settle) : services_.Ask("注意", kCloseSettleQuestion);
        if (yes)
            trading_->SettleAll(trading_->SettlementPrice());
        else
            trading_->DiscardRun();
    } else if (clock_.replayReady && clock_.simulationMode && trading_->AnyTradeMade()) {
        // Closed trades are in the totals already: as a stop does, the run is kept in the
        // history or given up with them, never saved in the totals without its rows.
        RecordOrDiscard("取引結果を記録として残しますか？");
    }
    clock_.replayReady = false;
    Abandon();
    quiz_->Leave();  // the user's own folder, date and code are what is saved
    return true;
}

void ReplayLoop::LoadSettings(const Settings& s) {
    SetSimulationChecked(s.simulation);
    speed_.SetSpeed(s.speed);
    SetTapeOption(s.tape);
}

void ReplayLoop::SaveSettings(Settings& s) const {
    s.simulation = display_.simulationChecked;
    s.speed = display_.speed.speed;
    s.tape = display_.tapeOption;
}

}  // namespace corvala
