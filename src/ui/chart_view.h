#pragma once
// Paints the chart's drawing data: twips are mapped to pixels, nothing is computed here. What
// changes only when a bar completes or the chart is redrawn is kept as a picture and painted
// again from it; the bar still forming is painted on top at every repaint.

#include <QPixmap>
#include <QWidget>
#include <cstdint>

#include "chart/picture.h"

namespace corvala {

class ChartView final : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent);
    // The picture to paint; repainted when its versions changed since the last call.
    void Show(const ChartPicture& picture);
    // Paints `shapes` with `painter` set to window twips (exposed for the benchmarks).
    static void PaintShapes(class QPainter& painter, const std::vector<Shape>& shapes);

signals:
    // The mouse on the chart, at window twips.
    void leftPressed(double x, double y);
    void rightPressed(double x, double y);
    void moved(double x, double y, bool leftHeld);
    void released(double x, double y);
    void doubleClicked(double x, double y);
    // With Ctrl held: the left button sets a price alert there, the right one asks for the
    // alerts' menu at `global`.
    void alertClicked(double x, double y);
    void alertMenuRequested(double x, double y, QPoint global);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(class QMouseEvent* event) override;
    void mouseMoveEvent(class QMouseEvent* event) override;
    void mouseReleaseEvent(class QMouseEvent* event) override;
    void mouseDoubleClickEvent(class QMouseEvent* event) override;

private:
    void RenderBase();
    void MapTwips(QPainter& painter) const;
    QPointF Twips(const QPointF& pixel) const;

    const ChartPicture* picture_ = nullptr;
    std::uint64_t baseVersion_ = ~0ull, liveVersion_ = ~0ull, toolsVersion_ = ~0ull;
    QPixmap base_;
    bool baseStale_ = true;
};

}  // namespace corvala
