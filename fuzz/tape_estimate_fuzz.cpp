// The tape estimate of a few steps whose prices, cumulative volumes and boards come from
// arbitrary bytes: whatever a day file can hold must give lines that read back.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "data/day_series.h"
#include "market/tape.h"
#include "platform/system.h"

namespace {

// Eight bytes at a time as a double; the bytes run out as zeros.
double Next(const std::uint8_t*& data, std::size_t& size) {
    double v = 0;
    const std::size_t n = size < sizeof v ? size : sizeof v;
    std::memcpy(&v, data, n);
    data += n;
    size -= n;
    return v;
}

// A float the way a day file can hold one: beyond float range is no figure.
float Figure(double v) { return std::isfinite(v) && std::fabs(v) < 3e38 ? static_cast<float>(v) : 0.0f; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvala;
    static auto stock = std::make_unique<DaySeries>();
    constexpr int kRows = 4;
    const int first = size > 0 ? (data[0] % 2 ? 1798 : 0) : 0;
    for (int r = first; r < first + kRows; ++r) {
        const auto at = static_cast<std::size_t>(r);
        stock->timeText[at] = r % 3 == 2 ? "" : "10:00:5" + std::to_string(r % 10);
        stock->price[at] = Figure(Next(data, size));
        stock->cumVolume[at] = Next(data, size);
        for (float& v : stock->board[at]) v = Figure(Next(data, size));
    }
    stock->open = Figure(Next(data, size));
    const double unitFigure = Next(data, size);
    const int unit = std::isfinite(unitFigure) ? static_cast<int>(std::fmod(std::fabs(unitFigure), 2000.0)) : 100;
    SeededRandom random(size);
    DayTape tape;
    TapeEstimator estimator(*stock, unit, random, tape);
    for (int r = first; r < first + kRows - 1; ++r) estimator.EstimateStepTape(r, true, true);
    for (const std::string& line : tape.lines()) (void)ReadTapeLine(line);
    return 0;
}
