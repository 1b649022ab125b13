#include "replay/navigation.h"

#include <string>

namespace corvala {
namespace {

std::string Minutes(int barLength) { return std::to_string(barLength); }

void Enable(ControlStates& c, std::initializer_list<int> enabled) {
    for (auto& b : c.playback) b.enabled = false;
    for (int i : enabled) c.playback[static_cast<std::size_t>(i)].enabled = true;
}

}  // namespace

void InitPlaybackButtons(ControlStates& c, int barLength) {
    static constexpr const char* kCaptions[kPlaybackButtons] = {kPlayCaption, "■", "≪", "<",
                                                                "←",          "→", ">", "≫"};
    static constexpr const char* kTooltips[kPlaybackButtons] = {
        "再生・一時停止", "ストップ", "", "1分前", "5秒前", "5秒後", "1分後", ""};
    for (int i = 0; i < kPlaybackButtons; ++i) {
        c.playback[static_cast<std::size_t>(i)].caption = kCaptions[i];
        c.playback[static_cast<std::size_t>(i)].tooltip = kTooltips[i];
    }
    c.playback[kBarBack].tooltip = "現在の" + Minutes(barLength) + "分足始め";
    c.playback[kBarForward].tooltip = Minutes(barLength) + "分後";
}

void SetNavigationState(ControlStates& c, int state, int barLength, bool quizChecked) {
    switch (state) {
        case kIdle:
            Enable(c, {});
            c.inputsEnabled = true;
            c.dayInputsEnabled = !quizChecked;
            c.displayButtonEnabled = true;
            c.chartOptionsEnabled = true;
            c.investmentEnabled = true;
            c.quizEnabled = true;
            c.orderButtons = {false, false, false};
            return;
        case kRunning:
            Enable(c, {kPlayPause, kStop, kBarBack, kMinuteForward, kBarForward});
            c.playback[kBarBack].tooltip = "現在の" + Minutes(barLength) + "分足始め";
            break;
        case kPaused:
            Enable(c, {kPlayPause, kStop, kBarBack, kStepForward, kMinuteForward, kBarForward});
            c.playback[kBarBack].tooltip = "前回の" + Minutes(barLength) + "分足始め";
            c.playback[kMinuteBack].tooltip = "1分前";
            c.playback[kStepBack].tooltip = "5秒前";
            c.playback[kStepForward].tooltip = "5秒後";
            c.playback[kMinuteForward].tooltip = "1分後";
            break;
        case kWaiting:
            Enable(c, {kStop});
            c.playback[kBarBack].tooltip = "現在の" + Minutes(barLength) + "分足始め";
            c.investmentEnabled = false;
            c.quizEnabled = false;
            break;
        default:
            return;
    }
    c.playback[kBarForward].tooltip = Minutes(barLength) + "分後";
    c.inputsEnabled = c.dayInputsEnabled = false;
    c.displayButtonEnabled = false;
    c.chartOptionsEnabled = false;
}

}  // namespace corvala
