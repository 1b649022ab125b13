#pragma once
// Where everything of the chart stands, in twips of the window's client area: the four panels
// and their volume strips, the plot band of each row and the horizontal scale of bars, minutes
// and five-second steps. W and H are the window's growth over its design size.

namespace corvala {

inline constexpr int kTwipsPerPixel = 15;
// The main window's design size in pixels: W and H count from it.
inline constexpr int kDesignWidthPx = 1280;
inline constexpr int kDesignHeightPx = 780;

inline constexpr int kUpperRow = 0;  // the market series
inline constexpr int kLowerRow = 1;  // the stock
inline constexpr int kLeftColumn = 0;   // the previous trading day
inline constexpr int kRightColumn = 1;  // the chosen day

struct TwipsRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

class ChartGeometry {
public:
    // `w`, `h` in twips (negative counts as 0), `barLength` N in minutes.
    ChartGeometry(int w, int h, int barLength);

    int w() const { return w_; }
    int h() const { return h_; }
    int barLength() const { return n_; }
    int barsPerDay() const { return barsPerDay_; }
    double pitchFactor() const { return factor_; }  // f: 2, or 1.05 for N = 1
    double barWidth() const { return s_; }          // s
    double barPitch() const { return factor_ * s_; }
    int plotHeight() const { return h_ / 2 + 3480; }

    TwipsRect area() const { return {800, 300, w_ + 12800, h_ + 9000}; }
    TwipsRect Panel(int row, int column) const;
    TwipsRect Strip(int row, int column) const;
    int BandTop(int row) const { return row == kUpperRow ? 310 : h_ / 2 + 4710; }
    int BandBottom(int row) const { return row == kUpperRow ? h_ / 2 + 3790 : h_ + 8190; }
    // Where a volume bar of the row stands (a full bar is 780 twips).
    int StripBase(int row) const { return row == kUpperRow ? h_ / 2 + 4590 : h_ + 8990; }

    // Bar t: its left edge, its wick and its moving-average vertex.
    double BarLeft(int column, int t) const { return ColumnOrigin(column) + t * barPitch(); }
    double WickX(int column, int t) const;
    double AverageX(int column, int t) const;
    // Minute sample t (VWAP) and five-second row r (trade markers).
    double MinuteX(int column, int t) const { return ColumnOrigin(column) + t * minuteStep(); }
    double RowX(int row) const { return ColumnOrigin(kRightColumn) + row * fiveSecondStep(); }
    double minuteStep() const { return (w_ / 2 + 5941) / 312.0; }
    double fiveSecondStep() const { return (w_ / 2 + 5941) / 3720.0; }
    // The radius of a trade marker, sized as for 1-minute bars whatever N is.
    double markerRadius() const;
    // Where the time grid marks a trading minute counted from 09:00 without the lunch break.
    int GridX(int column, int minute) const;

private:
    int ColumnOrigin(int column) const { return column == kLeftColumn ? 830 : w_ / 2 + 6830; }

    int w_, h_, n_;
    int barsPerDay_;
    double factor_, s_;
};

}  // namespace corvala
