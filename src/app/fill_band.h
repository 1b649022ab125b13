#pragma once
// The fill-luck band of a kept run: its orders played again from its session file with resting
// limit orders filling two other ways, so that the user sees how much of the result the queue
// model decided. Each play is a program of its own on virtual time; nothing is written.

#include <array>
#include <string>
#include <vector>

#include "trading/matching.h"

namespace corvala {

struct PlayedRun {
    bool played = false;
    std::string problem;          // why it could not be played
    std::vector<double> equity;   // the result after each step that ran, in the order of the day
    std::vector<int> equityRows;
    double result = 0;            // after the last step
    std::vector<int> waitsAtClock;  // played by its steps: see SessionPlayer::PlayAtRecordedTimes
};

// The run of `sessionPath` played again with the settings and stock list of `installFolder`,
// its resting limits filling by `rule`; a non-empty `dataFolder` stands in for the file's. Under
// another rule than the described one the user's actions come at their clock times, waiting at
// a time as `waitsAtClock` says (the described play's). A run that does not play to its end as
// the file's did is not played (`problem` says where it stopped).
PlayedRun PlayKeptRun(const std::string& sessionPath, const std::string& installFolder, FillRule rule,
                      const std::string& dataFolder = {}, const std::vector<int>& waitsAtClock = {});

struct FillBand {
    std::array<PlayedRun, 3> runs;  // pessimistic, described, optimistic
    bool played() const { return runs[0].played && runs[1].played && runs[2].played; }
    // No resting limit made a difference: the three results and curves are one.
    bool zeroWidth() const;
};

FillBand ComputeFillBand(const std::string& sessionPath, const std::string& installFolder);

// What the 成績 window says of it: the result under each way, or that none made a difference.
std::string FillBandText(const FillBand& band);

}  // namespace corvala
