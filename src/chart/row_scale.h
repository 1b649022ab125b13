#pragma once
// The price scale of a chart row: its max and min, rounded to a label step, shared by the
// previous and the chosen day so that the two columns compare at a glance.

#include <array>
#include <optional>

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

// ComputeRowScales for one row: the day highs and lows, the previous close pulled in, the
// balance of a simulation, then the rounding to a step of 1, 2 or 5 × 10^k.
RowScale ComputeRowScale(const RowScaleInputs& in);

// The step-rounding loop alone (exposed for its edge cases): max' is one step above max even
// when max is a multiple of the step.
RowScale RoundRowScale(float max, float min);

// y of `price` in a band whose lower edge is `bottom`: bottom − Int((p − min)/(max − min) ×
// plotHeight); nullopt for an unusable scale or a point outside the band.
std::optional<float> PriceY(const RowScale& scale, double price, int bottom, int plotHeight);

}  // namespace corvala
