#pragma once
// The blink of 再生 and 新規注文 while the replay waits for play: on for half a second, off for
// 0.3 s, until play is pressed or the run ends. It rests while the new-order window is open.

#include <functional>

#include "replay/display_model.h"

namespace corvala {

class Services;

class PlayBlink {
public:
    PlayBlink(MainDisplay& display, Services& services, std::function<bool()> entryWindowOpen)
        : display_(display), services_(services), entryWindowOpen_(std::move(entryWindowOpen)) {}

    void Start();
    void Stop();

private:
    void On(unsigned generation);

    MainDisplay& display_;
    Services& services_;
    std::function<bool()> entryWindowOpen_;
    unsigned generation_ = 0;
};

}  // namespace corvala
