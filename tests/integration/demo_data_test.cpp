// The demo install read back through the real loader: every figure the generator meant to write
// must be what LoadDaySeries finds, and the files must look like recorded days.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/day_loader.h"
#include "data/stock_list.h"
#include "demo_data/demo_data.h"
#include "demo_install.h"
#include "base/price_rules.h"
#include "platform/files.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace corvala {
namespace {

constexpr int kBar = 5;

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> f(1);
    for (char c : line) {
        if (c == ',')
            f.emplace_back();
        else
            f.back().push_back(c);
    }
    return f;
}

// The file's lines; fails the test when a line does not end in CR LF.
std::vector<std::string> ReadLines(const std::string& path) {
    const auto bytes = ReadWholeFile(path);
    EXPECT_TRUE(bytes.has_value()) << path;
    std::vector<std::string> lines;
    if (!bytes) return lines;
    std::size_t pos = 0;
    while (pos < bytes->size()) {
        const std::size_t lf = bytes->find('\n', pos);
        if (lf == std::string::npos || lf == pos || (*bytes)[lf - 1] != '\r') {
            ADD_FAILURE() << path << ": line " << lines.size() + 1 << " does not end in CR LF";
            break;
        }
        lines.push_back(bytes->substr(pos, lf - 1 - pos));
        pos = lf + 1;
    }
    return lines;
}

// A whole number of steps; a tenth of a yen is no exact binary fraction (nor, in single
// precision, within a millionth), so within a thousandth of a step.
bool OnGrid(double price, bool fine) {
    const double steps = price / PriceStep(price, fine);
    return std::fabs(steps - std::round(steps)) < 1e-3;
}

bool UsesFineTable(const std::string& code) {
    return code == "8473" || code == "3350";
}

class DemoDataTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        root_ = std::make_unique<fs::path>(fs::temp_directory_path() /
                                           ("corvala_demo_test_" + std::to_string(getpid())));
        fs::remove_all(*root_);
        // Under ctest a copy of the run's demo install (demo_install.h), written by the same
        // generator in a process of its own; TwoGenerationsAreByteIdentical generates anew.
        manifest_ = std::make_unique<DemoManifest>(test::MakeDemoInstall((*root_ / "a").string()));
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(*root_, ec);
        manifest_.reset();
        root_.reset();
    }
    void SetUp() override { ASSERT_TRUE(M().ok) << M().error; }

    static const DemoManifest& M() { return *manifest_; }

    // Loads into a freshly cleared day, as the program does when it opens another stock.
    static DayFileResult Load(const DemoDayFile& f, SeriesSlot slot, DayData& day) {
        day.ClearSeries();
        return LoadDaySeries(M().dataFolder, f.dateFolder, f.code, slot, kBar, day);
    }

    static inline std::unique_ptr<fs::path> root_;
    static inline std::unique_ptr<DemoManifest> manifest_;
};

