#pragma once
// A colour as the program names it: red, green and blue, 0–255.

#include <cstdint>

namespace corvala {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

}  // namespace corvala
