#include "trading_check/counterparty.h"

#include <algorithm>

namespace corvala::check {
namespace {

constexpr int kMorningOpen = 9 * 3600;
constexpr int kAfternoonOpen = 12 * 3600 + 30 * 60;

void Take(Counterparty& c, double price, bool buys) {
    if (!(price > 0)) return;
    c.bound = !c.exists ? price : buys ? std::min(c.bound, price) : std::max(c.bound, price);
    c.exists = true;
}

}  // namespace

int CounterpartyReference::RowSeconds(int row) {
    return row < kMorningRows ? kMorningOpen + 5 * row : kAfternoonOpen + 5 * (row - kMorningRows);
}

int CounterpartyReference::RowAt(int seconds) {
    if (seconds < kMorningOpen) return -1;
    if (seconds < kAfternoonOpen) return std::min((seconds - kMorningOpen) / 5, kMorningRows - 1);
    return std::min(kMorningRows + (seconds - kAfternoonOpen) / 5, kReplayRows - 1);
}

Counterparty CounterpartyReference::Step(int row, bool buys) const {
    Counterparty c;
    if (row < 0 || row >= kReplayRows) return c;
    // The quotes of the row shown and of the row the step ends at.
    for (const int r : {row, row + 1}) {
        const BoardRow& b = s_.board[static_cast<std::size_t>(r)];
        const int first = buys ? 0 : 5;  // asks meet a buy, bids a sell
        for (int i = first; i < first + 5; ++i)
            if (b[static_cast<std::size_t>(i + 10)] > 0) Take(c, b[static_cast<std::size_t>(i)], buys);
    }
    // The day's opening print, in the step of the first traded row or the one before it.
    int firstTraded = 0;
    while (firstTraded < kReplayRows && !(s_.price[static_cast<std::size_t>(firstTraded)] > 0)) ++firstTraded;
    if (s_.open > 0 && (row == firstTraded || row + 1 == firstTraded)) Take(c, s_.open, buys);
    // The prints of the step, between the two rows' prices.
    const double from = s_.price[static_cast<std::size_t>(row)], to = s_.price[static_cast<std::size_t>(row + 1)];
    const double traded = s_.cumVolume[static_cast<std::size_t>(row + 1)] - s_.cumVolume[static_cast<std::size_t>(row)];
    if (to > 0 && from == 0 && s_.cumVolume[static_cast<std::size_t>(row + 1)] > 0) {
        Take(c, s_.open > 0 ? s_.open : to, buys);  // the morning's opening print
    } else if (to > 0 && traded > 0) {
        Take(c, buys ? std::min(from, to) : std::max(from, to), buys);
    }
    return c;
}

Counterparty CounterpartyReference::For(int seconds, bool buys) const {
    const int row = RowAt(seconds);
    Counterparty c = Step(row, buys);
    const auto near = [&](int r) {
        const Counterparty other = Step(r, buys);
        if (other.exists) Take(c, other.bound, buys);
    };
    // A step whose sub-steps an order or a pause cut short leaves its last prints to the next
    // steps' first pass, which stamps them with its own clock.
    near(row - 1);
    near(row - 2);
    // A pass over a whole step (speed 30) is stamped with its first second and reaches the next
    // step's first print.
    if (RowSeconds(row) == seconds) near(row + 1);
    return c;
}

}  // namespace corvala::check