TEST_F(DemoDataTest, FoldersHoldTradingDaysAndTheExpectedFiles) {
    const std::vector<std::string> dates = {"220330", "220331", "220401", "221101",
                                            "221102", "221104", "221107", "221108",
                                            "221109", "221110", "221111"};
    EXPECT_EQ(M().dateFolders, dates);
    std::vector<std::string> all = dates;
    all.push_back(M().markerFolder);
    EXPECT_EQ(ListSubfolders(M().dataFolder), all);

    std::set<std::string> listed;
    for (const DemoDayFile& f : M().files) {
        EXPECT_TRUE(FileExists(f.path)) << f.path;
        EXPECT_TRUE(listed.insert(f.dateFolder + "/" + f.code).second) << "twice: " << f.path;
    }
    for (const std::string& date : dates) {
        const long n = std::stol(date);
        std::set<std::string> expected;
        for (const DemoStock& s : M().stocks)
            if (!(date == M().missingDate && s.code == M().missingCode)) expected.insert(s.code);
        for (const char* code : {"N225", "先物", "TOPX", "MTHR"}) expected.insert(code);
        if (n < 220404) expected.insert("NOTC");
        if (n >= 220627) expected.insert({"TSPM", "TSSM", "TSGM"});
        std::set<std::string> found;
        for (const auto& e : fs::directory_iterator(fs::path(M().dataFolder) / date)) {
            const std::string name = e.path().filename().string();
            ASSERT_EQ(e.path().extension(), ".csv") << date << "/" << name;
            found.insert(e.path().stem().string());
            EXPECT_TRUE(listed.count(date + "/" + e.path().stem().string())) << name;
        }
        EXPECT_EQ(found, expected) << date;
    }
    EXPECT_EQ(M().files.size(), listed.size());

    const fs::path marker = fs::path(M().dataFolder) / M().markerFolder;
    ASSERT_EQ(std::distance(fs::directory_iterator(marker), fs::directory_iterator()), 1);
    EXPECT_EQ(fs::file_size(marker / std::string(kNoDataMarker)), 0u);
    EXPECT_TRUE(FileExists(JoinPath(M().installFolder, std::string(kStockListFile))));
    EXPECT_TRUE(FileExists(JoinPath(M().installFolder, std::string(kOldStockListFile))));
    EXPECT_TRUE(FileExists(M().searchDataPath));
}

// What the recorder writes line by line, checked on the text itself: the loader would paper
// over some of these (a falling volume, for one).
TEST_F(DemoDataTest, LinesFollowTheRecorderLayout) {
    for (const DemoDayFile& f : M().files) {
        SCOPED_TRACE(f.path);
        const std::vector<std::string> lines = ReadLines(f.path);
        ASSERT_EQ(lines.size(), 3601u);
        ASSERT_EQ(f.lineCount, 3601);
        const bool futures = f.code == "先物";
        const bool index = !f.isStock && !futures;
        const std::string date = "20" + f.dateFolder.substr(0, 2) + "/" +
                                 f.dateFolder.substr(2, 2) + "/" + f.dateFolder.substr(4, 2);
        const std::string prev = Split(lines[0])[4];
        bool traded = false;
        std::string open;
        long long lastVolume = -1;
        int lastTrade = 0;
        double turnover = 0;  // Σ price × shares, each line's new shares at its price
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            const std::vector<std::string> c = Split(line);
            SCOPED_TRACE("line " + std::to_string(i + 1));
            ASSERT_EQ(c.size(), f.hasVwapColumn ? 36u : 35u);
            EXPECT_EQ(c[0], date);
            const int t = i < 1800   ? 9 * 3600 + 5 * static_cast<int>(i)
                          : i < 3600 ? 12 * 3600 + 1800 + 5 * static_cast<int>(i - 1800)
                                     : 15 * 3600;
            ASSERT_EQ(c[1], FormatTimeOfDay(t));
            EXPECT_EQ(c[4], prev);
            EXPECT_EQ(c[34], f.isStock ? "100" : "-");
            if (f.isStock && !f.decimalPrices) {
                // A point before the last five characters marks a stock quoted with decimals.
                ASSERT_EQ(line.substr(0, line.size() - 5).find('.'), std::string::npos);
            }
            if (f.decimalPrices && f.isStock) {
                EXPECT_NE(line.substr(0, line.size() - 5).find('.'), std::string::npos);
            }

            if (c[3] == "-") {
                ASSERT_FALSE(traded) << "a price went back to '-'";
                EXPECT_EQ(c[2], "");
                EXPECT_EQ(c[5], "-");
                EXPECT_EQ(c[6], "");
                continue;
            }
            if (!traded) open = c[6];
            traded = true;
            EXPECT_FALSE(c[6].empty());
            EXPECT_EQ(c[6], open);
            const auto tradeAt = ParseTimeOfDay(c[2]);
            ASSERT_TRUE(tradeAt.has_value()) << c[2];
            EXPECT_LE(*tradeAt, t);
            EXPECT_GE(*tradeAt, lastTrade);
            lastTrade = *tradeAt;
            if (index) {
                EXPECT_EQ(c[5], "-");
                for (int k = 14; k < 34; ++k) ASSERT_EQ(c[static_cast<std::size_t>(k)], "0");
                continue;
            }
            const long long volume = std::stoll(c[5]);
            EXPECT_GE(volume, lastVolume);
            if (f.isStock) {
                EXPECT_EQ(volume % 100, 0);
            }
            const double price = std::stod(c[3]);
            turnover += static_cast<double>(volume - std::max(lastVolume, 0LL)) * price;
            lastVolume = volume;
            if (f.hasVwapColumn) {
                // Five seconds can hold trades at more than one price, so allow a tick.
                const double tick = PriceStep(price, UsesFineTable(f.code));
                ASSERT_NEAR(std::stod(c[35]), turnover / static_cast<double>(volume), tick + 0.05);
            }
        }
        EXPECT_TRUE(traded);
    }
}

