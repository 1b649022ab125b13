#pragma once
// Everything the chart draws of a displayed day, computed once per display (and on a resize) and
// kept: the row scales, the volume axes and, per slot, every bar's coordinates, the
// previous-close line, the moving averages, the VWAP samples and the volume bars. Redraws only
// look these up.

#include <array>
#include <optional>
#include <cstdint>
#include <vector>

#include "chart/geometry.h"
#include "chart/row_scale.h"
#include "data/day_series.h"

namespace corvala {

inline constexpr float kNoPoint = -1;  // a y that is not drawn

struct BarPoint {
    bool drawn = false;  // all four prices set and the high and low inside the band
    float open = 0, high = 0, low = 0, close = 0;
    float yOpen = 0, yHigh = 0, yLow = 0, yClose = 0;
    bool filled() const { return open >= close; }  // falling or unchanged
};

struct SlotChart {
    SeriesKind kind = SeriesKind::Stock;
    bool loaded = false;
    std::vector<BarPoint> bars;                   // per bar of the day
    float prevCloseY = kNoPoint;                  // the green line, when it is drawn
    std::array<std::vector<float>, 2> average;    // MA1, MA2 per bar (0: no point)
    std::array<std::vector<float>, 2> averageY;   // kNoPoint where not drawn
    std::vector<float> vwap, vwapY;               // per minute sample; stock slots with a VWAP column
    std::vector<std::int32_t> volume;             // per bar; stock and futures slots
    std::vector<float> volumeTop;                 // kNoPoint where no box is drawn
};

struct ChartInputs {
    int w = 0, h = 0;  // twips over the design size
    int barLength = 5;
    std::array<int, 2> periods{5, 12};  // MA1, MA2
    bool simulationStart = false;       // the scales balance around the previous close
    bool dayOnly = false;               // 当日表示: the scales from the chosen day alone
    // 値幅を隠す: the chosen day's rows up to this one (−1: none) are all its scales and volume
    // axes know of it; none: the whole day.
    std::optional<int> revealedRow;
};

struct ChartData {
    ChartGeometry geometry{0, 0, 5};
    std::array<int, 2> periods{5, 12};
    std::array<RowScale, 2> rows{};
    std::array<std::int32_t, 2> vmax{1, 1};  // rounded volume axis per row
    std::array<SlotChart, kSlotCount> charts{};  // per slot ("slots" is a Qt word)
    bool hasVwapColumn = false;
    bool hundredthLabels = false;  // the upper row is TSPM: labels show the value ÷ 100
    bool dayOnly = false;
    std::optional<int> revealedRow;  // as the inputs said

    const SlotChart& slot(SeriesSlot s) const { return charts[static_cast<std::size_t>(s)]; }
    // y of a price on row `row`'s scale, kNoPoint outside its band.
    float Y(int row, double price) const;
};

ChartData ComputeChartData(const DayData& day, const ChartInputs& in);

// Whether row `row` of the chosen day (its prints, and the bar it completes) leaves the scales or
// the volume axes `c` was computed with.
bool RowLeavesScales(const ChartData& c, const DayData& day, int row);

// The row a slot is drawn in, and its column.
inline int RowOf(SeriesSlot s) { return s == SeriesSlot::PrevIndex || s == SeriesSlot::DayIndex ? kUpperRow : kLowerRow; }
inline int ColumnOf(SeriesSlot s) { return s == SeriesSlot::PrevIndex || s == SeriesSlot::PrevStock ? kLeftColumn : kRightColumn; }

// Kinds with volume bars (stock, futures), with a previous-close line (stock, N225, NOTC).
bool HasVolume(SeriesKind kind);
bool HasPrevCloseLine(SeriesKind kind);

}  // namespace corvala
