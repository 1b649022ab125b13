#pragma once
// Who a fill traded with, worked out from the day file alone and not from the engine. A step of
// the replay shows one recorded row and its board; the prints of the step carry the price from
// that row's to the next row's, with the volume traded between the two (the morning's first
// traded row opens at the day's open). A buy in a step may take what sellers offered then: an ask
// on the row's board, on the next row's (where the step ends), or a print of the step, and
// nothing cheaper than the cheapest of them; a sell likewise what buyers bid or a print, and
// nothing dearer. When none of them is there, nobody was there to trade with.

#include <optional>

#include "data/day_series.h"

namespace corvala::check {

struct Counterparty {
    bool exists = false;
    double bound = 0;  // the lowest price a buy may pay, the highest a sell may get
};

class CounterpartyReference {
public:
    explicit CounterpartyReference(const DaySeries& stock) : s_(stock) {}
    // A fill stamped at `seconds` (the clock on screen): the step whose row was shown then, the
    // two before it (whose last prints a step cut short leaves to the next passes) and, at a
    // row's own time, the one after it (a pass over a whole step is stamped with its first second).
    Counterparty For(int seconds, bool buys) const;
    // The row shown at `seconds`: 09:00:00 is row 0, 12:30:00 row 1800; −1 before the open.
    static int RowAt(int seconds);
    static int RowSeconds(int row);

private:
    Counterparty Step(int row, bool buys) const;
    const DaySeries& s_;
};

}  // namespace corvala::check
