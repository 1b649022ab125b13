// Working the chart with the mouse inside the simulation: trend lines, the time cursor and its
// playback buttons, marks, and the readouts of the chosen day at the pointer outside a replay.

#include <algorithm>
#include <cmath>

#include "app/chart_state.h"
#include "base/price_rules.h"
#include "chart/indicators.h"
#include "data/day_loader.h"
#include "platform/text.h"
#include "replay/navigation.h"

namespace corvala {
bool ChartState::ToolsAllowed() const { return shown_ || Replaying(); }

void ChartState::ClearTools() {
    trendLines_.Clear();
    drag_ = Drag{};
    marks_.clear();
    if (cursor_.on) RemoveCursor();
    toolsDirty_ = true;
}

// The chart was drawn anew: marks are not kept.
void ChartState::Redrawn() {
    if (marks_.empty()) return;
    marks_.clear();
    toolsDirty_ = true;
}

void ChartState::Press(MouseButton button, double x, double y) {
    const ChartGeometry& g = chart_.geometry;
    if (button == MouseButton::Right) {
        if (trendLines_.DeleteNear(x, y) > 0) toolsDirty_ = true;
        Redrawn();  // the deletion redraws the chart
        services_.Notify();
        return;
    }
    if (markMode_ != MarkMode::None && ToolsAllowed() && InChart(g, x, y)) {
        marks_.push_back(Mark{static_cast<float>(x), static_cast<float>(y), markMode_});
        toolsDirty_ = true;
    }
    drag_ = !cursor_.on && ToolsAllowed() ? StartDrag(g, x, y) : Drag{};
    services_.Notify();
}

void ChartState::Move(double x, double y, bool leftHeld) {
    if (leftHeld && !cursor_.on && drag_.started()) {
        FollowDrag(chart_.geometry, drag_, x, y);
        toolsDirty_ = true;
    }
    // During a replay the readouts are the replay's; with the cursor fixed, the cursor's.
    readout_.reset();
    if (shown_ && !cursor_.on && !Replaying()) ShowReadout(x, y);
    services_.Notify();
}

void ChartState::Release(double /*x*/, double /*y*/) {
    if (cursor_.on) return;
    if (const auto line = FinishDrag(drag_)) trendLines_.Add(*line);
    drag_ = Drag{};
    toolsDirty_ = true;
    services_.Notify();
}

void ChartState::DoubleClick(double x, double y) {
    if (Replaying()) return;
    if (cursor_.on) {
        RemoveCursor();
        services_.Notify();
        return;
    }
    const ChartGeometry& g = chart_.geometry;
    if (!shown_ || y > g.h() + 9313) return;
    cursor_ = TimeCursor{true, ClampCursor(g, x, LastDataX())};
    ShowReadout(cursor_.x, g.BandTop(kUpperRow));
    // Buttons 2–7 now move the cursor and ■ removes it.
    for (int i = kStop; i < kPlaybackButtons; ++i) display_.controls.playback[static_cast<std::size_t>(i)].enabled = true;
    toolsDirty_ = true;
    services_.Notify();
}

void ChartState::CursorButton(int index) {
    if (!cursor_.on || !shown_) return;
    if (index == kStop) {
        RemoveCursor();
        return;
    }
    const int steps = CursorSteps(index);
    if (steps == 0) return;
    const ChartGeometry& g = chart_.geometry;
    cursor_.x = ClampCursor(g, cursor_.x + steps * g.fiveSecondStep(), LastDataX());
    ShowReadout(cursor_.x, g.BandTop(kUpperRow));
    toolsDirty_ = true;
}

std::optional<int> ChartState::CursorBarStart() const {
    if (!cursor_.on || !shown_) return std::nullopt;
    const ChartGeometry& g = chart_.geometry;
    const auto at = ReadAt(g, cursor_.x, g.BandTop(kUpperRow));
    if (!at) return std::nullopt;
    // The bar its row belongs to, as the loader counts them (the bars drawn are spaced a little
    // differently, so the bar under the line may be a neighbour of it).
    return BarStartSeconds(at->row / (g.barLength() * 12), g.barLength());
}

namespace {

bool InPanel(const TwipsRect& r, double x, double y) { return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom; }

}  // namespace

std::optional<double> ChartState::PriceAt(double x, double y) const {
    const RowScale& scale = chart_.rows[kLowerRow];
    const ChartGeometry& g = chart_.geometry;
    if (!shown_ || !scale.Usable() || !InPanel(g.Panel(kLowerRow, kRightColumn), x, y)) return std::nullopt;
    const double price = scale.min + (g.BandBottom(kLowerRow) - y) / g.plotHeight() * (static_cast<double>(scale.max) - scale.min);
    if (!(price > 0)) return std::nullopt;
    const bool fine = services_.day().fineTickMode;
    const double down = ToPriceGrid(price, fine, false), up = ToPriceGrid(price, fine, true);
    return price - down <= up - price ? down : up;
}

std::optional<double> ChartState::AlertNear(double x, double y) const {
    if (!shown_ || !InPanel(chart_.geometry.Panel(kLowerRow, kRightColumn), x, y)) return std::nullopt;
    std::optional<double> nearest;
    double best = 150;
    for (double price : alerts_.prices()) {
        const float ay = chart_.Y(kLowerRow, price);
        if (ay == kNoPoint || std::fabs(ay - y) > best) continue;
        best = std::fabs(ay - y);
        nearest = price;
    }
    return nearest;
}

void ChartState::RemoveCursor() {
    if (!cursor_.on) return;
    cursor_ = TimeCursor{};
    toolsDirty_ = true;
    host_.ChartCursorRemoved();  // the playback buttons rest again
}

void ChartState::DoubleClickDateLabel(int label) {
    markMode_ = markMode_ != MarkMode::None ? MarkMode::None : label == 0 ? MarkMode::Circle : MarkMode::Box;
    services_.Notify();
}

// The x of the last five-second row drawn in the right column.
double ChartState::LastDataX() const {
    const DaySeries& stock = services_.day()[SeriesSlot::DayStock];
    return chart_.geometry.RowX(std::clamp(stock.lastRow, 0, kClosingRow));
}

// The stock's state at the row under x: the replay's labels, the board of that row, the tape
// list scrolled to its time.
void ChartState::ShowReadout(double x, double y) {
    if (!shown_) return;
    const auto at = ReadAt(chart_.geometry, x, y);
    if (!at) return;
    const DaySeries& stock = services_.day()[SeriesSlot::DayStock];
    const int row = std::clamp(at->row, 0, kClosingRow);
    readout_ = ReadPoint{row, at->bar};
    const bool decimals = services_.day().decimalPrices;
    const auto seconds = ParseTimeOfDay(stock.timeText[static_cast<std::size_t>(row)]);
    display_.clockText = seconds ? FormatTimeOfDay(*seconds) : RowClockText(row);
    const double price = stock.price[static_cast<std::size_t>(row)];
    if (price != 0) {
        ShowQuote(display_, price, stock.prevClose, decimals);  // as the replay shows it
    } else {
        display_.priceLabel.clear();
        display_.changeLabel.clear();
        display_.changePercentLabel.clear();
    }
    const int unit = services_.day().tradingUnit > 0 ? services_.day().tradingUnit : 1;
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
    board_.ShowRowOnBoard(row, seconds);
    services_.Notify();
}

}  // namespace corvala
