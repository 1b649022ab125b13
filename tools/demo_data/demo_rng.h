#pragma once
// The demo data's own random numbers: xoshiro256** seeded through splitmix64, so a file comes
// out the same on every run, compiler and standard library.

#include <cstdint>
#include <string_view>

namespace corvala {

class DemoRng {
  public:
    explicit DemoRng(std::uint64_t seed);

    std::uint64_t Next();
    // 0 <= x < n; n <= 0 gives 0.
    std::int64_t Below(std::int64_t n);
    // lo <= x <= hi.
    std::int64_t Range(std::int64_t lo, std::int64_t hi);
    bool Chance(int perMille) { return Below(1000) < perMille; }

  private:
    std::uint64_t s_[4];
};

// A seed for one file from its date folder and code, so that changing one stock's model does not
// shift the numbers of every other file.
std::uint64_t SeedFor(std::string_view dateFolder, std::string_view code);

}  // namespace corvala
