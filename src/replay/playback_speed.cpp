#include "replay/playback_speed.h"

#include <algorithm>

#include "platform/text.h"
#include "replay/services.h"

namespace corvala {
namespace {

constexpr int kSpeedCutMessageMs = 20'000;
constexpr int kSpeedCutLimit = 10;

}  // namespace

void PlaybackSpeed::SetSpeed(int speed) {
    display_.speed.speed = std::clamp(speed, 1, 30);
    clock_.stepDelay = StepDelayForSpeed(display_.speed.speed);
}

void PlaybackSpeed::ApplyScroll(int value) {
    SetLowSpeed(false);
    if (value < 1) value = 1;
    SetSpeed(31 - std::min(value, 30));
}

void PlaybackSpeed::SetSpeedScroll(int value) {
    const OpScope op(log_, SessionOp::SetSpeedScroll, {OpArg(value)});
    if (!op) return;
    ApplyScroll(value);  // also while it prepares: the replay starts at it
    services_.Notify();
}

void PlaybackSpeed::ClickSpeedGauge(int x) {
    const OpScope op(log_, SessionOp::ClickSpeedGauge, {OpArg(x)});
    if (!op) return;
    if (!clock_.preparing) display_.message.text.clear();  // the notice before the open stays
    SetLowSpeed(false);
    SetSpeed(SpeedForGaugeX(x));
    services_.Notify();
}

void PlaybackSpeed::ClickSlowestLabel() {
    const OpScope op(log_, SessionOp::ClickSlowestLabel, {});
    if (!op) return;
    ClickSpeedGauge(0);
}

void PlaybackSpeed::SetLowSpeed(bool on) {
    const OpScope op(log_, SessionOp::SetLowSpeed, {OpArg(on)});
    if (!op) return;
    SpeedControl& s = display_.speed;
    if (s.lowSpeed == on) return;
    s.lowSpeed = clock_.lowSpeed = on;
    if (on) {
        s.lowSpeedBackground = colours::kLowSpeedOn;
    } else {
        clock_.lowSpeedChanged = true;  // ends the slow sub-steps of this step
        s.lowSpeedBackground = colours::kLowSpeedOff;
    }
}

void PlaybackSpeed::CutOnFill(bool orderWindowOpen) {
    if (clock_.lowSpeed && !orderWindowOpen) return;
    if (display_.speed.speed > kSpeedCutLimit) {
        ApplyScroll(31 - kSpeedCutLimit);
        display_.message.text = FullWidthBlanks(41) + "新規注文が約定しましたので、速度を10に落としています。";
    }
    services_.FlashMessage();
    services_.StartMessageTimer(kSpeedCutMessageMs);
    display_.hideBoardAndTape = false;
}

}  // namespace corvala
