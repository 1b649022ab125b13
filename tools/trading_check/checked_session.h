#pragma once
// A trading session whose money is checked at every turn. A user (drawing its decisions from a
// generator or a fuzz input) places orders of every kind on both sides, corrects, cancels and
// closes them, jumps about the day, changes the speed, stops the run with any answer and plays
// the day again with another account. Whenever control comes back from the program the rules
// are checked:
// - every fill is above 0, on the price grid, within the day's limits and the order's limit, has
//   a counterparty in its step (an offer on the market's board then, or a print of the step, as
//   the day file alone tells them: never a price only the user's own orders stood at, nor a last
//   trade long gone), never while the replay runs behind the tape, never earlier than the fill
//   before it, and
//   costs no more than the order held back;
// - the buying power is never below 0 and equals the investment times the leverage, plus the
//   run's result, less what pending orders hold back and what open positions cost;
// - the positions hold what their fills opened less what closing fills took, and the closing
//   orders take no more than their positions hold;
// - the board is on the price grid and within the day's limits;
// - a kept run's history has a row for each fill, and a day played through leaves nothing open.
// The sessions of the integration tests, the soak and the trading-day fuzz target are these.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "trading/matching.h"
#include "trading_check/choices.h"

namespace corvala::check {

// How a session's user behaves: the weights of the actions, in percent of the action draws.
struct Profile {
    int stepsBetweenActions = 8;  // on average
    int newOrder = 45, correct = 12, cancel = 15, close = 24;  // the rest: closing corrections
    int farPercent = 15;       // new limit orders placed far from the market
};

inline constexpr Profile kBalanced{};
// Resting orders pile up and positions are seldom closed: both tables reach their 30 slots.
inline constexpr Profile kCrowded{5, 78, 5, 3, 12, 55};

struct SessionPlan {
    std::uint64_t seed = 1;   // the day's boards and tape
    std::string installFolder, dataFolder;
    std::string date, code;
    Profile profile = kBalanced;
    std::int64_t investment = 1'000'000;
    std::int64_t profitTotal = 0, lossTotal = 0;
    bool cashOnly = false;
    // The user also jumps forward, pauses, changes the speed, starts mid-session, stops the run
    // with any answer, and plays the day again after changing the account (up to `runs` times).
    bool roaming = false;
    int runs = 1;
    // The day is the demo's, which every run must load and play without an error box.
    bool knownGoodDay = true;
    // How long the user waits between actions, at most; 0: `profile.stepsBetweenActions` on
    // average.
    int maxStepsBetweenActions = 0;
    // How resting limit orders fill (a kept run played under another assumption).
    FillRule fillRule = FillRule::Described;
};

// What the sessions did, so that a run whose actions all came to nothing is seen.
struct Tally {
    int sessions = 0, runs = 0, steps = 0, identityChecks = 0, fills = 0, closingFills = 0, stopsFired = 0;
    int stored[3] = {0, 0, 0};  // new orders by kind
    int marketStored = 0, sellStored = 0, corrections = 0, closingCorrections = 0, cancels = 0;
    int closingStored = 0, bulkClosings = 0, tableFull = 0, noFunds = 0, declined = 0, missing = 0;
    int fullPositionTable = 0, badPrice = 0, jumpsBack = 0, jumpsForward = 0, stops = 0, kept = 0;
    int failures = 0;
    void Add(const Tally& t);
    int Orders() const { return stored[0] + stored[1] + stored[2] + closingStored; }
};

// A rule that failed: `rule` is the message without its figures (the same for every instance of
// the fault), `detail` says where, with the user's last actions.
using FailureSink = std::function<void(const std::string& rule, const std::string& detail)>;

class CheckedSession {
public:
    CheckedSession(const SessionPlan& plan, Choices& user, FailureSink failed);
    ~CheckedSession();
    Tally Run();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvala::check
