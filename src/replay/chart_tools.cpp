// Working the chart with the mouse inside the simulation: trend lines, the time cursor and its
// playback buttons, marks, and the readouts of the chosen day at the pointer outside a replay.

#include <algorithm>

#include "chart/indicators.h"
#include "platform/text.h"
#include "replay/navigation.h"
#include "replay/simulation.h"

namespace corvala {
namespace {

bool Replaying(const ReplayClock& r) { return r.replayReady && r.simulationMode; }

}  // namespace

bool Simulation::ChartToolsAllowed() const { return chartShown_ || Replaying(replay_); }

void Simulation::ClearChartTools() {
    trendLines_.Clear();
    drag_ = Drag{};
    marks_.clear();
    if (cursor_.on) RemoveChartCursor();
    toolsDirty_ = true;
}

// The chart was drawn anew: marks are not kept.
void Simulation::ChartRedrawn() {
    if (marks_.empty()) return;
    marks_.clear();
    toolsDirty_ = true;
}

void Simulation::PressChart(MouseButton button, double x, double y) {
    const ChartGeometry& g = chart_.geometry;
    if (button == MouseButton::Right) {
        if (trendLines_.DeleteNear(x, y) > 0) toolsDirty_ = true;
        ChartRedrawn();  // the deletion redraws the chart
        Notify();
        return;
    }
    if (markMode_ != MarkMode::None && ChartToolsAllowed() && InChart(g, x, y)) {
        marks_.push_back(Mark{static_cast<float>(x), static_cast<float>(y), markMode_});
        toolsDirty_ = true;
    }
    drag_ = !cursor_.on && ChartToolsAllowed() ? StartDrag(g, x, y) : Drag{};
    Notify();
}

void Simulation::MoveOnChart(double x, double y, bool leftHeld) {
    if (leftHeld && !cursor_.on && drag_.started()) {
        FollowDrag(chart_.geometry, drag_, x, y);
        toolsDirty_ = true;
    }
    // During a replay the readouts are the replay's; with the cursor fixed, the cursor's.
    readout_.reset();
    if (chartShown_ && !cursor_.on && !Replaying(replay_)) ShowReadout(x, y);
    Notify();
}

void Simulation::ReleaseChart(double /*x*/, double /*y*/) {
    if (cursor_.on) return;
    if (const auto line = FinishDrag(drag_)) trendLines_.Add(*line);
    drag_ = Drag{};
    toolsDirty_ = true;
    Notify();
}

void Simulation::DoubleClickChart(double x, double y) {
    if (Replaying(replay_)) return;
    if (cursor_.on) {
        RemoveChartCursor();
        Notify();
        return;
    }
    const ChartGeometry& g = chart_.geometry;
    if (!chartShown_ || y > g.h() + 9313) return;
    cursor_ = TimeCursor{true, ClampCursor(g, x, LastDataX())};
    ShowReadout(cursor_.x, g.BandTop(kUpperRow));
    // Buttons 2–7 now move the cursor and ■ removes it.
    for (int i = kStop; i < kPlaybackButtons; ++i) display_.controls.playback[static_cast<std::size_t>(i)].enabled = true;
    toolsDirty_ = true;
    Notify();
}

void Simulation::ChartCursorButton(int index) {
    if (!cursor_.on || !chartShown_) return;
    if (index == kStop) {
        RemoveChartCursor();
        return;
    }
    const int steps = CursorSteps(index);
    if (steps == 0) return;
    const ChartGeometry& g = chart_.geometry;
    cursor_.x = ClampCursor(g, cursor_.x + steps * g.fiveSecondStep(), LastDataX());
    ShowReadout(cursor_.x, g.BandTop(kUpperRow));
    toolsDirty_ = true;
}

void Simulation::RemoveChartCursor() {
    if (!cursor_.on) return;
    cursor_ = TimeCursor{};
    toolsDirty_ = true;
    if (!replay_.replayReady) SetNavigation(kIdle);  // the playback buttons rest again
}

void Simulation::DoubleClickDateLabel(int label) {
    markMode_ = markMode_ != MarkMode::None ? MarkMode::None : label == 0 ? MarkMode::Circle : MarkMode::Box;
    Notify();
}

// The x of the last five-second row drawn in the right column.
double Simulation::LastDataX() const {
    const DaySeries& stock = (*day_)[SeriesSlot::DayStock];
    return chart_.geometry.RowX(std::clamp(stock.lastRow, 0, kClosingRow));
}

// The stock's state at the row under x: the replay's labels, the board of that row, the tape
// list scrolled to its time.
void Simulation::ShowReadout(double x, double y) {
    if (!chartShown_) return;
    const auto at = ReadAt(chart_.geometry, x, y);
    if (!at) return;
    const DaySeries& stock = (*day_)[SeriesSlot::DayStock];
    const int row = std::clamp(at->row, 0, kClosingRow);
    readout_ = ReadPoint{row, at->bar};
    const bool decimals = day_->decimalPrices;
    const auto seconds = ParseTimeOfDay(stock.timeText[static_cast<std::size_t>(row)]);
    display_.clockText = seconds ? FormatTimeOfDay(*seconds) : RowClockText(row);
    const double price = stock.price[static_cast<std::size_t>(row)];
    if (price != 0) {
        ShowQuote(price, stock.prevClose);  // as the replay shows it
    } else {
        display_.priceLabel.clear();
        display_.changeLabel.clear();
        display_.changePercentLabel.clear();
    }
    const int unit = day_->tradingUnit > 0 ? day_->tradingUnit : 1;
    display_.volumeLabel = Format(stock.cumVolume[static_cast<std::size_t>(row)] * unit, "###,###");
    const float vwap = stock.vwap[static_cast<std::size_t>(row)];
    display_.vwapLabel = vwap > 0 ? Format(vwap, "###,###.0") : std::string{};
    const SlotChart& s = chart_.slot(SeriesSlot::DayStock);
    const auto average = [&](int i) {
        const auto& values = s.average[static_cast<std::size_t>(i)];
        const float v = at->bar < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(at->bar)] : 0;
        return v != 0 ? Format(v, "###,###.0") : std::string{};
    };
    display_.average1Label = average(0);
    display_.average2Label = average(1);
    legendStale_ = true;  // the step's legend is written anew when the replay shows it
    ShowBoard(market_.cells, stock.board[static_cast<std::size_t>(row)], decimals);
    if (display_.tapeOption && seconds) {
        // The newest print at or before that time; the rows are in time order, their times
        // "hh:nn:ss" compare as texts.
        const auto& rows = market_.tapeRows;
        const std::string target = FormatTimeOfDay(*seconds);
        const auto after = std::upper_bound(rows.begin(), rows.end(), target,
                                            [](const std::string& t, const TapeRow& r) { return t < r.time; });
        if (after != rows.begin()) {
            display_.tapeScrollRow = static_cast<int>(after - rows.begin()) - 1;
            ++display_.tapeScrollGeneration;
        }
    }
    Notify();
}

}  // namespace corvala
