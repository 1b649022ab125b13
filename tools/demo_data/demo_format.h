#pragma once
// Number and time texts for the demo files, built from integers only: no locale, no printf
// rounding, the same bytes everywhere.

#include <cstdint>
#include <string>

namespace corvala {

inline void AppendInt(std::string& out, std::int64_t v) {
    char buf[24];
    int n = 0;
    const bool negative = v < 0;
    std::uint64_t u = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    do {
        buf[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (negative) out.push_back('-');
    while (n > 0) out.push_back(buf[--n]);
}

// `scaled` is the value times 10^decimals: AppendFixed(out, -12345, 2) writes "-123.45".
inline void AppendFixed(std::string& out, std::int64_t scaled, int decimals) {
    if (decimals <= 0) {
        AppendInt(out, scaled);
        return;
    }
    std::int64_t div = 1;
    for (int i = 0; i < decimals; ++i) div *= 10;
    const bool negative = scaled < 0;
    const std::int64_t a = negative ? -scaled : scaled;
    if (negative) out.push_back('-');
    AppendInt(out, a / div);
    out.push_back('.');
    std::int64_t frac = a % div;
    for (std::int64_t d = div / 10; d > 0; d /= 10) {
        out.push_back(static_cast<char>('0' + frac / d));
        frac %= d;
    }
}

// A price held in hundredths of a yen, written with 0, 1 or 2 decimals (the caller keeps the
// price on a grid that the decimals can show).
inline void AppendCents(std::string& out, std::int64_t cents, int decimals) {
    if (decimals <= 0) {
        AppendInt(out, cents / 100);
    } else if (decimals == 1) {
        AppendFixed(out, cents / 10, 1);
    } else {
        AppendFixed(out, cents, 2);
    }
}

inline void AppendTwoDigits(std::string& out, int v) {
    out.push_back(static_cast<char>('0' + v / 10 % 10));
    out.push_back(static_cast<char>('0' + v % 10));
}

inline void AppendHhMm(std::string& out, int seconds) {
    AppendTwoDigits(out, seconds / 3600);
    out.push_back(':');
    AppendTwoDigits(out, seconds / 60 % 60);
}

inline void AppendHhMmSs(std::string& out, int seconds) {
    AppendHhMm(out, seconds);
    out.push_back(':');
    AppendTwoDigits(out, seconds % 60);
}

// Rounds num / den half away from zero; den > 0.
inline std::int64_t RoundedDiv(std::int64_t num, std::int64_t den) {
    const std::int64_t q = num / den;
    const std::int64_t r = num % den;
    if (2 * (r < 0 ? -r : r) >= den) return num < 0 ? q - 1 : q + 1;
    return q;
}

}  // namespace corvala
