#include "demo_data/demo_data.h"

#include <map>
#include <string_view>
#include <vector>

#include "data/day_loader.h"
#include "data/stock_list.h"
#include "demo_data/day_file_writer.h"
#include "demo_data/demo_rng.h"
#include "demo_data/market_model.h"
#include "demo_data/stock_list_writer.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "screening/search_data_builder.h"
#include "settings/settings.h"

namespace corvala {
namespace {

constexpr std::string_view kDayDataFolder = "日中データ";
constexpr std::string_view kSearchFolder = "検索データ";
constexpr std::string_view kSearchFile = "検索データ_202211.txt";
constexpr std::string_view kSearchMonth = "202211";

// Trading days only: weekends and the 3 November holiday have no folder. The March days sit on
// both sides of the fiscal-year change, when the series on offer differ.
constexpr std::string_view kDates[] = {"220330", "220331", "220401", "221101", "221102", "221104",
                                       "221107", "221108", "221109", "221110", "221111"};
constexpr std::string_view kMarkerDate = "221114";
constexpr std::string_view kMissingDate = "221108";
constexpr std::string_view kMissingCode = "6501";
constexpr std::string_view kLimitUpDate = "221109";
constexpr std::string_view kLimitUpCode = "2315";

constexpr TickRule kStandard{false, 0};
constexpr TickRule kFine{true, 0};

// code, base, ticks, decimals, VWAP, move, jump, gap, lots, depth, late open, floor
constexpr StockModel kStocks[] = {
    {"8473", 315'000, kFine, 0, true, 550, 30, 15, 8, 40, 0, 300'000},
    {"3350", 100'200, kFine, 1, true, 500, 40, 15, 6, 30, 0, 0},
    {"6501", 450'000, kStandard, 0, true, 250, 20, 15, 12, 50, 0, 0},
    {"2315", 30'000, kStandard, 0, true, 650, 120, 40, 30, 150, 0, 0},
    {"9984", 2'500'000, kStandard, 0, true, 450, 30, 20, 4, 20, 0, 0},
    {"4385", 182'000, kStandard, 0, true, 450, 40, 30, 5, 25, 91, 0},  // 09:07:35 at the earliest
    {"1301", 348'000, kStandard, 0, false, 200, 10, 10, 3, 20, 0, 0},
};

const std::vector<DemoStock>& DemoStocks() {
    static const std::vector<DemoStock> stocks = {
        {"8473", "T", "白鷺フィナンシャル"}, {"3350", "OJ", "ミナトデジタル"},
        {"6501", "T", "常盤電機製作所"},     {"2315", "Q", "ﾈｸｻｽ･ﾊﾞｲｵ"},
        {"9984", "T", "銀河グループ"},       {"4385", "OS", "翠嶺システムズ"},
        {"1301", "T", "髙砂水産"},
    };
    return stocks;
}

// Selector order; the Nikkei average comes before the futures that follow it.
constexpr IndexModel kIndices[] = {
    {"N225", 2'750'000, 1000, 40}, {"TOPX", 195'000, 850, 40}, {"NOTC", 385'000, 600, 50},
    {"MTHR", 75'000, 1300, 90},    {"TSPM", 100'500, 870, 40}, {"TSSM", 99'000, 700, 50},
    {"TSGM", 98'000, 1250, 90},
};
constexpr std::string_view kFutures = "先物";
constexpr std::int64_t kFuturesBase = 2'750'000;

bool OffersSeries(std::string_view code, long dateNumber) {
    if (code == "NOTC") return dateNumber < 220404;
    if (code == "TSPM" || code == "TSSM" || code == "TSGM") return dateNumber >= 220627;
    return true;
}

std::string DateText(std::string_view folder) {
    std::string t = "20";
    t += folder.substr(0, 2);
    t += '/';
    t += folder.substr(2, 2);
    t += '/';
    t += folder.substr(4, 2);
    return t;
}

long DateNumber(std::string_view folder) {
    long n = 0;
    for (char c : folder) n = n * 10 + (c - '0');
    return n;
}

class Generator {
  public:
    explicit Generator(DemoManifest& m) : m_(m) {}
    void Run();

  private:
    bool Write(const std::string& path, const std::string& bytes);
    bool Folder(const std::string& path);
    bool WriteDay(std::string_view date, std::string_view code, const DayPath& day,
                  const DayFileLayout& layout);
    bool WriteStockDays(std::string_view date);
    bool WriteSeriesDays(std::string_view date);

    DemoManifest& m_;
    std::map<std::string, std::int64_t, std::less<>> prevClose_;
};

bool Generator::Write(const std::string& path, const std::string& bytes) {
    if (!WriteFileAtomically(path, bytes)) {
        m_.error = "cannot write " + path;
        return false;
    }
    m_.totalBytes += bytes.size();
    return true;
}

bool Generator::Folder(const std::string& path) {
    if (CreateDir(path)) return true;
    m_.error = "cannot create " + path;
    return false;
}

bool Generator::WriteDay(std::string_view date, std::string_view code, const DayPath& day,
                         const DayFileLayout& layout) {
    DemoDayFile file;
    file.dateFolder = std::string(date);
    file.code = std::string(code);
    file.path = JoinPath(JoinPath(m_.dataFolder, file.dateFolder), file.code + ".csv");
    if (!Write(file.path, FormatDayFile(day, layout, file))) return false;
    m_.files.push_back(std::move(file));
    return true;
}

// The previous close chains from day to day, also across a day whose file is missing: the
// recorder failed, not the market.
bool Generator::WriteStockDays(std::string_view date) {
    for (const StockModel& model : kStocks) {
        auto it = prevClose_.try_emplace(std::string(model.code), model.basePrice).first;
        const bool limitUp = date == kLimitUpDate && model.code == kLimitUpCode;
        const DayPath day = SimulateStockDay(model, it->second, SeedFor(date, model.code), limitUp);
        it->second = day.Close();
        if (date == kMissingDate && model.code == kMissingCode) continue;

        DayFileLayout layout;
        layout.dateText = DateText(date);
        layout.priceDecimals = model.priceDecimals;
        layout.hasVwap = model.hasVwap;
        if (!WriteDay(date, model.code, day, layout)) return false;
    }
    return true;
}

bool Generator::WriteSeriesDays(std::string_view date) {
    const long number = DateNumber(date);
    const std::vector<std::int64_t> factor = MarketFactor(SeedFor(date, "market"));
    DayFileLayout layout;
    layout.dateText = DateText(date);
    layout.isStock = false;
    layout.hasVwap = false;

    for (const IndexModel& model : kIndices) {
        if (!OffersSeries(model.code, number)) continue;
        auto it = prevClose_.try_emplace(std::string(model.code), model.basePrice).first;
        const DayPath day = SimulateIndexDay(model, it->second, SeedFor(date, model.code), factor);
        it->second = day.Close();
        layout.priceDecimals = 2;
        layout.hasVolume = layout.hasBoard = false;
        layout.openInHundreds = model.code == "TSPM";
        if (!WriteDay(date, model.code, day, layout)) return false;

        if (model.code == "N225") {
            auto ft = prevClose_.try_emplace(std::string(kFutures), kFuturesBase).first;
            const DayPath fut = SimulateFuturesDay(ft->second, SeedFor(date, kFutures), day);
            ft->second = fut.Close();
            DayFileLayout fl = layout;
            fl.priceDecimals = 0;
            fl.hasVolume = fl.hasBoard = true;
            fl.openInHundreds = false;
            if (!WriteDay(date, kFutures, fut, fl)) return false;
        }
    }
    return true;
}

void Generator::Run() {
    m_.dataFolder = JoinPath(m_.installFolder, std::string(kDayDataFolder));
    m_.markerFolder = std::string(kMarkerDate);
    m_.missingDate = std::string(kMissingDate);
    m_.missingCode = std::string(kMissingCode);
    m_.limitUpDate = std::string(kLimitUpDate);
    m_.limitUpCode = std::string(kLimitUpCode);
    m_.lateOpenCode = "4385";
    m_.stocks = DemoStocks();
    m_.stockList = BuildStockList(m_.stocks);
    m_.oldStockList = BuildOldStockList(m_.stockList, m_.oldOnlyCode);

    const std::string searchFolder = JoinPath(m_.installFolder, std::string(kSearchFolder));
    if (!Folder(m_.dataFolder) || !Folder(searchFolder)) return;
    if (!Write(JoinPath(m_.installFolder, std::string(kStockListFile)),
               FormatStockList(m_.stockList)) ||
        !Write(JoinPath(m_.installFolder, std::string(kOldStockListFile)),
               FormatStockList(m_.oldStockList)))
        return;

    for (std::string_view date : kDates) {
        if (!Folder(JoinPath(m_.dataFolder, std::string(date)))) return;
        if (!WriteStockDays(date) || !WriteSeriesDays(date)) return;
        m_.dateFolders.emplace_back(date);
    }

    const std::string marker = JoinPath(m_.dataFolder, m_.markerFolder);
    if (!Folder(marker) || !Write(JoinPath(marker, std::string(kNoDataMarker)), {})) return;

    // The month's search data, read from the day files as corvala-cli search-data reads a user's.
    const SearchMonthBuild search = BuildSearchMonth(m_.dataFolder, kSearchMonth);
    m_.searchDataLines = search.read;
    m_.searchDataPath = JoinPath(searchFolder, std::string(kSearchFile));
    if (!Write(m_.searchDataPath, EncodeCp932(search.lines))) return;
    m_.ok = true;
}

}  // namespace

const DemoDayFile* DemoManifest::Find(std::string_view dateFolder, std::string_view code) const {
    for (const DemoDayFile& f : files)
        if (f.dateFolder == dateFolder && f.code == code) return &f;
    return nullptr;
}

DemoManifest GenerateDemoData(const std::string& installFolder) {
    DemoManifest manifest;
    manifest.installFolder = installFolder;
    Generator(manifest).Run();
    return manifest;
}

bool WriteSettingsWithoutDisclaimer(const std::string& installFolder) {
    Settings s = FactorySettings();
    s.showDisclaimer = false;
    return WriteFileAtomically(JoinPath(installFolder, kSettingsFile), WriteSettings(s));
}

}  // namespace corvala
