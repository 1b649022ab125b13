#include "replay/replay_clock.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"

namespace corvala {
namespace {

constexpr int kOpenSeconds = 9 * 3600;
constexpr int kLunchSeconds = 3600;
constexpr int kMorningMinutes = 150;

}  // namespace

int LastBar(int barLength) {
    if (barLength <= 0) barLength = 5;
    return static_cast<int>(std::floor(300.0 / barLength + 0.5)) - 1;
}

int StepDelayForSpeed(int speed) {
    speed = std::clamp(speed, 1, 30);
    return speed <= 19 ? 6800 - 300 * speed : 3000 - 100 * speed;
}

int SpeedForGaugeX(int x) {
    if (x < 25) return 1;
    if (x > 1525) return 30;
    // The right edge of the last cell would read 31.
    return std::clamp((x - 25) / 50 + 1, 1, 30);
}

StartPosition ValidateStartTime(StartTimeBoxes& boxes, int barLength) {
    if (barLength <= 0) barLength = 5;
    if (!IsNumeric(boxes.hour)) boxes.hour = "9";
    if (!IsNumeric(boxes.minute)) boxes.minute = "00";
    double hour = LeadingNumber(boxes.hour);
    if (hour < 9 || hour >= 15) {
        boxes.hour = "9";
        hour = 9;
    }
    if (!boxes.hour.empty() && boxes.hour.front() == '0') boxes.hour.erase(0, 1);
    double minute = LeadingNumber(boxes.minute);
    if (minute < 0 || minute > 59) minute = 0;
    const int m = static_cast<int>(std::floor(minute / 5)) * 5;
    boxes.minute = Format(m, "00");

    const int h = static_cast<int>(std::floor(hour));
    int elapsed = h * 3600 + m * 60 - kOpenSeconds;
    if (h >= 12) elapsed -= kLunchSeconds;
    StartPosition p;
    p.startBar = std::max(0, static_cast<int>(std::floor(elapsed / (barLength * 60.0))));
    const int minutes = p.startBar * barLength;
    const int seconds = kOpenSeconds + minutes * 60 + (minutes >= kMorningMinutes ? kLunchSeconds : 0);
    p.startTime = FormatTimeOfDay(seconds);
    p.midSessionStart = p.startBar > 0;
    return p;
}

std::string RowClockText(int row) {
    row = std::max(0, row);
    const int lunch = row >= kLunchRow ? kLunchSeconds : 0;
    return FormatTimeOfDay(kOpenSeconds + row * kStepSeconds + lunch);
}

}  // namespace corvala
