#include "data/day_loader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "data/csv.h"
#include "base/price_rules.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"

namespace corvala {
namespace {

constexpr std::size_t kMaxLineBytes = 4096;

// A field that passes the is-numeric test, read with the leading-number rule. Plain decimals
// take the fast path; anything else goes through the general helpers.
std::optional<double> NumericAnySize(std::string_view f);

// Figures are kept as floats: a value beyond their range is no figure at all.
std::optional<double> Numeric(std::string_view f) {
    const auto v = NumericAnySize(f);
    if (v && !(std::fabs(*v) <= static_cast<double>(std::numeric_limits<float>::max())))
        return std::nullopt;
    return v;
}

std::optional<double> NumericAnySize(std::string_view f) {
    if (!f.empty() && f.size() < 24) {
        bool plain = true;
        int points = 0;
        for (char c : f) {
            if (c == '.') {
                ++points;
            } else if (c < '0' || c > '9') {
                plain = false;
                break;
            }
        }
        if (plain && points <= 1 && f != ".") {
            double v = 0;
            const char* begin = f.data();
            if (f.front() == '.') {
                // from_chars needs a digit first; ".5" is numeric all the same.
                return LeadingNumber(f);
            }
            const auto r = std::from_chars(begin, f.data() + f.size(), v);
            if (r.ec == std::errc()) return v;
        }
    }
    if (!IsNumeric(f)) return std::nullopt;
    return LeadingNumber(f);
}

bool IsBlankField(std::string_view f) { return Trim(f).empty(); }
bool IsDash(std::string_view f) { return Trim(f) == "-"; }

// Column 34 with "-" or blank read as 1; a zero or negative unit would divide by nothing useful.
double UnitOf(std::string_view f) {
    if (IsBlankField(f) || IsDash(f)) return 1;
    const double v = Numeric(f).value_or(LeadingNumber(f));
    return v > 0 ? v : 1;
}

bool KeepsDetail(SeriesSlot slot, SeriesKind kind) {
    return slot == SeriesSlot::DayStock ||
           (slot == SeriesSlot::DayIndex && kind == SeriesKind::Futures);
}

bool IsChosenDay(SeriesSlot slot) {
    return slot == SeriesSlot::DayIndex || slot == SeriesSlot::DayStock;
}

bool IsStockSlot(SeriesSlot slot) {
    return slot == SeriesSlot::PrevStock || slot == SeriesSlot::DayStock;
}

struct FileCheck {
    std::size_t lines = 0;
    std::string problem;
};

// Counts the lines and rejects what the slot arrays cannot hold before anything is stored.
FileCheck CheckFile(std::string_view bytes) {
    FileCheck check;
    if (bytes.find('\0') != std::string_view::npos) {
        check.problem = "ファイルが壊れているか、テキストファイルではありません。";
        return check;
    }
    // Lines after the closing snapshot that hold nothing but blanks are not rows.
    while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r' || bytes.back() == ' ' ||
                              bytes.back() == '\t'))
        bytes.remove_suffix(1);
    std::size_t lineNo = 0;
    ForEachLine(bytes, [&](std::string_view line) {
        ++lineNo;
        if (!check.problem.empty()) return;
        if (line.size() > kMaxLineBytes) {
            check.problem = std::to_string(lineNo) + "行目が長すぎます。";
        } else if (std::count(line.begin(), line.end(), ',') + 1 < kMinFields) {
            check.problem = std::to_string(lineNo) + "行目の項目数が" + std::to_string(kMinFields) +
                            "未満です。";
        }
    });
    check.lines = lineNo;
    if (check.problem.empty()) {
        if (lineNo == 0)
            check.problem = "データが1行もありません。";
        else if (lineNo > static_cast<std::size_t>(kMaxRows))
            check.problem = "行数が" + std::to_string(kMaxRows) + "行を超えています。";
    }
    return check;
}

class Parser {
public:
    Parser(SeriesSlot slot, int barLength, DayData& day)
        : slot_(slot), n_(barLength), day_(day), s_(day[slot]),
          detail_(KeepsDetail(slot, day[slot].kind)), chosen_(IsChosenDay(slot)),
          stock_(IsStockSlot(slot)),
          // Only stocks and the futures trade volume; an index's column 5 is no volume.
          carriesVolume_(day[slot].kind == SeriesKind::Stock || day[slot].kind == SeriesKind::Futures) {}

