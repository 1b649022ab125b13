#include "chart_report.h"

#include <cstdio>
#include <cstdlib>

#include "chart/indicators.h"
#include "chart/layers.h"

namespace corvala::cli {
namespace {

using json = nlohmann::ordered_json;

// A single-precision figure as a decimal that reads back to the same float.
double Figure(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return std::strtod(buf, nullptr);
}

json RowJson(const ChartData& c, int row) {
    const RowScale& r = c.rows[static_cast<std::size_t>(row)];
    return {{"max", Figure(r.max)},
            {"min", Figure(r.min)},
            {"step", r.step},
            {"span", r.span},
            {"labels", PriceLabels(c, row)},
            {"volumeLabels", VolumeLabels(c.vmax[static_cast<std::size_t>(row)])},
            {"vmax", c.vmax[static_cast<std::size_t>(row)]}};
}

// What the window shows of one slot: every drawn bar up to `last`, the lines' values up to it.
json SlotJson(const ChartData& c, SeriesSlot slot, int last) {
    const SlotChart& s = c.slot(slot);
    const int column = ColumnOf(slot);
    json bars = json::array(), volume = json::array(), vwap = json::array();
    std::array<json, 2> averages{json::array(), json::array()};
    if (s.loaded) {
        for (int t = 0; t <= last && t < static_cast<int>(s.bars.size()); ++t) {
            const BarPoint& b = s.bars[static_cast<std::size_t>(t)];
            if (!b.drawn) continue;
            bars.push_back({{"t", t},
                            {"open", Figure(b.open)},
                            {"high", Figure(b.high)},
                            {"low", Figure(b.low)},
                            {"close", Figure(b.close)},
                            {"x", Figure(c.geometry.BarLeft(column, t))},
                            {"yOpen", b.yOpen},
                            {"yHigh", b.yHigh},
                            {"yLow", b.yLow},
                            {"yClose", b.yClose},
                            {"filled", b.filled()}});
        }
        for (int i = 0; i < 2; ++i)
            for (std::size_t t = 0; t < s.average[static_cast<std::size_t>(i)].size(); ++t)
                averages[static_cast<std::size_t>(i)].push_back(
                    static_cast<int>(t) <= last ? Figure(s.average[static_cast<std::size_t>(i)][t]) : 0.0);
        const int lastSample = (last + 1) * c.geometry.barLength() - 1;
        for (std::size_t t = 0; t < s.vwap.size(); ++t)
            vwap.push_back(static_cast<int>(t) <= lastSample ? Figure(s.vwap[t]) : 0.0);
        for (int t = 0; t <= last && t < static_cast<int>(s.volumeTop.size()); ++t)
            if (s.volumeTop[static_cast<std::size_t>(t)] != kNoPoint) volume.push_back(s.volume[static_cast<std::size_t>(t)]);
    }
    return {{"kind", static_cast<int>(s.kind)},
            {"bars", std::move(bars)},
            {"prevCloseY", s.loaded && s.prevCloseY != kNoPoint ? json(s.prevCloseY) : json(nullptr)},
            {"ma1", std::move(averages[0])},
            {"ma2", std::move(averages[1])},
            {"vwap", std::move(vwap)},
            {"volume", std::move(volume)}};
}

}  // namespace

json ChartReport(const Simulation& sim, bool markers) {
    const ChartData& c = sim.chart().data();
    const MainDisplay& d = sim.display();
    json out;
    out["W"] = c.geometry.w();
    out["H"] = c.geometry.h();
    out["rows"] = json::array({RowJson(c, kUpperRow), RowJson(c, kLowerRow)});
    out["barWidth"] = Figure(c.geometry.barWidth());
    out["barPitch"] = Figure(c.geometry.barPitch());
    json slots = json::array();
    const ReplayView& view = sim.chart().view();
    for (int i = 0; i < kSlotCount; ++i) {
        const auto slot = static_cast<SeriesSlot>(i);
        const int whole = c.geometry.barsPerDay() - 1;
        const int last = !sim.chart().showsDay() ? -1
                         : ColumnOf(slot) == kRightColumn && view.simulation ? view.lastCompletedBar
                                                                             : whole;
        slots.push_back(SlotJson(c, slot, last));
    }
    out["slots"] = std::move(slots);
    out["legend"] = {{"ma1", d.average1Label}, {"ma2", d.average2Label}, {"vwap", d.vwapLabel}};
    out["captions"] = {{"bars", d.barsCaption}, {"ma1", d.average1Caption}, {"ma2", d.average2Caption}};
    if (markers) {
        json list = json::array();
        const TradeMarkers& m = sim.chart().tradeMarkers();
        for (int i = 0; i < m.size(); ++i)
            list.push_back({{"x", Figure(m[i].x)}, {"y", Figure(m[i].y)}, {"side", m[i].side}, {"kind", m[i].kind}});
        out["markers"] = std::move(list);
    }
    return out;
}

json ReadoutJson(const Simulation& sim, double x, double y) {
    const auto& at = sim.chart().readout();
    if (!at) return nullptr;
    const MainDisplay& d = sim.display();
    json board = json::array();
    const Board& shown = sim.trading().market().cells.shown;
    for (const Price p : shown.price) board.push_back(Figure(p.yen()));
    for (const Shares q : shown.qty) board.push_back(Figure(static_cast<double>(q)));
    return {{"x", x},
            {"y", y},
            {"row", at->row},
            {"bar", at->bar},
            {"time", d.clockText},
            {"price", d.priceLabel},
            {"change", d.changeLabel},
            {"percent", d.changePercentLabel},
            {"volume", d.volumeLabel},
            {"vwap", d.vwapLabel},
            {"ma1", d.average1Label},
            {"ma2", d.average2Label},
            {"board", std::move(board)}};
}

}  // namespace corvala::cli
