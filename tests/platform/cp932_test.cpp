#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

TEST(Cp932Test, CharactersOnlyThisCodePageHasRoundTrip) {
    const std::string text = "①髙㈱ｱｲｼﾝ～－株式会社";
    const std::string bytes = EncodeCp932(text);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\x87\x40\xFB\xFC\x87\x8A", 6));
    EXPECT_EQ(DecodeCp932(bytes), text);
}

TEST(Cp932Test, AsciiPassesUnchanged) {
    EXPECT_EQ(DecodeCp932("8473.T,abc"), "8473.T,abc");
    EXPECT_EQ(EncodeCp932("09:00:00"), "09:00:00");
    EXPECT_TRUE(IsAscii("abc"));
    EXPECT_FALSE(IsAscii("\x81"));
}

TEST(Cp932Test, BrokenInputIsReplacedNotFatal) {
    // A lead byte at the very end and an unassigned pair.
    const std::string decoded = DecodeCp932(std::string("A\x81", 2));
    EXPECT_EQ(decoded.substr(0, 1), "A");
    EXPECT_NE(decoded.find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(DecodeCp932(std::string("\xFF\x41", 2)).back(), 'A');
    // Characters CP932 lacks, and broken UTF-8.
    EXPECT_EQ(EncodeCp932("a\U0001F600b"), "a?b");
    EXPECT_EQ(EncodeCp932(std::string("x\xE3\x81", 3)), "x?");
}

}  // namespace
}  // namespace corvala
