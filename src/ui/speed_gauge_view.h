#pragma once
// The clickable speed gauge: paints the gauge drawing scaled to the widget and reports clicks in
// gauge units.

#include <QWidget>

namespace corvala {

class SpeedGaugeView final : public QWidget {
    Q_OBJECT
public:
    explicit SpeedGaugeView(QWidget* parent);
    void SetSpeed(int speed);
    int lastX() const { return lastX_; }

signals:
    void clicked(int gaugeX);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int ToGaugeX(double px) const;
    int speed_ = 5;
    int lastX_ = 0;
};

}  // namespace corvala
