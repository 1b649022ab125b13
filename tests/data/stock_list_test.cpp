#include "data/stock_list.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "test_support.h"

namespace corvala {
namespace {

TEST(StockListTest, ReadsNamesAndMarketLabelsInCp932) {
    StockList list;
    list.ReadMainList(EncodeCp932(
        "7203,7203.T,①髙島㈱\r\n1234,1234.OS,大阪ﾃｽﾄ\r\n2345,2345.OJ,ヘラ\r\n3456,3456.Q,ジャス\r\n"
        "4567,4567.X,他市場\r\n5,0005.T,小さいコード,余分,列\r\n"));
    EXPECT_EQ(list.Name(7203), "①髙島㈱");
    EXPECT_EQ(list.MarketLabel(7203), "東証");
    EXPECT_EQ(list.MarketLabel(1234), "大証");
    EXPECT_EQ(list.Name(1234), "大阪ﾃｽﾄ");
    EXPECT_EQ(list.MarketLabel(2345), "ﾍﾗｸﾚｽ");
    EXPECT_EQ(list.MarketLabel(3456), "JASDAQ");
    EXPECT_EQ(list.MarketLabel(4567), "");
    EXPECT_EQ(list.Name(5), "小さいコード");
    EXPECT_EQ(list.Name(9999), "");
    EXPECT_EQ(list.skippedLines(), 0);
}

TEST(StockListTest, LaterLinesAndTheOldListReplaceNames) {
    StockList list;
    list.ReadMainList(EncodeCp932("100,0100.T,旧名\n100,0100.OS,新名\n200,0200.Q,二百\n"
                                  "400,0400.T,東\n400,0400.X,未知の市場\n"));
    EXPECT_EQ(list.Name(100), "新名");
    EXPECT_EQ(list.MarketLabel(100), "大証");
    EXPECT_EQ(list.Name(400), "未知の市場");
    EXPECT_EQ(list.MarketLabel(400), "東証");  // an unknown market leaves the earlier label
    list.ReadOldList(EncodeCp932("200,0200.T,別名\n300,0300.T,旧リストのみ\n"));
    EXPECT_EQ(list.Name(200), "別名");
    EXPECT_EQ(list.MarketLabel(200), "JASDAQ");  // the old list never touches the label
    EXPECT_EQ(list.Name(300), "旧リストのみ");
    EXPECT_EQ(list.MarketLabel(300), "");
}

TEST(StockListTest, BadLinesAreSkippedAndNothingOutsideTheTableIsTouched) {
    StockList list;
    list.ReadMainList(EncodeCp932(
        "10000,10000.T,大きすぎ\n-1,-001.T,負\nabc,abc.T,文字\n12,0012.T\n\n"
        " 42 ,0042.T,空白つき\n7,7\n99999999999999999999,x,y\n8,8.T,短いティッカー\n"));
    EXPECT_EQ(list.Name(42), "空白つき");
    EXPECT_EQ(list.MarketLabel(8), "");  // ticker shorter than code and point
    EXPECT_EQ(list.Name(12), "");
    EXPECT_EQ(list.Name(-1), "");
    EXPECT_EQ(list.Name(10000), "");
    EXPECT_EQ(list.skippedLines(), 6);
}

TEST(StockListTest, LoadNeedsTheMainListOnly) {
    test::TempDir dir;
    StockList list;
    EXPECT_FALSE(list.Load(dir.path()));
    test::WriteFile(dir.Sub("銘柄リスト.csv"), EncodeCp932("8473,8473.T,テスト証券\n"));
    EXPECT_TRUE(list.Load(dir.path()));
    EXPECT_EQ(list.Name(8473), "テスト証券");
    test::WriteFile(dir.Sub("銘柄リストold.csv"), EncodeCp932("8473,8473.T,旧テスト\n"));
    StockList again;
    EXPECT_TRUE(again.Load(dir.path()));
    EXPECT_EQ(again.Name(8473), "旧テスト");
}

TEST(StockListLabelsTest, NameIsCutToTwelveCharactersPlusABlank) {
    EXPECT_EQ(NameLabelText("ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿ"), "ｱｲｳｴｵｶｷｸｹｺｻｼ ");
    EXPECT_EQ(NameLabelText("短い"), "短い ");
    EXPECT_EQ(MarketLabelText("東証"), "東証 ");
    EXPECT_EQ(MarketLabelText(""), " ");
}

TEST(StockCodeTest, OnlyFourDigits) {
    EXPECT_EQ(ParseStockCode("8473"), 8473);
    EXPECT_EQ(ParseStockCode("0001"), 1);
    EXPECT_EQ(ParseStockCode("847"), -1);
    EXPECT_EQ(ParseStockCode("84a3"), -1);
    EXPECT_EQ(ParseStockCode("84.3"), -1);
    EXPECT_EQ(ParseStockCode("84735"), -1);
}

}  // namespace
}  // namespace corvala
