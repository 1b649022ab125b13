#include "platform/system.h"

#include <chrono>
#include <ctime>

namespace corvala {

Ymd SystemClock::Today() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Ymd{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

int SystemClock::SecondsOfDay() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

namespace {

constexpr std::int64_t kDayMs = 86'400'000;

std::int64_t JapanMs() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count() + 9 * 3'600'000;
}

}  // namespace

Ymd JapanClock::Today() const {
    const std::int64_t ms = JapanMs();
    const std::int64_t days = ms / kDayMs - (ms % kDayMs < 0 ? 1 : 0);
    const std::chrono::year_month_day d{std::chrono::sys_days{std::chrono::days{days}}};
    return {static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
            static_cast<int>(static_cast<unsigned>(d.day()))};
}

std::int64_t JapanClock::MsOfDay() const {
    return ((JapanMs() % kDayMs) + kDayMs) % kDayMs;
}

std::int64_t JapanClock::NowMs() const {
    return SystemClock().NowMs();
}

std::int64_t SystemClock::MsOfDay() const {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return (local.tm_hour * 3600LL + local.tm_min * 60 + local.tm_sec) * 1000 + ms;
}

std::int64_t SystemClock::NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {
std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
}  // namespace

SeededRandom::SeededRandom(std::uint64_t seed) {
    for (auto& s : s_) s = SplitMix(seed);
}

SeededRandom SeededRandom::FromClock() {
    return SeededRandom(static_cast<std::uint64_t>(
        std::chrono::system_clock::now().time_since_epoch().count()));
}

std::uint64_t SeededRandom::NextBits() {
    const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

double SeededRandom::Next() { return static_cast<double>(NextBits() >> 11) * 0x1.0p-53; }

}  // namespace corvala
