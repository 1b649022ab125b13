#pragma once
// The speed gauge as drawing data, in gauge units (1550 wide, 510 high; 15 units a pixel at the
// design size): a grey baseline with 31 ticks and a light-red fill up to the chosen speed.

#include <vector>

#include "replay/display_model.h"

namespace corvala {

inline constexpr int kGaugeWidth = 1550;
inline constexpr int kGaugeHeight = 510;

struct GaugeLine {
    int x1, y1, x2, y2;
};

struct GaugeDrawing {
    std::vector<GaugeLine> lines;  // baseline and ticks, colours::kGaugeLine
    int fillLeft = 0, fillTop = 0, fillRight = 0, fillBottom = 0;  // colours::kGaugeFill
};

GaugeDrawing SpeedGaugeDrawing(int speed);

}  // namespace corvala
