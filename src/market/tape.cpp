#include "market/tape.h"

#include <algorithm>
#include <cmath>

#include "data/day_series.h"
#include "platform/text.h"

namespace corvala {
namespace {

constexpr int kMaxOffsetTenths = 44;  // prints of one step pile up at 4.4 s

std::string RowTime(const DaySeries& s, int r) {
    const std::string& text = s.timeText[static_cast<std::size_t>(r)];
    const auto seconds = ParseTimeOfDay(text);
    return seconds ? FormatTimeOfDay(*seconds) : text;
}

// Pieces by weights 8, 6, 4, 3, 2, 1 in 24.
int PieceCount(double r) {
    const int k = static_cast<int>(std::floor(r * 24)) + 1;
    if (k <= 8) return 1;
    if (k <= 14) return 2;
    if (k <= 18) return 3;
    if (k <= 21) return 4;
    if (k <= 23) return 5;
    return 6;
}

// Shares from a figure of the recording: rounded, never negative, never beyond what a line holds.
std::int64_t Shares(double v) {
    if (!std::isfinite(v) || v <= 0) return 0;
    return std::llround(std::min(v, 2'000'000'000.0));
}

// The same five-second window fixes the day's last lines at the close.
std::string ClampToClose(std::string line) {
    if (line.size() >= 8 && line.compare(0, 2, "15") == 0) line.replace(0, 8, "15:00:00");
    return line;
}

// "1,000" or "3,263.0" as a number; nullopt for anything else.
std::optional<double> FormattedFigure(std::string_view piece) {
    std::string plain;
    for (char c : piece)
        if (c != ',') plain += c;
    if (!IsNumeric(plain)) return std::nullopt;
    const double v = LeadingNumber(plain);
    // Volumes and prices beyond these are no figures a day can hold.
    if (!std::isfinite(v) || std::fabs(v) > 2'000'000'000.0) return std::nullopt;
    return v;
}

}  // namespace

bool DayTape::Add(std::string line) {
    if (size() >= kMaxTapeLines) {
        ++refused_;
        return false;
    }
    lines_.push_back(std::move(line));
    return true;
}

const std::string& DayTape::At(int i) const {
    static const std::string kEmpty;
    return i >= 0 && i < size() ? lines_[static_cast<std::size_t>(i)] : kEmpty;
}

std::optional<TapeLine> ReadTapeLine(std::string_view line) {
    if (line.empty()) return std::nullopt;
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t space = line.find(' ', start);
        const std::size_t end = space == std::string_view::npos ? line.size() : space;
        pieces.push_back(line.substr(start, end - start));
        if (space == std::string_view::npos) break;
        start = space + 1;
    }
    const auto seconds = ParseTimeOfDay(pieces[0]);
    if (!seconds) return std::nullopt;
    TapeLine t;
    t.time = std::string(pieces[0]);
    t.seconds = *seconds;
    if (pieces.size() > 1) t.volume = FormattedFigure(pieces[1]);
    if (pieces.size() > 2) t.price = FormattedFigure(pieces[2]);
    t.resync = line.find('@') != std::string_view::npos;
    return t;
}

TapeEstimator::TapeEstimator(const DaySeries& stock, int tradingUnit, Random& random, DayTape& tape)
    : stock_(stock), unit_(tradingUnit > 0 ? tradingUnit : 1), random_(random), tape_(tape) {}

void TapeEstimator::Store(std::string line) {
    line = ClampToClose(std::move(line));
    if (write_ < kStepBufferLines) buffer_[static_cast<std::size_t>(write_++)] = line;
    tape_.Add(std::move(line));
}

void TapeEstimator::SplitPrint(const std::string& time, std::int64_t volume, float price, bool mark) {
    const double u = unit_;
    if (volume <= 0) return;
    int n = PieceCount(random_.Next());
    // An odd lot under half a unit is still one print: the volume and its mark reach the tape.
    if (static_cast<double>(volume) / u < n)
        n = std::max(1, static_cast<int>(RoundHalfEven(static_cast<double>(volume) / u)));
    const int second = static_cast<int>(LeadingNumber(time.size() >= 8 ? std::string_view(time).substr(6, 2) : ""));
    const std::string minute = time.substr(0, std::min<std::size_t>(5, time.size()));
    std::int64_t rest = volume;
    for (int g = 1; g <= n; ++g) {
        std::int64_t v = rest;
        if (n > 1 && g < n) {
            const double perPiece = std::floor(static_cast<double>(volume) / u / n);
            v = static_cast<std::int64_t>((std::floor(perPiece * random_.Next()) + 1) * u);
            rest -= v;
        }
        // Tenths of a second keep the offsets exact.
        offsetTenths_ += 4 + static_cast<int>(std::floor(random_.Next() * 7));
        offsetTenths_ = std::min(offsetTenths_, kMaxOffsetTenths);
        if (second * 10 + offsetTenths_ > 590) offsetTenths_ = 590 - second * 10;
        const int shownSecond = static_cast<int>(std::round(second + offsetTenths_ / 10.0));
        std::string line = minute + ":" + Format(shownSecond, "00") + " " +
                           Format(static_cast<double>(v), "###,###") + " " + Format(price, "###,###.0");
        if (mark) line += " @";
        Store(std::move(line));
    }
}

void TapeEstimator::OpeningPrint(int r, std::int64_t volume, float price) {
    // Without a recorded open the day opens at its first trade, never at no price.
    if (!(price > 0)) price = stock_.firstPrice;
    if (!(price > 0)) return;
    // A price with a fraction (an open of 1,001.5 yen) keeps it: a print must be a price traded.
    Store(RowTime(stock_, r) + " " + Format(static_cast<double>(volume), "###,###") + " " +
          Format(price, price == std::floor(price) ? "###,###" : "###,###.0"));
}

void TapeEstimator::EstimateStepTape(int r, bool lastStep, bool displayOnly) {
    write_ = 0;
    offsetTenths_ = 0;
    if (r < 0 || r + 1 >= kMaxRows) return;
    const auto at = [](int i) { return static_cast<std::size_t>(i); };
    // A row without a readable time (past a short file's end) has no step to print in.
    if (!ParseTimeOfDay(stock_.timeText[at(r)])) return;
    const float pr = stock_.price[at(r)];
    const float pn = stock_.price[at(r + 1)];
    const double u = unit_;
    const double cumNext = stock_.cumVolume[at(r + 1)];
    const double rawVolume = (cumNext - stock_.cumVolume[at(r)]) * u;
    const std::int64_t volume = rawVolume > 0 ? Shares(rawVolume) : 0;
    if (r == 0 && pr != 0 && stock_.cumVolume[0] > 0) {
        // The first snapshot already holds the opening auction: its volume is the open's print,
        // or it would never reach the tape.
        OpeningPrint(0, Shares(stock_.cumVolume[0] * u), stock_.open);
        opened_ = true;
    }
    if (r == kMorningRows - 1) {
        // The step over the lunch break: what traded in it is the afternoon's opening auction,
        // which the first afternoon snapshot already holds. It is printed at 12:30:00 below.
        CollectClosingLines(lastStep, displayOnly);
        return;
    }
    if (r == kMorningRows && pr != 0 && !afternoonOpened_) {
        // A stock that did not trade in the morning opens the day here, with all its volume.
        const bool tradedBefore = stock_.price[at(r - 1)] != 0;
        const double auction =
            tradedBefore ? stock_.cumVolume[at(r)] - stock_.cumVolume[at(r - 1)] : stock_.cumVolume[at(r)];
        if (auction * u > 0) {
            // A file that began after the day's first trade holds no opening: its volume so far
            // traded unseen.
            if (tradedBefore || stock_.openingInFile) OpeningPrint(r, Shares(auction * u), tradedBefore ? pr : stock_.open);
            opened_ = afternoonOpened_ = true;
        }
    }
    if (pn == 0) {
        // No trade in the step.
    } else if (pr == 0 && !opened_) {
        if (stock_.openingInFile) OpeningPrint(r, Shares(cumNext * u), stock_.open);  // the morning open
        opened_ = true;
        if (r >= kMorningRows) afternoonOpened_ = true;
    } else if (volume <= 0) {
        // No volume, or a row without its cumulative volume: no print.
    } else if ((r >= kMorningRows && !afternoonOpened_) || pr == 0) {
        // The afternoon's opening print, or a step after a row without a trade: one line at the
        // new price (the whole day's volume was printed at the open already).
        if (r >= kMorningRows) afternoonOpened_ = true;
        OpeningPrint(r, volume, pn);
    } else {
        DistributeVolume(r, volume, pr, pn);
    }
    CollectClosingLines(lastStep, displayOnly);
}

void TapeEstimator::DistributeVolume(int r, std::int64_t volume, float pr, float pn) {
    const BoardRow& row = stock_.board[static_cast<std::size_t>(r)];
    const std::string time = RowTime(stock_, r);
    const bool rose = pn >= pr;
    static constexpr int kRising[10] = {9, 8, 7, 6, 5, 0, 1, 2, 3, 4};
    static constexpr int kFalling[10] = {4, 3, 2, 1, 0, 5, 6, 7, 8, 9};
    const auto inRange = [&](float p) {
        if (pn > pr) return pr < p && p <= pn;
        if (pn == pr) return p == pn;
        return pn <= p && p < pr;
    };
    std::vector<int> walk;
    double swept = 0;
    for (int i : rose ? kRising : kFalling) {
        if (!inRange(row[static_cast<std::size_t>(i)])) continue;
        walk.push_back(i);
        swept += static_cast<double>(Shares(row[static_cast<std::size_t>(i + 10)]));
    }
    const auto qty = [&](int i) { return Shares(row[static_cast<std::size_t>(i + 10)]); };
    const auto price = [&](int i) { return row[static_cast<std::size_t>(i)]; };
    if (static_cast<double>(volume) >= swept) {
        for (int i : walk) SplitPrint(time, qty(i), price(i), false);
        if (volume - static_cast<std::int64_t>(swept) > 0)
            SplitPrint(time, volume - static_cast<std::int64_t>(swept), pn, true);
        return;
    }
    // Less than the levels held: part of it stays for a last print at the new price.
    const std::int64_t units = volume / unit_;
    const std::int64_t k =
        volume < 3 * unit_ ? 1 : static_cast<std::int64_t>(std::floor(random_.Next() * static_cast<double>(units) / 3)) + 1;
    // An odd lot smaller than one unit is printed as it is.
    const std::int64_t last = std::min<std::int64_t>(k * unit_, volume);
    std::int64_t rest = volume - last;
    for (int i : walk) {
        if (rest == 0) break;
        if (qty(i) < rest) {
            SplitPrint(time, qty(i), price(i), false);
            rest -= qty(i);
        } else {
            SplitPrint(time, rest, price(i), false);
            rest = 0;
        }
    }
    SplitPrint(time, last, pn, false);
}

void TapeEstimator::CollectClosingLines(bool lastStep, bool displayOnly) {
    for (int i = 0; i < write_; ++i) {
        std::string line = buffer_[static_cast<std::size_t>(i)];
        if (line.empty()) continue;
        if (lastStep && displayOnly && i == write_ - 1 && line.size() >= 8) line.replace(0, 8, "15:00:00");
        const auto t = ReadTapeLine(line);
        if (t && t->seconds >= kCloseSeconds) closing_.push_back(line);
    }
}

}  // namespace corvala
