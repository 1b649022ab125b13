#include "data/series_table.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

using Items = std::vector<std::string>;

TEST(SeriesTableTest, ItemsFollowTheDate) {
    EXPECT_EQ(SelectorItems(220401), (Items{"日経225", "大証先物", "TOPIX", "日経JAS", "ﾏｻﾞｰｽﾞ"}));
    EXPECT_EQ(SelectorItems(71225), (Items{"日経225", "大証先物", "TOPIX", "日経JAS", "ﾏｻﾞｰｽﾞ"}));
    EXPECT_EQ(SelectorItems(220404), (Items{"日経225", "大証先物", "TOPIX", "ﾏｻﾞｰｽﾞ"}));
    EXPECT_EQ(SelectorItems(220626), (Items{"日経225", "大証先物", "TOPIX", "ﾏｻﾞｰｽﾞ"}));
    EXPECT_EQ(SelectorItems(220627), (Items{"日経225", "大証先物", "TOPIX", "ﾏｻﾞｰｽﾞ", "ﾌﾟﾗｲﾑ",
                                            "ｽﾀﾝﾀﾞｰﾄﾞ", "ｸﾞﾛｰｽ"}));
}

TEST(SeriesTableTest, ItemsMapToFilesAndKinds) {
    EXPECT_EQ(SeriesCodeFor("日経225"), "N225");
    EXPECT_EQ(SeriesCodeFor("大証先物"), "先物");
    EXPECT_EQ(SeriesCodeFor("ﾌﾟﾗｲﾑ"), "TSPM");
    EXPECT_EQ(SeriesCodeFor("円相場"), "");
    EXPECT_EQ(SeriesKindForCode("先物"), SeriesKind::Futures);
    EXPECT_EQ(SeriesKindForCode("TSPM"), SeriesKind::Prime);
    EXPECT_EQ(SeriesKindForCode("NOTC"), SeriesKind::NikkeiJasdaq);
    for (const auto& s : AllSeries()) EXPECT_EQ(SeriesCodeFor(s.item), s.code);
}

}  // namespace
}  // namespace corvala