TEST_F(DemoDataTest, LoaderReadsEveryStockDayAsWritten) {
    DayData day;
    for (const DemoDayFile& f : M().files) {
        if (!f.isStock) continue;
        for (SeriesSlot slot : {SeriesSlot::DayStock, SeriesSlot::PrevStock}) {
            SCOPED_TRACE(f.path + " into " + SlotName(slot));
            const DayFileResult r = Load(f, slot, day);
            ASSERT_EQ(r.status, DayFileResult::Status::Loaded) << r.problem;
            const DaySeries& s = day[slot];
            EXPECT_TRUE(s.loaded);
            EXPECT_EQ(s.lastRow, 3600);
            EXPECT_EQ(s.high, static_cast<float>(f.high));
            EXPECT_EQ(s.low, static_cast<float>(f.low));
            EXPECT_EQ(s.firstPrice, static_cast<float>(f.firstPrice));
            EXPECT_EQ(s.open, static_cast<float>(f.open));
            EXPECT_EQ(s.close, static_cast<float>(f.close));
            EXPECT_EQ(s.prevClose, static_cast<float>(f.prevClose));
            EXPECT_EQ(s.price[kClosingRow], s.close);
            EXPECT_EQ(s.finalVolume, f.finalVolume / 100);
            EXPECT_EQ(s.tradingUnit, 100);
            EXPECT_EQ(day.tradingUnit, 100);
            EXPECT_EQ(day.hasVwapColumn, f.hasVwapColumn);
            EXPECT_EQ(f.hasVwapColumn, f.code != "1301");
            if (slot != SeriesSlot::DayStock) continue;
            EXPECT_EQ(day.decimalPrices, f.code == "3350");
            EXPECT_EQ(day.decimalPrices, f.decimalPrices);
            EXPECT_EQ(day.fineTickMode, UsesFineTable(f.code));
            EXPECT_EQ(day.fineTickMode, f.decimalPrices || f.offStandardGridAbove3000);
            // A VWAP outside the day's range cannot come from its trades.
            for (int row = 0; row <= kClosingRow; ++row) {
                const float v = s.vwap[static_cast<std::size_t>(row)];
                if (v == 0) continue;
                ASSERT_GE(v, std::min(s.low, s.open) - 0.05f) << "row " << row;
                ASSERT_LE(v, std::max(s.high, s.open) + 0.05f) << "row " << row;
            }
        }
    }
}

