#pragma once
// The Japanese ANSI code page (CP932 / windows-31j) that every file of the program uses.
// Inside the program text is UTF-8.

#include <string>
#include <string_view>

namespace corvala {

// CP932 bytes to UTF-8. A byte sequence that is not CP932 becomes U+FFFD; never fails.
std::string DecodeCp932(std::string_view bytes);

// UTF-8 to CP932 bytes. A character CP932 cannot hold (or broken UTF-8) becomes '?'.
std::string EncodeCp932(std::string_view utf8);

// True when CP932 holds every character of the UTF-8 text, so that it reads back the same.
bool FitsCp932(std::string_view utf8);
// True when every byte is below 0x80, so that the text reads the same in both encodings.
bool IsAscii(std::string_view bytes);

}  // namespace corvala
