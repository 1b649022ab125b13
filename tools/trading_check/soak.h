#pragma once
// The soak's sessions: one seed decides the day (a demo day, or a generated one written over the
// generated install's 221110/8473.csv), the account and the user, so that `corvala-soak 1
// --seed S` and a regression test play session S again exactly.

#include <cstdint>
#include <string>

#include "demo_data/demo_manifest.h"
#include "trading_check/checked_session.h"

namespace corvala::check {

struct SoakInstalls {
    DemoManifest demo;       // left as generated
    DemoManifest generated;  // its 221110/8473.csv is each generated day in turn
};

// Generates both installs under `root`; false with the reason in `error`.
bool MakeSoakInstalls(const std::string& root, SoakInstalls& installs, std::string& error);

// Session `seed`'s plan; a generated day is written before it returns. `what` names the day.
SessionPlan SoakPlan(std::uint64_t seed, const SoakInstalls& installs, std::string& what);

// The seed of session `seed`'s user.
inline std::uint32_t SoakUserSeed(std::uint64_t seed) { return static_cast<std::uint32_t>(seed * 40503u + 7); }

}  // namespace corvala::check
