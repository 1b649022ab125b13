#include "replay/speed_gauge.h"

#include <algorithm>

namespace corvala {

GaugeDrawing SpeedGaugeDrawing(int speed) {
    speed = std::clamp(speed, 1, 30);
    constexpr int kMid = kGaugeHeight / 2;
    GaugeDrawing g;
    g.lines.push_back({25, kMid, 1500, kMid});
    for (int w = 0; w <= 30; ++w) {
        const int x = 25 + 50 * w;
        const int half = w % 5 == 0 ? 75 : 30;
        g.lines.push_back({x, kMid - half, x, kMid + half});
    }
    g.fillLeft = 25;
    g.fillRight = speed * 50 + 15;
    g.fillTop = kMid - 75;
    g.fillBottom = kMid + 75;
    return g;
}

}  // namespace corvala
