// The day-file reader against arbitrary bytes, for every slot and a bar length from the input.

#include <cstdint>
#include <string_view>

#include "data/day_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static corvala::DayData day;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int lengths[] = {1, 2, 3, 4, 5, 10};
    const int n = lengths[size % 6];
    const auto slot = static_cast<corvala::SeriesSlot>(size % 4);
    day[slot].kind = static_cast<corvala::SeriesKind>(size % 3 == 0 ? 2 : size % 10 == 5 ? 7 : 0);
    corvala::ParseDayFile(bytes, slot, n, day);
    return 0;
}
