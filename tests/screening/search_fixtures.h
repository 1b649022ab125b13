#pragma once
// Bytes of search files for the download tests.

#include <string>

namespace corvala::test {

inline constexpr const char* kGoodSearchLine =
    "221104,8473,3180,09:00,09:35,10:20,09:25,09:10,6.0,-6.5,5.0,-2.0,-3.0,4.0,-1.0,2.0,7.2,12345";

// `lines` usable lines of November 2022 with different codes, CR LF, the last one a Zero line
// (no trade) as the service writes them for halted stocks.
std::string SearchFileBytes(int lines);

}  // namespace corvala::test
