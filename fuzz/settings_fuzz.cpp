// The settings reader against arbitrary bytes: it never fails, its values stay in their ranges
// (no amount of money below 0), and once written, the file reads and writes back the same.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "account/account.h"
#include "data/day_loader.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const corvala::Settings s = corvala::ReadSettings(bytes);
    if (s.speed < 1 || s.speed > 30 || s.ma1 < 1 || s.ma1 > 24 || s.ma2 < 1 || s.ma2 > 24 ||
        !corvala::IsValidBarLength(s.barLength) || s.screening.direction < 0 || s.screening.direction > 2)
        std::abort();
    for (const std::int64_t yen : {s.investment, s.profitTotal, s.lossTotal})
        if (yen < 0 || yen > corvala::kMaxYen) std::abort();
    const std::string written = corvala::WriteSettings(corvala::ReadSettings(corvala::WriteSettings(s)));
    const corvala::Settings again = corvala::ReadSettings(written);
    if (corvala::WriteSettings(again) != written || corvala::ReadSettings(corvala::WriteSettings(again)) != again)
        std::abort();
    return 0;
}
