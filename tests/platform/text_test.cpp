#include "platform/text.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

TEST(FormatTest, ThousandsPatternPrintsZeroAsEmpty) {
    EXPECT_EQ(Format(0, "###,###"), "");
    EXPECT_EQ(Format(1, "###,###"), "1");
    EXPECT_EQ(Format(999, "###,###"), "999");
    EXPECT_EQ(Format(1000, "###,###"), "1,000");
    EXPECT_EQ(Format(1234567, "###,###"), "1,234,567");
    EXPECT_EQ(Format(-1234, "###,###"), "-1,234");
    EXPECT_EQ(Format(2.5, "###,###"), "3");   // half away from zero
    EXPECT_EQ(Format(-2.5, "###,###"), "-3");
    EXPECT_EQ(Format(0.4, "###,###"), "");
}

TEST(FormatTest, DecimalPatterns) {
    EXPECT_EQ(Format(1234.5, "###,###.0"), "1,234.5");
    EXPECT_EQ(Format(1234, "###,###.0"), "1,234.0");
    EXPECT_EQ(Format(0, "###,###.0"), ".0");
    EXPECT_EQ(Format(0, "###,##0"), "0");
    EXPECT_EQ(Format(-15000, "###,##0"), "-15,000");
    EXPECT_EQ(Format(0, "###,##0.0"), "0.0");
    EXPECT_EQ(Format(-0.04, "###,##0.0"), "0.0");  // rounds to zero: no minus sign
    EXPECT_EQ(Format(12.25, "0.0"), "12.3");
    EXPECT_EQ(Format(0.1f, "0.0"), "0.1");          // single precision noise does not show
    EXPECT_EQ(Format(2999.95, "0.0"), "3000.0");     // carry into the integer part
    EXPECT_EQ(Format(-1.24, "0.00"), "-1.24");
    EXPECT_EQ(Format(7, "00"), "07");
    EXPECT_EQ(Format(0, "#"), "");
    EXPECT_EQ(Format(1523, "#"), "1523");
    EXPECT_EQ(Format(999999.5, "###,###"), "1,000,000");
}

TEST(LeadingNumberTest, ReadsTheNumberAtTheStart) {
    EXPECT_EQ(LeadingNumber("1234"), 1234);
    EXPECT_EQ(LeadingNumber("  12.5abc"), 12.5);
    EXPECT_EQ(LeadingNumber("-3"), -3);
    EXPECT_EQ(LeadingNumber("1,000"), 1);  // the separator ends the number
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("-"), 0);
    EXPECT_EQ(LeadingNumber("."), 0);
    EXPECT_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_EQ(LeadingNumber("1e3x"), 1000);
    EXPECT_EQ(LeadingNumber("1e"), 1);
    EXPECT_EQ(LeadingNumber("1e999999"), 0);  // overflow reads as nothing, never infinity
}

TEST(IsNumericTest, WholeTextMustBeANumber) {
    EXPECT_TRUE(IsNumeric("0"));
    EXPECT_TRUE(IsNumeric(" 12 "));
    EXPECT_TRUE(IsNumeric("-3.5"));
    EXPECT_TRUE(IsNumeric("1,000"));
    EXPECT_TRUE(IsNumeric("2e5"));
    EXPECT_FALSE(IsNumeric(""));
    EXPECT_FALSE(IsNumeric("   "));
    EXPECT_FALSE(IsNumeric("-"));
    EXPECT_FALSE(IsNumeric("12a"));
    EXPECT_FALSE(IsNumeric("1.2.3"));
    EXPECT_FALSE(IsNumeric(",1"));
    EXPECT_FALSE(IsNumeric("2e"));
}

TEST(ReadFormattedNumberTest, SeparatorsReadBack) {
    EXPECT_EQ(ReadFormattedNumber("1,000,000"), 1000000);
    EXPECT_EQ(ReadFormattedNumber("-15,000"), -15000);
    EXPECT_EQ(ReadFormattedNumber(""), 0);
    EXPECT_EQ(ReadFormattedNumber(Format(3456789, "###,##0")), 3456789);
}

TEST(RoundingTest, IntFloorsAndHalvesGoToEven) {
    EXPECT_EQ(Int(2.7), 2);
    EXPECT_EQ(Int(-2.1), -3);
    EXPECT_EQ(Int(-0.0), 0);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
    EXPECT_DOUBLE_EQ(RoundHalfEven(1.25, 1), 1.2);
}

