#include "chart/indicators.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "data/day_series.h"
#include "platform/text.h"

namespace corvala {
namespace {

// A bar's close for the averages; a bar without one stands at the previous close.
double Close(const DaySeries& s, int t, float fallback) {
    const float c = s.bars[static_cast<std::size_t>(t)].close;
    return c != 0 ? c : fallback;
}

// The average at bar t of `day`, with `close` for bar t itself; 0 when it has no point.
float AverageAt(const DaySeries& day, int bars, int t, double close, int period, const DaySeries* previousDay) {
    if (period < 1 || t < 0 || t >= kMaxBars) return 0;
    const float own = day.prevClose;
    double sum = close != 0 ? close : own;
    for (int k = t - 1; k >= 0 && k > t - period; --k) sum += Close(day, k, own);
    const int fromPrevious = period - 1 - t;  // closes the window needs before bar 0
    if (fromPrevious > 0) {
        if (previousDay == nullptr) return 0;
        const float fallback = previousDay->prevClose != 0 ? previousDay->prevClose : own;
        for (int k = bars - fromPrevious; k < bars; ++k) {
            if (k < 0) return 0;  // a period longer than a day
            sum += Close(*previousDay, k, fallback);
        }
    }
    return static_cast<float>(sum / period);
}

}  // namespace

std::vector<float> MovingAverage(const DaySeries& day, int bars, int period, const DaySeries* previousDay) {
    bars = std::clamp(bars, 0, kMaxBars);
    std::vector<float> out(static_cast<std::size_t>(bars), 0.0f);
    for (int t = 0; t < bars; ++t)
        out[static_cast<std::size_t>(t)] = AverageAt(day, bars, t, Close(day, t, day.prevClose), period, previousDay);
    return out;
}

float MovingAverageAt(const DaySeries& day, int bars, int t, float close, int period, const DaySeries* previousDay) {
    return AverageAt(day, std::clamp(bars, 0, kMaxBars), t, close, period, previousDay);
}

std::vector<float> VwapSamples(const DaySeries& day) {
    std::vector<float> out;
    for (int row = 0; row <= day.lastRow && row < kMaxRows && out.size() < static_cast<std::size_t>(kMaxBars); row += 12)
        out.push_back(day.vwap[static_cast<std::size_t>(row)]);
    return out;
}

std::int32_t RoundVolumeMax(std::int64_t largest) {
    if (largest <= 1) return 1;
    std::int64_t power = 1;
    while (largest / power >= 10) power *= 10;
    const double q = static_cast<double>(largest) / static_cast<double>(power);
    if (q <= 1) return static_cast<std::int32_t>(std::min<std::int64_t>(largest, INT32_MAX));
    for (const int m : {2, 3, 4, 5, 6, 8, 10})
        if (m >= q) return static_cast<std::int32_t>(std::min<std::int64_t>(m * power, INT32_MAX));
    return INT32_MAX;
}

std::vector<std::string> VolumeLabels(std::int32_t vmax) {
    if (vmax == 1) return {};
    return {Format(vmax, "###,###"), Format(static_cast<double>(Int(vmax / 2.0)), "###,###"), "0"};
}

}  // namespace corvala
