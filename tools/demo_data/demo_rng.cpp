#include "demo_data/demo_rng.h"

namespace corvala {
namespace {

std::uint64_t SplitMix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t Rotl(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

}  // namespace

DemoRng::DemoRng(std::uint64_t seed) {
    for (auto& s : s_) s = SplitMix64(seed);
}

std::uint64_t DemoRng::Next() {
    const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

std::int64_t DemoRng::Below(std::int64_t n) {
    if (n <= 0) return 0;
    // The bias of a plain modulo is far below anything a chart could show.
    return static_cast<std::int64_t>((Next() >> 11) % static_cast<std::uint64_t>(n));
}

std::int64_t DemoRng::Range(std::int64_t lo, std::int64_t hi) {
    if (hi <= lo) return lo;
    return lo + Below(hi - lo + 1);
}

std::uint64_t SeedFor(std::string_view dateFolder, std::string_view code) {
    std::uint64_t h = 0xCBF29CE484222325ull;  // FNV-1a over "date/code"
    auto mix = [&h](std::string_view text) {
        for (char c : text) {
            h ^= static_cast<unsigned char>(c);
            h *= 0x100000001B3ull;
        }
    };
    mix(dateFolder);
    mix("/");
    mix(code);
    return SplitMix64(h);
}

}  // namespace corvala
