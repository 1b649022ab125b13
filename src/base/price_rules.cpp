#include "base/price_rules.h"

#include <cmath>
#include <iterator>

namespace corvala {
namespace {

struct Band {
    double from;
    double step;
};

// Bands run from their lower bound to below the next one. The two top bands of each table end
// inclusively at 30,000,000 and 50,000,000, handled below.
constexpr Band kStandard[] = {{3'000, 5},          {5'000, 10},         {30'000, 50},
                              {50'000, 100},       {300'000, 500},      {500'000, 1'000},
                              {3'000'000, 5'000},  {5'000'000, 10'000}};
constexpr Band kFine[] = {{1'000, 0.5},          {3'000, 1},           {10'000, 5},
                          {30'000, 10},          {100'000, 50},        {300'000, 100},
                          {1'000'000, 500},      {3'000'000, 1'000},   {10'000'000, 5'000}};

double Lookup(const Band* bands, int count, double first, double price) {
    double step = first;
    for (int i = 0; i < count && price >= bands[i].from; ++i) step = bands[i].step;
    return step;
}

struct LimitBand {
    int from;
    int width;
};

constexpr LimitBand kLimits[] = {
    {100, 50},           {200, 80},           {500, 100},          {700, 150},
    {1'000, 300},        {1'500, 400},        {2'000, 500},        {3'000, 700},
    {5'000, 1'000},      {7'000, 1'500},      {10'000, 3'000},     {15'000, 4'000},
    {20'000, 5'000},     {30'000, 7'000},     {50'000, 10'000},    {70'000, 15'000},
    {100'000, 30'000},   {150'000, 40'000},   {200'000, 50'000},   {300'000, 70'000},
    {500'000, 100'000},  {700'000, 150'000},  {1'000'000, 300'000}, {1'500'000, 400'000},
    {2'000'000, 500'000}, {3'000'000, 700'000}, {5'000'000, 1'000'000}, {7'000'000, 1'500'000},
    {10'000'000, 3'000'000}, {15'000'000, 4'000'000}, {20'000'000, 5'000'000},
    {30'000'000, 7'000'000}, {50'000'000, 10'000'000}};

}  // namespace

double PriceStep(double price, bool fineTickMode) {
    if (!(price >= 1)) return 1;  // also catches NaN
    if (fineTickMode) {
        if (price > 30'000'000) return 10'000;
        return Lookup(kFine, static_cast<int>(std::size(kFine)), 0.1, price);
    }
    if (price > 50'000'000) return 100'000;
    if (price > 30'000'000) return 50'000;
    return Lookup(kStandard, static_cast<int>(std::size(kStandard)), 1, price);
}

int DailyPriceLimit(double base) {
    const double x = std::isfinite(base) ? std::floor(base) : 0;
    int width = 30;
    for (const auto& band : kLimits) {
        if (x < band.from) break;
        width = band.width;
    }
    return width;
}

namespace {
// A float holds about seven digits: 999.8f is 999.79998…, a thousandth of a step off.
constexpr double kGridSlack = 1e-3;
}  // namespace

bool OnPriceGrid(double price, bool fineTickMode) {
    if (!(price > 0)) return false;
    const double steps = price / PriceStep(price, fineTickMode);
    return std::fabs(steps - std::round(steps)) <= kGridSlack;
}

double ToPriceGrid(double price, bool fineTickMode, bool up) {
    if (!(price > 0) || OnPriceGrid(price, fineTickMode)) return price;
    // A band starts at a whole number of its own steps, so either way stays in the band.
    const double step = PriceStep(price, fineTickMode);
    return (up ? std::ceil(price / step) : std::floor(price / step)) * step;
}

}  // namespace corvala
