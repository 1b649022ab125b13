#pragma once
// What the engine knows about the tape line it is working on (inside the engine only).

#include "trading/matching.h"

namespace corvala {

struct MatchingEngine::Line {
    TapeLine t;          // the line; its price may be replaced in the pass after a confirmation
    bool due = false;      // its print counts: due, and not a pass for orders just placed
    bool printed = false;  // due: the print has happened, whichever pass meets it
    bool opening = false;
    double filled = 0;   // the user's quantity filled on this line
    int stamp = 0;       // the clock the user sees: the time of the line's fills
};

}  // namespace corvala
