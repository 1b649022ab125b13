#pragma once
// The chart as corvala-cli prints it: the numbers the window draws, read from the simulation's
// kept chart data (scales, labels, bar coordinates, lines, volumes, legend and markers).

#include <nlohmann/json.hpp>

#include "app/simulation.h"

namespace corvala::cli {

// {"W","H","rows","barWidth","barPitch","slots","legend","captions"}; with `markers`, also
// "markers". The right column reaches as far as the window shows it.
nlohmann::ordered_json ChartReport(const Simulation& sim, bool markers);

// What the readouts show after the pointer moved to (x, y): {"x","y","row","bar","time","price",
// "change","percent","volume","vwap","ma1","ma2","board"}, or null when nothing was shown.
nlohmann::ordered_json ReadoutJson(const Simulation& sim, double x, double y);

}  // namespace corvala::cli
