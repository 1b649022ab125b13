#pragma once
// Names and market labels of the stock codes 0–9999, read from the install folder's
// 銘柄リスト.csv and, applied after it, 銘柄リストold.csv.

#include <array>
#include <string>
#include <string_view>

namespace corvala {

inline constexpr int kStockCodes = 10000;
inline constexpr std::string_view kStockListFile = "銘柄リスト.csv";
inline constexpr std::string_view kOldStockListFile = "銘柄リストold.csv";

class StockList {
public:
    // Reads both lists from `installFolder`. False when 銘柄リスト.csv is missing or unreadable
    // (the old list is optional).
    bool Load(const std::string& installFolder);

    // One list's CP932 bytes. The main list sets name and market label; the old list sets only
    // the name. Lines with fewer than three fields or a code that is not 0–9999 are skipped.
    void ReadMainList(std::string_view bytes);
    void ReadOldList(std::string_view bytes);

    // Empty for a code that no list mentions or that is outside 0–9999.
    const std::string& Name(int code) const;
    const std::string& MarketLabel(int code) const;

    int skippedLines() const { return skippedLines_; }

    // Label of a market code: T 東証, OS 大証, OJ ﾍﾗｸﾚｽ, Q JASDAQ, anything else empty.
    static std::string_view LabelOfMarket(std::string_view marketCode);

private:
    template <typename OnLine>
    void ForEachEntry(std::string_view bytes, OnLine onLine);

    std::array<std::string, kStockCodes> names_{};
    std::array<std::string, kStockCodes> labels_{};
    int skippedLines_ = 0;
};

// The code box's two labels: the first 12 characters of the name and a blank; the label and a
// blank.
std::string NameLabelText(std::string_view name);
std::string MarketLabelText(std::string_view label);

// A stock code text that is exactly four digits, as a number; -1 otherwise.
int ParseStockCode(std::string_view text);

}  // namespace corvala
