#include "ui/chart_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

namespace corvala {
namespace {

QColor ToQColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

QFont ChartFont(float pointSize) {
    // Under the painter's twips scale a point is 15 times larger.
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize * kTwipsPerPixel);
    return font;
}

}  // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName("chartView");
    setMouseTracking(true);  // the readouts follow the pointer without a button held
}

void ChartView::Show(const ChartPicture& picture) {
    const bool baseChanged = picture_ != &picture || picture.baseVersion != baseVersion_;
    const bool overChanged = picture.liveVersion != liveVersion_ || picture.toolsVersion != toolsVersion_;
    picture_ = &picture;
    baseVersion_ = picture.baseVersion;
    liveVersion_ = picture.liveVersion;
    toolsVersion_ = picture.toolsVersion;
    if (baseChanged) baseStale_ = true;
    if (baseChanged || overChanged) update();
}

QPointF ChartView::Twips(const QPointF& pixel) const {
    return (pixel + QPointF(x(), y())) * kTwipsPerPixel;
}

void ChartView::mousePressEvent(QMouseEvent* event) {
    const QPointF t = Twips(event->position());
    if (event->modifiers() & Qt::ControlModifier) {
        if (event->button() == Qt::LeftButton) emit alertClicked(t.x(), t.y());
        if (event->button() == Qt::RightButton) emit alertMenuRequested(t.x(), t.y(), event->globalPosition().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton) emit leftPressed(t.x(), t.y());
    if (event->button() == Qt::RightButton) emit rightPressed(t.x(), t.y());
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF t = Twips(event->position());
    emit moved(t.x(), t.y(), event->buttons() & Qt::LeftButton);
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF t = Twips(event->position());
    emit released(t.x(), t.y());
}

void ChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF t = Twips(event->position());
    emit doubleClicked(t.x(), t.y());
}

void ChartView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    baseStale_ = true;
}

// The widget stands at the window's left edge, 300 twips down: drawing data is in window twips.
void ChartView::MapTwips(QPainter& p) const {
    p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    p.translate(-x() * kTwipsPerPixel, -y() * kTwipsPerPixel);
}

void ChartView::PaintShapes(QPainter& p, const std::vector<Shape>& shapes) {
    QPen pen;
    pen.setCosmetic(true);  // widths in pixels, whatever the scale
    p.setBrush(Qt::NoBrush);
    for (const Shape& s : shapes) {
        const QColor colour = ToQColor(s.colour);
        switch (s.kind) {
            case Shape::Kind::Line:
                pen.setColor(colour);
                pen.setWidth(s.width);
                pen.setStyle(s.style == Shape::Style::Dotted    ? Qt::DotLine
                             : s.style == Shape::Style::DashDot ? Qt::DashDotLine
                             : s.style == Shape::Style::Dashed  ? Qt::DashLine
                                                                : Qt::SolidLine);
                p.setPen(pen);
                p.drawLine(QPointF(s.x1, s.y1), QPointF(s.x2, s.y2));
                break;
            case Shape::Kind::Box:
                pen.setColor(colour);
                pen.setWidth(s.width);
                pen.setStyle(Qt::SolidLine);
                p.setPen(pen);
                p.drawRect(QRectF(QPointF(s.x1, s.y1), QPointF(s.x2, s.y2)).normalized());
                break;
            case Shape::Kind::FilledBox:
                // Outlined as well, so that a body whose open equals its close still shows.
                pen.setColor(colour);
                pen.setWidth(1);
                pen.setStyle(Qt::SolidLine);
                p.setPen(pen);
                p.setBrush(colour);
                p.drawRect(QRectF(QPointF(s.x1, s.y1), QPointF(s.x2, s.y2)).normalized());
                p.setBrush(Qt::NoBrush);
                break;
            case Shape::Kind::Circle:
                pen.setColor(colour);
                pen.setWidth(s.width);
                pen.setStyle(Qt::SolidLine);
                p.setPen(pen);
                p.drawEllipse(QPointF(s.x1, s.y1), s.x2, s.x2);
                break;
            case Shape::Kind::FilledCircle: {
                p.setPen(Qt::NoPen);
                p.setBrush(colour);
                p.drawEllipse(QPointF(s.x1, s.y1), s.x2, s.x2);
                p.setBrush(Qt::NoBrush);
                break;
            }
            case Shape::Kind::Text: {
                const QFont font = ChartFont(s.pointSize);
                p.setFont(font);
                pen.setColor(colour);
                pen.setStyle(Qt::SolidLine);
                p.setPen(pen);
                const QFontMetricsF metrics(font);
                const QString text = QString::fromStdString(s.text);
                const double x = s.rightAligned ? s.x1 - metrics.horizontalAdvance(text) : s.x1;
                p.drawText(QPointF(x, s.y1 + metrics.ascent()), text);
                break;
            }
        }
    }
}

void ChartView::RenderBase() {
    const qreal ratio = devicePixelRatioF();
    if (base_.size() != size() * ratio) base_ = QPixmap(size() * ratio);
    base_.setDevicePixelRatio(ratio);
    base_.fill(Qt::black);
    if (picture_) {
        QPainter p(&base_);
        MapTwips(p);
        PaintShapes(p, picture_->base);
    }
    baseStale_ = false;
}

void ChartView::paintEvent(QPaintEvent*) {
    if (baseStale_) RenderBase();
    QPainter p(this);
    p.drawPixmap(0, 0, base_);
    if (!picture_ || (picture_->live.empty() && picture_->tools.empty())) return;
    MapTwips(p);
    PaintShapes(p, picture_->live);
    PaintShapes(p, picture_->tools);
}

}  // namespace corvala
