#pragma once
// The values behind the chart's indicator layers: simple moving averages of the bar closes (the
// chosen day's seeded from the previous day), the VWAP per minute, and the volume scale.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvala {

struct DaySeries;

// MA of the closes of `day`'s bars 0..bars−1 over `period` bars; 0 where a bar has no point. A
// close of 0 counts as the day's previous close. With `previousDay` (the chosen day's line) the
// first period − 1 bars reach back into the previous day's last closes, whose zeros count as the
// previous day's previous close, or the chosen day's when that is 0; without it (the previous
// day's own line) bars 0 to period − 2 have no point.
std::vector<float> MovingAverage(const DaySeries& day, int bars, int period, const DaySeries* previousDay);

// The same average at bar `t` of a `bars`-bar day with `close` standing for that bar's close
// (the bar still forming).
float MovingAverageAt(const DaySeries& day, int bars, int t, float close, int period, const DaySeries* previousDay);

// VWAP samples, one per trading minute: the VWAP column at rows 0, 12, 24, … up to the last row.
std::vector<float> VwapSamples(const DaySeries& day);

// The volume axis: the largest bar volume rounded up to 2, 3, 4, 5, 6, 8 or 10 × 10^d (1,234 →
// 2,000; 71,000 → 80,000; 10,000 stays); 1 when there is no volume.
std::int32_t RoundVolumeMax(std::int64_t largest);
// The strip's labels, top to bottom: vmax, half of it and 0; none when vmax is 1.
std::vector<std::string> VolumeLabels(std::int32_t vmax);

// The bar a five-second row belongs to.
inline int BarOfRow(int row, int barLength) { return row / (barLength * 12); }

}  // namespace corvala
