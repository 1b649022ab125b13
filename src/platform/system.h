#pragma once
// Standard-library adapters of the ports: the wall clock and the program's random generator.

#include <cstdint>

#include "platform/ports.h"

namespace corvala {

// Japan's clock (UTC+9, no summer time), whatever the machine's zone: the exchange's day and hours.
class JapanClock final : public Clock {
public:
    Ymd Today() const override;
    int SecondsOfDay() const override { return static_cast<int>(MsOfDay() / 1000); }
    std::int64_t NowMs() const override;
    std::int64_t MsOfDay() const override;
};

class SystemClock final : public Clock {
public:
    Ymd Today() const override;
    int SecondsOfDay() const override;
    std::int64_t NowMs() const override;
    std::int64_t MsOfDay() const override;
};

// A small, fast generator (xoshiro256**); the same seed gives the same draws on every machine.
class SeededRandom final : public Random {
public:
    explicit SeededRandom(std::uint64_t seed);
    // Seeded from the clock, as at start-up.
    static SeededRandom FromClock();
    double Next() override;
    std::uint64_t NextBits();

private:
    std::uint64_t s_[4];
};

}  // namespace corvala