    void Row(std::string_view line, const std::vector<std::string_view>& f);
    void Close(const std::vector<std::string_view>& f, std::size_t lines);
    // A stock's price above 3,000 off the standard steps (a trade or a quote): the stock is on the
    // fine steps.
    void NoteGrid(double price) {
        if (slot_ == SeriesSlot::DayStock && !day_.fineTickMode && price > 3000 &&
            std::fmod(static_cast<double>(static_cast<float>(price)), PriceStep(price, false)) != 0)
            day_.fineTickMode = true;
    }
    void TakeBoard(std::size_t row, const std::vector<std::string_view>& f) {
        for (int i = 0; i < kBoardValues; ++i)
            if (const auto v = Numeric(f[14 + static_cast<std::size_t>(i)])) {
                s_.board[row][static_cast<std::size_t>(i)] = static_cast<float>(*v);
                if (i < kBoardValues / 2) NoteGrid(*v);
            }
    }

private:
    void UpdateBar(float price);
    bool SawOpening(const std::vector<std::string_view>& f) const;
    float OpeningPrice(std::string_view col6) const;
    void CloseBar(int bar, double cumAtEnd);

    SeriesSlot slot_;
    int n_;
    DayData& day_;
    DaySeries& s_;
    bool detail_, chosen_, stock_, carriesVolume_;

    int row_ = 0;
    int bar_ = 0;
    int stepInBar_ = 0;
    bool priced_ = false;       // the first priced row was seen
    float firstRowPrice_ = 0;   // its price: its open, else its trade
    bool barOpened_ = false;    // the current bar has an open
    bool dayOpened_ = false;    // some bar of the day has opened
    double largestCol5_ = -1;
    double cum_ = 0;            // this row's cumulative units, as stored
    double lastGoodCum_ = 0;    // the latest real cumulative figure, for bar volumes
    int lastTrade_ = 0;
    int previousSnapshot_ = -1;  // the row before's snapshot time, seconds since midnight
    std::size_t longestBuyQty_ = 0;
};

// Column 6 as a price, 0 when blank or unreadable. The Prime index records its open divided by
// 100; scaled back here so the first row and the first bar sit on the index's own scale.
float Parser::OpeningPrice(std::string_view col6) const {
    if (IsBlankField(col6)) return 0;
    const auto v = Numeric(col6);
    if (!v || *v <= 0) return 0;
    return static_cast<float>(s_.kind == SeriesKind::Prime ? *v * 100 : *v);
}

// Whether the first priced row, after rows without a trade, is the day's first trade. A file
// that writes the open only where it saw the opening leaves column 6 blank otherwise; an older
// recording gave itself away by times before the row before (the last trade, the day's high or
// low in columns 2, 11 and 12), when that row said nothing had traded yet.
bool Parser::SawOpening(const std::vector<std::string_view>& f) const {
    if (OpeningPrice(f[6]) <= 0) return false;
    const int minuteBefore = previousSnapshot_ - previousSnapshot_ % 60;
    for (std::size_t c : {2u, 11u, 12u})
        if (const auto t = ParseTimeOfDay(f[c]); t && previousSnapshot_ >= 0 && *t < minuteBefore) return false;
    return true;
}

void Parser::UpdateBar(float price) {
    if (bar_ >= kMaxBars) return;
    DayBar& b = s_.bars[static_cast<std::size_t>(bar_)];
    if (!barOpened_) {
        b.open = b.high = b.low = price;
        barOpened_ = true;
    }
    b.high = std::max(b.high, price);
    b.low = std::min(b.low, price);
    b.close = price;
}

