#pragma once
// Where a checked session's decisions come from: a seeded generator (the random sessions and the
// soak) or the bytes of a fuzz input, which run out.

#include <cstddef>
#include <cstdint>
#include <random>

namespace corvala::check {

class Choices {
public:
    virtual ~Choices() = default;
    // lo <= x <= hi (lo when hi < lo).
    virtual int Between(int lo, int hi) = 0;
    // Nothing left to decide with: a fuzz input is used up. A generator never is.
    virtual bool Exhausted() const { return false; }
    bool Chance(int percent) { return Between(0, 99) < percent; }
    std::uint64_t Seed() {
        return static_cast<std::uint64_t>(Between(0, 0xFFFF)) << 16 | static_cast<std::uint64_t>(Between(0, 0xFFFF));
    }
};

class RandomChoices final : public Choices {
public:
    explicit RandomChoices(std::uint32_t seed) : rng_(seed) {}
    int Between(int lo, int hi) override {
        return hi <= lo ? lo : std::uniform_int_distribution<int>(lo, hi)(rng_);
    }

private:
    std::mt19937 rng_;
};

// Takes one byte for a range of up to 256 values, two for more; once the bytes are used up every
// choice is its lowest value.
class ByteChoices final : public Choices {
public:
    ByteChoices(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    int Between(int lo, int hi) override {
        if (hi <= lo) return lo;
        const auto span = static_cast<std::uint32_t>(hi - lo) + 1;
        std::uint32_t v = Take();
        if (span > 256) v = v << 8 | Take();
        return lo + static_cast<int>(v % span);
    }
    bool Exhausted() const override { return used_ >= size_; }

private:
    std::uint32_t Take() { return used_ < size_ ? data_[used_++] : 0; }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

}  // namespace corvala::check
