#pragma once
// The demo install: a fortnight of recorded days for a handful of made-up stocks and the market
// series, the stock lists and a month of search data, generated the same way on every run.

#include <string>

#include "demo_data/demo_manifest.h"

namespace corvala {

// Writes under `installFolder`:
//   銘柄リスト.csv, 銘柄リストold.csv,
//   日中データ/YYMMDD/<code>.csv and <series>.csv, 日中データ/<marker folder>/データ未取得,
//   検索データ/検索データ_202211.txt.
// Files already there are overwritten. On a write failure the manifest has ok == false and the
// reason in `error`.
DemoManifest GenerateDemoData(const std::string& installFolder);

// A setsim with the factory settings and the disclaimer ticked off, for a program started
// without a person to close it (tests, benchmarks, screenshots).
bool WriteSettingsWithoutDisclaimer(const std::string& installFolder);

}  // namespace corvala
