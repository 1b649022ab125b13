#include "chart/layers.h"

#include <algorithm>
#include <cmath>

#include "chart/indicators.h"
#include "data/day_loader.h"
#include "platform/text.h"

namespace corvala {
namespace {

using Shapes = std::vector<Shape>;
namespace c = chart_colours;

constexpr int kLabelRight = 770;
constexpr float kLabelHeight = kLabelPoints * 20;  // twips of an 8-point line

// The right column reaches to the last completed bar; the left column is always whole.
int LastBar(const ChartData& chart, SeriesSlot slot, const ReplayView& view) {
    const int last = chart.geometry.barsPerDay() - 1;
    if (ColumnOf(slot) == kLeftColumn || !view.simulation) return last;
    return std::min(view.lastCompletedBar, last);
}

std::string LabelText(const ChartData& chart, int row, double value) {
    if (row == kUpperRow && chart.hundredthLabels) return Format(value / 100, "###.00");
    return Format(value, "###,###");
}

void Frame(Shapes& out, const ChartGeometry& g) {
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column)
            for (const TwipsRect& r : {g.Panel(row, column), g.Strip(row, column)})
                out.push_back(BoxShape(r.left, r.top, r.right, r.bottom, c::kGrey, false));
    // The time grid: 10:00, 11:00, the session join, 13:00, 14:00 and 15:00.
    for (int column = 0; column < 2; ++column)
        for (int minute : {60, 120, 150, 180, 240, 300}) {
            const int x = g.GridX(column, minute);
            for (int row = 0; row < 2; ++row)
                out.push_back(LineShape(x, g.Panel(row, column).top, x, g.Strip(row, column).bottom, c::kGrey));
        }
    // The quarter marks of the volume strips.
    const int right = g.area().right;
    for (int row = 0; row < 2; ++row) {
        const TwipsRect s = g.Strip(row, kLeftColumn);
        for (int offset : {205, 400, 595}) out.push_back(LineShape(800, s.top + offset, right, s.top + offset, c::kGrey, 1, Shape::Style::Dotted));
    }
}

void NoDataMarks(Shapes& out, const ChartGeometry& g, const std::array<bool, 2>& noDataMark) {
    for (int row = 0; row < 2; ++row) {
        if (!noDataMark[static_cast<std::size_t>(row)]) continue;
        const int top = g.Panel(row, kLeftColumn).top + 100;
        out.push_back(TextShape(900, top, "データ未取得", c::kNoDataMark, kNoDataPoints));
        out.push_back(TextShape(g.Panel(row, kRightColumn).left + 100, top, "データ未取得", c::kNoDataMark, kNoDataPoints));
    }
}

// DrawPriceLabels with the volume-scale labels of the strips.
void Labels(Shapes& out, const ChartData& chart) {
    const ChartGeometry& g = chart.geometry;
    for (int row = 0; row < 2; ++row) {
        const std::vector<std::string> labels = PriceLabels(chart, row);
        if (!labels.empty()) {
            const int top = g.Panel(row, kLeftColumn).top;
            const int bottomText = row == kUpperRow ? g.h() / 2 + 3650 : g.h() + 8050;
            out.push_back(TextShape(kLabelRight, top, labels.front(), c::kLabel, kLabelPoints, true));
            out.push_back(TextShape(kLabelRight, bottomText, labels.back(), c::kLabel, kLabelPoints, true));
            const int lines = static_cast<int>(labels.size()) - 1;
            for (int j = 1; j < lines; ++j) {
                const double y = g.BandTop(row) + static_cast<double>(g.plotHeight()) * j / lines;
                out.push_back(LineShape(800, y, g.area().right, y, c::kGrey, 1, Shape::Style::Dotted));
                out.push_back(TextShape(kLabelRight, y - 50, labels[static_cast<std::size_t>(j)], c::kLabel,
                                        kLabelPoints, true));
            }
        }
        // The strip's scale, clear of the price label above it.
        const auto volume = VolumeLabels(chart.vmax[static_cast<std::size_t>(row)]);
        if (volume.size() == 3) {
            const TwipsRect s = g.Strip(row, kLeftColumn);
            const double ys[3] = {s.top + 60.0, (s.top + s.bottom) / 2.0 - kLabelHeight / 2 + 30, s.bottom - kLabelHeight};
            for (int i = 0; i < 3; ++i)
                out.push_back(TextShape(kLabelRight, ys[i], volume[static_cast<std::size_t>(i)], c::kLabel, kLabelPoints, true));
        }
    }
}

void PrevCloseLines(Shapes& out, const ChartData& chart) {
    const ChartGeometry& g = chart.geometry;
    for (int i = 0; i < kSlotCount; ++i) {
        const SlotChart& s = chart.charts[static_cast<std::size_t>(i)];
        if (!s.loaded || s.prevCloseY == kNoPoint) continue;
        const bool left = ColumnOf(static_cast<SeriesSlot>(i)) == kLeftColumn;
        const double x1 = left ? 800 : g.w() / 2 + 6830;
        const double x2 = left ? g.w() / 2 + 6772 : g.w() + 12772;
        out.push_back(LineShape(x1, s.prevCloseY, x2, s.prevCloseY, c::kPrevClose, 2));
    }
}

void Candle(Shapes& out, const ChartGeometry& g, int column, int t, float yOpen, float yHigh, float yLow,
            float yClose, bool filled, Rgb colour) {
    const double left = g.BarLeft(column, t);
    const double wick = g.WickX(column, t);
    const double bodyTop = std::min(yOpen, yClose), bodyBottom = std::max(yOpen, yClose);
    out.push_back(BoxShape(left, bodyTop, left + g.barWidth(), bodyBottom, colour, filled));
    out.push_back(LineShape(wick, yHigh, wick, bodyTop, colour));
    out.push_back(LineShape(wick, yLow, wick, bodyBottom, colour));
}

void Bars(Shapes& out, const ChartData& chart, SeriesSlot slot, int last) {
    const SlotChart& s = chart.slot(slot);
    for (int t = 0; t <= last && t < static_cast<int>(s.bars.size()); ++t) {
        const BarPoint& b = s.bars[static_cast<std::size_t>(t)];
        if (b.drawn) Candle(out, chart.geometry, ColumnOf(slot), t, b.yOpen, b.yHigh, b.yLow, b.yClose, b.filled(), c::kBar);
    }
}

Rgb AverageColour(int i) { return i == 0 ? c::kAverage1 : c::kAverage2; }

void Average(Shapes& out, const ChartData& chart, SeriesSlot slot, int i, int last) {
    const SlotChart& s = chart.slot(slot);
    const auto& ys = s.averageY[static_cast<std::size_t>(i)];
    const int column = ColumnOf(slot);
    for (int t = 1; t <= last && t < static_cast<int>(ys.size()); ++t) {
        const float a = ys[static_cast<std::size_t>(t - 1)], b = ys[static_cast<std::size_t>(t)];
        if (a == kNoPoint || b == kNoPoint) continue;
        out.push_back(LineShape(chart.geometry.AverageX(column, t - 1), a, chart.geometry.AverageX(column, t), b,
                                AverageColour(i)));
    }
}

void Volume(Shapes& out, const ChartData& chart, SeriesSlot slot, int last) {
    const SlotChart& s = chart.slot(slot);
    const int column = ColumnOf(slot);
    const double base = chart.geometry.StripBase(RowOf(slot));
    for (int t = 0; t <= last && t < static_cast<int>(s.volumeTop.size()); ++t) {
        const float top = s.volumeTop[static_cast<std::size_t>(t)];
        if (top == kNoPoint) continue;
        const double left = chart.geometry.BarLeft(column, t);
        out.push_back(BoxShape(left, top, left + chart.geometry.barWidth(), base, c::kVolume, true));
    }
}

void Vwap(Shapes& out, const ChartData& chart, SeriesSlot slot, int lastSample) {
    const SlotChart& s = chart.slot(slot);
    const int column = ColumnOf(slot);
    for (int t = 1; t <= lastSample && t < static_cast<int>(s.vwapY.size()); ++t) {
        const float a = s.vwapY[static_cast<std::size_t>(t - 1)], b = s.vwapY[static_cast<std::size_t>(t)];
        if (a == kNoPoint || b == kNoPoint) continue;
        out.push_back(LineShape(chart.geometry.MinuteX(column, t - 1), a, chart.geometry.MinuteX(column, t), b, c::kVwap));
    }
}

// The last minute sample that lies inside bars 0..last.
int LastSample(const ChartData& chart, int last) { return (last + 1) * chart.geometry.barLength() - 1; }
// A whole day's line runs to its last sample (15:00:00); a replay's, to its completed bars.
int LastSample(const ChartData& chart, SeriesSlot slot, const ReplayView& view) {
    if (ColumnOf(slot) == kLeftColumn || !view.simulation) return static_cast<int>(chart.slot(slot).vwap.size()) - 1;
    return LastSample(chart, LastBar(chart, slot, view));
}

// Never smaller than two pixels: with 1-minute bars the described radius is a sixth of a pixel.
constexpr double kSmallestMarker = 2.0 * kTwipsPerPixel;

void Markers(Shapes& out, const ChartData& chart, const TradeMarkers& markers) {
    const double r = std::max(chart.geometry.markerRadius(), kSmallestMarker);
    for (int i = 0; i < markers.size(); ++i) {
        const TradeMarker& m = markers[i];
        if (m.x == 0) continue;
        const Rgb colour = m.side == 0 ? c::kLongSide : c::kShortSide;
        if (m.kind == 0) {
            out.push_back(CircleShape(m.x, m.y, r, colour));
        } else {
            const double d = 1.3 * r;
            out.push_back(LineShape(m.x - d, m.y - d, m.x + d, m.y + d, colour, 2));
            out.push_back(LineShape(m.x - d, m.y + d, m.x + d, m.y - d, colour, 2));
        }
    }
}

// The bar still forming, the provisional ends of the lines and the forming volume.
void FormingLayer(Shapes& out, const ChartData& chart, const DayData& day, const ChartLayers& layers,
                  const ReplayView& view) {
    if (view.currentRow < 0) return;
    const ChartGeometry& g = chart.geometry;
    for (SeriesSlot slot : {SeriesSlot::DayIndex, SeriesSlot::DayStock}) {
        const SlotChart& s = chart.slot(slot);
        if (!s.loaded || s.bars.empty()) continue;
        const int row = RowOf(slot);
        const FormingBar f = FormingBarAt(day[slot], view.currentRow, g.barLength());
        if (f.t >= g.barsPerDay()) continue;
        if (layers.bars && f.open != 0 && f.close != 0) {
            const float yHigh = chart.Y(row, f.high), yLow = chart.Y(row, f.low);
            if (yHigh != kNoPoint && yLow != kNoPoint)
                Candle(out, g, kRightColumn, f.t, std::clamp(chart.Y(row, f.open), yHigh, yLow), yHigh, yLow,
                       std::clamp(chart.Y(row, f.close), yHigh, yLow), f.open >= f.close, c::kBar);
        }
        // The provisional ends of the averages: the forming bar's price stands for its close.
        const DaySeries* seed = day[row == kUpperRow ? SeriesSlot::PrevIndex : SeriesSlot::PrevStock].loaded
                                    ? &day[row == kUpperRow ? SeriesSlot::PrevIndex : SeriesSlot::PrevStock]
                                    : nullptr;
        for (int i = 0; i < 2 && f.t > 0; ++i) {
            if (!(i == 0 ? layers.average1 : layers.average2)) continue;
            const float from = s.averageY[static_cast<std::size_t>(i)][static_cast<std::size_t>(f.t - 1)];
            const float value = MovingAverageAt(day[slot], g.barsPerDay(), f.t, f.close,
                                                chart.periods[static_cast<std::size_t>(i)], seed);
            const float to = value != 0 ? chart.Y(row, value) : kNoPoint;
            if (from != kNoPoint && to != kNoPoint)
                out.push_back(LineShape(g.AverageX(kRightColumn, f.t - 1), from, g.AverageX(kRightColumn, f.t), to,
                                        AverageColour(i)));
        }
        if (HasVolume(s.kind) && f.volume > 0) {
            const double base = g.StripBase(row);
            const double top = std::max(base - 780.0, base - f.volume / static_cast<double>(chart.vmax[static_cast<std::size_t>(row)]) * 780);
            const double left = g.BarLeft(kRightColumn, f.t);
            if (top < base) out.push_back(BoxShape(left, top, left + g.barWidth(), base, c::kVolume, true));
        }
        if (layers.vwap && !s.vwapY.empty()) {
            // The samples of the forming bar so far, then the current VWAP towards the next minute.
            const int firstSample = LastSample(chart, f.t - 1);
            const int nowSample = view.currentRow / 12;
            for (int t = std::max(1, firstSample + 1); t <= nowSample && t < static_cast<int>(s.vwapY.size()); ++t) {
                const float a = s.vwapY[static_cast<std::size_t>(t - 1)], b = s.vwapY[static_cast<std::size_t>(t)];
                if (a != kNoPoint && b != kNoPoint)
                    out.push_back(LineShape(g.MinuteX(kRightColumn, t - 1), a, g.MinuteX(kRightColumn, t), b, c::kVwap));
            }
            const float current = day[slot].vwap[static_cast<std::size_t>(view.currentRow)];
            const float from = nowSample < static_cast<int>(s.vwapY.size()) ? s.vwapY[static_cast<std::size_t>(nowSample)] : kNoPoint;
            const float to = current > 0 ? chart.Y(row, current) : kNoPoint;
            if (view.currentRow % 12 != 0 && from != kNoPoint && to != kNoPoint)
                out.push_back(LineShape(g.MinuteX(kRightColumn, nowSample), from, g.MinuteX(kRightColumn, nowSample + 1), to, c::kVwap));
        }
    }
}

}  // namespace

