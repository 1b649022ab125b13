#include "chart/row_scale.h"

#include <cmath>
#include <cstdlib>

#include "data/day_series.h"

namespace corvala {
namespace {

double IntPart(double x) { return std::floor(x); }

bool Counts(const DaySeries* s) { return s != nullptr && s->loaded; }

}  // namespace

RowScale RoundRowScale(float max, float min) {
    RowScale out{max, min, 0, 0};
    const double range = IntPart(static_cast<double>(max) - min);
    for (int k = 0; k <= 5; ++k) {
        const double unit = std::pow(10.0, k);
        for (const int mult : {1, 2, 5}) {
            const double s = mult * unit;
            if (8 * s < range) continue;
            const double top = (IntPart(max / s) + 1) * s;
            const double bottom = IntPart((min - 1) / s) * s;
            const double trial = top - bottom;
            bool accepted = trial <= 8 * s;
            if (mult == 2) accepted = accepted && trial > 8 * unit;
            if (mult == 5) accepted = accepted && trial > 16 * unit;
            if (!accepted) continue;
            out.max = static_cast<float>(top);
            out.min = static_cast<float>(bottom);
            out.step = static_cast<int>(s);
            out.span = static_cast<int>(IntPart(trial / s) * s);
            return out;
        }
    }
    return out;
}

RowScale ComputeRowScale(const RowScaleInputs& in, const ShownRange& chosenRange) {
    float max = 0;
    float min = 10'000'000.0f;
    for (const DaySeries* s : {in.previousDay, in.chosenDay}) {
        if (!Counts(s)) continue;
        if (s == in.chosenDay && chosenRange) {
            if (chosenRange->first >= chosenRange->second) {
                max = std::max(max, chosenRange->first);
                min = std::min(min, chosenRange->second);
            }
            continue;
        }
        max = std::max(max, s->high);
        // A previous day without a low (no trade) does not pull the scale down to 0.
        if (s == in.previousDay && s->low == 0) continue;
        min = std::min(min, s->low);
    }
    const float pc = Counts(in.chosenDay) ? in.chosenDay->prevClose : 0;
    if (pc != 0) {
        if (min > pc) min = static_cast<float>(IntPart(pc));
        if (max < pc) max = static_cast<float>(IntPart(pc));
        if (in.simulationStart) {
            // The near side of the previous close is never less than 70 % of the far side.
            const double up = std::fabs(max - pc), down = std::fabs(min - pc);
            if (down >= up)
                max = std::max(max, static_cast<float>(pc + 0.7 * down));
            else
                min = std::min(min, static_cast<float>(pc - 0.7 * up));
        }
    }
    if (!(max > 0) || min >= 10'000'000.0f) return RowScale{0, 0, 0, 0};  // nothing to scale
    return RoundRowScale(max, min);
}

std::optional<float> PriceY(const RowScale& scale, double price, int bottom, int plotHeight) {
    if (!scale.Usable()) return std::nullopt;
    const double y = bottom - IntPart((price - scale.min) / (static_cast<double>(scale.max) - scale.min) * plotHeight);
    if (y > bottom || y < bottom - plotHeight) return std::nullopt;
    return static_cast<float>(y);
}

}  // namespace corvala
