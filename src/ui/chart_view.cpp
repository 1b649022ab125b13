#include "ui/chart_view.h"

#include <QPainter>

namespace corvala {
namespace {
QColor ToQColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }
}  // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName("chartView");
}

void ChartView::SetFrame(ChartFrame frame) {
    frame_ = std::move(frame);
    update();
}

void ChartView::paintEvent(QPaintEvent*) {
    // The widget sits at the chart area's top-left corner; drawing data is in window twips.
    QPainter p(this);
    const double scale = 1.0 / kTwipsPerPixel;
    p.fillRect(rect(), Qt::black);
    p.translate(-frame_.area.left * scale, -frame_.area.top * scale);
    p.scale(scale, scale);
    QPen grey(ToQColor(kFrameGrey));
    grey.setWidthF(kTwipsPerPixel);
    grey.setCosmetic(false);
    p.setPen(grey);
    for (const auto& r : frame_.outlines)
        p.drawRect(QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top));
    for (const auto& l : frame_.lines) {
        grey.setStyle(l.dotted ? Qt::DotLine : Qt::SolidLine);
        p.setPen(grey);
        p.drawLine(l.x1, l.y1, l.x2, l.y2);
    }
    for (const auto& t : frame_.texts) {
        QFont font = p.font();
        font.setPointSizeF(t.pointSize * kTwipsPerPixel);
        p.setFont(font);
        p.setPen(ToQColor(t.colour));
        p.drawText(QPointF(t.x, t.y + t.pointSize * 20 * 1.2), QString::fromStdString(t.text));
    }
}

}  // namespace corvala
