// The chart of the displayed day: its coordinates computed once per display, the right column
// growing with the replay, the user's fills as markers, the option boxes and the legend. The
// picture itself is drawn only when the window asks for it.

#include "app/chart_state.h"

#include <algorithm>
#include <cmath>

#include "chart/indicators.h"
#include "platform/text.h"

namespace corvala {

ChartState::ChartState(Host& host, Services& services, RowBoard& board, MainDisplay& display, const ReplayClock& replay,
                       const PriceAlerts& alerts)
    : host_(host),
      services_(services),
      board_(board), display_(display), replay_(replay), alerts_(alerts) {}

const ChartPicture& ChartState::picture() const {
    if (!shown_) {
        if (baseDirty_) DrawEmptyFrame(picture_, ChartGeometry(inputs_.w, inputs_.h, host_.ChartBarLength()), display_.noDataMark);
    } else {
        if (baseDirty_) DrawBase(picture_, chart_, Layers(), view_, display_.noDataMark);
        if (liveDirty_) DrawLive(picture_, chart_, services_.day(), Layers(), view_, markers_);
    }
    baseDirty_ = liveDirty_ = false;
    if (toolsDirty_ || alertsDrawn_ != alerts_.version()) {
        DrawTools(picture_, chart_.geometry, trendLines_, drag_, cursor_, marks_);
        if (shown_) DrawAlertLines(picture_, chart_, alerts_.prices(), services_.day().decimalPrices);
        alertsDrawn_ = alerts_.version();
    }
    toolsDirty_ = false;
    return picture_;
}

ChartLayers ChartState::Layers() const {
    const ChartOptionBoxes& o = display_.chartOptions;
    return ChartLayers{o.bars, o.average1, o.average2, o.vwap, display_.tradeMarkerOption};
}

// The scales and coordinates of the loaded day, for the window's size, N, MA1 and MA2.
void ChartState::Compute() {
    inputs_.barLength = host_.ChartBarLength();
    inputs_.periods = periods_;
    chart_ = ComputeChartData(services_.day(), inputs_);
    legendStale_ = true;
    toolsDirty_ = true;  // the alert lines follow the scales
}

void ChartState::SetSize(int w, int h) {
    w = std::max(0, w), h = std::max(0, h);
    if (w == inputs_.w && h == inputs_.h) return;
    inputs_.w = w, inputs_.h = h;
    ClearTools();  // trend lines, cursor and marks belong to the old layout
    if (!shown_) {
        chart_.geometry = ChartGeometry(w, h, host_.ChartBarLength());  // the empty frame and the tools follow
        baseDirty_ = liveDirty_ = true;
        return;
    }
    Compute();
    if (replay_.replayReady && replay_.simulationMode) {
        // A replay's fills are placed again on the new coordinates.
        markers_.Relocate(chart_);
    } else {
        // Outside a replay the day is shown anew, without its fills.
        markers_.Clear();
        host_.ChartRedisplayDay();
    }
    baseDirty_ = liveDirty_ = true;
}

void ChartState::SetAveragePeriods(int ma1, int ma2) {
    periods_ = {std::clamp(ma1, 1, 24), std::clamp(ma2, 1, 24)};
    UpdateCaptions();
    if (shown_) {
        Compute();
        baseDirty_ = liveDirty_ = true;
    }
    ShowLegend();
}

void ChartState::UpdateCaptions() {
    display_.barsCaption = std::to_string(host_.ChartBarLength()) + "分足";
    display_.average1Caption = std::to_string(periods_[0]) + "本平均";
    display_.average2Caption = std::to_string(periods_[1]) + "本平均";
}

void ChartState::SetOption(Option option, bool on) {
    ChartOptionBoxes& o = display_.chartOptions;
    switch (option) {
        case Option::Tick: o.tick = on; break;
        case Option::Bars: o.bars = on; break;
        case Option::Average1: o.average1 = on; break;
        case Option::Average2: o.average2 = on; break;
        case Option::CumulativeVolume: o.cumulativeVolume = on; break;
        case Option::Vwap: o.vwap = on; break;
        case Option::PrevClose: o.prevClose = on; break;
    }
    Redraw();
    services_.Notify();
}

// Everything drawn anew: at once outside a replay; during one, at its next step.
void ChartState::Redraw() {
    Redrawn();
    if (replay_.running && replay_.replayReady && replay_.simulationMode) {
        optionsChanged_ = true;
        return;
    }
    view_.simulation = replay_.simulationMode && replay_.replayReady;
    baseDirty_ = liveDirty_ = true;
}

void ChartState::SetHideRange(bool on) {
    if (on == hideRange_) return;
    hideRange_ = on;
    if (!shown_) return;
    inputs_.revealedRow = RevealedAtLoad();
    Compute();
    markers_.Relocate(chart_);
    Redraw();
}

// A replay shows the bars before its start: all its scales may know at first.
std::optional<int> ChartState::RevealedAtLoad() const {
    if (!hideRange_ || !replay_.simulationMode) return std::nullopt;
    return replay_.startBar * host_.ChartBarLength() * 12 - 1;
}

// The replay has shown the chosen day up to `row`: the scales change only when it left them.
void ChartState::Reveal(int row) {
    if (!inputs_.revealedRow || row <= *inputs_.revealedRow) return;
    const bool leaves = RowLeavesScales(chart_, services_.day(), row);
    inputs_.revealedRow = row;
    if (!leaves) return;
    Compute();
    markers_.Relocate(chart_);
    baseDirty_ = liveDirty_ = true;
}

void ChartState::SetDayOnly(bool on) {
    inputs_.dayOnly = on;
    Compute();
    Redraw();
}

void ChartState::ShowEmpty() {
    shown_ = false;
    ClearTools();  // they were drawn on the day that is gone
    baseDirty_ = liveDirty_ = true;
    display_.average1Label.clear();
    display_.average2Label.clear();
    legendStale_ = true;
}

// DrawReplayColumnUpTo after a jump back or for a mid-session start: the bars before the one the
// replay goes on with; that bar is drawn again from its first step.
void ChartState::RedrawUpTo(int bar) {
    if (!shown_) return;
    view_.simulation = true;
    Reveal((bar + 1) * host_.ChartBarLength() * 12 - 1);
    view_.lastCompletedBar = std::max(-1, bar);
    view_.currentRow = -1;
    baseDirty_ = liveDirty_ = true;
    Redrawn();
    ShowLegend();
}

// The day just loaded: the left column whole, the right column whole in display mode and empty
// (up to the start) before a replay.
void ChartState::ShowLoadedDay() {
    markers_.Clear();
    ClearTools();
    inputs_.simulationStart = replay_.simulationMode;
    inputs_.dayOnly = display_.dayOnlyChecked;
    inputs_.revealedRow = RevealedAtLoad();
    Compute();
    shown_ = true;
    view_ = ReplayView{replay_.simulationMode, -1, -1};
    optionsChanged_ = false;
    baseDirty_ = liveDirty_ = true;
    ShowLegend();
}

void ChartState::AddTradeMarker(double price, bool sellSide, bool closing) {
    if (!shown_ || !replay_.simulationMode) return;
    // The 51st fill of a day has no marker; the table is never written past.
    if (markers_.Add(chart_, replay_.currentRow, static_cast<float>(price), sellSide ? 1 : 0, closing ? 1 : 0))
        liveDirty_ = true;
}

// A step: a bar that completed joins the right column; the bar still forming and the
// provisional ends of the lines follow the row.
void ChartState::DrawRow(int row) {
    if (!shown_) return;
    view_.simulation = true;
    view_.currentRow = row;
    Reveal(row);
    const int completed = BarOfRow(row, host_.ChartBarLength()) - 1;
    if (completed > view_.lastCompletedBar || optionsChanged_) {
        view_.lastCompletedBar = std::max(view_.lastCompletedBar, completed);
        optionsChanged_ = false;
        baseDirty_ = true;
    }
    liveDirty_ = true;
    ShowLegend();
}

void ChartState::ShowLegend() {
    if (!shown_) return;
    const LegendValues values = ChartLegendValues(chart_, services_.day(), view_);
    // Most steps leave the averages as they were; the texts are written only when they change.
    if (values == legendShown_ && !legendStale_) return;
    legendShown_ = values;
    legendStale_ = false;
    const Legend legend = FormatLegend(values);
    display_.average1Label = legend.average1;
    display_.average2Label = legend.average2;
    if (!view_.simulation) display_.vwapLabel = legend.vwap;  // a replay shows each step's
}

void ChartState::LoadSettings(const Settings& s) {
    display_.chartOptions = {s.tick, s.bars, s.average1, s.average2, s.cumulativeVolume, s.vwap, s.prevClose};
    SetAveragePeriods(s.ma1, s.ma2);
    SetHideRange(s.hideRange);
}

void ChartState::SaveSettings(Settings& s) const {
    const ChartOptionBoxes& o = display_.chartOptions;
    s.tick = o.tick;
    s.bars = o.bars;
    s.average1 = o.average1;
    s.average2 = o.average2;
    s.cumulativeVolume = o.cumulativeVolume;
    s.vwap = o.vwap;
    s.prevClose = o.prevClose;
    s.ma1 = averagePeriods()[0];
    s.ma2 = averagePeriods()[1];
    s.hideRange = hideRange();
}

}  // namespace corvala