std::vector<std::string> PriceLabels(const ChartData& chart, int row) {
    const RowScale& scale = chart.rows[static_cast<std::size_t>(row)];
    if (!scale.Usable()) return {};
    std::vector<std::string> labels{LabelText(chart, row, scale.max)};
    const int lines = scale.step > 0 ? scale.span / scale.step : 0;
    for (int j = 1; j < lines; ++j) labels.push_back(LabelText(chart, row, scale.max - j * scale.step));
    labels.push_back(LabelText(chart, row, scale.min));
    return labels;
}

bool TradeMarkers::Add(const ChartData& chart, int row, double price, int side, int kind) {
    if (count_ >= kCapacity) return false;
    const RowScale& scale = chart.rows[kLowerRow];
    if (!scale.Usable()) return false;
    const ChartGeometry& g = chart.geometry;
    TradeMarker& m = markers_[static_cast<std::size_t>(count_++)];
    m.x = static_cast<float>(g.RowX(row));
    m.y = static_cast<float>((g.h() + 8190) - Int((price - scale.min) / (static_cast<double>(scale.max) - scale.min) * g.plotHeight()));
    m.side = side;
    m.kind = kind;
    m.row = row;
    m.price = static_cast<float>(price);
    return true;
}

void TradeMarkers::Relocate(const ChartData& chart) {
    const auto kept = markers_;
    const int n = count_;
    count_ = 0;
    for (int i = 0; i < n; ++i) {
        const TradeMarker& m = kept[static_cast<std::size_t>(i)];
        Add(chart, m.row, m.price, m.side, m.kind);
    }
}

