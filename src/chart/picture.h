#pragma once
// The chart as plain drawing data in window twips: lines, boxes, filled circles and texts with
// their colours, widths and dash styles, in the order they are drawn. The window maps twips to
// pixels and paints; it computes nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "chart/geometry.h"
#include "platform/rgb.h"

namespace corvala {

struct Shape {
    enum class Kind : std::uint8_t { Line, Box, FilledBox, FilledCircle, Circle, Text };
    enum class Style : std::uint8_t { Solid, Dotted, DashDot, Dashed };
    Kind kind = Kind::Line;
    std::uint8_t width = 1;  // pen width in pixels
    Style style = Style::Solid;
    bool rightAligned = false;  // a text whose right edge is x1
    Rgb colour;
    // A line's ends; a box's corners; a circle's centre (x1, y1) and radius (x2); a text's
    // top-left corner (top-right when right-aligned).
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::string text;
    float pointSize = 0;
};

struct ChartPicture {
    TwipsRect area;         // the chart area, black
    TwipsRect labelColumn;  // the price labels left of it, black
    // Drawn again only when a redraw, a completed bar or a fill changes them ...
    std::vector<Shape> base;
    // ... and at every step: the bar still forming and the provisional line segments.
    std::vector<Shape> live;
    // On top, as the mouse draws them: trend lines, the rubber band, the time cursor and marks.
    std::vector<Shape> tools;
    std::uint64_t baseVersion = 0, liveVersion = 0, toolsVersion = 0;
};

// Builders used by the layers.
inline Shape LineShape(double x1, double y1, double x2, double y2, Rgb colour, int width = 1,
                       Shape::Style style = Shape::Style::Solid) {
    Shape s;
    s.kind = Shape::Kind::Line;
    s.x1 = static_cast<float>(x1), s.y1 = static_cast<float>(y1), s.x2 = static_cast<float>(x2), s.y2 = static_cast<float>(y2);
    s.colour = colour;
    s.width = static_cast<std::uint8_t>(width);
    s.style = style;
    return s;
}
inline Shape BoxShape(double x1, double y1, double x2, double y2, Rgb colour, bool filled) {
    Shape s = LineShape(x1, y1, x2, y2, colour);
    s.kind = filled ? Shape::Kind::FilledBox : Shape::Kind::Box;
    return s;
}
inline Shape CircleShape(double x, double y, double r, Rgb colour, bool filled = true, int width = 1) {
    Shape s = LineShape(x, y, r, 0, colour, width);
    s.kind = filled ? Shape::Kind::FilledCircle : Shape::Kind::Circle;
    return s;
}
inline Shape TextShape(double x, double y, std::string text, Rgb colour, float pointSize, bool rightAligned = false) {
    Shape s = LineShape(x, y, 0, 0, colour);
    s.kind = Shape::Kind::Text;
    s.text = std::move(text);
    s.pointSize = pointSize;
    s.rightAligned = rightAligned;
    return s;
}

}  // namespace corvala