TEST_F(DemoDataTest, LoaderReadsEverySeriesDayAsWritten) {
    DayData day;
    for (const DemoDayFile& f : M().files) {
        if (f.isStock) continue;
        const SeriesKind kind = SeriesKindForCode(f.code);
        for (SeriesSlot slot : {SeriesSlot::DayIndex, SeriesSlot::PrevIndex}) {
            SCOPED_TRACE(f.path + " into " + SlotName(slot));
            const DayFileResult r = Load(f, slot, day);
            ASSERT_EQ(r.status, DayFileResult::Status::Loaded) << r.problem;
            const DaySeries& s = day[slot];
            EXPECT_EQ(s.kind, kind);
            EXPECT_EQ(s.lastRow, 3600);
            EXPECT_EQ(s.high, static_cast<float>(f.high));
            EXPECT_EQ(s.low, static_cast<float>(f.low));
            EXPECT_EQ(s.firstPrice, static_cast<float>(f.firstPrice));
            EXPECT_EQ(s.close, static_cast<float>(f.close));
            EXPECT_EQ(s.price[kClosingRow], s.close);
            // TSPM's open comes back from a figure divided by 100.
            EXPECT_NEAR(s.open, f.open, 0.006);
            EXPECT_EQ(s.finalVolume, f.finalVolume);
            EXPECT_EQ(f.finalVolume > 0, kind == SeriesKind::Futures);
            if (kind == SeriesKind::Nikkei225 || kind == SeriesKind::NikkeiJasdaq) {
                EXPECT_EQ(s.prevClose, static_cast<float>(f.prevClose));
            }
        }
    }
}

TEST_F(DemoDataTest, PreviousCloseIsThePrecedingDaysClose) {
    std::map<std::string, const DemoDayFile*> last;
    std::string lastDate;
    for (const std::string& date : M().dateFolders) {
        std::map<std::string, const DemoDayFile*> now;
        for (const DemoDayFile& f : M().files)
            if (f.dateFolder == date) now[f.code] = &f;
        for (const auto& [code, f] : now) {
            const auto it = last.find(code);
            if (it == last.end()) continue;  // first day of the series, or after the missing day
            EXPECT_EQ(f->prevClose, it->second->close) << code << " " << lastDate << "→" << date;
        }
        last = now;
        lastDate = date;
    }
}

TEST_F(DemoDataTest, BoardsAreOrderedAndPricesStayOnTheGridAndInsideTheLimits) {
    DayData day;
    for (const DemoDayFile& f : M().files) {
        const bool futures = f.code == "先物";
        if (!f.isStock && !futures) continue;
        SCOPED_TRACE(f.path);
        const SeriesSlot slot = f.isStock ? SeriesSlot::DayStock : SeriesSlot::DayIndex;
        ASSERT_EQ(Load(f, slot, day).status, DayFileResult::Status::Loaded);
        const DaySeries& s = day[slot];
        const bool fine = UsesFineTable(f.code);
        auto onGrid = [&](double p) { return futures ? std::fmod(p, 10.0) == 0 : OnGrid(p, fine); };
        const double width = DailyPriceLimit(f.prevClose);
        double lastCum = 0;
        for (int row = 0; row <= kClosingRow; ++row) {
            SCOPED_TRACE("row " + std::to_string(row));
            const auto r = static_cast<std::size_t>(row);
            const double p = s.price[r];
            if (p > 0) {
                ASSERT_TRUE(onGrid(p)) << p;
                if (f.isStock) {
                    ASSERT_LE(p, f.prevClose + width);
                    ASSERT_GE(p, f.prevClose - width);
                }
            }
            ASSERT_GE(s.cumVolume[r], lastCum);
            lastCum = s.cumVolume[r];
            const BoardRow& b = s.board[r];
            for (int side = 0; side < 2; ++side) {
                for (int k = 0; k < 5; ++k) {
                    const float price = b[static_cast<std::size_t>(side * 5 + k)];
                    const float qty = b[static_cast<std::size_t>(10 + side * 5 + k)];
                    ASSERT_EQ(price > 0, qty > 0) << "side " << side << " level " << k;
                    if (price == 0) continue;
                    ASSERT_TRUE(onGrid(price)) << price;
                    if (f.isStock) {
                        ASSERT_EQ(std::fmod(qty, 100.0f), 0) << qty;
                    }
                    if (k == 0) continue;
                    const float better = b[static_cast<std::size_t>(side * 5 + k - 1)];
                    ASSERT_GT(better, 0) << "a level behind an empty one";
                    if (side == 0) {  // asks rise from the best
                        ASSERT_GT(price, better);
                    }
                    if (side == 1) {  // bids fall from the best
                        ASSERT_LT(price, better);
                    }
                }
            }
            if (b[0] > 0 && b[5] > 0) {
                ASSERT_GT(b[0], b[5]) << "crossed board";
            }
        }
    }
}