FormingBar FormingBarAt(const DaySeries& s, int row, int barLength) {
    FormingBar f;
    if (row < 0 || row >= kMaxRows || barLength <= 0) return f;
    f.t = BarOfRow(row, barLength);
    if (f.t >= kMaxBars) return f;
    const int first = f.t * barLength * 12;
    const int start = BarStartSeconds(f.t, barLength);
    for (int r = first; r <= row; ++r) {
        const float p = s.price[static_cast<std::size_t>(r)];
        // A stale last trade does not open the bar, as the loader builds it.
        if (p == 0 || s.lastTradeSeconds[static_cast<std::size_t>(r)] < start) continue;
        if (!f.traded) {
            f.traded = true;
            f.open = s.bars[static_cast<std::size_t>(f.t)].open;  // fixed by the bar's first trade
            f.high = f.low = p;
        }
        f.high = std::max(f.high, p);
        f.low = std::min(f.low, p);
        f.close = p;
    }
    if (f.traded) {
        f.high = std::max(f.high, f.open);
        f.low = std::min(f.low, f.open);
    } else if (f.t > 0) {
        f.open = f.high = f.low = f.close = s.bars[static_cast<std::size_t>(f.t - 1)].close;
    }
    if (HasVolume(s.kind)) {
        const double before = f.t > 0 ? s.bars[static_cast<std::size_t>(f.t - 1)].cumVolume : 0;
        f.volume = static_cast<std::int32_t>(std::clamp(s.cumVolume[static_cast<std::size_t>(row)] - before, 0.0, 2e9));
    }
    return f;
}

