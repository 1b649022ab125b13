#pragma once
// Working the chart with the mouse, as plain data: trend lines drawn by dragging (ten at most,
// the eleventh replacing the oldest) and deleted with the right button, the time cursor fixed by a
// double click and moved by the playback buttons, marks, and which row and bar the pointer reads.

#include <array>
#include <optional>
#include <vector>

#include "chart/chart_data.h"
#include "chart/geometry.h"
#include "chart/picture.h"

namespace corvala {

namespace chart_colours {
inline constexpr Rgb kTrendLine{255, 130, 0};
inline constexpr Rgb kTimeCursor{195, 145, 245};
inline constexpr Rgb kMark{255, 50, 50};
inline constexpr Rgb kAlert{255, 200, 0};
}  // namespace chart_colours

inline constexpr double kShortestTrendLine = 200;  // |Δx| + |Δy| in twips
inline constexpr double kDeleteReach = 200;         // in x and in y from a line's end
inline constexpr double kMarkRadius = 400;

// The chart-area test: inside the plot width and height, not in the gap between the rows.
bool InChart(const ChartGeometry& g, double x, double y);
// The row a point stands in for a drag: kUpperRow, kLowerRow, or −1 between or outside them.
int DragRowAt(const ChartGeometry& g, double x, double y);

struct TrendLine {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool empty() const { return x1 == 0; }
};

// The ten trend lines: a ring whose next entry takes each new line.
class TrendLines {
public:
    static constexpr int kCapacity = 10;
    void Clear();
    void Add(const TrendLine& line);
    // Empties every line with an end within 200 twips of (x, y) in both x and y; how many went.
    int DeleteNear(double x, double y);
    const std::array<TrendLine, kCapacity>& lines() const { return lines_; }
    int next() const { return next_; }

private:
    std::array<TrendLine, kCapacity> lines_{};
    int next_ = 0;
};

// A drag in progress: its start and the last point the rubber band reached (0: none).
struct Drag {
    float startX = 0, startY = 0, lastX = 0, lastY = 0;
    bool started() const { return startX != 0; }
    bool reached() const { return lastX != 0; }
};
// Left button down: the start when the point is in the chart, none otherwise.
Drag StartDrag(const ChartGeometry& g, double x, double y);
// A move with the button held: the band follows while the point stays in the start's row.
void FollowDrag(const ChartGeometry& g, Drag& drag, double x, double y);
// Left button up: the line, when the drag went at least 200 twips.
std::optional<TrendLine> FinishDrag(const Drag& drag);

enum class MarkMode { None, Circle, Box };
struct Mark {
    float x = 0, y = 0;
    MarkMode mode = MarkMode::Circle;
};

struct TimeCursor {
    bool on = false;
    float x = 0;
};
// The cursor's x clamped to the right column: not before 09:00:00, not past `lastDataX`.
float ClampCursor(const ChartGeometry& g, double x, double lastDataX);
// The playback buttons 2–7 outside a replay move it by −60, −12, −1, +1, +12, +60 steps.
int CursorSteps(int button);

// The five-second row and the bar a pointer at x reads (halves to even), when x lies in the
// right column's chart area and the bar within the day's limit for N.
struct ReadPoint {
    int row = 0, bar = 0;
};
std::optional<ReadPoint> ReadAt(const ChartGeometry& g, double x, double y);
// The last bar a pointer may read for N: 309, 154, 102, 77, 61, 30.
int ReadableBars(int barLength);

// The tools layer: trend lines (solid), the rubber band (dotted), the cursor (dash-dot, in the
// upper and lower row) and the marks; bumps the picture's tools version.
void DrawTools(ChartPicture& picture, const ChartGeometry& g, const TrendLines& lines, const Drag& drag,
               const TimeCursor& cursor, const std::vector<Mark>& marks);
// The price alerts on the tools layer: a dashed line across the chosen day's stock panel with the
// price at its right end, for each price within the panel's scale.
void DrawAlertLines(ChartPicture& picture, const ChartData& chart, const std::vector<double>& prices, bool decimals);

}  // namespace corvala
