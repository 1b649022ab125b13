#include "demo_data/stock_list_writer.h"

#include <algorithm>
#include <iterator>

#include "demo_data/demo_format.h"
#include "demo_data/demo_rng.h"
#include "platform/cp932.h"

namespace corvala {
namespace {

constexpr int kOtherStocks = 300;
constexpr int kFirstOtherCode = 1305;
constexpr int kCodeStride = 29;  // spreads the made-up codes over 1305–9976

constexpr const char* kPrefixes[] = {
    "東雲",   "北斗",   "青葉",     "朝霧",     "白樺",     "若葉",   "紅葉",   "翠嶺",
    "千歳",   "星野",   "桜庭",     "富嶽",     "瑞穂",     "常盤",   "葵",     "藤波",
    "鳴海",   "鶴見",   "月影",     "光陽",     "陽和",     "琥珀",   "黎明",   "碧海",
    "朱雀",   "玄武",   "蒼天",     "銀嶺",     "浜風",     "山吹",   "ミナト", "アルテア",
    "ネクサ", "コルト", "ソラリス", "ヴェルデ", "オーロラ", "リベラ", "カナデ", "ユニオン"};
constexpr const char* kSuffixes[] = {
    "工業",     "製作所",           "電機", "化学",  "商事", "建設", "食品", "薬品", "精機", "電子",
    "物流",     "不動産",           "銀行", "証券",  "興産", "産業", "通信", "技研", "鉄工", "紡績",
    "システム", "ホールディングス", "ラボ", "フーズ"};

// Names that test the code box and the conversions: characters outside Shift_JIS proper,
// half-width katakana and a name longer than the twelve characters the label shows.
constexpr const char* kTrickyNames[] = {"星野①号ファンド",
                                        "髙嶺製作所",
                                        "㈱ミナト商会",
                                        "ｺﾊｸﾃｯｸ",
                                        "ﾐﾅﾄﾃﾞﾝｼ工業",
                                        "ｿﾗﾘｽ･ﾗﾎﾞ",
                                        "東雲パシフィックテクノロジーホールディングス",
                                        "髙砂㈱②号投資法人"};
constexpr int kTrickyStride = 37;

std::string MarketFor(int index, DemoRng& rng) {
    if (index == 150) return "X";  // a market code the program does not know
    const std::int64_t r = rng.Below(100);
    return r < 70 ? "T" : r < 80 ? "OS" : r < 88 ? "OJ" : "Q";
}

std::string CodeText(int code) {
    std::string t;
    AppendInt(t, code);
    return t;
}

}  // namespace

std::vector<DemoStock> BuildStockList(const std::vector<DemoStock>& demoStocks) {
    std::vector<DemoStock> list = demoStocks;
    DemoRng rng(SeedFor("list", "main"));
    for (int i = 0; i < kOtherStocks; ++i) {
        const std::string code = CodeText(kFirstOtherCode + kCodeStride * i);
        const bool taken = std::any_of(list.begin(), list.end(),
                                       [&](const DemoStock& s) { return s.code == code; });
        if (taken) continue;
        DemoStock s;
        s.code = code;
        s.market = MarketFor(i, rng);
        const std::size_t tricky = static_cast<std::size_t>(i / kTrickyStride);
        if (i % kTrickyStride == 5 && tricky < std::size(kTrickyNames)) {
            s.name = kTrickyNames[tricky];
        } else {
            s.name = kPrefixes[rng.Below(std::ssize(kPrefixes))];
            s.name += kSuffixes[rng.Below(std::ssize(kSuffixes))];
        }
        list.push_back(std::move(s));
    }
    std::sort(list.begin(), list.end(),
              [](const DemoStock& a, const DemoStock& b) { return a.code < b.code; });
    return list;
}

std::vector<DemoStock> BuildOldStockList(const std::vector<DemoStock>& mainList,
                                         std::string& oldOnlyCode) {
    std::vector<DemoStock> old;
    oldOnlyCode = "1302";  // below every code of the main list
    old.push_back({oldOnlyCode, "T", "朝霧缶詰"});
    for (std::size_t i : {std::size_t{20}, std::size_t{120}, std::size_t{220}})
        if (i < mainList.size()) old.push_back(mainList[i]);
    return old;
}

std::string FormatStockList(const std::vector<DemoStock>& entries) {
    std::string text;
    for (const DemoStock& s : entries) {
        text += s.code;
        text += ',';
        text += s.code;
        text += '.';
        text += s.market;
        text += ',';
        text += s.name;
        text += "\r\n";
    }
    return EncodeCp932(text);
}

}  // namespace corvala
