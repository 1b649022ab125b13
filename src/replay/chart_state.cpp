// The chart of the displayed day inside the simulation: its coordinates computed once per
// display, the right column growing with the replay, the user's fills as markers, the option
// boxes and the legend. The picture itself is drawn only when the window asks for it.

#include <algorithm>

#include "chart/indicators.h"
#include "replay/simulation.h"

namespace corvala {

const ChartPicture& Simulation::chartPicture() const {
    if (!chartShown_) {
        if (baseDirty_) DrawEmptyFrame(chartPicture_, ChartGeometry(chartInputs_.w, chartInputs_.h, barLength_), display_.noDataMark);
    } else {
        if (baseDirty_) DrawBase(chartPicture_, chart_, Layers(), chartView_, display_.noDataMark);
        if (liveDirty_) DrawLive(chartPicture_, chart_, *day_, Layers(), chartView_, markers_);
    }
    baseDirty_ = liveDirty_ = false;
    if (toolsDirty_) DrawTools(chartPicture_, chart_.geometry, trendLines_, drag_, cursor_, marks_);
    toolsDirty_ = false;
    return chartPicture_;
}

ChartLayers Simulation::Layers() const {
    const ChartOptionBoxes& o = display_.chartOptions;
    return ChartLayers{o.bars, o.average1, o.average2, o.vwap, display_.tradeMarkerOption};
}

// The scales and coordinates of the loaded day, for the window's size, N, MA1 and MA2.
void Simulation::ComputeChart() {
    chartInputs_.barLength = barLength_;
    chartInputs_.periods = averagePeriods_;
    chart_ = ComputeChartData(*day_, chartInputs_);
    legendStale_ = true;
}

void Simulation::SetChartSize(int w, int h) {
    w = std::max(0, w), h = std::max(0, h);
    if (w == chartInputs_.w && h == chartInputs_.h) return;
    chartInputs_.w = w, chartInputs_.h = h;
    ClearChartTools();  // trend lines, cursor and marks belong to the old layout
    if (!chartShown_) {
        chart_.geometry = ChartGeometry(w, h, barLength_);  // the empty frame and the tools follow
        baseDirty_ = liveDirty_ = true;
        return;
    }
    ComputeChart();
    if (replay_.replayReady && replay_.simulationMode) {
        // A replay's fills are placed again on the new coordinates.
        markers_.Relocate(chart_);
    } else {
        // Outside a replay the day is shown anew, without its fills.
        markers_.Clear();
        if (!display_.simulationChecked && dayLoaded_ && !replayRunning()) DisplayDay(false);
    }
    baseDirty_ = liveDirty_ = true;
}

void Simulation::SetAveragePeriods(int ma1, int ma2) {
    averagePeriods_ = {std::clamp(ma1, 1, 24), std::clamp(ma2, 1, 24)};
    UpdateChartCaptions();
    if (chartShown_) {
        ComputeChart();
        baseDirty_ = liveDirty_ = true;
    }
    ShowLegend();
}

void Simulation::UpdateChartCaptions() {
    display_.barsCaption = std::to_string(barLength_) + "分足";
    display_.average1Caption = std::to_string(averagePeriods_[0]) + "本平均";
    display_.average2Caption = std::to_string(averagePeriods_[1]) + "本平均";
}

void Simulation::SetChartOption(ChartOption option, bool on) {
    ChartOptionBoxes& o = display_.chartOptions;
    switch (option) {
        case ChartOption::Tick: o.tick = on; break;
        case ChartOption::Bars: o.bars = on; break;
        case ChartOption::Average1: o.average1 = on; break;
        case ChartOption::Average2: o.average2 = on; break;
        case ChartOption::CumulativeVolume: o.cumulativeVolume = on; break;
        case ChartOption::Vwap: o.vwap = on; break;
        case ChartOption::PrevClose: o.prevClose = on; break;
    }
    FullRedraw();
    Notify();
}

// FullRedraw: at once outside a replay; during one, at its next step.
void Simulation::FullRedraw() {
    ChartRedrawn();
    if (replayRunning() && replay_.replayReady && replay_.simulationMode) {
        optionsChanged_ = true;
        return;
    }
    chartView_.simulation = replay_.simulationMode && replay_.replayReady;
    baseDirty_ = liveDirty_ = true;
}

void Simulation::RedrawEmptyChart() {
    chartShown_ = false;
    ClearChartTools();  // they were drawn on the day that is gone
    baseDirty_ = liveDirty_ = true;
    display_.average1Label.clear();
    display_.average2Label.clear();
    legendStale_ = true;
}

// DrawReplayColumnUpTo after a jump back or for a mid-session start: the bars before the one the
// replay goes on with; that bar is drawn again from its first step.
void Simulation::RedrawChartUpTo(int bar) {
    if (!chartShown_) return;
    chartView_.simulation = true;
    chartView_.lastCompletedBar = std::max(-1, bar);
    chartView_.currentRow = -1;
    baseDirty_ = liveDirty_ = true;
    ChartRedrawn();
    ShowLegend();
}

// The day just loaded: the left column whole, the right column whole in display mode and empty
// (up to the start) before a replay.
void Simulation::ShowLoadedDayOnChart() {
    markers_.Clear();
    ClearChartTools();
    chartInputs_.simulationStart = replay_.simulationMode;
    chartInputs_.dayOnly = display_.dayOnlyChecked;
    ComputeChart();
    chartShown_ = true;
    chartView_ = ReplayView{replay_.simulationMode, -1, -1};
    optionsChanged_ = false;
    baseDirty_ = liveDirty_ = true;
    ShowLegend();
}

void Simulation::AddTradeMarker(const Execution& e) {
    if (!chartShown_ || !replay_.simulationMode) return;
    // The 51st fill of a day has no marker; the table is never written past.
    if (markers_.Add(chart_, replay_.currentRow, e.price, e.side == kSideMarginSell ? 1 : 0, e.closing ? 1 : 0))
        liveDirty_ = true;
}

// A step: a bar that completed joins the right column; the bar still forming and the
// provisional ends of the lines follow the row.
void Simulation::DrawReplayRow(int row) {
    if (!chartShown_) return;
    chartView_.simulation = true;
    chartView_.currentRow = row;
    const int completed = BarOfRow(row, barLength_) - 1;
    if (completed > chartView_.lastCompletedBar || optionsChanged_) {
        chartView_.lastCompletedBar = std::max(chartView_.lastCompletedBar, completed);
        optionsChanged_ = false;
        baseDirty_ = true;
    }
    liveDirty_ = true;
    ShowLegend();
}

void Simulation::ShowLegend() {
    if (!chartShown_) return;
    const LegendValues values = ChartLegendValues(chart_, *day_, chartView_);
    // Most steps leave the averages as they were; the texts are written only when they change.
    if (values == legendShown_ && !legendStale_) return;
    legendShown_ = values;
    legendStale_ = false;
    const Legend legend = FormatLegend(values);
    display_.average1Label = legend.average1;
    display_.average2Label = legend.average2;
    if (!chartView_.simulation) display_.vwapLabel = legend.vwap;  // a replay shows each step's
}

}  // namespace corvala
