#pragma once
// The estimated time-and-sales tape (歩み値): every five-second step's volume turned into a few
// prints at the prices the step moved through, as text lines "hh:nn:ss volume price[ @]".

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ports.h"

namespace corvala {

struct DaySeries;

inline constexpr int kMaxTapeLines = 30'001;
inline constexpr int kStepBufferLines = 101;
inline constexpr int kCloseSeconds = 15 * 3600;

// The day's tape: at most 30,001 lines; further lines are refused and counted.
class DayTape {
public:
    DayTape() { lines_.reserve(kMaxTapeLines); }
    void Clear() {
        lines_.clear();
        refused_ = 0;
    }
    bool Add(std::string line);
    const std::vector<std::string>& lines() const { return lines_; }
    int size() const { return static_cast<int>(lines_.size()); }
    int refused() const { return refused_; }
    // The line at `i`, or an empty one past the end.
    const std::string& At(int i) const;

private:
    std::vector<std::string> lines_;
    int refused_ = 0;
};

// One tape line read back: the time always, volume and price when their pieces are numbers.
struct TapeLine {
    std::string time;     // the first piece, "hh:nn:ss"
    int seconds = 0;      // since midnight
    std::optional<double> volume;
    std::optional<double> price;
    bool resync = false;  // the line carries "@"
};
// Splits a line at single spaces; nullopt for an empty line or one without a readable time.
std::optional<TapeLine> ReadTapeLine(std::string_view line);

// Estimates the prints of one day, step by step.
class TapeEstimator {
public:
    // `stock` is the chosen day's stock with its per-row cumulative volumes and boards.
    TapeEstimator(const DaySeries& stock, int tradingUnit, Random& random, DayTape& tape);

    // The prints from row r to row r + 1. `lastStep` with `displayOnly` gives the day's last
    // line the time 15:00:00. Lines at 15:00:00 or later are also collected in closingLines().
    void EstimateStepTape(int r, bool lastStep = false, bool displayOnly = false);
    // One volume at one price as one to six lines moving through the step's seconds.
    void SplitPrint(const std::string& time, std::int64_t volume, float price, bool mark);

    const std::vector<std::string>& closingLines() const { return closing_; }
    int stepLines() const { return write_; }
    const std::string& stepLine(int i) const { return buffer_[static_cast<std::size_t>(i)]; }
    double subSecondOffset() const { return offsetTenths_ / 10.0; }
    bool afternoonOpened() const { return afternoonOpened_; }

private:
    void Store(std::string line);
    void OpeningPrint(int r, std::int64_t volume, float price);
    void DistributeVolume(int r, std::int64_t volume, float pr, float pn);
    void CollectClosingLines(bool lastStep, bool displayOnly);

    const DaySeries& stock_;
    int unit_;
    Random& random_;
    DayTape& tape_;
    std::array<std::string, kStepBufferLines> buffer_{};
    int write_ = 0;
    int offsetTenths_ = 0;
    bool afternoonOpened_ = false;
    bool opened_ = false;  // the morning's opening print was made
    std::vector<std::string> closing_;
};

}  // namespace corvala