void DrawEmptyFrame(ChartPicture& picture, const ChartGeometry& geometry, const std::array<bool, 2>& noDataMark) {
    picture.area = geometry.area();
    picture.labelColumn = {0, 300, 770, geometry.h() + 9000};
    picture.base.clear();
    picture.live.clear();
    Frame(picture.base, geometry);
    NoDataMarks(picture.base, geometry, noDataMark);
    ++picture.baseVersion;
    ++picture.liveVersion;
}

void DrawBase(ChartPicture& picture, const ChartData& chart, const ChartLayers& layers, const ReplayView& view,
              const std::array<bool, 2>& noDataMark) {
    const ChartGeometry& g = chart.geometry;
    picture.area = g.area();
    picture.labelColumn = {0, 300, 770, g.h() + 9000};
    Shapes& out = picture.base;
    out.clear();
    Frame(out, g);
    Labels(out, chart);
    PrevCloseLines(out, chart);
    static constexpr SeriesSlot kSlots[] = {SeriesSlot::PrevIndex, SeriesSlot::DayIndex, SeriesSlot::PrevStock,
                                            SeriesSlot::DayStock};
    if (layers.bars)
        for (SeriesSlot s : kSlots) Bars(out, chart, s, LastBar(chart, s, view));
    for (int i = 0; i < 2; ++i)
        if (i == 0 ? layers.average1 : layers.average2)
            for (SeriesSlot s : kSlots) Average(out, chart, s, i, LastBar(chart, s, view));
    for (SeriesSlot s : kSlots) Volume(out, chart, s, LastBar(chart, s, view));
    if (layers.vwap && chart.hasVwapColumn)
        for (SeriesSlot s : kSlots) Vwap(out, chart, s, LastSample(chart, s, view));
    NoDataMarks(out, g, noDataMark);
    ++picture.baseVersion;
}

