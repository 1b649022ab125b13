#include "search_fixtures.h"

#include <cstdio>

namespace corvala::test {

std::string SearchFileBytes(int lines) {
    std::string bytes;
    for (int i = 0; i < lines; ++i) {
        char line[160];
        const bool halted = i == lines - 1;
        std::snprintf(
            line, sizeof line,
            "2211%02d,%04d,%d,09:00,09:35,10:20,09:25,09:10,6.0,-6.5,5.0,-2.0,-3.0,4.0,-1.0,"
            "2.0,7.2,%d\r\n",
            1 + i % 28, 1000 + i, halted ? 0 : 500 + i, halted ? 0 : 10000 + i);
        bytes += line;
    }
    return bytes;
}

}  // namespace corvala::test
