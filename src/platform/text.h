#pragma once
// Text and number helpers shared by every part of the program: display patterns, the
// leading-number rule, rounding, right-aligning, times of day and YYMMDD dates.

#include <optional>
#include <string>
#include <string_view>

namespace corvala {

// Formats `value` with a display pattern such as "###,###", "###,###.0", "###,##0", "###,##0.0",
// "0.0", "#", "0.00" or "00". '0' forces a digit, '#' prints one only when needed, ',' groups the
// integer part by thousands; the value is rounded half away from zero to the pattern's decimals.
// "###,###" prints 0 as an empty text, "###,###.0" prints 0 as ".0".
std::string Format(double value, std::string_view pattern);
// A price as the program shows it: with one decimal for a stock quoted with decimals, and for
// any price with a fraction (a half-yen step of the fine table); `grouped` with thousands
// separators ("###,###" / "###,###.0"), else plain ("#" / "0.0").
std::string FormatPrice(double price, bool decimals, bool grouped);

// The leading-number rule: skips leading blanks, then reads an optional sign, digits, an optional
// decimal part and an optional exponent. A text that does not start with a number reads as 0.
double LeadingNumber(std::string_view text);

// True when the whole text (blanks around it allowed) is a number: sign, digits with optional
// thousands separators, decimal part, exponent. "", "-" and "1a" are not numeric.
bool IsNumeric(std::string_view text);
// True for a non-empty text of ASCII digits only.
bool IsAllDigits(std::string_view text);

// Reads back a figure that was shown with thousands separators: "1,000,000" reads as 1000000.
double ReadFormattedNumber(std::string_view text);

// The largest integer not above x.
long long Int(double x);

// Rounds to `digits` decimals, halves to the even neighbour.
double RoundHalfEven(double x, int digits = 0);

// Pads `text` in front with half-width blanks to `width` columns; never cuts. Columns are counted
// as in a fixed Gothic font: ASCII and half-width katakana take one, everything else two.
std::string RightAlign(std::string_view text, int width);

// `n` full-width blanks (U+3000), as the message line's texts are indented.
std::string FullWidthBlanks(int n);
int DisplayWidth(std::string_view utf8);

// Number of characters (code points) in a UTF-8 text, and its first `count` characters.
std::size_t CharCount(std::string_view utf8);
std::string LeftChars(std::string_view utf8, std::size_t count);

std::string_view Trim(std::string_view text);

// Full-width letters, digits, signs and katakana turned half-width (ガ becomes ｶﾞ, the ideographic
// space a blank); kanji, hiragana and everything else stay as they are.
std::string ToHalfWidth(std::string_view utf8);

// "hh:nn:ss" (or "hh:nn") to seconds since midnight, including the seconds; nullopt when the
// text is not a time.
std::optional<int> ParseTimeOfDay(std::string_view text);
// Seconds since midnight to "hh:nn:ss".
std::string FormatTimeOfDay(int seconds);

struct Ymd {
    int year = 0;  // four digits
    int month = 0;
    int day = 0;
    friend bool operator==(const Ymd&, const Ymd&) = default;
};

// A six-digit "YYMMDD" text (20YY) that names a real calendar date.
std::optional<Ymd> ParseYymmdd(std::string_view text);
std::string FormatYymmdd(const Ymd& date);
Ymd AddDays(const Ymd& date, int days);
// 0 = Sunday … 6 = Saturday.
int Weekday(const Ymd& date);
// "2007年12月25日 (火)".
std::string JapaneseDateLabel(const Ymd& date);

}  // namespace corvala
