#include "replay/blink.h"

#include "replay/services.h"

namespace corvala {
namespace {

constexpr int kBlinkIntervalMs = 300;
constexpr int kBlinkOnMs = 500;

}  // namespace

void PlayBlink::Start() {
    const unsigned generation = ++generation_;
    services_.Later(kBlinkIntervalMs, [this, generation] { On(generation); });
}

void PlayBlink::On(unsigned generation) {
    if (generation != generation_) return;
    ControlStates& c = display_.controls;
    if (!entryWindowOpen_()) {
        if (c.playback[kPlayPause].enabled) c.playback[kPlayPause].background = colours::kBlink;
        c.newOrderBackground = colours::kBlink;
        services_.Notify();
    }
    services_.Later(kBlinkOnMs, [this, generation] {
        if (generation != generation_) return;
        display_.controls.playback[kPlayPause].background = colours::kButtonFace;
        display_.controls.newOrderBackground = colours::kButtonFace;
        services_.Notify();
        services_.Later(kBlinkIntervalMs, [this, generation] { On(generation); });
    });
}

void PlayBlink::Stop() {
    ++generation_;
    display_.controls.playback[kPlayPause].background = colours::kButtonFace;
    display_.controls.newOrderBackground = colours::kButtonFace;
}

}  // namespace corvala
