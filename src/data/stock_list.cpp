#include "data/stock_list.h"

#include <vector>

#include "data/csv.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"

namespace corvala {
namespace {

// Column 0: an integer 0–9999, blanks around it allowed.
int ParseListCode(std::string_view field) {
    const std::string_view t = Trim(field);
    if (t.empty() || t.size() > 4) return -1;
    int code = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return -1;
        code = code * 10 + (c - '0');
    }
    return code;
}

const std::string& Empty() {
    static const std::string empty;
    return empty;
}

}  // namespace

template <typename OnLine>
void StockList::ForEachEntry(std::string_view bytes, OnLine onLine) {
    std::vector<std::string_view> fields;
    ForEachLine(bytes, [&](std::string_view line) {
        if (line.empty()) return;
        SplitFields(line, fields);
        const int code = fields.size() >= 3 ? ParseListCode(fields[0]) : -1;
        if (code < 0) {
            ++skippedLines_;
            return;
        }
        onLine(code, fields);
    });
}

bool StockList::Load(const std::string& installFolder) {
    const auto main = ReadWholeFile(JoinPath(installFolder, std::string(kStockListFile)));
    if (!main) return false;
    ReadMainList(*main);
    if (const auto old = ReadWholeFile(JoinPath(installFolder, std::string(kOldStockListFile))))
        ReadOldList(*old);
    return true;
}

void StockList::ReadMainList(std::string_view bytes) {
    ForEachEntry(bytes, [this](int code, const std::vector<std::string_view>& f) {
        names_[static_cast<std::size_t>(code)] = DecodeCp932(f[2]);
        const std::string_view ticker = f[1];
        const std::string_view market = ticker.size() > 5 ? ticker.substr(5) : std::string_view{};
        // Only a market the program knows gives a label; an unknown one leaves what an earlier
        // line gave.
        if (const std::string_view label = LabelOfMarket(market); !label.empty())
            labels_[static_cast<std::size_t>(code)] = std::string(label);
    });
}

void StockList::ReadOldList(std::string_view bytes) {
    ForEachEntry(bytes, [this](int code, const std::vector<std::string_view>& f) {
        names_[static_cast<std::size_t>(code)] = DecodeCp932(f[2]);
    });
}

const std::string& StockList::Name(int code) const {
    if (code < 0 || code >= kStockCodes) return Empty();
    return names_[static_cast<std::size_t>(code)];
}

const std::string& StockList::MarketLabel(int code) const {
    if (code < 0 || code >= kStockCodes) return Empty();
    return labels_[static_cast<std::size_t>(code)];
}

std::string_view StockList::LabelOfMarket(std::string_view marketCode) {
    if (marketCode == "T") return "東証";
    if (marketCode == "OS") return "大証";
    if (marketCode == "OJ") return "ﾍﾗｸﾚｽ";
    if (marketCode == "Q") return "JASDAQ";
    return {};
}

std::string NameLabelText(std::string_view name) { return LeftChars(name, 12) + " "; }

std::string MarketLabelText(std::string_view label) { return std::string(label) + " "; }

int ParseStockCode(std::string_view text) {
    if (text.size() != 4) return -1;
    int code = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        code = code * 10 + (c - '0');
    }
    return code;
}

}  // namespace corvala
