#pragma once
// The exchange's price rules: the price increment at a price and the daily price-limit width.

namespace corvala {

// Price increment (呼値の単位) at `price`; the fine table when `fineTickMode` is set. A band's
// lower bound belongs to it; a price below 1 gives 1.
double PriceStep(double price, bool fineTickMode);

// Width of the daily price limit (制限値幅) for a base price (its integer part counts).
int DailyPriceLimit(double base);

// `price` is a price of the grid: a whole number of its own band's steps (within the error of a
// single-precision price).
bool OnPriceGrid(double price, bool fineTickMode);
// The price of the grid nearest to `price` at or above it (`up`), or at or below it.
double ToPriceGrid(double price, bool fineTickMode, bool up);

}  // namespace corvala
