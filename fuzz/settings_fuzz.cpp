// The settings reader against arbitrary bytes: it never fails, its values stay in their ranges,
// and once written (a text that is not CP932 becomes '?'), the file reads and writes back the same.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/day_loader.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const corvala::Settings s = corvala::ReadSettings(bytes);
    if (s.speed < 1 || s.speed > 30 || s.ma1 < 1 || s.ma1 > 24 || s.ma2 < 1 || s.ma2 > 24 ||
        !corvala::IsValidBarLength(s.barLength) || s.screening.direction < 0 || s.screening.direction > 2)
        std::abort();
    const std::string written = corvala::WriteSettings(corvala::ReadSettings(corvala::WriteSettings(s)));
    const corvala::Settings again = corvala::ReadSettings(written);
    if (corvala::WriteSettings(again) != written || corvala::ReadSettings(corvala::WriteSettings(again)) != again)
        std::abort();
    return 0;
}