TEST(RightAlignTest, PadsInFrontAndNeverCuts) {
    EXPECT_EQ(RightAlign("12", 5), "   12");
    EXPECT_EQ(RightAlign("123456", 3), "123456");
    EXPECT_EQ(RightAlign("買建", 6), "  買建");  // two full-width characters take four columns
    EXPECT_EQ(RightAlign("ｶﾌﾞ", 4), " ｶﾌﾞ");     // half-width katakana take one column each
    EXPECT_EQ(DisplayWidth("A買ｱ"), 4);
}

TEST(CharactersTest, CountsAndCutsByCharacter) {
    EXPECT_EQ(CharCount("髙島屋ｱｲ"), 5u);
    EXPECT_EQ(LeftChars("ABCDEFGHIJKLMN", 12), "ABCDEFGHIJKL");
    EXPECT_EQ(LeftChars("株式会社①髙橋㈱ﾃﾞｨｰｴｽ", 12), "株式会社①髙橋㈱ﾃﾞｨｰ");
    EXPECT_EQ(LeftChars("短い", 12), "短い");
}

TEST(TimeOfDayTest, ParsesBothFormsAndRejectsJunk) {
    EXPECT_EQ(ParseTimeOfDay("09:00:05"), 32405);
    EXPECT_EQ(ParseTimeOfDay("11:20"), 40800);
    EXPECT_EQ(ParseTimeOfDay("9:05"), 32700);
    EXPECT_FALSE(ParseTimeOfDay(""));
    EXPECT_FALSE(ParseTimeOfDay("-"));
    EXPECT_FALSE(ParseTimeOfDay("24:00"));
    EXPECT_FALSE(ParseTimeOfDay("12:60"));
    EXPECT_FALSE(ParseTimeOfDay("12"));
    EXPECT_FALSE(ParseTimeOfDay("12:00:00:00"));
    EXPECT_FALSE(ParseTimeOfDay("1a:00"));
    EXPECT_EQ(FormatTimeOfDay(32399), "08:59:59");
    EXPECT_EQ(FormatTimeOfDay(54000), "15:00:00");
}

TEST(DateTest, SixDigitDatesAndJapaneseLabels) {
    const auto d = ParseYymmdd("071225");
    ASSERT_TRUE(d);
    EXPECT_EQ(*d, (Ymd{2007, 12, 25}));
    EXPECT_EQ(JapaneseDateLabel(*d), "2007年12月25日 (火)");
    EXPECT_EQ(FormatYymmdd(*d), "071225");
    EXPECT_FALSE(ParseYymmdd("221345"));
    EXPECT_FALSE(ParseYymmdd("220230"));
    EXPECT_FALSE(ParseYymmdd("22110"));
    EXPECT_FALSE(ParseYymmdd("2211a1"));
    EXPECT_EQ(FormatYymmdd(AddDays(Ymd{2022, 11, 1}, -1)), "221031");
    EXPECT_EQ(FormatYymmdd(AddDays(Ymd{2024, 3, 1}, -1)), "240229");  // leap year
    EXPECT_EQ(FormatYymmdd(AddDays(Ymd{2023, 1, 1}, -1)), "221231");
    EXPECT_EQ(JapaneseDateLabel(Ymd{2022, 11, 6}), "2022年11月06日 (日)");
}

TEST(ToHalfWidthTest, FullWidthLettersDigitsAndKatakanaBecomeHalfWidth) {
    EXPECT_EQ(ToHalfWidth("ＡＢＣ１２３（株）"), "ABC123(株)");
    EXPECT_EQ(ToHalfWidth("ガパーヴ・「」"), "ｶﾞﾊﾟｰｳﾞ･｢｣");  // voiced marks become a second character
    EXPECT_EQ(ToHalfWidth("トヨタ　自動車"), "ﾄﾖﾀ 自動車");
    EXPECT_EQ(ToHalfWidth("ひらがな漢字①"), "ひらがな漢字①");  // left as they are
    EXPECT_EQ(ToHalfWidth("ｱｲｳ abc"), "ｱｲｳ abc");
    EXPECT_EQ(CharCount(ToHalfWidth("ソニーグループ")), 9u);  // ｿﾆｰｸﾞﾙｰﾌﾟ
    // A cut UTF-8 sequence is copied, never read past.
    EXPECT_EQ(ToHalfWidth(std::string("ア\xE3\x82", 5)), std::string("ｱ\xE3\x82", 5));
}

}  // namespace
}  // namespace corvala
