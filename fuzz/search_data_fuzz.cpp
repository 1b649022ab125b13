// The search-file reader and the search over it against arbitrary bytes: nothing crashes, every
// row moved at least the threshold, and its text hands back its own date, code and start.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/stock_list.h"
#include "platform/system.h"
#include "screening/screening.h"
#include "screening/search_download.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvala;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)CheckSearchData(bytes);
    static const StockList names;
    SeededRandom random(size);
    for (int direction = 0; direction < 3; ++direction) {
        for (const bool upTo930 : {false, true}) {
            ScreeningConditions c;
            c.direction = direction;
            c.threshold = 1 + static_cast<int>(size % 20);
            c.upTo930 = upTo930;
            c.hideStartTime = size % 2 == 1;
            ScreeningSearch search;
            search.Begin(std::string(bytes), c, names, "/nonexistent/日中データ", random);
            while (search.Continue(64)) {
            }
            if (search.rows().size() > static_cast<std::size_t>(kMaxScreeningRows)) std::abort();
            for (const ScreeningRow& r : search.rows()) {
                if (!(r.absChange >= static_cast<float>(c.threshold)) || r.available) std::abort();
                if (direction == kRise && !(r.change > 0)) std::abort();
                if (direction == kFall && !(r.change < 0)) std::abort();
                const auto pick = ReadScreeningRowText(r.text);
                if (!pick || pick->date != r.date || pick->moveStart != r.start || std::stoi(pick->code) != r.code)
                    std::abort();
                const ScreeningStart start = StartBeforeMove(pick->moveStart, 5, 3);
                if (start.startBar < 0 || start.startBar > 59) std::abort();
            }
        }
    }
    return 0;
}
