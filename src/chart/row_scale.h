#pragma once
// The price scale of a chart row: its max and min, rounded to a label step, shared by the
// previous and the chosen day so that the two columns compare at a glance.

#include <array>
#include <optional>
#include <utility>

namespace corvala {

struct DaySeries;

struct RowScale {
    float max = 0, min = 0;
    int step = 0;  // between two labels; 0 when no step fits the range
    int span = 0;  // max − min rounded to the step
    // A row without a range (no data) draws no layers.
    bool Usable() const { return max > min; }
};

struct RowScaleInputs {
    const DaySeries* previousDay = nullptr;  // nullptr or not loaded: not counted
    const DaySeries* chosenDay = nullptr;
    bool simulationStart = false;  // 開 始: balanced around the previous close
};
// 値幅を隠す: the chosen day counts with the range it has shown so far (high, low; low above high
// when nothing traded yet) rather than the whole day's.
using ShownRange = std::optional<std::pair<float, float>>;

// ComputeRowScales for one row: the day highs and lows, the previous close pulled in, the
// balance of a simulation, then the rounding to a step of 1, 2 or 5 × 10^k.
RowScale ComputeRowScale(const RowScaleInputs& in, const ShownRange& chosenRange = std::nullopt);

// The step-rounding loop alone (exposed for its edge cases): max' is one step above max even
// when max is a multiple of the step.
RowScale RoundRowScale(float max, float min);

// y of `price` in a band whose lower edge is `bottom`: bottom − Int((p − min)/(max − min) ×
// plotHeight); nullopt for an unusable scale or a point outside the band.
std::optional<float> PriceY(const RowScale& scale, double price, int bottom, int plotHeight);

}  // namespace corvala
