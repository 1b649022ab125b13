#pragma once
// The replay's speed: the scroll bar (1–30, speed = 31 − value), the gauge, the label left of it
// (speed 1) and the 低速 box, and the cut to speed 10 when a new order fills. They set the step
// delay and the slow-step flags of the loop's clock.

#include "replay/display_model.h"
#include "replay/operation_log.h"
#include "replay/replay_clock.h"

namespace corvala {

class Services;

class PlaybackSpeed {
public:
    PlaybackSpeed(ReplayClock& clock, MainDisplay& display, Services& services, OperationLog& log)
        : clock_(clock), display_(display), services_(services), log_(log) {}

    // The user's controls: each is an operation of its own. The scroll bar takes effect also
    // while the replay prepares: the replay starts at it.
    void SetSpeedScroll(int value);
    void ClickSpeedGauge(int x);
    void ClickSlowestLabel();
    void SetLowSpeed(bool on);
    // The program's own settings of the speed.
    void SetSpeed(int speed);
    void ApplyScroll(int value);
    // A new order filled: faster than 10 the replay slows to 10 and says so (not in 低速 unless
    // an order window is open).
    void CutOnFill(bool orderWindowOpen);

private:
    ReplayClock& clock_;
    MainDisplay& display_;
    Services& services_;
    OperationLog& log_;
};

}  // namespace corvala
