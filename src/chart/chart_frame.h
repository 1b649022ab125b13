#pragma once
// The empty chart frame as plain drawing data in twips: four price panels in two rows, a volume
// strip under each row, the time grid and the データ未取得 marks.

#include <string>
#include <vector>

#include "replay/display_model.h"

namespace corvala {

inline constexpr int kTwipsPerPixel = 15;

struct TwipsRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct FrameLine {
    int x1, y1, x2, y2;
    bool dotted;
};

struct FrameText {
    int x, y;  // top-left
    std::string text;
    Rgb colour;
    int pointSize;
};

struct ChartFrame {
    TwipsRect area;                  // filled black
    std::vector<TwipsRect> outlines; // panels and strips, grey
    std::vector<FrameLine> lines;    // time grid and strip quarter marks, grey
    std::vector<FrameText> texts;
};

inline constexpr Rgb kFrameGrey{80, 80, 80};

// The frame for a window grown by w and h twips over its design size; `noDataMark` puts
// データ未取得 into the upper (0) or lower (1) row's panels.
ChartFrame EmptyChartFrame(int w, int h, const std::array<bool, 2>& noDataMark);

}  // namespace corvala
