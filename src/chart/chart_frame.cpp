#include "chart/chart_frame.h"

namespace corvala {

ChartFrame EmptyChartFrame(int w, int h, const std::array<bool, 2>& noDataMark) {
    ChartFrame f;
    const int midX = w / 2 + 6800;
    const int right = w + 12800;
    const int upperBottom = h / 2 + 3800;
    const int upperStrip = h / 2 + 4600;
    const int lowerTop = h / 2 + 4700;
    const int lowerBottom = h + 8200;
    const int lowerStrip = h + 9000;
    f.area = {800, 300, right, lowerStrip};
    f.outlines = {{800, 300, midX, upperBottom},         {midX, 300, right, upperBottom},
                  {800, upperBottom, midX, upperStrip},  {midX, upperBottom, right, upperStrip},
                  {800, lowerTop, midX, lowerBottom},    {midX, lowerTop, right, lowerBottom},
                  {800, lowerBottom, midX, lowerStrip},  {midX, lowerBottom, right, lowerStrip}};

    // Time grid at trading minutes 60, 120, 150, 180, 240, 300 on the one-minute scale.
    // 1150 twips an hour at the design size, stretching with the bar scale as the window widens.
    const double minuteStep = 1150.0 / 60.0 * (w / 2 + 5941) / 5941.0;
    for (int column = 0; column < 2; ++column) {
        const int x0 = column == 0 ? 830 : w / 2 + 6830;
        for (int minute : {60, 120, 150, 180, 240, 300}) {
            const int x = x0 + static_cast<int>(minute * minuteStep + 0.5);
            f.lines.push_back({x, 300, x, upperStrip, false});
            f.lines.push_back({x, lowerTop, x, lowerStrip, false});
        }
    }
    for (int y : {h / 2 + 4005, h / 2 + 4200, h / 2 + 4395, h + 8405, h + 8600, h + 8795})
        f.lines.push_back({800, y, right, y, true});

    for (int row = 0; row < 2; ++row) {
        if (!noDataMark[static_cast<std::size_t>(row)]) continue;
        const int top = row == 0 ? 400 : lowerTop + 100;
        f.texts.push_back({900, top, "データ未取得", colours::kNoDataMark, 11});
        f.texts.push_back({midX + 100, top, "データ未取得", colours::kNoDataMark, 11});
    }
    return f;
}

}  // namespace corvala
