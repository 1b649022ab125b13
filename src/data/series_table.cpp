#include "data/series_table.h"

namespace corvala {

const std::vector<SeriesInfo>& AllSeries() {
    static const std::vector<SeriesInfo> table = {
        {"日経225", "N225", SeriesKind::Nikkei225}, {"大証先物", "先物", SeriesKind::Futures},
        {"TOPIX", "TOPX", SeriesKind::Topix},       {"日経JAS", "NOTC", SeriesKind::NikkeiJasdaq},
        {"ﾏｻﾞｰｽﾞ", "MTHR", SeriesKind::Mothers},    {"ﾌﾟﾗｲﾑ", "TSPM", SeriesKind::Prime},
        {"ｽﾀﾝﾀﾞｰﾄﾞ", "TSSM", SeriesKind::Standard}, {"ｸﾞﾛｰｽ", "TSGM", SeriesKind::Growth},
    };
    return table;
}

std::string SeriesCodeFor(std::string_view item) {
    for (const auto& s : AllSeries())
        if (s.item == item) return std::string(s.code);
    return {};
}

SeriesKind SeriesKindForCode(std::string_view code) {
    for (const auto& s : AllSeries())
        if (s.code == code) return s.kind;
    return SeriesKind::Nikkei225;
}

std::vector<std::string> SelectorItems(long dateNumber) {
    constexpr long kJasdaqIndexEnd = 220404;  // 日経JAS is offered before this date only
    constexpr long kNewSegmentsStart = 220627;  // the three new market segments from this date
    std::vector<std::string> items;
    for (const auto& s : AllSeries()) {
        if (s.kind == SeriesKind::NikkeiJasdaq && dateNumber >= kJasdaqIndexEnd) continue;
        const bool newSegment = s.kind == SeriesKind::Prime || s.kind == SeriesKind::Standard ||
                                s.kind == SeriesKind::Growth;
        if (newSegment && dateNumber < kNewSegmentsStart) continue;
        items.emplace_back(s.item);
    }
    return items;
}

}  // namespace corvala
