// Working the chart with the mouse, as data: the chart area, drags and their shortest length, the
// ring of ten trend lines, deleting near a line's end, the time cursor's clamp and steps, which
// row and bar a pointer reads, and the tools layer.

#include "chart/interaction.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corvala {
namespace {

TEST(ChartInteractionTest, TheChartAreaLeavesOutTheGapBetweenTheRows) {
    const ChartGeometry g(0, 0, 5);
    EXPECT_TRUE(InChart(g, 1000, 1000));
    EXPECT_FALSE(InChart(g, 830, 1000));           // the left edge itself
    EXPECT_FALSE(InChart(g, 1000, 4600));          // between the rows
    EXPECT_TRUE(InChart(g, 1000, 4720));
    EXPECT_FALSE(InChart(g, 12772, 1000));
    EXPECT_EQ(DragRowAt(g, 1000, 4000), kUpperRow);
    EXPECT_EQ(DragRowAt(g, 1000, 8000), kLowerRow);
    EXPECT_EQ(DragRowAt(g, 1000, 4650), -1);
}

TEST(ChartInteractionTest, ADragOfLessThanTwoHundredTwipsDrawsNoLine) {
    const ChartGeometry g(0, 0, 5);
    Drag short_ = StartDrag(g, 2000, 1000);
    FollowDrag(g, short_, 2150, 1040);  // 150 + 40 = 190
    EXPECT_FALSE(FinishDrag(short_));
    Drag long_ = StartDrag(g, 2000, 1000);
    FollowDrag(g, long_, 2150, 1060);  // 150 + 60 = 210
    const auto line = FinishDrag(long_);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->x2, 2150);
    EXPECT_EQ(line->y2, 1060);
    // A press outside the chart starts nothing; a click without a move draws nothing.
    EXPECT_FALSE(StartDrag(g, 500, 1000).started());
    EXPECT_FALSE(FinishDrag(StartDrag(g, 2000, 1000)));
}

TEST(ChartInteractionTest, TheRubberBandStopsAtTheRowBoundary) {
    const ChartGeometry g(0, 0, 5);
    Drag d = StartDrag(g, 2000, 3000);
    FollowDrag(g, d, 2500, 4500);  // still the upper row
    EXPECT_EQ(d.lastY, 4500);
    FollowDrag(g, d, 2600, 4800);  // into the lower row: the band stays where it was
    EXPECT_EQ(d.lastX, 2500);
    EXPECT_EQ(d.lastY, 4500);
    FollowDrag(g, d, 13000, 4000);  // beyond the right edge
    EXPECT_EQ(d.lastX, 2500);
}

TEST(ChartInteractionTest, TheEleventhLineReplacesTheOldestAndAFreedEntryWaitsForTheRing) {
    TrendLines lines;
    for (int i = 0; i < 10; ++i) lines.Add(TrendLine{1000.0f + 1000 * i, 1000, 1500.0f + 1000 * i, 2000});
    EXPECT_EQ(lines.next(), 0);
    lines.Add(TrendLine{900, 900, 1900, 1900});
    EXPECT_EQ(lines.lines()[0].x1, 900);  // the first was replaced
    EXPECT_EQ(lines.next(), 1);
    // Deleting the line in entry 5 does not make the next line go there.
    EXPECT_EQ(lines.DeleteNear(6000, 1000), 1);
    EXPECT_TRUE(lines.lines()[5].empty());
    lines.Add(TrendLine{7000, 7000, 8000, 8000});
    EXPECT_EQ(lines.lines()[1].x1, 7000);
    EXPECT_TRUE(lines.lines()[5].empty());
}

TEST(ChartInteractionTest, TheRightButtonDeletesWithinTwoHundredTwipsOfAnEnd) {
    TrendLines lines;
    lines.Add(TrendLine{2000, 2000, 3000, 2500});
    EXPECT_EQ(lines.DeleteNear(3250, 2250), 0);  // 250 away in x
    EXPECT_EQ(lines.DeleteNear(3000, 2750), 0);  // 250 away in y
    EXPECT_EQ(lines.DeleteNear(2850, 2350), 1);  // 150 left and 150 above the end
    EXPECT_TRUE(lines.lines()[0].empty());
}

