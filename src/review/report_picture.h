#pragma once
// The report's picture as drawing data in twips, as the chart's is: the day's price with the fills marked, and
// under it the run's result step by step (realised plus open positions), on a shared time axis.

#include <vector>

#include "chart/picture.h"
#include "review/session_record.h"

namespace corvala {

// `prices` by row (0 where a row has none), the rows of the day (3600), the picture's size in
// twips.
// `band`, when given: the result step by step under the pessimistic and the optimistic fills of
// resting limits, by the session's equity rows; drawn as a band around the result.
struct ResultBand {
    std::vector<double> low, high;
};
std::vector<Shape> DrawSessionCurves(const std::vector<double>& prices, int rows, const SessionRecord& session,
                                     int width, int height, const ResultBand* band = nullptr);

// A single curve (the summed result run after run) in a picture of `width` × `height` twips.
std::vector<Shape> DrawCumulativeCurve(const std::vector<double>& values, int width, int height);

}  // namespace corvala
