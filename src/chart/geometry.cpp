#include "chart/geometry.h"

#include <algorithm>
#include <cmath>

namespace corvala {

ChartGeometry::ChartGeometry(int w, int h, int barLength)
    : w_(std::max(0, w)), h_(std::max(0, h)), n_(barLength > 0 ? barLength : 5) {
    barsPerDay_ = static_cast<int>(std::floor(60.0 / n_ * 5 + 0.5));
    factor_ = n_ == 1 ? 1.05 : 2.0;
    s_ = (w_ / 2 + 5941) / (60.0 / n_ * 5.167 * factor_ - 1);
}

TwipsRect ChartGeometry::Panel(int row, int column) const {
    const int left = column == kLeftColumn ? 800 : w_ / 2 + 6800;
    const int right = column == kLeftColumn ? w_ / 2 + 6800 : w_ + 12800;
    if (row == kUpperRow) return {left, 300, right, h_ / 2 + 3800};
    return {left, h_ / 2 + 4700, right, h_ + 8200};
}

TwipsRect ChartGeometry::Strip(int row, int column) const {
    const TwipsRect p = Panel(row, column);
    return {p.left, p.bottom, p.right, row == kUpperRow ? h_ / 2 + 4600 : h_ + 9000};
}

double ChartGeometry::WickX(int column, int t) const { return BarLeft(column, t) + std::floor(s_ / 2); }

double ChartGeometry::AverageX(int column, int t) const {
    if (column == kLeftColumn) {
        const double p = 2 * (w_ / 2 + 5941) / (60.0 / n_ * 5.167 * 2 - 1);
        return 856 + t * p;
    }
    return w_ / 2 + 6856 + t * barPitch() + s_ / 2;
}

double ChartGeometry::markerRadius() const { return 0.7 * (w_ / 2 + 5941) / (60.0 / n_ * 5.167 * 1.05 - 1); }

int ChartGeometry::GridX(int column, int minute) const {
    // 1,150 twips an hour at the design size, stretching with the bar scale as the window widens.
    const double perMinute = 1150.0 / 60.0 * (w_ / 2 + 5941) / 5941.0;
    return ColumnOrigin(column) + static_cast<int>(minute * perMinute + 0.5);
}

}  // namespace corvala
