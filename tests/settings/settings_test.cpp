// The settings file: 45 lines in a fixed order, read leniently and written back exactly.

#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "platform/cp932.h"

namespace corvala {
namespace {

// The lines of a file, each ended by CR LF.
std::string File(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    return bytes;
}

// A well-formed file of a user who changed most things away from the factory values.
std::vector<std::string> UsedLines() {
    return {"1200", "-300", "221104", "6501", "1", "17", "1", "0", "1", "0", "1", "0", "1", "0",
            EncodeCp932("/home/user/日中データ/"), "7", "24", "10", "0", "1", "0", "1",
            EncodeCp932("予約①"), "0", "2500000", "100", "200", "300", "400", "500", "600", "123456",
            "78900", "202211", "202209", "2", "15", "1", "0", "1", "0", "F8,,F5,F12", "0", "3", "1"};
}

TEST(SettingsTest, AWellFormedFileReadsIntoItsFieldsAndWritesBackTheSameBytes) {
    const std::string bytes = File(UsedLines());
    const Settings s = ReadSettings(bytes);
    EXPECT_EQ(s.mainWindow, (WindowPosition{1200, -300}));
    EXPECT_EQ(s.date, "221104");
    EXPECT_EQ(s.code, "6501");
    EXPECT_TRUE(s.simulation);
    EXPECT_EQ(s.speed, 17);
    EXPECT_TRUE(s.tick);
    EXPECT_FALSE(s.bars);
    EXPECT_FALSE(s.board);
    EXPECT_EQ(s.dataFolder, "/home/user/日中データ/");
    EXPECT_EQ(s.ma1, 7);
    EXPECT_EQ(s.ma2, 24);
    EXPECT_EQ(s.barLength, 10);
    EXPECT_FALSE(s.fillSound);
    EXPECT_TRUE(s.cashOnly);
    EXPECT_FALSE(s.showDisclaimer);
    EXPECT_EQ(s.investment, 2'500'000);
    EXPECT_EQ(s.closingWindow, (WindowPosition{300, 400}));
    EXPECT_EQ(s.correctCancelWindow, (WindowPosition{500, 600}));
    EXPECT_EQ(s.profitTotal, 123456);
    EXPECT_EQ(s.lossTotal, 78900);
    EXPECT_EQ(s.screening.laterMonth, "202211");
    EXPECT_EQ(s.screening.direction, 2);
    EXPECT_EQ(s.screening.threshold, 15);
    EXPECT_TRUE(s.screening.upTo930);
    EXPECT_TRUE(s.screening.hideEndTime);
    EXPECT_EQ(s.oneKeys, (std::array<std::string, kOneKeys>{"F8", "", "F5", "F12"}));
    EXPECT_FALSE(s.oneKeyConfirm);
    EXPECT_EQ(s.oneKeyUnits, 3);
    EXPECT_TRUE(s.hideRange);
    EXPECT_EQ(WriteSettings(s), bytes);
    // And the factory settings themselves.
    EXPECT_EQ(ReadSettings(WriteSettings(FactorySettings())), FactorySettings());
    EXPECT_EQ(SettingsLines(FactorySettings()).size(), static_cast<std::size_t>(kSettingsLines));
}

TEST(SettingsTest, TheReservedLineAndLaterLinesComeBackByteForByte) {
    std::vector<std::string> lines = UsedLines();
    lines[22] = std::string("  \x81\x40 raw \xff\x80\x00 ", 13);  // blanks and bytes that are no CP932
    lines.push_back("a newer version's line");
    lines.push_back(std::string("\x82\xa0"));
    const std::string bytes = File(lines);
    const Settings s = ReadSettings(bytes);
    EXPECT_EQ(s.reserved, lines[22]);
    EXPECT_EQ(s.laterLines.size(), 2u);
    EXPECT_EQ(WriteSettings(s), bytes);
}

// A file of the 41 described lines (an older version's) gives the later ones their defaults; keys
// that are none of F5–F12, or a key given twice, are dropped; a quantity out of range is not taken.
TEST(SettingsTest, TheOwnLinesOfAnOlderFileTakeTheirDefaultsAndBadKeysAreDropped) {
    std::vector<std::string> lines = UsedLines();
    lines.resize(41);
    const Settings old = ReadSettings(File(lines));
    EXPECT_EQ(old.oneKeys, FactorySettings().oneKeys);
    EXPECT_TRUE(old.oneKeyConfirm);
    EXPECT_EQ(old.oneKeyUnits, 1);
    EXPECT_FALSE(old.hideRange);
    lines.insert(lines.end(), {"F2, F9 ,F9,Esc", "1", "0", "0"});
    const Settings bad = ReadSettings(File(lines));
    EXPECT_EQ(bad.oneKeys, (std::array<std::string, kOneKeys>{"", "F9", "", ""}));
    EXPECT_EQ(bad.oneKeyUnits, 1);
}

TEST(SettingsTest, AFiveCharacterDateGetsItsLeadingZero) {
    std::vector<std::string> lines = UsedLines();
    lines[2] = "71225";
    EXPECT_EQ(ReadSettings(File(lines)).date, "071225");
    lines[2] = " 71225 ";  // the value is trimmed first
    EXPECT_EQ(ReadSettings(File(lines)).date, "071225");
    lines[2] = "1225";
    EXPECT_EQ(ReadSettings(File(lines)).date, "1225");
}

TEST(SettingsTest, AnOlderShorterFileTakesTheFactoryValuesForTheLinesItLacks) {
    std::vector<std::string> lines = UsedLines();
    lines.resize(30);
    const Settings s = ReadSettings(File(lines));
    EXPECT_EQ(s.correctCancelWindow.top, 500);  // line 30 is there
    const Settings& f = FactorySettings();
    EXPECT_EQ(s.correctCancelWindow.left, f.correctCancelWindow.left);
    EXPECT_EQ(s.profitTotal, f.profitTotal);
    EXPECT_EQ(s.lossTotal, f.lossTotal);
    EXPECT_EQ(s.screening, f.screening);
    EXPECT_EQ(s.investment, 2'500'000);
    EXPECT_EQ(WriteSettings(s).substr(0, File(lines).size()), File(lines));
    // An empty file is the factory settings.
    EXPECT_EQ(ReadSettings(""), FactorySettings());
}

TEST(SettingsTest, MalformedValuesReadByTheLeadingNumberRuleAndStayInRange) {
    std::vector<std::string> lines = UsedLines();
    lines[0] = "12abc";   // top: leading number
    lines[1] = "left";    // reads as 0
    lines[5] = "0";       // speed 0 is none: the factory speed
    lines[6] = "yes";     // a check box that reads 0
    lines[7] = "2";       // any other number is checked
    lines[15] = "30";     // a period above 24 is 24, as typing it is
    lines[16] = "-3";     // below 1: the factory period
    lines[17] = "7";      // not a bar length the list offers
    lines[24] = "99999999999";  // beyond 32 bits, and an amount all the same
    lines[31] = "1.5e3";
    lines[35] = "9";      // no such direction
    const Settings s = ReadSettings(File(lines));
    const Settings& f = FactorySettings();
    EXPECT_EQ(s.mainWindow.top, 12);
    EXPECT_EQ(s.mainWindow.left, 0);
    EXPECT_EQ(s.speed, f.speed);
    EXPECT_FALSE(s.tick);
    EXPECT_TRUE(s.bars);
    EXPECT_EQ(s.ma1, 24);
    EXPECT_EQ(s.ma2, f.ma2);
    EXPECT_EQ(s.barLength, f.barLength);
    EXPECT_EQ(s.investment, 99'999'999'999);
    EXPECT_EQ(s.profitTotal, 1500);
    EXPECT_EQ(s.screening.direction, f.screening.direction);
}

// Money lines hold amounts of 0 and up: a negative one, one that is no number and one beyond
// what the account keeps take the defaults' value and are noted; the others read as they are.
TEST(SettingsTest, AnAmountOfMoneyTheAccountCannotHoldTakesTheDefaultAndIsNoted) {
    Settings defaults = FactorySettings();
    defaults.investment = 700'000;
    defaults.profitTotal = 11;
    defaults.lossTotal = 22;
    const struct {
        const char *investment, *profit, *loss;
        std::vector<int> refused;
    } cases[] = {
        {"-1000000", "-2147483648", "1", {25, 32}},
        {"abc", "2147483648", "12abc", {25, 33}},
        {"1,000,000", "9999999999999999", " 0 ", {32}},
        {"3000000000", "0", "", {33}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = UsedLines();
        lines[24] = c.investment;
        lines[31] = c.profit;
        lines[32] = c.loss;
        SettingsReadNotes notes;
        const Settings s = ReadSettings(File(lines), defaults, &notes);
        EXPECT_EQ(notes.refusedMoney, c.refused) << c.investment << " " << c.profit << " " << c.loss;
        for (auto [n, value, fallback] : {std::tuple{25, s.investment, defaults.investment},
                                          std::tuple{32, s.profitTotal, defaults.profitTotal},
                                          std::tuple{33, s.lossTotal, defaults.lossTotal}}) {
            const bool refused = std::find(c.refused.begin(), c.refused.end(), n) != c.refused.end();
            EXPECT_GE(value, 0);
            if (refused) {
                EXPECT_EQ(value, fallback) << "line " << n;
            }
        }
    }
    SettingsReadNotes notes;
    std::vector<std::string> lines = UsedLines();
    lines[24] = "1,000,000";
    lines[31] = "2147483648";
    const Settings s = ReadSettings(File(lines), defaults, &notes);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(s.investment, 1'000'000);
    EXPECT_EQ(s.profitTotal, 2'147'483'648);
    EXPECT_EQ(SettingsLines(s)[31], "2147483648");
    notes.refusedMoney = {32, 33};
    EXPECT_EQ(SettingsNotice(notes), "設定ファイル(setsim)の32・33行目の金額が正しくないため、初期設定(setsim(初期))の値を使います。");
}

// Bytes that are no CP932 in a text line are noted and, while the value stays as read, written
// back as they were rather than as "?".
TEST(SettingsTest, ATextLineThatIsNoCp932IsNotedAndWrittenBackAsItWas) {
    std::vector<std::string> lines = UsedLines();
    lines[14] = "/home/user/データ/";  // typed into the file in UTF-8: not CP932
    lines[33] = "2022\xff";
    SettingsReadNotes notes;
    Settings s = ReadSettings(File(lines), FactorySettings(), &notes);
    EXPECT_EQ(notes.notCp932, (std::vector<int>{15, 34}));
    EXPECT_NE(SettingsNotice(notes).find("15・34行目にシフトJISで読めない文字があります"), std::string::npos);
    EXPECT_EQ(WriteSettings(s), File(lines));
    s.screening.laterMonth = "202211";  // changed: written as the new value
    lines[33] = "202211";
    EXPECT_EQ(WriteSettings(s), File(lines));
    SettingsReadNotes clean;
    ReadSettings(File(UsedLines()), FactorySettings(), &clean);
    EXPECT_TRUE(clean.empty());
}

TEST(SettingsTest, LineEndsOfAnyKindAreRead) {
    std::string lf, cr, mixed;
    for (const auto& line : UsedLines()) {
        lf += line + "\n";
        cr += line + "\r";
        mixed += line + (mixed.size() % 3 == 0 ? "\r" : mixed.size() % 3 == 1 ? "\n" : "\r\n");
    }
    EXPECT_EQ(ReadSettings(lf), ReadSettings(File(UsedLines())));
    EXPECT_EQ(ReadSettings(cr), ReadSettings(File(UsedLines())));
    EXPECT_EQ(ReadSettings(mixed), ReadSettings(File(UsedLines())));
    EXPECT_EQ(WriteSettings(ReadSettings(cr)), File(UsedLines()));
    // An empty line is a line, whatever ends it.
    EXPECT_EQ(ReadSettings("1\r\r221104\r").date, "221104");
    // The last line without its line end is still a line.
    lf.pop_back();
    EXPECT_TRUE(ReadSettings(lf).hideRange);
    std::vector<std::string> lines = UsedLines();
    lines.back() = "0";
    std::string bytes = File(lines);
    bytes.resize(bytes.size() - 2);
    EXPECT_FALSE(ReadSettings(bytes).hideRange);
}

TEST(SettingsTest, ValuesAreWrittenTrimmedInCp932AndALineEndInsideOneCannotShiftTheLines) {
    Settings s = FactorySettings();
    s.code = "  8473 ";
    s.dataFolder = "/media/usb/日中データ/";
    s.date = "2211\n04";
    const std::string bytes = WriteSettings(s);
    const std::vector<std::string> lines = SettingsLines(ReadSettings(bytes));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kSettingsLines));
    EXPECT_EQ(lines[3], "8473");
    EXPECT_EQ(lines[14], "/media/usb/日中データ/");
    EXPECT_NE(bytes.find(EncodeCp932("日中データ")), std::string::npos);
    EXPECT_EQ(lines[2], "2211 04");
    EXPECT_EQ(lines[4], "0");  // line 5 is still the simulation switch
}

}  // namespace
}  // namespace corvala
