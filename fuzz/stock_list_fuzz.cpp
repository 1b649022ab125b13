// The stock-list reader against arbitrary bytes, as the main list and as the old list.

#include <cstdint>
#include <string_view>

#include "data/stock_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static corvala::StockList list;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    list.ReadMainList(bytes);
    list.ReadOldList(bytes);
    for (int code : {0, 1, 8473, 9999}) {
        (void)list.Name(code);
        (void)list.MarketLabel(code);
    }
    return 0;
}
