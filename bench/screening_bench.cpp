// The screening search over a month of 4,000 stocks × 22 trading days (88,000 lines): the search
// itself over the file's bytes, the whole 検　索 from the file on disk, and a sort of the list.

#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "platform/files.h"
#include "screening/screening_dialog.h"

namespace corvala {
namespace {

const std::string& Month() {
    static const std::string bytes = bench::GeneratedSearchMonth(4000, 22);
    return bytes;
}

ScreeningConditions Both(int threshold) {
    ScreeningConditions c;
    c.direction = kBoth;
    c.threshold = threshold;
    return c;
}

void BM_SearchAMonth(benchmark::State& state) {
    const StockList names;
    SeededRandom random(1);
    std::size_t rows = 0;
    const std::string& month = Month();  // generated before the clock runs
    const std::string folder = bench::DemoInstall() + "/日中データ";
    for (auto _ : state) {
        ScreeningSearch search;
        search.Begin(month, Both(static_cast<int>(state.range(0))), names, folder, random);
        while (search.Continue(2000)) {
        }
        rows = search.rows().size();
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["lines"] = 88'000;
}
BENCHMARK(BM_SearchAMonth)->Arg(5)->Arg(1)->Unit(benchmark::kMillisecond);

// 検　索 as the window runs it: the file read from 検索データ, the names looked up, ○ and ×.
void BM_SearchAMonthFromItsFile(benchmark::State& state) {
    const std::string install = bench::DemoInstall();
    static const bool written = WriteFileAtomically(SearchFilePath(install, "221299"), Month());
    if (!written) state.SkipWithError("cannot write the month");
    StockList names;
    names.Load(install);
    SeededRandom random(1);
    ScreeningDialogModel dialog;
    dialog.Open(install, Both(5));
    const auto& months = dialog.months;
    dialog.SetMonthIndex(static_cast<int>(std::find(months.begin(), months.end(), "221299") - months.begin()));
    for (auto _ : state) {
        dialog.BeginSearch(install, names, install + "/日中データ", random);
        while (dialog.ContinueSearch(2000)) {
        }
    }
    state.counters["rows"] = static_cast<double>(dialog.rows().size());
}
BENCHMARK(BM_SearchAMonthFromItsFile)->Unit(benchmark::kMillisecond);

void BM_SortTenThousandRows(benchmark::State& state) {
    const StockList names;
    SeededRandom random(1);
    ScreeningSearch search;
    search.Begin(Month(), Both(1), names, "/nonexistent", random);
    while (search.Continue(100'000)) {
    }
    ScreeningOrder order;
    order.Reset(search.rows().size());
    for (auto _ : state) benchmark::DoNotOptimize(order.Sort(search.rows(), ScreeningSortKey::Change).data());
    state.counters["rows"] = static_cast<double>(search.rows().size());
}
BENCHMARK(BM_SortTenThousandRows)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvala
