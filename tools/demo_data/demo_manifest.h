#pragma once
// What the demo generator wrote, with the figures a correct loader must read back from each file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvala {

// One day file. Prices are in yen (index points), as the loader reads them.
struct DemoDayFile {
    std::string path;        // full path of the file
    std::string dateFolder;  // YYMMDD
    std::string code;        // a stock code, or a series code such as N225 or 先物
    bool isStock = false;

    int lineCount = 0;
    double high = 0;  // highest and lowest column-3 price
    double low = 0;
    double firstPrice = 0;   // column 3 of the first line with a trade
    double open = 0;         // column 6 of the last line, for TSPM already times 100
    double close = 0;        // column 3 of the last line
    double prevClose = 0;    // column 4
    double finalVolume = 0;  // column 5 of the last line: shares, contracts, or 0 for "-"
    int tradingUnit = 0;     // column 34; 0 where the file writes "-"
    bool hasVwapColumn = false;
    bool decimalPrices = false;             // prices are written with decimals
    bool offStandardGridAbove3000 = false;  // a price above 3,000 off the standard table's steps

    bool operator==(const DemoDayFile&) const = default;
};

struct DemoStock {
    std::string code;
    std::string market;  // the part of the ticker after the dot: T, OS, OJ, Q or an unknown one
    std::string name;    // UTF-8

    bool operator==(const DemoStock&) const = default;
};

struct DemoManifest {
    bool ok = false;
    std::string error;

    std::string installFolder;
    std::string dataFolder;                // <install>/日中データ
    std::vector<std::string> dateFolders;  // every folder with day files, oldest first
    std::string markerFolder;              // holds only データ未取得
    std::string missingDate;               // a trading day whose file for missingCode is absent
    std::string missingCode;
    std::string limitUpDate;  // the day limitUpCode closes at its upper limit
    std::string limitUpCode;
    std::string lateOpenCode;  // first trades after the first five minutes

    std::vector<DemoStock> stocks;        // the stocks that have day files
    std::vector<DemoStock> stockList;     // every entry of 銘柄リスト.csv, in file order
    std::vector<DemoStock> oldStockList;  // every entry of 銘柄リストold.csv
    std::string oldOnlyCode;              // in the old list only

    std::vector<DemoDayFile> files;  // day files in the order written
    std::string searchDataPath;
    int searchDataLines = 0;
    std::uintmax_t totalBytes = 0;  // everything written

    // The day file of `code` on `dateFolder`, or nullptr.
    const DemoDayFile* Find(std::string_view dateFolder, std::string_view code) const;

    bool operator==(const DemoManifest&) const = default;
};

}  // namespace corvala
