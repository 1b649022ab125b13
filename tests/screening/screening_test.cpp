// The search over a month's search file: which windows a line lists, the row texts to the byte,
// the two sorts, what a picked row hands over and where its replay starts.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cp932.h"
#include "platform/system.h"
#include "screening/screening.h"
#include "screening/screening_dialog.h"
#include "test_support.h"

namespace corvala {
namespace {

// date, code, open, times 3–7, changes 8–16, volume.
constexpr const char* kLine =
    "221104,8473,3180,09:00,09:35,10:20,09:25,09:10,6.0,-6.5,5.0,-2.0,-3.0,4.0,-1.0,2.0,7.2,12345";

SearchLine Read(const std::string& text) {
    SearchLine l;
    EXPECT_EQ(ReadSearchLine(text, l), SearchLineKind::Used) << text;
    return l;
}

// kLine with changes 8–16 replaced.
SearchLine WithChanges(std::array<float, 9> changes) {
    SearchLine l = Read(kLine);
    l.changes = changes;
    return l;
}

ScreeningConditions Direction(int d, int t, bool upTo930 = false) {
    ScreeningConditions c;
    c.direction = d;
    c.threshold = t;
    c.upTo930 = upTo930;
    return c;
}

std::vector<int> Fields(const std::vector<ScreeningHit>& hits) {
    std::vector<int> out;
    for (const auto& h : hits) out.push_back(h.field);
    return out;
}

const auto kRiseFirst = [] { return true; };
const auto kFallFirst = [] { return false; };

TEST(SearchLineTest, ReadsTheEighteenFieldsAndSortsOutWhatCannotBeUsed) {
    SearchLine l = Read(kLine);
    EXPECT_EQ(l.date, "221104");
    EXPECT_EQ(l.code, 8473);
    EXPECT_EQ(l.open, 3180);
    EXPECT_EQ(l.riseEnd, "09:35");
    EXPECT_EQ(l.fall930End, "09:10");
    EXPECT_FLOAT_EQ(l.changes[8], 7.2f);
    EXPECT_EQ(l.volume, "12345");
    // A single-digit hour is written with its zero; a decimal price and leading zeros are read.
    l = Read("221104,3350,1002.5,9:00,9:35,10:20,9:25,9:10,1,-1,1,-1,-1,1,-1,1,+0.5,0012");
    EXPECT_EQ(l.openTime, "09:00");
    EXPECT_EQ(l.open, 1002.5);
    EXPECT_EQ(l.volume, "12");
    EXPECT_FLOAT_EQ(Read("221104,3350,1e3,9:00,9:35,10:20,9:25,9:10,1,-1,1,-1,-1,1,-1,1,-2.5E-1,1").changes[8], -0.25f);

    SearchLine out;
    EXPECT_EQ(ReadSearchLine("221104,8473,0,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1,5", out), SearchLineKind::Zero);
    EXPECT_EQ(ReadSearchLine("221104,8473,100,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1,0", out), SearchLineKind::Zero);
    EXPECT_EQ(ReadSearchLine("", out), SearchLineKind::Blank);
    EXPECT_EQ(ReadSearchLine("  ", out), SearchLineKind::Blank);
    for (const char* bad : {
             "221104,8473,100,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1",          // 17 fields
             "221132,8473,100,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1,5",        // no such day
             "221104,84a3,100,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1,5",        // code
             "221104,8473,abc,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1,5",        // price
             "221104,8473,100,25:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1,5",        // hour
             "221104,8473,100,09:00,09:3,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1,5",         // minute
             "221104,8473,100,09:00,09:35,10:20,09:25,09:10,1,x,1,1,1,1,1,1,1,5",        // change
             "221104,8473,100,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,nan,5",      // change
             "221104,8473,100,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,+-7,5",      // two signs
             "221104,8473,100,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1e-,5",      // exponent
             "221104,8473,100,09:00,09:35,10:20,09:25,09:10,1,1,1,1,1,1,1,1,1,-5",       // volume
             "<html><body>404</body></html>"}) {
        EXPECT_EQ(ReadSearchLine(bad, out), SearchLineKind::Malformed) << bad;
    }
}

TEST(ScreenLineTest, OneDirectionListsItsLargestPassingWindow) {
    // 上昇 5%: field 10 at 5.0 passes, field 16 at 7.2 is larger and is the row, open to 15:00.
    std::vector<ScreeningHit> hits = ScreenLine(Read(kLine), Direction(kRise, 5), kRiseFirst);
    ASSERT_EQ(Fields(hits), std::vector<int>{16});
    EXPECT_FLOAT_EQ(hits[0].change, 7.2f);
    EXPECT_EQ(hits[0].start, "09:00");
    EXPECT_EQ(hits[0].end, "15:00");
    // A fall of exactly −t is listed for 下落 but not for 両方 (strictly beyond there).
    const SearchLine edge = WithChanges({0, -5, 0, -5, 0, 0, 0, 0, 0});
    EXPECT_EQ(Fields(ScreenLine(edge, Direction(kFall, 5), kRiseFirst)), std::vector<int>{9});
    EXPECT_TRUE(ScreenLine(edge, Direction(kBoth, 5), kRiseFirst).empty());
    // Each window has its own bounds: 12 falls from the high to the low, 13 rises back.
    const SearchLine swing = WithChanges({0, 0, 0, 0, -9, 8, 0, 0, 0});
    hits = ScreenLine(swing, Direction(kFall, 5), kRiseFirst);
    ASSERT_EQ(Fields(hits), std::vector<int>{12});
    EXPECT_EQ(hits[0].start, "09:35");
    EXPECT_EQ(hits[0].end, "10:20");
    hits = ScreenLine(swing, Direction(kRise, 5), kRiseFirst);
    ASSERT_EQ(Fields(hits), std::vector<int>{13});
    EXPECT_EQ(hits[0].start, "10:20");
    EXPECT_EQ(hits[0].end, "09:35");
    // Field 16 counts for the direction of its sign only; equal changes keep the first field.
    EXPECT_EQ(Fields(ScreenLine(WithChanges({0, 0, 0, 0, 0, 0, 0, 0, -7}), Direction(kRise, 5), kRiseFirst)),
              std::vector<int>{});
    EXPECT_EQ(Fields(ScreenLine(WithChanges({6, 0, 6, 0, 0, 0, 0, 0, 6}), Direction(kRise, 5), kRiseFirst)),
              std::vector<int>{8});
}

TEST(ScreenLineTest, BothDirectionsListTwoRowsOrderedByTheCoin) {
    // With the 9:30 option: field 9 (fall) then field 8 (rise), strictly beyond t.
    const SearchLine l = Read(kLine);  // 8 = 6.0, 9 = −6.5
    std::vector<ScreeningHit> hits = ScreenLine(l, Direction(kBoth, 5, true), kRiseFirst);
    ASSERT_EQ(Fields(hits), (std::vector<int>{9, 8}));
    EXPECT_EQ(hits[0].end, "09:10");
    EXPECT_EQ(hits[1].end, "09:25");
    EXPECT_TRUE(ScreenLine(l, Direction(kBoth, 7, true), kRiseFirst).empty());
    EXPECT_EQ(Fields(ScreenLine(l, Direction(kRise, 6, true), kRiseFirst)), std::vector<int>{8});  // ≥
    const SearchLine edge = WithChanges({5, -5, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Fields(ScreenLine(edge, Direction(kFall, 5, true), kRiseFirst)), std::vector<int>{9});  // ≤ −t
    EXPECT_TRUE(ScreenLine(edge, Direction(kBoth, 5, true), kRiseFirst).empty());                     // < −t, > t
    // Without it the largest of each direction; the coin is asked only when both have one.
    int asked = 0;
    auto coin = [&](bool rise) { return [&asked, rise] { ++asked; return rise; }; };
    EXPECT_EQ(Fields(ScreenLine(l, Direction(kBoth, 5), coin(true))), (std::vector<int>{16, 9}));
    EXPECT_EQ(Fields(ScreenLine(l, Direction(kBoth, 5), coin(false))), (std::vector<int>{9, 16}));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Fields(ScreenLine(l, Direction(kBoth, 7), coin(true))), std::vector<int>{16});
    EXPECT_EQ(asked, 2);
}

TEST(ScreeningRowTest, TheRowTextIsExactlyTheListsColumnsAndItsHiddenTail) {
    const SearchLine l = Read(kLine);
    const ScreeningHit hit = ScreenLine(l, Direction(kRise, 5), kRiseFirst).at(0);
    ScreeningConditions c = Direction(kRise, 5);
    ScreeningRow r = MakeScreeningRow(l, hit, 0, "テスト証券", true, c);
    EXPECT_EQ(r.text,
              "8473　○ﾃｽﾄ証券　　　　　2022/11/04　  3180　± 7.2%　　09:00　　09:00　　15:00　  12345"
              "         @@221104@@09:00@@0");
    // Hidden times leave five blanks; the tail still carries the start. A name over nine
    // characters is cut after its half-width conversion; a long volume is capped and marked.
    SearchLine big = l;
    big.volume = "12345678";
    c.hideStartTime = c.hideEndTime = true;
    r = MakeScreeningRow(big, hit, 41, "株式会社アイウエオカキクケコ", false, c);
    EXPECT_EQ(r.text,
              "8473　×株式会社ｱｲｳｴｵ　2022/11/04　  3180　± 7.2%　　09:00　　     　　     　9999999"
              "*          @@221104@@09:00@@41");
    EXPECT_TRUE(r.capped);
    EXPECT_EQ(r.volume, "9999999");
    EXPECT_EQ(r.name, "株式会社ｱｲｳｴｵ");
    EXPECT_EQ(CharCount(r.name), 9u);
    // A fall shows its size after "±" too; a seven-digit volume is not capped.
    big.volume = "9999999";
    const ScreeningHit fall{9, -12.34f, "09:00", "09:10"};
    r = MakeScreeningRow(big, fall, 2, "", true, c);
    EXPECT_FALSE(r.capped);
    EXPECT_NE(r.text.find("　±12.3%　　"), std::string::npos);
    EXPECT_EQ(r.absChange, 12.34f);

    const std::optional<ScreeningPick> pick = ReadScreeningRowText(r.text);
    ASSERT_TRUE(pick);
    EXPECT_EQ(pick->date, "221104");
    EXPECT_EQ(pick->code, "8473");
    EXPECT_EQ(pick->moveStart, "09:00");
    // A name with "@@" in it (ＡＢ＠＠ turns half-width) does not hide the tail.
    r = MakeScreeningRow(l, hit, 5, "ＡＢ＠＠商事", true, c);
    ASSERT_NE(r.name.find("@@"), std::string::npos);
    const std::optional<ScreeningPick> odd = ReadScreeningRowText(r.text);
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->date, "221104");
    EXPECT_EQ(odd->moveStart, "09:00");
    for (const char* bad : {"", "8473", "8473@@221104", "8473@@2211@@09:00@@1", "84@@221104@@09:00@@1",
                            "8473@@221104@@9x:00@@1"})
        EXPECT_FALSE(ReadScreeningRowText(bad)) << bad;
}

class ScreeningSearchTest : public ::testing::Test {
protected:
    std::string Run(const std::string& bytes, const ScreeningConditions& c, int slice = 7) {
        search.Begin(bytes, c, names, dir.Sub("日中データ"), random);
        int slices = 0;
        while (search.Continue(slice)) ++slices;
        return std::to_string(slices);
    }
    test::TempDir dir;
    StockList names;
    SeededRandom random{3};
    ScreeningSearch search;
};

TEST_F(ScreeningSearchTest, RowsComeInFileOrderWithTheirMarksAndMalformedLinesAreCounted) {
    names.ReadMainList(EncodeCp932("8473,8473.T,テスト証券\r\n6501,6501.T,電機\r\n"));
    test::WriteFile(dir.Sub("日中データ/221104/8473.csv"), "x");
    const std::string bytes = std::string(kLine) + "\r\n" +
                              "garbage line\r\n" +
                              "221104,6501,500,09:00,09:35,10:20,09:25,09:10,0,0,9.5,0,0,0,0,0,0,800\r\n" +
                              "221104,6501,0,09:00,09:35,10:20,09:25,09:10,0,0,9.5,0,0,0,0,0,0,800\n\n" +
                              "221107,8473,3180,09:00,09:35,10:20,09:25,09:10,0,0,0,0,0,0,0,0,1.0,800";
    Run(bytes, Direction(kRise, 5), 1);
    ASSERT_EQ(search.rows().size(), 2u);
    EXPECT_EQ(search.skipped(), 1);
    EXPECT_TRUE(search.rows()[0].available);
    EXPECT_EQ(search.rows()[0].name, "ﾃｽﾄ証券");
    EXPECT_FALSE(search.rows()[1].available);  // no file of 6501 in that day's folder
    EXPECT_EQ(search.rows()[1].number, 1);
    EXPECT_NE(search.rows()[1].text.find("@@1"), std::string::npos);
    EXPECT_TRUE(search.finished());
}

TEST_F(ScreeningSearchTest, TheListStopsAtTenThousandRowsOrWhenStopped) {
    std::string bytes;
    for (int i = 0; i < 6000; ++i) bytes += std::string(kLine) + "\r\n";
    Run(bytes, Direction(kBoth, 5), 500);  // two rows a line
    EXPECT_EQ(search.rows().size(), static_cast<std::size_t>(kMaxScreeningRows));
    EXPECT_EQ(search.rows().back().number, kMaxScreeningRows - 1);
    // 停　止 between two slices ends it there.
    search.Begin(bytes, Direction(kRise, 5), names, dir.path(), random);
    ASSERT_TRUE(search.Continue(10));
    search.Stop();
    EXPECT_FALSE(search.Continue(10));
    EXPECT_EQ(search.rows().size(), 10u);
    // The coin is fair: both orders come up.
    Run(bytes.substr(0, 200 * (std::string(kLine).size() + 2)), Direction(kBoth, 5));
    int riseFirst = 0;
    for (std::size_t i = 0; i + 1 < search.rows().size(); i += 2) riseFirst += search.rows()[i].change > 0;
    EXPECT_GT(riseFirst, 70);
    EXPECT_LT(riseFirst, 130);
}

TEST_F(ScreeningSearchTest, TheRowTextsOfASmallFileByteForByte) {
    names.ReadMainList(EncodeCp932("8473,8473.T,テスト証券\r\n6501,6501.T,日立製作所グループ本社\r\n"));
    test::WriteFile(dir.Sub("日中データ/221104/8473.csv"), "x");
    // Each line has one window beyond 5 % in the direction searched: 11 (open to the low),
    // 14 (the high to the close), 12 (the high to the low) and, for the rise, 15 (the low to
    // the close).
    const std::string bytes =
        "221104,8473,3180,09:00,09:35,10:20,09:25,09:10,0,0,0,-5.5,0,0,0,0,0,12345\r\n"
        "221104,6501,12000,09:05,11:35,13:20,09:25,09:10,0,0,0,0,0,0,-8.25,0,0,999\r\n"
        "221107,8473,3100,09:00,14:05,10:00,09:25,09:10,0,0,0,0,-6,0,0,0,0,12345678\r\n"
        "221107,6501,12000,09:00,14:05,10:00,09:25,09:10,0,0,0,0,0,0,0,10,0,5\r\n";
    ScreeningConditions c = Direction(kFall, 5);
    c.hideEndTime = true;
    Run(bytes, c);
    ASSERT_EQ(search.rows().size(), 3u);
    EXPECT_EQ(search.rows()[0].text,
              "8473　○ﾃｽﾄ証券　　　　　2022/11/04　  3180　± 5.5%　　09:00　　09:00　　     　  12345"
              "         @@221104@@09:00@@0");
    EXPECT_EQ(search.rows()[1].text,
              "6501　×日立製作所ｸﾞﾙｰ　2022/11/04　 12000　± 8.3%　　09:05　　11:35　　     　    999"
              "         @@221104@@11:35@@1");
    EXPECT_EQ(search.rows()[2].text,
              "8473　×ﾃｽﾄ証券　　　　　2022/11/07　  3100　± 6.0%　　09:00　　14:05　　     　9999999"
              "*          @@221107@@14:05@@2");
    EXPECT_EQ(search.rows()[1].end, "15:00");
    EXPECT_EQ(search.rows()[2].end, "10:00");
    Run(bytes, Direction(kRise, 5));
    ASSERT_EQ(search.rows().size(), 1u);
    EXPECT_EQ(search.rows()[0].start + "-" + search.rows()[0].end, "10:00-15:00");
    // Without a data folder nothing can be replayed: every row is ×.
    search.Begin(bytes, Direction(kFall, 5), names, "", random);
    while (search.Continue(10)) {
    }
    for (const ScreeningRow& r : search.rows()) EXPECT_FALSE(r.available);
}

TEST(ScreeningOrderTest, EachKeyAlternatesItsDirectionAndKeepsTiesInFoundOrder) {
    std::vector<ScreeningRow> rows(4);
    const float changes[] = {5.5f, 9.0f, 5.5f, 7.0f};
    const int codes[] = {8473, 1301, 9984, 1301};
    for (int i = 0; i < 4; ++i) {
        rows[i].absChange = changes[i];
        rows[i].code = codes[i];
        rows[i].number = i;
    }
    ScreeningOrder order;
    order.Reset(rows.size());
    EXPECT_EQ(order.Sort(rows, ScreeningSortKey::Change), (std::vector<int>{1, 3, 0, 2}));  // largest first
    EXPECT_EQ(order.Sort(rows, ScreeningSortKey::Change), (std::vector<int>{0, 2, 3, 1}));
    EXPECT_EQ(order.Sort(rows, ScreeningSortKey::Code), (std::vector<int>{1, 3, 0, 2}));    // smallest first
    EXPECT_EQ(order.Sort(rows, ScreeningSortKey::Code), (std::vector<int>{2, 0, 1, 3}));
}

TEST(ScreeningStartTest, TheStartIsALeadOfBarsBeforeTheMove) {
    // N = 5: 10:10 with a lead of 2 starts at 10:00:00; 12:40 with 3 at 11:25:00 (bar 29, 145
    // minutes: still the morning).
    ScreeningStart s = StartBeforeMove("10:10", 5, 2);
    EXPECT_EQ(s.startBar, 12);
    EXPECT_EQ(s.startTime, "10:00:00");
    EXPECT_TRUE(s.midSessionStart);
    s = StartBeforeMove("12:40", 5, 3);
    EXPECT_EQ(s.startBar, 29);
    EXPECT_EQ(s.startTime, "11:25:00");
    // 150 minutes and more are in the afternoon.
    EXPECT_EQ(StartBeforeMove("13:00", 5, 2).startTime, "12:50:00");  // bar 34, 170 minutes
    // A move at the open cannot start earlier than the open.
    s = StartBeforeMove("09:05", 1, 8);
    EXPECT_EQ(s.startBar, 0);
    EXPECT_EQ(s.startTime, "09:00:00");
    EXPECT_FALSE(s.midSessionStart);
    // A move at the very end still starts inside the day.
    EXPECT_EQ(StartBeforeMove("15:00", 10, 1).startBar, 29);
    EXPECT_EQ(StartBeforeMove("23:59", 1, 8).startBar, 299);

    class Fixed final : public Random {
    public:
        explicit Fixed(double v) : v_(v) {}
        double Next() override { return v_; }
    private:
        double v_;
    };
    for (int n : {1, 2, 3, 4, 5, 10}) {
        const auto [lo, hi] = ScreeningLeadRange(n);
        Fixed low(0.0), high(0.999999);
        EXPECT_EQ(DrawScreeningLead(n, low), lo) << n;
        EXPECT_EQ(DrawScreeningLead(n, high), hi) << n;
    }
    EXPECT_EQ(ScreeningLeadRange(1), (std::pair{8, 15}));
    EXPECT_EQ(ScreeningLeadRange(10), (std::pair{1, 2}));
    EXPECT_EQ(ScreeningThreshold("abc"), 5);
    EXPECT_EQ(ScreeningThreshold("0"), 1);
    EXPECT_EQ(ScreeningThreshold(" 12 "), 12);
    EXPECT_EQ(ScreeningThreshold("1000"), 255);
    EXPECT_EQ(ScreeningThreshold("１０"), 10);  // typed with the input method on
}

class ScreeningDialogTest : public ::testing::Test {
protected:
    void WriteMonth(const std::string& month, const std::string& bytes) {
        test::WriteFile(SearchFilePath(dir.path(), month), bytes);
    }
    void Search() {
        if (!dialog.BeginSearch(dir.path(), names, dir.Sub("日中データ"), random)) return;
        while (dialog.ContinueSearch(50)) {
            counters.push_back(dialog.counterText);
            EXPECT_TRUE(dialog.searching());
        }
    }
    test::TempDir dir;
    StockList names;
    SeededRandom random{1};
    ScreeningDialogModel dialog;
    std::vector<std::string> counters;
};

TEST_F(ScreeningDialogTest, OpeningListsTheMonthsAndTakesTheSavedConditions) {
    WriteMonth("202210", "");
    WriteMonth("202211", "");
    test::WriteFile(dir.Sub("検索データ/検索データ_old.txt"), "");
    test::WriteFile(dir.Sub("検索データ/メモ.txt"), "");
    ScreeningConditions saved;
    saved.laterMonth = "2022/10";
    saved.earlierMonth = "2022/11";
    saved.direction = kBoth;
    saved.threshold = 8;
    dialog.Open(dir.path(), saved);
    EXPECT_EQ(dialog.months, (std::vector<std::string>{"202210", "202211"}));
    EXPECT_EQ(dialog.MonthText(), "2022/10");
    EXPECT_EQ(dialog.conditions.earlierMonth, "2022/10");  // never later than the first
    EXPECT_EQ(dialog.thresholdText, "8");
    EXPECT_EQ(dialog.SignLabel(), "±");
    EXPECT_EQ(dialog.RelationLabel(), "％範囲外");
    dialog.SetDirection(kFall);
    EXPECT_EQ(dialog.SignLabel() + dialog.RelationLabel(), "－％以下");
    // Hidden and opened again: as it was left, with a month that came meanwhile listed.
    dialog.visible = false;
    WriteMonth("202212", "");
    dialog.Open(dir.path(), saved);
    EXPECT_EQ(dialog.conditions.direction, kFall);
    EXPECT_EQ(dialog.MonthText(), "2022/10");
    EXPECT_EQ(dialog.months.size(), 3u);
    // A saved month without its file gives the newest.
    saved.laterMonth = "202001";
    ScreeningDialogModel first;
    first.Open(dir.path(), saved);
    EXPECT_EQ(first.MonthText(), "2022/12");
    // No files at all: nothing to search, the count 0.
    test::TempDir empty;
    ScreeningDialogModel none;
    none.Open(empty.path(), saved);
    EXPECT_EQ(none.monthIndex, -1);
    EXPECT_FALSE(none.BeginSearch(empty.path(), names, empty.path(), random));
    EXPECT_EQ(none.counterText, "0 件");
}

TEST_F(ScreeningDialogTest, TheCounterEveryHundredRowsAndThePickOfARow) {
    std::string bytes;
    for (int i = 0; i < 250; ++i) bytes += std::string(kLine) + "\r\n";
    bytes += "221107,1301,300,09:00,09:35,10:20,09:25,09:10,0,0,0,0,0,0,0,0,9.9,800\r\n";
    bytes += "broken\r\n";
    WriteMonth("202211", bytes);
    test::WriteFile(dir.Sub("日中データ/221104/8473.csv"), "x");
    dialog.Open(dir.path(), {});
    dialog.SetThresholdText("x");
    Search();
    EXPECT_EQ(dialog.thresholdText, "5");  // not a number: 5
    EXPECT_EQ(dialog.counterText, "251 件");
    EXPECT_NE(std::find(counters.begin(), counters.end(), "100件"), counters.end());
    EXPECT_NE(std::find(counters.begin(), counters.end(), "200件"), counters.end());
    EXPECT_EQ(dialog.message, "読み取れない行が1行あり、飛ばしました。");
    // Sorted by change the 9.9% row comes first; its day is missing: no use.
    dialog.Sort(ScreeningSortKey::Change);
    ASSERT_EQ(dialog.RowAt(0)->code, 1301);
    dialog.Select(0);
    EXPECT_FALSE(dialog.useEnabled);
    EXPECT_FALSE(dialog.Pick(0));
    EXPECT_EQ(dialog.message,
              "日中データフォルダに該当銘柄のファイルがありません。\n該当銘柄のファイルを解凍すれば、使用可能となる場合があります。");
    dialog.Select(1);
    EXPECT_TRUE(dialog.useEnabled);
    const std::optional<ScreeningPick> pick = dialog.PickSelected();
    ASSERT_TRUE(pick);
    EXPECT_EQ(pick->code, "8473");
    // The selection stays on its row through a sort.
    const int number = dialog.RowAt(dialog.selected)->number;
    dialog.Sort(ScreeningSortKey::Code);
    EXPECT_EQ(dialog.RowAt(dialog.selected)->number, number);
    // Opened again, shown or hidden in between, the window keeps its list and selection.
    const int listed = static_cast<int>(dialog.shown().size());
    dialog.Open(dir.path(), {});
    dialog.visible = false;
    dialog.Open(dir.path(), {});
    EXPECT_EQ(static_cast<int>(dialog.shown().size()), listed);
    EXPECT_EQ(dialog.RowAt(dialog.selected)->number, number);
    // A new search clears the list and the selection.
    dialog.SetThresholdText("0");
    Search();
    EXPECT_EQ(dialog.thresholdText, "1");
    EXPECT_EQ(dialog.selected, -1);
}

}  // namespace
}  // namespace corvala
