#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace corvala {

namespace {

struct Candle {
    double open, close, high, low;  // in 0..1 of the plot's height, 0 at the bottom
};

// A morning that dips and then runs up: the picture of a day worth practising.
constexpr Candle kCandles[] = {
    {0.55, 0.40, 0.62, 0.34}, {0.40, 0.30, 0.45, 0.22}, {0.30, 0.52, 0.56, 0.27}, {0.52, 0.78, 0.86, 0.48}};

}  // namespace

QImage DrawAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QRectF frame(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    p.setPen(QPen(QColor(90, 90, 90), std::max(1.0, s / 64)));
    p.setBrush(QColor(0, 0, 0));
    p.drawRoundedRect(frame, s * 0.16, s * 0.16);

    const QRectF plot(s * 0.18, s * 0.16, s * 0.64, s * 0.66);
    if (size >= 32) {
        p.setPen(QPen(QColor(70, 70, 70), std::max(1.0, s / 128)));
        for (int i = 1; i < 4; ++i) {
            const double y = plot.top() + plot.height() * i / 4;
            p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        }
    }
    const int n = static_cast<int>(std::size(kCandles));
    const double slot = plot.width() / n;
    const auto y = [&](double v) { return plot.bottom() - v * plot.height(); };
    QPainterPath average;
    for (int i = 0; i < n; ++i) {
        const Candle& c = kCandles[i];
        const double cx = plot.left() + slot * (i + 0.5);
        const bool up = c.close >= c.open;
        const QColor colour = up ? QColor(255, 60, 60) : QColor(0, 200, 255);
        p.setPen(QPen(colour, std::max(1.0, s / 40)));
        p.drawLine(QPointF(cx, y(c.high)), QPointF(cx, y(c.low)));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        const double top = y(std::max(c.open, c.close));
        p.drawRect(QRectF(cx - slot * 0.3, top, slot * 0.6, std::max(s / 32, y(std::min(c.open, c.close)) - top)));
        const QPointF point(cx, y((c.open + c.close) / 2 + 0.04));
        if (i == 0) average.moveTo(point);
        else average.lineTo(point);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 230, 0), std::max(1.0, s / 36), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(average);
    return image;
}

QIcon AppIcon() {
    QIcon drawn;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) drawn.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
    return QIcon::fromTheme(QStringLiteral("corvala"), drawn);
}

}  // namespace corvala
