#include "review/report_picture.h"

#include <algorithm>
#include <cmath>

#include "platform/text.h"

namespace corvala {

namespace {

constexpr Rgb kBackground{0, 0, 0}, kFrame{96, 96, 96}, kLabel{0, 255, 255}, kPrice{255, 255, 255};
constexpr Rgb kEquity{255, 255, 0}, kZero{0, 160, 0}, kBuy{255, 64, 64}, kSell{64, 128, 255};
constexpr Rgb kBand{90, 90, 40};  // the result between the pessimistic and the optimistic fills
// Sizes in pixels, times the twips of a pixel: the picture is in twips as the chart is.
constexpr double kPx = kTwipsPerPixel;
constexpr double kLeft = 64 * kPx, kRight = 12 * kPx, kTop = 10 * kPx, kGap = 22 * kPx, kBottom = 22 * kPx;
constexpr float kLabelPoint = 8;

struct Panel {
    double left, top, right, bottom, low, high;
    double X(double at, double span) const { return left + (right - left) * (span > 0 ? at / span : 0); }
    double Y(double v) const { return high > low ? bottom - (bottom - top) * (v - low) / (high - low) : (top + bottom) / 2; }
};

// The range of `values` widened a little and out to round figures, never empty: the frame's
// labels (top, middle, bottom) are whole multiples of a step of 1, 2 or 5 × 10^k yen.
std::pair<double, double> Range(const std::vector<double>& values, bool includeZero, bool skipZero) {
    double low = includeZero ? 0 : INFINITY, high = includeZero ? 0 : -INFINITY;
    for (const double v : values) {
        if (skipZero && v == 0) continue;
        low = std::min(low, v), high = std::max(high, v);
    }
    if (!std::isfinite(low)) return {0, 2};
    const double pad = std::max((high - low) * 0.05, 1.0);
    low -= pad, high += pad;
    // Some six steps over the range, so that the curve fills most of the panel.
    const double raw = std::max((high - low) / 6, 1.0);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * magnitude;
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * magnitude >= raw) {
            step = m * magnitude;
            break;
        }
    }
    double top = std::ceil(high / step) * step, bottom = std::floor(low / step) * step;
    // An even number of steps puts the middle label on a step too; the side with less room grows.
    if (std::llround((top - bottom) / step) % 2 != 0) {
        if (top - high < low - bottom)
            top += step;
        else
            bottom -= step;
    }
    return {bottom, top};
}

void Frame(std::vector<Shape>& out, const Panel& p, const char* format) {
    out.push_back(BoxShape(p.left, p.top, p.right, p.bottom, kFrame, false));
    for (const double v : {p.high, (p.high + p.low) / 2, p.low}) {
        out.push_back(TextShape(p.left - 4 * kPx, p.Y(v) - 7 * kPx, Format(v, format), kLabel, kLabelPoint, true));
    }
}

}  // namespace

std::vector<Shape> DrawSessionCurves(const std::vector<double>& prices, int rows, const SessionRecord& session,
                                     int width, int height, const ResultBand* band) {
    std::vector<Shape> out;
    out.push_back(BoxShape(0, 0, width, height, kBackground, true));
    const double plotBottom = height - kBottom;
    const double split = kTop + (plotBottom - kTop - kGap) * 0.6;
    const double span = std::max(1, rows - 1);
    const auto [pLow, pHigh] = Range(prices, false, true);
    const Panel price{kLeft, kTop, width - kRight, split, pLow, pHigh};
    const std::vector<double> equity = session.EquityCurve();
    const std::vector<int> equityRows = session.EquityRows();
    std::vector<double> spanned = equity;
    if (band) {
        spanned.insert(spanned.end(), band->low.begin(), band->low.end());
        spanned.insert(spanned.end(), band->high.begin(), band->high.end());
    }
    const auto [eLow, eHigh] = Range(spanned, true, false);
    const Panel result{kLeft, split + kGap, width - kRight, plotBottom, eLow, eHigh};
    Frame(out, price, "###,##0");
    Frame(out, result, "###,##0");

    // The day's price, joined across rows without a price.
    int last = -1;
    for (int row = 0; row < rows && row < static_cast<int>(prices.size()); ++row) {
        if (prices[static_cast<std::size_t>(row)] == 0) continue;
        if (last >= 0)
            out.push_back(LineShape(price.X(last, span), price.Y(prices[static_cast<std::size_t>(last)]),
                                    price.X(row, span), price.Y(prices[static_cast<std::size_t>(row)]), kPrice));
        last = row;
    }
    for (const FillMark& f : session.fills())
        out.push_back(CircleShape(price.X(f.row, span), price.Y(f.price), 4 * kPx, f.buy ? kBuy : kSell));

    out.push_back(LineShape(result.left, result.Y(0), result.right, result.Y(0), kZero, 1, Shape::Style::Dotted));
    // The band: a stroke from the pessimistic to the optimistic result at every step.
    const std::size_t banded = band ? std::min({band->low.size(), band->high.size(), equityRows.size()}) : 0;
    for (std::size_t i = 0; i < banded; ++i) {
        const double x = result.X(equityRows[i], span);
        out.push_back(LineShape(x, result.Y(band->low[i]), x, result.Y(band->high[i]), kBand, 2));
    }
    for (std::size_t i = 1; i < equity.size(); ++i)
        out.push_back(LineShape(result.X(equityRows[i - 1], span), result.Y(equity[i - 1]),
                                result.X(equityRows[i], span), result.Y(equity[i]), kEquity, 2));
    // The time axis: the open, the lunch break and the close.
    const double axis = plotBottom + 4 * kPx;
    out.push_back(TextShape(result.X(0, span), axis, "9:00", kLabel, kLabelPoint));
    out.push_back(TextShape(result.X(span / 2, span) - 30 * kPx, axis, "11:30/12:30", kLabel, kLabelPoint));
    out.push_back(TextShape(result.X(span, span), axis, "15:00", kLabel, kLabelPoint, true));
    return out;
}

std::vector<Shape> DrawCumulativeCurve(const std::vector<double>& values, int width, int height) {
    std::vector<Shape> out;
    out.push_back(BoxShape(0, 0, width, height, kBackground, true));
    std::vector<double> withStart{0};
    withStart.insert(withStart.end(), values.begin(), values.end());
    const auto [low, high] = Range(withStart, true, false);
    const Panel p{kLeft, kTop, width - kRight, height - kBottom, low, high};
    Frame(out, p, "###,##0");
    const double span = static_cast<double>(std::max<std::size_t>(1, withStart.size() - 1));
    out.push_back(LineShape(p.left, p.Y(0), p.right, p.Y(0), kZero, 1, Shape::Style::Dotted));
    for (std::size_t i = 1; i < withStart.size(); ++i)
        out.push_back(LineShape(p.X(static_cast<double>(i - 1), span), p.Y(withStart[i - 1]),
                                p.X(static_cast<double>(i), span), p.Y(withStart[i]), kEquity, 2));
    out.push_back(TextShape(p.left, height - kBottom + 4 * kPx, "0", kLabel, kLabelPoint));
    out.push_back(TextShape(p.right, height - kBottom + 4 * kPx, std::to_string(values.size()) + "回", kLabel, kLabelPoint, true));
    return out;
}

}  // namespace corvala