TEST_F(DemoDataTest, LimitUpDayEndsPinnedWithoutSellersAfterABlankBoard) {
    const DemoDayFile* f = M().Find(M().limitUpDate, M().limitUpCode);
    ASSERT_NE(f, nullptr);
    DayData day;
    ASSERT_EQ(Load(*f, SeriesSlot::DayStock, day).status, DayFileResult::Status::Loaded);
    const DaySeries& s = day[SeriesSlot::DayStock];
    const float limit = s.prevClose + static_cast<float>(DailyPriceLimit(s.prevClose));
    EXPECT_EQ(s.high, limit);
    EXPECT_EQ(s.close, limit);

    int blankRun = 0, longestBlank = 0, firstAtLimit = -1;
    for (int row = 0; row <= kClosingRow; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const BoardRow& b = s.board[r];
        const bool blank = std::all_of(b.begin(), b.end(), [](float v) { return v == 0; });
        if (blank) {
            ASSERT_GT(row, 0);
            EXPECT_EQ(s.price[r], s.price[r - 1]) << "a trade on a blank board, row " << row;
            EXPECT_EQ(s.cumVolume[r], s.cumVolume[r - 1]) << "row " << row;
        }
        blankRun = blank ? blankRun + 1 : 0;
        longestBlank = std::max(longestBlank, blankRun);
        if (firstAtLimit < 0 && s.price[r] == limit) firstAtLimit = row;
    }
    EXPECT_GE(longestBlank, 36) << "want a few minutes with nothing quoted";
    ASSERT_GE(firstAtLimit, kMorningRows) << "the limit is reached in the afternoon";
    for (int row = firstAtLimit; row <= kClosingRow; ++row) {
        const BoardRow& b = s.board[static_cast<std::size_t>(row)];
        for (int k = 0; k < 5; ++k) ASSERT_EQ(b[static_cast<std::size_t>(k)], 0) << row;
        ASSERT_EQ(b[5], limit) << row;
        ASSERT_GE(b[15], 100'000) << "a wall of bids at the limit, row " << row;
    }
    // Elsewhere 2315 is merely volatile.
    for (const DemoDayFile& other : M().files) {
        if (other.code == M().limitUpCode && &other != f) {
            EXPECT_LT(other.high, other.prevClose + DailyPriceLimit(other.prevClose)) << other.path;
        }
    }
}

TEST_F(DemoDataTest, LateOpenerHasNothingInItsFirstBar) {
    DayData day;
    int days = 0;
    for (const DemoDayFile& f : M().files) {
        if (f.code != M().lateOpenCode) continue;
        ++days;
        SCOPED_TRACE(f.path);
        ASSERT_EQ(Load(f, SeriesSlot::DayStock, day).status, DayFileResult::Status::Loaded);
        const DaySeries& s = day[SeriesSlot::DayStock];
        for (std::size_t row = 0; row < 60; ++row) {
            EXPECT_EQ(s.price[row], 0) << row;
            EXPECT_EQ(s.cumVolume[row], 0) << row;
        }
        EXPECT_EQ(s.bars[0].volume, 0);
        EXPECT_EQ(s.bars[0].open, 0);
        EXPECT_GT(s.bars[1].open + s.bars[2].open, 0) << "it does open soon after";
        EXPECT_GT(s.firstPrice, 0);
    }
    EXPECT_EQ(days, 11);
}

TEST_F(DemoDataTest, MissingFileAndMarkedDateAreReportedApart) {
    DayData day;
    DemoDayFile missing;
    missing.dateFolder = M().missingDate;
    missing.code = M().missingCode;
    EXPECT_EQ(Load(missing, SeriesSlot::DayStock, day).status, DayFileResult::Status::Missing);
    EXPECT_FALSE(day.noDataMarked[0] || day.noDataMarked[1]);

    DemoDayFile marked = missing;
    marked.dateFolder = M().markerFolder;
    EXPECT_EQ(Load(marked, SeriesSlot::DayStock, day).status, DayFileResult::Status::MissingMarked);
    EXPECT_TRUE(day.noDataMarked[1]);
    EXPECT_FALSE(day.noDataMarked[0]);

    marked.code = "N225";
    EXPECT_EQ(Load(marked, SeriesSlot::DayIndex, day).status, DayFileResult::Status::MissingMarked);
    EXPECT_TRUE(day.noDataMarked[0]);
}

TEST_F(DemoDataTest, StockListsDecodeToTheGeneratedNames) {
    StockList list;
    ASSERT_TRUE(list.Load(M().installFolder));
    EXPECT_EQ(list.skippedLines(), 0);
    std::map<std::string, std::string> oldNames;
    for (const DemoStock& s : M().oldStockList) oldNames[s.code] = s.name;
    std::set<std::string> markets;
    bool longName = false, cp932Only = false, halfWidth = false;
    for (const DemoStock& s : M().stockList) {
        const int code = ParseStockCode(s.code);
        ASSERT_GE(code, 0) << s.code;
        const auto old = oldNames.find(s.code);
        // The old list is read after the main one and wins for the names it holds.
        EXPECT_EQ(list.Name(code), old == oldNames.end() ? s.name : old->second) << s.code;
        EXPECT_EQ(list.MarketLabel(code), StockList::LabelOfMarket(s.market)) << s.code;
        markets.insert(s.market);
        longName |= CharCount(s.name) > 12;
        cp932Only |= s.name.find("①") != std::string::npos ||
                     s.name.find("髙") != std::string::npos ||
                     s.name.find("㈱") != std::string::npos;
        halfWidth |= s.name.find("ｺ") != std::string::npos;
    }
    EXPECT_GE(M().stockList.size(), 300u);
    EXPECT_EQ(markets, (std::set<std::string>{"OJ", "OS", "Q", "T", "X"}));
    EXPECT_TRUE(longName && cp932Only && halfWidth);
    for (const DemoStock& s : M().stocks) EXPECT_EQ(list.Name(ParseStockCode(s.code)), s.name);

    const int oldOnly = ParseStockCode(M().oldOnlyCode);
    for (const DemoStock& s : M().stockList) ASSERT_NE(s.code, M().oldOnlyCode);
    EXPECT_EQ(list.Name(oldOnly), oldNames.at(M().oldOnlyCode));
    EXPECT_EQ(list.MarketLabel(oldOnly), "");
}

TEST_F(DemoDataTest, SearchDataAgreesWithTheDayFiles) {
    const std::vector<std::string> lines = ReadLines(M().searchDataPath);
    EXPECT_EQ(static_cast<int>(lines.size()), M().searchDataLines);
    EXPECT_EQ(lines.size(), 8u * M().stocks.size() - 1);
    std::set<std::string> seen;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        const std::vector<std::string> c = Split(line);
        ASSERT_EQ(c.size(), 18u);
        EXPECT_NE(c[0] + c[1], M().missingDate + M().missingCode);
        EXPECT_TRUE(seen.insert(c[0] + c[1]).second);
        const DemoDayFile* f = M().Find(c[0], c[1]);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(std::stod(c[2]), f->open);
        EXPECT_EQ(std::stod(c[17]), f->finalVolume / 100);
        for (int k = 3; k <= 7; ++k) {
            const auto t = ParseTimeOfDay(c[static_cast<std::size_t>(k)]);
            ASSERT_TRUE(t.has_value());
            EXPECT_GE(*t, 9 * 3600);
            EXPECT_LE(*t, 15 * 3600);
            if (k >= 6) {
                EXPECT_LT(*t, 9 * 3600 + 1800);
            }
        }
        std::vector<double> pct;
        for (std::size_t k = 8; k <= 16; ++k) {
            const std::string& t = c[k];
            ASSERT_TRUE(t.size() >= 4 && t[t.size() - 3] == '.') << "two decimals: " << t;
            EXPECT_NE(t, "-0.00");
            pct.push_back(std::stod(t));
        }
        EXPECT_GE(pct[0], 0);  // open→high up to 9:30
        EXPECT_LE(pct[1], 0);
        EXPECT_GE(pct[2], pct[0]);  // the day's high is at least the early high
        EXPECT_LE(pct[3], pct[1]);
        EXPECT_LE(pct[4], 0);  // high→low
        EXPECT_GE(pct[5], 0);
        EXPECT_LE(pct[6], 0);  // high→close
        EXPECT_GE(pct[7], 0);
        // The moves are those of the day as the program shows it: the one-minute bars of the
        // loaded file (its closing line stands for the last row), the open among them.
        auto day = std::make_unique<DayData>();
        ASSERT_EQ(LoadDaySeries(M().dataFolder, c[0], c[1], SeriesSlot::DayStock, 1, *day).status,
                  DayFileResult::Status::Loaded);
        const DaySeries& s = (*day)[SeriesSlot::DayStock];
        double high = s.open, low = s.open;
        for (int b = 0; b < BarsPerDay(1); ++b) {
            if (s.bars[static_cast<std::size_t>(b)].high <= 0) continue;
            high = std::max<double>(high, s.bars[static_cast<std::size_t>(b)].high);
            low = std::min<double>(low, s.bars[static_cast<std::size_t>(b)].low);
        }
        EXPECT_NEAR(pct[2], (high - s.open) / s.open * 100, 0.0051);
        EXPECT_NEAR(pct[3], (low - s.open) / s.open * 100, 0.0051);
        // A fall from the high to the low, or a rise from the low to the high, only when it came
        // in that order: a window never ends before it starts.
        const bool highFirst = c[4] <= c[5], lowFirst = c[5] <= c[4];
        EXPECT_NEAR(pct[4], highFirst ? (low - high) / high * 100 : 0, 0.0051);
        EXPECT_NEAR(pct[5], lowFirst ? (high - low) / low * 100 : 0, 0.0051);
        EXPECT_NEAR(pct[8], (s.close - s.open) / s.open * 100, 0.0051);
    }
}

TEST_F(DemoDataTest, TwoGenerationsAreByteIdentical) {
    const fs::path other = *root_ / "b";
    const DemoManifest again = GenerateDemoData(other.string());
    ASSERT_TRUE(again.ok) << again.error;
    const fs::path first(M().installFolder);
    std::vector<fs::path> a, b;
    for (const auto& e : fs::recursive_directory_iterator(first))
        a.push_back(fs::relative(e, first));
    for (const auto& e : fs::recursive_directory_iterator(other))
        b.push_back(fs::relative(e, other));
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    ASSERT_EQ(a, b);
    for (const fs::path& rel : a) {
        if (fs::is_directory(first / rel)) continue;
        ASSERT_EQ(ReadWholeFile((first / rel).string()), ReadWholeFile((other / rel).string()))
            << rel;
    }
    EXPECT_EQ(again.totalBytes, M().totalBytes);
    fs::remove_all(other);
}

}  // namespace
}  // namespace corvala
