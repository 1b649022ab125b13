#pragma once
// Paints the chart's drawing data; twips are mapped to pixels, nothing is computed here.

#include <QWidget>

#include "chart/chart_frame.h"

namespace corvala {

class ChartView final : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent);
    void SetFrame(ChartFrame frame);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ChartFrame frame_;
};

}  // namespace corvala
