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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RenderBase();
    void MapTwips(QPainter& painter) const;

    const ChartPicture* picture_ = nullptr;
    std::uint64_t baseVersion_ = ~0ull, liveVersion_ = ~0ull;
    QPixmap base_;
    bool baseStale_ = true;
};

}  // namespace corvala
