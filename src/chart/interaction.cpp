#include "chart/interaction.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"

namespace corvala {

bool InChart(const ChartGeometry& g, double x, double y) {
    const double gapTop = g.h() / 2 + 4590, gapBottom = g.h() / 2 + 4710;
    return 830 < x && x < g.w() + 12772 && 310 < y && y < g.h() + 8990 && !(gapTop <= y && y <= gapBottom);
}

int DragRowAt(const ChartGeometry& g, double x, double y) {
    if (!(830 < x && x < g.w() + 12772)) return -1;
    if (310 < y && y < g.h() / 2 + 4590) return kUpperRow;
    if (g.h() / 2 + 4710 < y && y < g.h() + 8990) return kLowerRow;
    return -1;
}

void TrendLines::Clear() {
    lines_ = {};
    next_ = 0;
}

void TrendLines::Add(const TrendLine& line) {
    lines_[static_cast<std::size_t>(next_)] = line;
    next_ = (next_ + 1) % kCapacity;  // the ring keeps the ten most recent
}

int TrendLines::DeleteNear(double x, double y) {
    const auto near = [&](double px, double py) { return std::fabs(px - x) <= kDeleteReach && std::fabs(py - y) <= kDeleteReach; };
    int deleted = 0;
    for (TrendLine& l : lines_) {
        if (l.empty() || !(near(l.x1, l.y1) || near(l.x2, l.y2))) continue;
        l = TrendLine{};
        ++deleted;
    }
    return deleted;
}

Drag StartDrag(const ChartGeometry& g, double x, double y) {
    if (!InChart(g, x, y)) return {};
    return Drag{static_cast<float>(x), static_cast<float>(y), 0, 0};
}

void FollowDrag(const ChartGeometry& g, Drag& drag, double x, double y) {
    if (!drag.started()) return;
    // The band stays in the row it started in: past the boundary it stops following.
    if (DragRowAt(g, x, y) != DragRowAt(g, drag.startX, drag.startY)) return;
    drag.lastX = static_cast<float>(x);
    drag.lastY = static_cast<float>(y);
}

std::optional<TrendLine> FinishDrag(const Drag& drag) {
    if (!drag.started() || !drag.reached()) return std::nullopt;
    if (std::fabs(drag.lastX - drag.startX) + std::fabs(drag.lastY - drag.startY) < kShortestTrendLine) return std::nullopt;
    return TrendLine{drag.startX, drag.startY, drag.lastX, drag.lastY};
}

float ClampCursor(const ChartGeometry& g, double x, double lastDataX) {
    const double first = g.w() / 2 + 6830;
    return static_cast<float>(std::max(first, std::min(x, std::max(first, lastDataX))));
}

int CursorSteps(int button) {
    static constexpr int kSteps[8] = {0, 0, -60, -12, -1, 1, 12, 60};
    return button >= 0 && button < 8 ? kSteps[button] : 0;
}

int ReadableBars(int barLength) {
    switch (barLength) {
        case 1: return 309;
        case 2: return 154;
        case 3: return 102;
        case 4: return 77;
        case 10: return 30;
        default: return 61;
    }
}

std::optional<ReadPoint> ReadAt(const ChartGeometry& g, double x, double y) {
    const double origin = g.w() / 2 + 6830;
    if (!(g.w() / 2 + 6800 <= x && x <= g.w() + 12800 && 300 <= y && y <= g.h() + 9000)) return std::nullopt;
    const double clamped = std::clamp(x, origin, static_cast<double>(g.w() + 12580));
    const int n = g.barLength();
    const double barStep = 2 * std::floor((g.w() / 2 + 5750) / (60.0 / n * 5 * 2 - 1) + 0.5);
    ReadPoint p;
    p.row = static_cast<int>(RoundHalfEven((clamped - origin) / ((g.w() / 2 + 5941) / 3720.0)));
    p.bar = static_cast<int>(RoundHalfEven((clamped - origin) / barStep));
    if (p.bar < 0 || p.bar > ReadableBars(n)) return std::nullopt;
    return p;
}

void DrawTools(ChartPicture& picture, const ChartGeometry& g, const TrendLines& lines, const Drag& drag,
               const TimeCursor& cursor, const std::vector<Mark>& marks) {
    std::vector<Shape>& out = picture.tools;
    out.clear();
    namespace c = chart_colours;
    for (const TrendLine& l : lines.lines())
        if (!l.empty()) out.push_back(LineShape(l.x1, l.y1, l.x2, l.y2, c::kTrendLine));
    if (drag.started() && drag.reached())
        out.push_back(LineShape(drag.startX, drag.startY, drag.lastX, drag.lastY, c::kTrendLine, 1, Shape::Style::Dotted));
    if (cursor.on) {
        out.push_back(LineShape(cursor.x, 310, cursor.x, g.h() / 2 + 4590, c::kTimeCursor, 1, Shape::Style::DashDot));
        out.push_back(LineShape(cursor.x, g.h() / 2 + 4710, cursor.x, g.h() + 8990, c::kTimeCursor, 1, Shape::Style::DashDot));
    }
    for (const Mark& m : marks) {
        if (m.mode == MarkMode::Circle) {
            out.push_back(CircleShape(m.x, m.y, kMarkRadius, c::kMark, false, 2));
        } else if (m.mode == MarkMode::Box) {
            Shape box = BoxShape(m.x - kMarkRadius, m.y - kMarkRadius, m.x + kMarkRadius, m.y + kMarkRadius, c::kMark, false);
            box.width = 2;
            out.push_back(box);
        }
    }
    ++picture.toolsVersion;
}

void DrawAlertLines(ChartPicture& picture, const ChartData& chart, const std::vector<double>& prices, bool decimals) {
    const TwipsRect panel = chart.geometry.Panel(kLowerRow, kRightColumn);
    for (double price : prices) {
        const float y = chart.Y(kLowerRow, price);
        if (y == kNoPoint) continue;
        picture.tools.push_back(LineShape(panel.left, y, panel.right, y, chart_colours::kAlert, 1, Shape::Style::Dashed));
        picture.tools.push_back(TextShape(panel.right - 60, y - 230, FormatPrice(price, decimals, /*grouped=*/true),
                                          chart_colours::kAlert, 7, true));
    }
}

}  // namespace corvala
