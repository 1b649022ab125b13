#include "trading_check/generated_day.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "account/history.h"
#include "app/simulation.h"
#include "base/price_rules.h"
#include "data/csv.h"
#include "demo_data/board_builder.h"
#include "demo_data/day_file_writer.h"
#include "demo_data/demo_rng.h"
#include "demo_data/market_model.h"
#include "platform/files.h"

namespace corvala::check {
namespace {

// Previous closes that sit just below a price-step boundary or a limit-width boundary.
constexpr std::int64_t kWholeCloses[] = {9'500, 48'000, 99'800, 299'000, 315'000, 499'000, 999'000, 2'990'000, 5'000'000};
constexpr std::int64_t kDecimalCloses[] = {9'990, 99'950, 299'950};

class DayBuilder {
public:
    explicit DayBuilder(const DayShape& s) : s_(s), rng_(s.seed) {
        tick_.fineTable = s.fineSteps || s.decimals;
        const auto limit = static_cast<std::int64_t>(DailyPriceLimit(static_cast<double>(s.prevClose) / 100.0)) * 100;
        upper_ = ToGrid(s.prevClose + limit, false);
        lower_ = std::max(ToGrid(s.prevClose - limit, true), TickBelowOrAt(1, tick_));
        shape_.tick = tick_;
        shape_.unit = 100;
        shape_.depthLots = 30;
        shape_.lower = lower_;
        shape_.upper = upper_;
        day_.lines.resize(kDemoLines);
        day_.prevClose = s.prevClose;
    }

    DayPath Build() {
        const std::int64_t gap = s_.path == DayShape::Path::Gap ? rng_.Range(-500, 500) : rng_.Range(-20, 20);
        day_.open = Clamp(s_.prevClose + s_.prevClose * gap / 1000);
        day_.openLine = std::min(s_.firstTradeLine, kDemoClosingLine);
        const int haltFrom = static_cast<int>(rng_.Range(200, 2800)), haltTo = haltFrom + static_cast<int>(rng_.Range(60, 600));
        const int runFrom = static_cast<int>(rng_.Range(day_.openLine, kDemoClosingLine));
        std::int64_t price = 0, volume = 0;
        double turnover = 0;
        int lastTrade = -1;
        for (int line = 0; line < kDemoLines; ++line) {
            Snapshot& snap = day_.lines[static_cast<std::size_t>(line)];
            const Snapshot* before = line > 0 ? &day_.lines[static_cast<std::size_t>(line - 1)] : nullptr;
            snap.seconds = SnapshotSeconds(line);
            if (line < day_.openLine) {
                // Before the first trade one side is quoted at an indicated price.
                FillBoard(snap, rng_.Chance(500) ? day_.open : 0, rng_.Chance(500) ? day_.open : 0, shape_, before, rng_);
                continue;
            }
            std::int64_t lots = 0;
            if (line == day_.openLine) {
                price = day_.open;
                lots = rng_.Range(5, 200);
            } else if (!(s_.path == DayShape::Path::Halted && line >= haltFrom && line < haltTo) && rng_.Chance(550)) {
                price = Move(price, line, runFrom);
                lots = rng_.Range(1, 40);
            }
            if (s_.lunchAuction && line == kDemoMorningLines) {
                price = Clamp(price + price * rng_.Range(-80, 80) / 1000);
                lots = rng_.Range(2'000, 20'000);
            }
            if (lots > 0) {
                volume += lots * 100;
                turnover += static_cast<double>(price) / 100.0 * static_cast<double>(lots * 100);
                if (lastTrade < 0 || rng_.Below(1000) >= s_.stalePerMille) lastTrade = snap.seconds - static_cast<int>(rng_.Below(5));
                lastTrade = std::max(lastTrade, SnapshotSeconds(day_.openLine));
            }
            snap.price = price;
            snap.cumVolume = volume;
            snap.lastTradeSeconds = lastTrade;
            snap.vwapTenths = static_cast<std::int64_t>(turnover / static_cast<double>(volume) * 10.0 + 0.5);
            Quote(snap, before, price);
        }
        return day_;
    }

private:
    std::int64_t ToGrid(std::int64_t cents, bool up) const {
        return static_cast<std::int64_t>(ToPriceGrid(static_cast<double>(cents) / 100.0, tick_.fineTable, up) * 100.0 + 0.5);
    }
    std::int64_t Clamp(std::int64_t cents) const { return std::clamp(SnapToGrid(cents, tick_), lower_, upper_); }

    std::int64_t Move(std::int64_t price, int line, int runFrom) {
        int drift = 0;
        switch (s_.path) {
            case DayShape::Path::Trend: drift = s_.seed % 2 ? 1 : -1; break;
            case DayShape::Path::LimitUp: drift = line >= runFrom ? 3 : 0; break;
            case DayShape::Path::LimitDown: drift = line >= runFrom ? -3 : 0; break;
            default: break;
        }
        const std::int64_t r = rng_.Range(-2, 2) + (rng_.Chance(300) ? drift : 0);
        std::int64_t p = price;
        for (std::int64_t k = 0; k < r; ++k) p = TickUp(p, tick_);
        for (std::int64_t k = 0; k > r; --k) p = TickDown(p, tick_);
        return std::clamp(p, lower_, upper_);
    }

    // The board around the last trade: at a limit the far side is empty; a thin board keeps one
    // level; a one-sided board loses a side now and then.
    void Quote(Snapshot& snap, const Snapshot* before, std::int64_t price) {
        std::int64_t ask = price >= upper_ ? 0 : TickUp(price, tick_);
        std::int64_t bid = price <= lower_ ? 0 : price;
        if (rng_.Chance(400) && price < upper_) {
            ask = price;
            bid = price <= lower_ ? 0 : TickDown(price, tick_);
        }
        if (s_.board == 2 && rng_.Chance(150)) (rng_.Chance(500) ? ask : bid) = 0;
        FillBoard(snap, bid, ask, shape_, before, rng_);
        if (s_.board == 1)
            for (int i = 1; i < kDemoBoardLevels; ++i) snap.asks[static_cast<std::size_t>(i)] = snap.bids[static_cast<std::size_t>(i)] = {};
    }

    const DayShape& s_;
    DemoRng rng_;
    TickRule tick_;
    BoardShape shape_;
    std::int64_t upper_ = 0, lower_ = 0;
    DayPath day_;
};

}  // namespace

std::string DayShape::Describe() const {
    static const char* paths[] = {"flat", "trend", "gap", "limit-up", "limit-down", "halted"};
    std::string d = std::string(paths[static_cast<int>(path)]) + " close " + std::to_string(prevClose) + "c";
    if (decimals) d += " decimals";
    if (fineSteps) d += " fine";
    if (noPrevClose) d += " no-prev-close";
    if (openOnFirstLineOnly) d += " open-first-line";
    if (firstTradeLine > 0) d += " first-trade-line " + std::to_string(firstTradeLine);
    if (board) d += board == 1 ? " thin-board" : " one-sided-board";
    if (lunchAuction) d += " lunch-auction";
    if (stalePerMille) d += " stale " + std::to_string(stalePerMille) + "‰";
    if (lines < 3601) d += " cut at " + std::to_string(lines);
    return d + " seed " + std::to_string(seed);
}

DayShape ChooseDayShape(Choices& c) {
    DayShape s;
    s.path = static_cast<DayShape::Path>(c.Between(0, 5));
    s.decimals = c.Chance(20);
    s.prevClose = s.decimals ? kDecimalCloses[c.Between(0, 2)] : kWholeCloses[c.Between(0, 8)];
    s.fineSteps = !s.decimals && c.Chance(30);
    s.noPrevClose = c.Chance(15);
    s.openOnFirstLineOnly = c.Chance(15);
    s.firstTradeLine = c.Chance(20) ? c.Between(1, 600) : 0;
    s.board = c.Chance(30) ? c.Between(1, 2) : 0;
    s.lunchAuction = c.Chance(20);
    s.stalePerMille = c.Chance(20) ? c.Between(1, 500) : 0;
    s.lines = c.Chance(10) ? c.Between(1, 3600) : 3601;
    s.seed = c.Seed();
    return s;
}

std::string FormatGeneratedDay(const DayShape& shape, const std::string& dateText) {
    DayBuilder builder(shape);
    const DayPath path = builder.Build();
    DayFileLayout layout;
    layout.dateText = dateText;
    layout.priceDecimals = shape.decimals ? 1 : 0;
    DemoDayFile file;
    const std::string text = FormatDayFile(path, layout, file);  // ASCII: the bytes are the text
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    bool traded = false;
    for (int line = 0; line < shape.lines && start < text.size(); ++line) {
        const std::size_t end = text.find("\r\n", start);
        std::vector<std::string_view> views;
        SplitFields(std::string_view(text).substr(start, end - start), views);
        std::vector<std::string> f(views.begin(), views.end());
        start = end + 2;
        if (shape.noPrevClose && f.size() > 4) f[4] = "-";
        if (f.size() > 6 && !f[6].empty()) {
            if (traded && shape.openOnFirstLineOnly) f[6].clear();
            traded = true;
        }
        for (std::size_t i = 0; i < f.size(); ++i) out += (i ? "," : "") + f[i];
        out += "\r\n";
    }
    return out;
}

bool WriteGeneratedDay(const std::string& dataFolder, const DayShape& shape) {
    const std::string date = kGeneratedDate;
    const std::string dateText = "20" + date.substr(0, 2) + "/" + date.substr(2, 2) + "/" + date.substr(4, 2);
    return WriteFileAtomically(JoinPath(JoinPath(dataFolder, date), std::string(kGeneratedCode) + ".csv"),
                               FormatGeneratedDay(shape, dateText));
}

void ClearHistory(const std::string& installFolder) {
    const std::string folder = JoinPath(installFolder, kHistoryFolder);
    for (const std::string& name : ListFiles(folder)) RemoveFile(JoinPath(folder, name));
}

}  // namespace corvala::check
