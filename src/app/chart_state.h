#pragma once
// The chart of the displayed day: its coordinates, the right column growing with the replay, the
// user's fills as markers, the option boxes, the legend, and the mouse's tools (trend lines, the
// time cursor, marks, readouts). It reads the loaded day and the replay's clock, writes its labels
// into the display model, and asks its host for the rest (the board at a readout, a new display).

#include <array>
#include <optional>
#include <vector>

#include "app/price_alerts.h"
#include "chart/chart_data.h"
#include "chart/interaction.h"
#include "chart/layers.h"
#include "data/day_series.h"
#include "replay/display_model.h"
#include "replay/replay_clock.h"
#include "replay/run_parts.h"
#include "replay/services.h"
#include "replay/settings_slice.h"

namespace corvala {

class ChartState final : public RunChart, public SettingsSlice {
public:
    // What the chart needs from the program around it.
    class Host {
    public:
        virtual int ChartBarLength() const = 0;
        // A resize outside a replay: the day shown is displayed anew, as the window's size asks.
        virtual void ChartRedisplayDay() = 0;
        // The time cursor went: the playback buttons rest again when no replay is loaded.
        virtual void ChartCursorRemoved() = 0;

    protected:
        ~Host() = default;
    };
    // What the trading desk answers.
    class RowBoard {
    public:
        // A readout at `row` (its clock `seconds`, when the row has one): the board of that row,
        // the tape scrolled to that time.
        virtual void ShowRowOnBoard(int row, std::optional<int> seconds) = 0;

    protected:
        ~RowBoard() = default;
    };

    ChartState(Host& host, Services& services, RowBoard& board, MainDisplay& display, const ReplayClock& replay,
               const PriceAlerts& alerts);

    // What the window paints: the empty frame, or the displayed day up to the replay's time.
    const ChartPicture& picture() const;
    // The kept coordinates and scales of the displayed day, and the user's fills on it.
    const ChartData& data() const { return chart_; }
    const TradeMarkers& tradeMarkers() const { return markers_; }
    bool showsDay() const { return shown_; }
    const ReplayView& view() const { return view_; }
    // The window's growth over its design size, in twips: the chart is laid out anew.
    void SetSize(int w, int h);
    // 値幅を隠す: in a replay the chosen day's scales know only what it has shown so far, and are
    // computed again (by the same rules) only when a print or a bar leaves them.
    void SetHideRange(bool on);
    bool hideRange() const { return hideRange_; }
    // With the range hidden in a replay, the last row of the chosen day shown so far; none otherwise.
    std::optional<int> revealedRow() const { return inputs_.revealedRow; }
    // MA1 and MA2 (1–24): the captions follow, a displayed day is drawn again.
    void SetAveragePeriods(int ma1, int ma2);
    // setsim: the option boxes, the two periods and 値幅を隠す.
    void LoadSettings(const Settings& s) override;
    void SaveSettings(Settings& s) const override;
    const std::array<int, 2>& averagePeriods() const { return periods_; }
    enum class Option { Tick, Bars, Average1, Average2, CumulativeVolume, Vwap, PrevClose };
    // An option box: the chart is drawn again at once, or at the next step of a replay.
    void SetOption(Option option, bool on);

    // ---- Working the chart with the mouse (window twips) ----
    enum class MouseButton { Left, Right };
    // A press: the left button starts a trend line (and draws a mark in a mark mode), the right
    // button deletes the lines with an end near it.
    void Press(MouseButton button, double x, double y);
    // A move: with the left button held the rubber band follows; otherwise, outside a replay, the
    // readouts show the chosen day at the pointer.
    void Move(double x, double y, bool leftHeld);
    void Release(double x, double y);
    // A double click fixes the time cursor, or removes it.
    void DoubleClick(double x, double y);
    // A double click on the chosen day's date label (0: circle marks) or the previous day's (1:
    // box marks); on either while marks are on, marks off.
    void DoubleClickDateLabel(int label);
    // What the last pointer move read (row and bar), nothing when it showed no readout.
    const std::optional<ReadPoint>& readout() const { return readout_; }
    const TrendLines& trendLines() const { return trendLines_; }
    const TimeCursor& timeCursor() const { return cursor_; }
    MarkMode markMode() const { return markMode_; }

    // ---- What the display and the replay tell it ----
    // The day just loaded: the left column whole, the right column whole in display mode and
    // empty (up to the start) before a replay.
    void ShowLoadedDay();
    // The empty frame: no day is shown.
    void ShowEmpty() override;
    // 当日表示 for the day on screen: the scales from the chosen day alone, or from both.
    void SetDayOnly(bool on);
    // Everything is drawn anew: at once outside a replay; during one, at its next step.
    void Redraw() override;
    // After a jump back or for a mid-session start: the bars before `bar` + 1.
    void RedrawUpTo(int bar) override;
    // A step: a completed bar joins the right column, the forming one follows the row.
    void DrawRow(int row) override;
    // A fill of the user's during a replay, and the 売買位置 option changing.
    void AddTradeMarker(double price, bool sellSide, bool closing);
    void MarkersChanged() { liveDirty_ = true; }
    // N changed: the captions say so.
    void UpdateCaptions();
    // A playback button while the time cursor is fixed: moves it, ■ removes it.
    void CursorButton(int index) override;
    void RemoveCursor() override;
    // The start of the bar under the fixed time cursor (seconds since midnight); none without it.
    std::optional<int> CursorBarStart() const override;
    // The price on the price grid at a point of the chosen day's stock panel (for an alert set by
    // a click); none elsewhere.
    std::optional<double> PriceAt(double x, double y) const;
    // The alert whose line passes nearest to a point of that panel, within 150 twips.
    std::optional<double> AlertNear(double x, double y) const;

private:
    ChartLayers Layers() const;
    void Compute();
    void ClearTools();
    void Redrawn();
    void ShowReadout(double x, double y);
    double LastDataX() const;
    bool ToolsAllowed() const;
    bool Replaying() const { return replay_.replayReady && replay_.simulationMode; }
    void ShowLegend();
    std::optional<int> RevealedAtLoad() const;
    void Reveal(int row);

    Host& host_;
    Services& services_;
    RowBoard& board_;
    MainDisplay& display_;
    const ReplayClock& replay_;
    const PriceAlerts& alerts_;
    mutable std::uint64_t alertsDrawn_ = ~std::uint64_t{0};  // the alerts' version on the picture
    ChartInputs inputs_;
    ChartData chart_;
    TradeMarkers markers_;
    ReplayView view_;
    bool shown_ = false;  // a day is drawn (rather than the empty frame)
    std::array<int, 2> periods_{5, 12};
    bool hideRange_ = false;
    mutable ChartPicture picture_;
    mutable bool baseDirty_ = true, liveDirty_ = true;
    bool optionsChanged_ = false;  // during a replay an option waits for the next step
    LegendValues legendShown_;
    bool legendStale_ = true;
    TrendLines trendLines_;
    Drag drag_;
    TimeCursor cursor_;
    MarkMode markMode_ = MarkMode::None;
    std::vector<Mark> marks_;  // until the chart is drawn anew (not a step of a replay)
    mutable bool toolsDirty_ = true;
    std::optional<ReadPoint> readout_;
};

}  // namespace corvala