void Parser::CloseBar(int bar, double cumAtEnd) {
    if (bar < 0 || bar >= kMaxBars) return;
    DayBar& b = s_.bars[static_cast<std::size_t>(bar)];
    if (bar > 0) {
        const float prevClose = s_.bars[static_cast<std::size_t>(bar - 1)].close;
        for (float* v : {&b.open, &b.high, &b.low, &b.close})
            if (*v == 0) *v = prevClose;
    }
    const double prevCum = bar > 0 ? s_.bars[static_cast<std::size_t>(bar - 1)].cumVolume : 0;
    b.cumVolume = cumAtEnd;
    const double v = std::clamp(cumAtEnd - prevCum, 0.0, 2'147'483'647.0);
    b.volume = static_cast<std::int32_t>(v);
    s_.maxBarVolume = std::max(s_.maxBarVolume, b.volume);
}

void Parser::Row(std::string_view line, const std::vector<std::string_view>& f) {
    const auto r = static_cast<std::size_t>(row_);
    if (slot_ == SeriesSlot::DayStock && !day_.decimalPrices && line.size() > 5 &&
        line.substr(0, line.size() - 5).find('.') != std::string_view::npos) {
        day_.decimalPrices = day_.fineTickMode = true;
    }
    const double unit = UnitOf(f[34]);
    s_.timeText[r] = IsAscii(f[1]) ? std::string(f[1]) : DecodeCp932(f[1]);

    // Price.
    float price = 0;
    const auto col3 = Numeric(f[3]);
    if (col3 && *col3 > 0) {
        const auto c3 = static_cast<float>(*col3);
        price = c3;
        if (!priced_) {
            priced_ = true;
            s_.firstPrice = c3;
            s_.openingInFile = row_ == 0 || SawOpening(f);
            if (const float open = OpeningPrice(f[6]); open > 0 && s_.openingInFile) price = open;
            firstRowPrice_ = price;
            s_.high = s_.low = c3;
        }
        s_.high = std::max(s_.high, c3);
        s_.low = std::min(s_.low, c3);
        NoteGrid(*col3);
    }
    s_.price[r] = price;

    // Cumulative volume in units. A figure below an earlier one repeats the previous row's.
    const auto col5 = !carriesVolume_ || IsDash(f[5]) ? std::nullopt : Numeric(f[5]);
    if (col5) {
        if (*col5 >= largestCol5_) {
            cum_ = *col5 / unit;
            largestCol5_ = *col5;
        }
        lastGoodCum_ = cum_;
    } else {
        cum_ = 0;
    }
    if (detail_) s_.cumVolume[r] = cum_;

    // Last trade: blank means the snapshot's own time; an unreadable time keeps the last one.
    const std::string_view tradeText = IsBlankField(f[2]) ? f[1] : f[2];
    if (const auto t = ParseTimeOfDay(tradeText)) lastTrade_ = *t - *t % 60;
    if (chosen_) s_.lastTradeSeconds[r] = lastTrade_;

    // Bars: a stale last trade does not open the next bar.
    if (price > 0 && bar_ < kMaxBars && lastTrade_ >= BarStartSeconds(bar_, n_)) {
        const bool firstOfDay = !dayOpened_ && !barOpened_;
        UpdateBar(price);
        if (firstOfDay) {
            dayOpened_ = true;
            if (const float open = OpeningPrice(f[6]); open > 0 && s_.openingInFile)
                s_.bars[static_cast<std::size_t>(bar_)].open = open;
        }
    }

    if (stock_ && f.size() >= 36) {
        day_.hasVwapColumn = true;
        if (!IsDash(f[35]))
            if (const auto v = Numeric(f[35])) s_.vwap[r] = static_cast<float>(*v);
    }

    if (detail_) TakeBoard(r, f);
    if (const auto t = ParseTimeOfDay(f[1])) previousSnapshot_ = *t;
    if (slot_ == SeriesSlot::DayStock)
        for (std::size_t c = 29; c <= 33; ++c) longestBuyQty_ = std::max(longestBuyQty_, f[c].size());

    ++row_;
    if (++stepInBar_ == n_ * 12) {
        CloseBar(bar_, lastGoodCum_);
        ++bar_;
        stepInBar_ = 0;
        barOpened_ = false;
    }
}

void Parser::Close(const std::vector<std::string_view>& f, std::size_t lines) {
    const auto last = static_cast<std::size_t>(kClosingRow);
    const int lastBar = BarsPerDay(n_) - 1;
    DayBar& lb = s_.bars[static_cast<std::size_t>(lastBar)];
    const double unit = UnitOf(f[34]);
    const auto col3 = Numeric(f[3]);
    const auto col5 = !carriesVolume_ || IsDash(f[5]) ? std::nullopt : Numeric(f[5]);

    if (col3 && *col3 != 0) {
        const auto c3 = static_cast<float>(*col3);
        lb.close = c3;
        if (c3 > lb.high) lb.high = c3;
        if (lb.low == 0 || c3 < lb.low) lb.low = c3;
        if (lb.open == 0) lb.open = c3;
    }
    if (detail_) TakeBoard(last, f);
    const double closing = LeadingNumber(f[3]);
    s_.price[last] = closing > 0 && closing <= std::numeric_limits<float>::max()
                         ? static_cast<float>(closing)
                         : 0.0f;
    if (col5) {
        const double cumUnits = *col5 / unit;
        if (detail_) s_.cumVolume[last] = cumUnits;
        const double prevCum =
            lastBar > 0 ? s_.bars[static_cast<std::size_t>(lastBar - 1)].cumVolume : 0;
        lb.cumVolume = cumUnits;
        lb.volume = static_cast<std::int32_t>(std::clamp(cumUnits - prevCum, 0.0, 2'147'483'647.0));
        s_.maxBarVolume = std::max(s_.maxBarVolume, lb.volume);
        s_.finalVolume = cumUnits;
    }
    const SeriesKind k = s_.kind;
    if (slot_ == SeriesSlot::DayStock && col3) s_.close = static_cast<float>(*col3);
    if (k == SeriesKind::Stock || k == SeriesKind::Nikkei225 || k == SeriesKind::NikkeiJasdaq) {
        if (!IsDash(f[4]))
            if (const auto v = Numeric(f[4])) s_.prevClose = static_cast<float>(*v);
    }
    if (k == SeriesKind::Futures) {
        s_.open = s_.firstPrice;
    } else if (!IsDash(f[6])) {
        if (const auto v = Numeric(f[6]))
            s_.open = static_cast<float>(k == SeriesKind::Prime ? *v * 100 : *v);
    }
    // A file that writes the open only where it happened: the first priced row holds it. An
    // open of 0 would print the day's first trade at no price.
    if (!(s_.open > 0)) s_.open = firstRowPrice_;
    if (col3 && *col3 > 0) s_.close = static_cast<float>(*col3);
    // A "-" or blank unit counts as 1 share, as it does for the volumes above.
    const auto unitField = IsBlankField(f[34]) || IsDash(f[34]) ? std::optional<double>(1)
                                                                 : Numeric(f[34]);
    if (stock_)
        if (const auto v = unitField; v && *v >= 1 && *v <= 32767) {
            s_.tradingUnit = static_cast<int>(*v);
            day_.tradingUnit = s_.tradingUnit;
        }
    s_.lastRow = static_cast<int>(lines) - 1;
    if (slot_ == SeriesSlot::DayStock) {
        day_.buyQtyCellWidth = longestBuyQty_ <= 4   ? 746.94
                               : longestBuyQty_ == 5 ? 809.19
                               : longestBuyQty_ == 6 ? 855.87
                                                     : 1073.73;
    }
}

}  // namespace

bool IsValidBarLength(int n) { return n == 1 || n == 2 || n == 3 || n == 4 || n == 5 || n == 10; }

int BarsPerDay(int barLength) { return 300 / barLength; }

int BarStartSeconds(int bar, int barLength) {
    const int minutes = barLength * bar + (barLength * bar >= 150 ? 60 : 0);
    return 9 * 3600 + minutes * 60;
}

std::string ParseDayFile(std::string_view bytes, SeriesSlot slot, int barLength, DayData& day) {
    if (!IsValidBarLength(barLength)) barLength = 5;
    DaySeries& s = day[slot];
    s.Clear();
    if (slot == SeriesSlot::DayStock) day.decimalPrices = day.fineTickMode = false;
    const FileCheck check = CheckFile(bytes);
    if (!check.problem.empty()) return check.problem;

    Parser parser(slot, barLength, day);
    std::vector<std::string_view> fields;
    fields.reserve(40);
    std::size_t seen = 0;
    ForEachLine(bytes, [&](std::string_view line) {
        if (seen++ >= check.lines) return;
        SplitFields(line, fields);
        parser.Row(line, fields);
        if (seen == check.lines) parser.Close(fields, check.lines);
    });
    s.loaded = true;
    if (day.tradingUnit == 0) day.tradingUnit = 100;
    return {};
}

DayFileResult LoadDaySeries(const std::string& dataFolder, const std::string& dateFolder,
                            const std::string& seriesCode, SeriesSlot slot, int barLength,
                            DayData& day) {
    DaySeries& s = day[slot];
    if (slot == SeriesSlot::PrevIndex || slot == SeriesSlot::DayIndex)
        s.kind = SeriesKindForCode(seriesCode);
    else
        s.kind = SeriesKind::Stock;
    s.low = 10'000'000.0f;
    if (slot == SeriesSlot::DayStock) day.decimalPrices = day.fineTickMode = false;

    const std::string folder = JoinPath(dataFolder, dateFolder);
    const std::string path = JoinPath(folder, seriesCode + ".csv");
    DayFileResult result;
    if (!FileExists(path)) {
        s.Clear();  // nothing of an earlier day may stay in the slot
        const bool marked = FileExists(JoinPath(folder, std::string(kNoDataMarker)));
        if (marked) {
            const bool stockPanel = slot == SeriesSlot::PrevStock || slot == SeriesSlot::DayStock;
            day.noDataMarked[stockPanel ? 1 : 0] = true;
        }
        result.status = marked ? DayFileResult::Status::MissingMarked : DayFileResult::Status::Missing;
        return result;
    }
    const auto bytes = ReadWholeFile(path, 4u * 1024 * 1024);
    if (!bytes) {
        s.Clear();
        result.status = DayFileResult::Status::Rejected;
        result.problem = "ファイルを読み込めません。";
        return result;
    }
    result.problem = ParseDayFile(*bytes, slot, barLength, day);
    result.status = result.problem.empty() ? DayFileResult::Status::Loaded
                                           : DayFileResult::Status::Rejected;
    return result;
}

}  // namespace corvala
