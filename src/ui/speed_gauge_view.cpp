#include "ui/speed_gauge_view.h"

#include <QMouseEvent>
#include <QPainter>

#include "replay/speed_gauge.h"

namespace corvala {

SpeedGaugeView::SpeedGaugeView(QWidget* parent) : QWidget(parent) {
    setObjectName("speedGauge");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("クリックで速度を選びます (右ほど速く、30は待ちなし)"));
}

void SpeedGaugeView::SetSpeed(int speed) {
    if (speed == speed_) return;
    speed_ = speed;
    update();
}

int SpeedGaugeView::ToGaugeX(double px) const {
    return width() > 0 ? static_cast<int>(px * kGaugeWidth / width()) : 0;
}

void SpeedGaugeView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.scale(static_cast<double>(width()) / kGaugeWidth, static_cast<double>(height()) / kGaugeHeight);
    const GaugeDrawing g = SpeedGaugeDrawing(speed_);
    const Rgb fill = colours::kGaugeFill;
    p.fillRect(QRectF(g.fillLeft, g.fillTop, g.fillRight - g.fillLeft, g.fillBottom - g.fillTop),
               QColor(fill.r, fill.g, fill.b));
    const Rgb line = colours::kGaugeLine;
    QPen pen(QColor(line.r, line.g, line.b));
    pen.setWidthF(15);
    p.setPen(pen);
    for (const GaugeLine& l : g.lines) p.drawLine(l.x1, l.y1, l.x2, l.y2);
}

void SpeedGaugeView::mousePressEvent(QMouseEvent* event) {
    lastX_ = ToGaugeX(event->position().x());
    emit clicked(lastX_);
}

void SpeedGaugeView::mouseMoveEvent(QMouseEvent* event) { lastX_ = ToGaugeX(event->position().x()); }

}  // namespace corvala
