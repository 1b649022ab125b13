#pragma once
// The values trading counts in, for every core folder: exact prices, whole shares, whole yen,
// and the codes of sides, kinds and stop conditions as enums.

#include <concepts>
#include <cstdint>

namespace corvala {

// Whole shares and whole yen, 64-bit: no share count or sum of a day rounds.
using Shares = std::int64_t;
using Yen = std::int64_t;
// More shares than any order may be for: the market's whole float of a large company, and a
// bound that keeps a price times shares in tenths of a yen far inside 64 bits.
inline constexpr Shares kMaxShares = 100'000'000'000;

// A figure exact to a tenth of a yen, the finest step any stock has, kept as an integer count of
// tenths. It reads as a double (exactly the nearest double to its tenths) wherever it is compared
// or multiplied; it is made from whole yen implicitly and from a double only by rounding on
// purpose (`Nearest`). `Tag` keeps a price and an amount of money apart.
template <typename Tag>
class Tenths {
public:
    constexpr Tenths() = default;
    template <std::integral T>
    constexpr Tenths(T yen) : tenths_(static_cast<std::int64_t>(yen) * 10) {}  // NOLINT: whole yen are exact
    static constexpr Tenths FromTenths(std::int64_t tenths) {
        Tenths p;
        p.tenths_ = tenths;
        return p;
    }
    // The nearest tenth of a yen: for figures read from text or from float arithmetic.
    static constexpr Tenths Nearest(double yen) {
        const double tenths = yen * 10;
        // Beyond any figure (or not a number at all) is none; a half rounds away from zero.
        if (!(tenths > -1e15 && tenths < 1e15)) return Tenths{};
        return FromTenths(static_cast<std::int64_t>(tenths + (tenths < 0 ? -0.5 : 0.5)));
    }
    constexpr std::int64_t tenths() const { return tenths_; }
    constexpr double yen() const { return static_cast<double>(tenths_) / 10; }
    constexpr operator double() const { return yen(); }  // NOLINT: reads as the figure it is
    constexpr bool whole() const { return tenths_ % 10 == 0; }

private:
    std::int64_t tenths_ = 0;
};

// A price: a stock's decimal prices step by a tenth of a yen at the finest.
using Price = Tenths<struct PriceTag>;
// An amount of money a decimal price times shares comes to, such as the buying power an order
// holds back.
using Money = Tenths<struct MoneyTag>;

// A price times shares, in yen: exact (counted in tenths), a decimal price's tenths kept.
inline double TimesShares(Price price, Shares shares) {
    return static_cast<double>(price.tenths() * shares) / 10;
}

// Side codes, as the tables and the files number them. New orders and positions: 1 買建,
// 2 売建, 3 買付. Closing orders: 1 売埋, 2 買埋, 3 売付 (the side of the positions they close).
enum class Side : std::int8_t { None = 0, MarginBuy = 1, MarginSell = 2, Cash = 3 };
// 0 通常注文, 1 逆指値付通常注文, 2 逆指値注文.
enum class OrderKind : std::int8_t { Normal = 0, NormalWithStop = 1, Stop = 2 };
// The trigger fires at or above (0 以上) or at or below (1 以下) its price.
enum class StopDirection : std::int8_t { AtOrAbove = 0, AtOrBelow = 1 };
// A fired stop becomes a limit (0 指値) or a market order (1 成行).
enum class StopExecution : std::int8_t { Limit = 0, Market = 1 };

// The number a file or the JSON writes for a code.
template <typename E>
constexpr int CodeOf(E e) {
    return static_cast<int>(e);
}

}  // namespace corvala