void DrawLive(ChartPicture& picture, const ChartData& chart, const DayData& day, const ChartLayers& layers,
              const ReplayView& view, const TradeMarkers& markers) {
    Shapes& out = picture.live;
    out.clear();
    ++picture.liveVersion;
    if (!view.simulation) return;
    FormingLayer(out, chart, day, layers, view);
    if (layers.markers) Markers(out, chart, markers);  // over the bar that is forming
}


LegendValues ChartLegendValues(const ChartData& chart, const DayData& day, const ReplayView& view) {
    LegendValues v;
    const DaySeries& stock = day[SeriesSlot::DayStock];
    const SlotChart& s = chart.slot(SeriesSlot::DayStock);
    if (!s.loaded || s.bars.empty()) return v;
    const int bars = chart.geometry.barsPerDay();
    const bool replaying = view.simulation && view.currentRow >= 0;
    const int row = replaying ? view.currentRow : std::min(stock.lastRow, kClosingRow);
    if (replaying) {
        const FormingBar f = FormingBarAt(stock, row, chart.geometry.barLength());
        const DaySeries* seed = day[SeriesSlot::PrevStock].loaded ? &day[SeriesSlot::PrevStock] : nullptr;
        if (f.t < bars) {
            v.average1 = MovingAverageAt(stock, bars, f.t, f.close, chart.periods[0], seed);
            v.average2 = MovingAverageAt(stock, bars, f.t, f.close, chart.periods[1], seed);
        }
    } else if (view.simulation) {
        // Waiting for play: the last bar drawn, none before the first.
        const int last = std::min(view.lastCompletedBar, bars - 1);
        v.average1 = last >= 0 ? s.average[0][static_cast<std::size_t>(last)] : 0;
        v.average2 = last >= 0 ? s.average[1][static_cast<std::size_t>(last)] : 0;
    } else {
        v.average1 = s.average[0].back();
        v.average2 = s.average[1].back();
    }
    if (row >= 0 && (replaying || !view.simulation)) v.vwap = std::max(0.0f, stock.vwap[static_cast<std::size_t>(row)]);
    return v;
}

Legend FormatLegend(const LegendValues& v) {
    const auto text = [](float x) { return x > 0 ? Format(x, "###,###.0") : std::string{}; };
    return {text(v.average1), text(v.average2), text(v.vwap)};
}

}  // namespace corvala
