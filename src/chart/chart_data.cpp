#include "chart/chart_data.h"

#include <algorithm>

#include "chart/indicators.h"

namespace corvala {
namespace {

constexpr double kFullVolumeBar = 780;

bool Counted(const DaySeries& s) { return s.loaded; }

void ComputeBars(SlotChart& out, const DaySeries& s, const ChartData& c, int row) {
    const int bars = c.geometry.barsPerDay();
    out.bars.assign(static_cast<std::size_t>(bars), BarPoint{});
    for (int t = 0; t < bars; ++t) {
        const DayBar& b = s.bars[static_cast<std::size_t>(t)];
        BarPoint& p = out.bars[static_cast<std::size_t>(t)];
        p.open = b.open, p.high = b.high, p.low = b.low, p.close = b.close;
        if (b.open == 0 || b.high == 0 || b.low == 0 || b.close == 0) continue;
        const float yHigh = c.Y(row, b.high), yLow = c.Y(row, b.low);
        if (yHigh == kNoPoint || yLow == kNoPoint) continue;
        // Open and close lie between high and low, so inside the band too.
        p.drawn = true;
        p.yHigh = yHigh, p.yLow = yLow;
        p.yOpen = std::clamp(c.Y(row, b.open), yHigh, yLow);
        p.yClose = std::clamp(c.Y(row, b.close), yHigh, yLow);
    }
}

void ComputeAverages(SlotChart& out, const DaySeries& s, const DaySeries* previousDay, const ChartData& c, int row) {
    for (int i = 0; i < 2; ++i) {
        auto& values = out.average[static_cast<std::size_t>(i)];
        auto& ys = out.averageY[static_cast<std::size_t>(i)];
        values = MovingAverage(s, c.geometry.barsPerDay(), c.periods[static_cast<std::size_t>(i)], previousDay);
        ys.resize(values.size());
        for (std::size_t t = 0; t < values.size(); ++t) ys[t] = values[t] != 0 ? c.Y(row, values[t]) : kNoPoint;
    }
}

void ComputeVwap(SlotChart& out, const DaySeries& s, const ChartData& c, int row) {
    if (!c.hasVwapColumn || s.kind != SeriesKind::Stock) return;
    out.vwap = VwapSamples(s);
    out.vwapY.resize(out.vwap.size());
    for (std::size_t t = 0; t < out.vwap.size(); ++t) out.vwapY[t] = out.vwap[t] > 0 ? c.Y(row, out.vwap[t]) : kNoPoint;
}

void ComputeVolume(SlotChart& out, const DaySeries& s, const ChartData& c, int row) {
    if (!HasVolume(s.kind)) return;
    const int bars = c.geometry.barsPerDay();
    const double base = c.geometry.StripBase(row);
    const double vmax = c.vmax[static_cast<std::size_t>(row)];
    out.volume.assign(static_cast<std::size_t>(bars), 0);
    out.volumeTop.assign(static_cast<std::size_t>(bars), kNoPoint);
    for (int t = 0; t < bars; ++t) {
        const std::int32_t v = s.bars[static_cast<std::size_t>(t)].volume;
        out.volume[static_cast<std::size_t>(t)] = v;
        const double top = base - v / vmax * kFullVolumeBar;
        if (v != 0 && top < base) out.volumeTop[static_cast<std::size_t>(t)] = static_cast<float>(std::max(top, base - kFullVolumeBar));
    }
}

// What the chosen day has shown up to row `row`: its prints and its completed bars (high, low; low
// above high when nothing traded), and its largest bar's volume, the forming one's so far.
struct Revealed {
    float high = 0, low = 10'000'000.0f;
    std::int32_t maxBarVolume = 0;
};
Revealed RevealedUpTo(const DaySeries& s, int row, int barLength) {
    Revealed r;
    const int last = std::min(row, s.lastRow);
    for (int i = 0; i <= last; ++i) {
        const float p = s.price[static_cast<std::size_t>(i)];
        if (p > 0) r.high = std::max(r.high, p), r.low = std::min(r.low, p);
    }
    const int completed = std::min(BarOfRow(row + 1, barLength), kMaxBars);
    for (int b = 0; b < completed; ++b) {
        const DayBar& bar = s.bars[static_cast<std::size_t>(b)];
        if (bar.high > 0) r.high = std::max(r.high, bar.high);
        if (bar.low > 0) r.low = std::min(r.low, bar.low);
        r.maxBarVolume = std::max(r.maxBarVolume, bar.volume);
    }
    // The bar still forming, with the volume it has so far.
    const int forming = BarOfRow(row, barLength);
    if (row >= 0 && row <= s.lastRow && forming >= completed && forming < kMaxBars) {
        const double before = forming > 0 ? s.bars[static_cast<std::size_t>(forming - 1)].cumVolume : 0;
        const double sofar = std::clamp(s.cumVolume[static_cast<std::size_t>(row)] - before, 0.0, 2'147'483'647.0);
        r.maxBarVolume = std::max(r.maxBarVolume, static_cast<std::int32_t>(sofar));
    }
    return r;
}

}  // namespace

bool RowLeavesScales(const ChartData& c, const DayData& day, int row) {
    if (!c.revealedRow) return false;
    for (int r = 0; r < 2; ++r) {
        const DaySeries& s = day[r == kUpperRow ? SeriesSlot::DayIndex : SeriesSlot::DayStock];
        if (!s.loaded) continue;
        const Revealed shown = RevealedUpTo(s, row, c.geometry.barLength());
        const RowScale& scale = c.rows[static_cast<std::size_t>(r)];
        if (shown.low <= shown.high && (!scale.Usable() || shown.high > scale.max || shown.low < scale.min)) return true;
        if (HasVolume(s.kind) && shown.maxBarVolume > c.vmax[static_cast<std::size_t>(r)]) return true;
    }
    return false;
}

bool HasVolume(SeriesKind kind) { return kind == SeriesKind::Stock || kind == SeriesKind::Futures; }

bool HasPrevCloseLine(SeriesKind kind) {
    return kind == SeriesKind::Stock || kind == SeriesKind::Nikkei225 || kind == SeriesKind::NikkeiJasdaq;
}

float ChartData::Y(int row, double price) const {
    const auto y = PriceY(rows[static_cast<std::size_t>(row)], price, geometry.BandBottom(row), geometry.plotHeight());
    return y ? *y : kNoPoint;
}

ChartData ComputeChartData(const DayData& day, const ChartInputs& in) {
    ChartData c;
    c.geometry = ChartGeometry(in.w, in.h, in.barLength);
    c.periods = in.periods;
    c.hasVwapColumn = day.hasVwapColumn;
    c.dayOnly = in.dayOnly;
    c.revealedRow = in.revealedRow;
    c.hundredthLabels = day[SeriesSlot::DayIndex].loaded && day[SeriesSlot::DayIndex].kind == SeriesKind::Prime;
    for (int row = 0; row < 2; ++row) {
        const SeriesSlot prev = row == kUpperRow ? SeriesSlot::PrevIndex : SeriesSlot::PrevStock;
        const SeriesSlot chosen = row == kUpperRow ? SeriesSlot::DayIndex : SeriesSlot::DayStock;
        std::optional<Revealed> shown;
        if (in.revealedRow) shown = RevealedUpTo(day[chosen], *in.revealedRow, in.barLength);
        c.rows[static_cast<std::size_t>(row)] =
            ComputeRowScale({in.dayOnly ? nullptr : &day[prev], &day[chosen], in.simulationStart},
                            shown ? ShownRange({shown->high, shown->low}) : std::nullopt);
        std::int64_t largest = 0;
        for (SeriesSlot s : {prev, chosen})
            if (Counted(day[s]) && HasVolume(day[s].kind) && !(in.dayOnly && s == prev))
                largest = std::max<std::int64_t>(largest, s == chosen && shown ? shown->maxBarVolume : day[s].maxBarVolume);
        if (HasVolume(day[chosen].kind)) c.vmax[static_cast<std::size_t>(row)] = RoundVolumeMax(largest);
    }
    for (int i = 0; i < kSlotCount; ++i) {
        const auto slot = static_cast<SeriesSlot>(i);
        const DaySeries& s = day[slot];
        SlotChart& out = c.charts[static_cast<std::size_t>(i)];
        out.kind = s.kind;
        out.loaded = s.loaded && !(in.dayOnly && ColumnOf(slot) == kLeftColumn);
        if (!out.loaded) continue;
        const int row = RowOf(slot);
        if (!c.rows[static_cast<std::size_t>(row)].Usable()) continue;  // no scale: no layers
        const bool chosenDay = ColumnOf(slot) == kRightColumn;
        const SeriesSlot previous = row == kUpperRow ? SeriesSlot::PrevIndex : SeriesSlot::PrevStock;
        const DaySeries* seed = chosenDay && day[previous].loaded ? &day[previous] : nullptr;
        ComputeBars(out, s, c, row);
        if (HasPrevCloseLine(s.kind) && s.prevClose != 0) out.prevCloseY = c.Y(row, s.prevClose);
        ComputeAverages(out, s, seed, c, row);
        ComputeVwap(out, s, c, row);
        ComputeVolume(out, s, c, row);
    }
    return c;
}

}  // namespace corvala
