#pragma once
// The chart's layers as drawing data: the empty frame, the price labels and grid, the
// previous-close lines, the bars, the moving averages, the volume bars, VWAP, the データ未取得
// marks and the trade markers (the base), and the bar still forming in a replay with the
// provisional ends of the lines (the live layer).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chart/chart_data.h"
#include "chart/picture.h"

namespace corvala {

namespace chart_colours {
inline constexpr Rgb kGrey{80, 80, 80};
inline constexpr Rgb kBar{255, 255, 255};
inline constexpr Rgb kPrevClose{0, 165, 0};
inline constexpr Rgb kLabel{0, 255, 255};
inline constexpr Rgb kAverage1{255, 0, 180};
inline constexpr Rgb kAverage2{0, 210, 255};
inline constexpr Rgb kVwap{255, 255, 0};
inline constexpr Rgb kVolume{0, 255, 0};
inline constexpr Rgb kLongSide{255, 60, 0};
inline constexpr Rgb kShortSide{0, 120, 255};
inline constexpr Rgb kNoDataMark{255, 255, 0};
inline constexpr Rgb kBlack{0, 0, 0};
}  // namespace chart_colours

inline constexpr float kLabelPoints = 8;
inline constexpr float kNoDataPoints = 11;

// The option boxes that switch layers.
struct ChartLayers {
    bool bars = true, average1 = true, average2 = true, vwap = true, markers = true;
};

// How far the chosen day is shown.
struct ReplayView {
    bool simulation = false;    // a replay is loaded: its markers and its forming bar are drawn
    int lastCompletedBar = -1;  // the right column's bars 0..this; display mode: the whole day
    int currentRow = -1;        // the step's row, whose bar is still forming; −1: none
};

// A fill on the chart: the user's own trades, at most 50 a day.
struct TradeMarker {
    float x = 0, y = 0;
    int side = 0;  // 0 the long side (買建, 買付), otherwise the short side
    int kind = 0;  // 0 a new position (新規), otherwise a closing fill (返済)
    int row = 0;   // the five-second row and the price of the fill, to place it again
    float price = 0;
};

class TradeMarkers {
public:
    static constexpr int kCapacity = 50;
    void Clear() { count_ = 0; }
    // AddTradeMarker: at the five-second position of `row` in the right column and `price` on
    // the stock's scale. False, and nothing stored, once 50 are stored or without a scale.
    bool Add(const ChartData& chart, int row, double price, int side, int kind);
    // Every marker placed again on a chart laid out anew (a resized window).
    void Relocate(const ChartData& chart);
    int size() const { return count_; }
    const TradeMarker& operator[](int i) const { return markers_[static_cast<std::size_t>(i)]; }

private:
    std::array<TradeMarker, kCapacity> markers_{};
    int count_ = 0;
};

// The bar still forming at `row` of a chosen-day slot, from the rows of its bar so far.
struct FormingBar {
    int t = 0;
    bool traded = false;  // a row of the bar has a fresh trade
    float open = 0, high = 0, low = 0, close = 0;
    std::int32_t volume = 0;
};
FormingBar FormingBarAt(const DaySeries& s, int row, int barLength);

// The price labels of a row, top to bottom: max, each grid line's value, min (TSPM: ÷ 100 with
// two decimals); none without a scale.
std::vector<std::string> PriceLabels(const ChartData& chart, int row);

// FullRedraw into `picture.base`, and the live layer into `picture.live`: the bar still forming,
// the provisional line ends and, on top of everything, the user's fills during a replay. Both
// bump their versions.
void DrawBase(ChartPicture& picture, const ChartData& chart, const ChartLayers& layers, const ReplayView& view,
              const std::array<bool, 2>& noDataMark);
void DrawLive(ChartPicture& picture, const ChartData& chart, const DayData& day, const ChartLayers& layers,
              const ReplayView& view, const TradeMarkers& markers);
// The empty frame alone (no day shown).
void DrawEmptyFrame(ChartPicture& picture, const ChartGeometry& geometry, const std::array<bool, 2>& noDataMark);

// The legend: MA1, MA2 of the chosen-day stock at the current bar (provisional while it forms)
// and its VWAP at the current row; 0 where there is no value.
struct LegendValues {
    float average1 = 0, average2 = 0, vwap = 0;
    friend bool operator==(const LegendValues&, const LegendValues&) = default;
};
LegendValues ChartLegendValues(const ChartData& chart, const DayData& day, const ReplayView& view);
// As the labels show them: "###,###.0", blank for 0.
struct Legend {
    std::string average1, average2, vwap;
};
Legend FormatLegend(const LegendValues& values);
inline Legend ChartLegend(const ChartData& chart, const DayData& day, const ReplayView& view) {
    return FormatLegend(ChartLegendValues(chart, day, view));
}

}  // namespace corvala
