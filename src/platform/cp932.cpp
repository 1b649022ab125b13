#include "platform/cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace corvala {
namespace {

// One converter per direction, opened on first use and kept for the life of the program.
class Converter {
public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `in`; an input sequence that cannot be converted is skipped by `skipBytes(in)` and
    // replaced by `replacement`.
    template <typename Skip>
    std::string Run(std::string_view in, std::string_view replacement, Skip skipBytes) {
        std::string out;
        out.reserve(in.size() * 3 / 2 + 8);
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buf[4096];
        while (srcLeft > 0) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            const std::size_t r = iconv(handle_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
                const std::size_t skip = std::min(srcLeft, skipBytes(std::string_view(src, srcLeft)));
                out.append(replacement);
                src += skip;
                srcLeft -= skip;
                iconv(handle_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        return out;
    }

private:
    iconv_t handle_;
};

std::size_t Utf8SequenceLength(std::string_view s) {
    const auto c = static_cast<unsigned char>(s[0]);
    std::size_t len = c < 0x80 ? 1 : c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    // Stop at the next lead byte so a broken sequence costs only itself.
    for (std::size_t i = 1; i < len && i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return i;
    return len;
}

std::size_t Cp932SequenceLength(std::string_view s) {
    const auto c = static_cast<unsigned char>(s[0]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return lead && s.size() >= 2 ? 2 : 1;
}

}  // namespace

bool FitsCp932(std::string_view utf8) { return IsAscii(utf8) || DecodeCp932(EncodeCp932(utf8)) == utf8; }

bool IsAscii(std::string_view bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string DecodeCp932(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    static Converter conv("UTF-8", "CP932");
    if (!conv.ok()) return std::string(bytes);
    return conv.Run(bytes, "\xEF\xBF\xBD", Cp932SequenceLength);
}

std::string EncodeCp932(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    static Converter conv("CP932", "UTF-8");
    if (!conv.ok()) return std::string(utf8);
    return conv.Run(utf8, "?", Utf8SequenceLength);
}

}  // namespace corvala