TEST(ChartInteractionTest, ThePointerReadsTheRowAndBarUpToTheLimitForN) {
    const ChartGeometry five(0, 0, 5);
    const double origin = 6830, perRow = 5941 / 3720.0;
    const auto at = ReadAt(five, origin + 720 * perRow, 2000);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->row, 720);  // 10:00:00
    const double barStep = 2 * std::floor(5750 / (12 * 5 * 2 - 1.0) + 0.5);
    EXPECT_EQ(ReadAt(five, origin + 12 * barStep, 2000)->bar, 12);
    // Past the right edge the pointer is clamped to the last readable place; far to the right the
    // bar would exceed its limit of 61 only on a wider scale, which the clamp prevents.
    EXPECT_LE(ReadAt(five, 12780, 2000)->bar, ReadableBars(5));
    EXPECT_FALSE(ReadAt(five, 6700, 2000));   // the left column
    EXPECT_FALSE(ReadAt(five, 8000, 9100));   // below the chart
    EXPECT_EQ(ReadableBars(1), 309);
    EXPECT_EQ(ReadableBars(2), 154);
    EXPECT_EQ(ReadableBars(3), 102);
    EXPECT_EQ(ReadableBars(4), 77);
    EXPECT_EQ(ReadableBars(5), 61);
    EXPECT_EQ(ReadableBars(10), 30);
    // Halves go to the even neighbour.
    EXPECT_EQ(ReadAt(five, origin + 0.5 * perRow, 2000)->row, 0);
    EXPECT_EQ(ReadAt(five, origin + 1.5 * perRow, 2000)->row, 2);
}

TEST(ChartInteractionTest, TheCursorStaysBetweenTheOpenAndTheLastDataDrawn) {
    const ChartGeometry g(0, 0, 5);
    EXPECT_EQ(ClampCursor(g, 5000, 12000), 6830);
    EXPECT_EQ(ClampCursor(g, 12500, 12000), 12000);
    EXPECT_EQ(ClampCursor(g, 9000, 12000), 9000);
    EXPECT_EQ(CursorSteps(2), -60);  // ≪
    EXPECT_EQ(CursorSteps(3), -12);
    EXPECT_EQ(CursorSteps(4), -1);
    EXPECT_EQ(CursorSteps(5), 1);
    EXPECT_EQ(CursorSteps(6), 12);
    EXPECT_EQ(CursorSteps(7), 60);
    EXPECT_EQ(CursorSteps(0), 0);
}

TEST(ChartInteractionTest, TheToolsLayerDrawsLinesTheBandTheCursorAndMarks) {
    const ChartGeometry g(0, 0, 5);
    TrendLines lines;
    lines.Add(TrendLine{2000, 2000, 3000, 2500});
    Drag drag = StartDrag(g, 4000, 2000);
    FollowDrag(g, drag, 4500, 2500);
    ChartPicture p;
    DrawTools(p, g, lines, drag, TimeCursor{true, 9000}, {Mark{5000, 6000, MarkMode::Circle}, Mark{5000, 6000, MarkMode::Box}});
    ASSERT_EQ(p.tools.size(), 6u);
    EXPECT_EQ(p.tools[0].style, Shape::Style::Solid);
    EXPECT_EQ(p.tools[0].colour, chart_colours::kTrendLine);
    EXPECT_EQ(p.tools[1].style, Shape::Style::Dotted);
    EXPECT_EQ(p.tools[2].style, Shape::Style::DashDot);
    EXPECT_EQ(p.tools[2].y2, 4590);  // the upper row's segment
    EXPECT_EQ(p.tools[3].y1, 4710);
    EXPECT_EQ(p.tools[4].kind, Shape::Kind::Circle);
    EXPECT_EQ(p.tools[4].x2, kMarkRadius);
    EXPECT_EQ(p.tools[5].kind, Shape::Kind::Box);
    EXPECT_EQ(p.tools[5].width, 2);
    EXPECT_EQ(p.toolsVersion, 1u);
}

}  // namespace
}  // namespace corvala
