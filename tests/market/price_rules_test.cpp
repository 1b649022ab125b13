#include "base/price_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace corvala {
namespace {

TEST(PriceStepTest, StandardTableBandsStartAtTheirLowerBound) {
    const std::pair<double, double> cases[] = {
        {0, 1},           {0.5, 1},          {1, 1},            {2999, 1},
        {2999.9, 1},      {3000, 5},         {4999, 5},         {5000, 10},
        {29999, 10},      {30000, 50},       {49999, 50},       {50000, 100},
        {299999, 100},    {300000, 500},     {499999, 500},     {500000, 1000},
        {2999999, 1000},  {3000000, 5000},   {4999999, 5000},   {5000000, 10000},
        {30000000, 10000}, {30000001, 50000}, {50000000, 50000}, {50000001, 100000}};
    for (const auto& [price, step] : cases) EXPECT_EQ(PriceStep(price, false), step) << price;
}

TEST(PriceStepTest, FineTableBandsStartAtTheirLowerBound) {
    const std::pair<double, double> cases[] = {
        {0, 1},            {1, 0.1},          {999.9, 0.1},     {1000, 0.5},
        {2999.5, 0.5},     {3000, 1},         {9999, 1},        {10000, 5},
        {29999, 5},        {30000, 10},       {99999, 10},      {100000, 50},
        {299999, 50},      {300000, 100},     {999999, 100},    {1000000, 500},
        {2999999, 500},    {3000000, 1000},   {9999999, 1000},  {10000000, 5000},
        {30000000, 5000},  {30000001, 10000}, {90000000, 10000}};
    for (const auto& [price, step] : cases) EXPECT_EQ(PriceStep(price, true), step) << price;
}

TEST(PriceStepTest, NonsenseIsOneStep) {
    EXPECT_EQ(PriceStep(-5, false), 1);
    EXPECT_EQ(PriceStep(std::nan(""), true), 1);
}

TEST(DailyPriceLimitTest, EveryBand) {
    const std::pair<double, int> cases[] = {
        {0, 30},          {99.9, 30},       {100, 50},         {199, 50},        {200, 80},
        {500, 100},       {700, 150},       {1000, 300},       {1500, 400},      {2000, 500},
        {2999.9, 500},    {3000, 700},      {5000, 1000},      {7000, 1500},     {10000, 3000},
        {15000, 4000},    {20000, 5000},    {30000, 7000},     {50000, 10000},   {70000, 15000},
        {100000, 30000},  {150000, 40000},  {200000, 50000},   {300000, 70000},  {500000, 100000},
        {695000, 100000}, {700000, 150000}, {1000000, 300000}, {1495000, 300000},
        {1500000, 400000}, {2000000, 500000}, {2950000, 500000}, {3000000, 700000},
        {5000000, 1000000}, {7000000, 1500000}, {10000000, 3000000}, {15000000, 4000000},
        {20000000, 5000000}, {30000000, 7000000}, {50000000, 10000000}, {900000000, 10000000}};
    for (const auto& [base, width] : cases) EXPECT_EQ(DailyPriceLimit(base), width) << base;
}

TEST(DailyPriceLimitTest, FractionsFloorToTheBandBelow) {
    EXPECT_EQ(DailyPriceLimit(199.99), 50);
    EXPECT_EQ(DailyPriceLimit(-1), 30);
}

}  // namespace
}  // namespace corvala
