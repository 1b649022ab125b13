#pragma once
// The demo install, written once per test run, and a headless program on it: quiet dialogs, a
// fixed today, seeded draws and virtual time.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/simulation.h"
#include "demo_install.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"
#include "test_support.h"

namespace corvala {

class QuietDialogs final : public Dialogs {
public:
    void ShowError(int number, const std::string& text) override {
        ADD_FAILURE() << number << " " << text;
    }
    bool Ask(const std::string&, const std::string&) override { return true; }
    void ShowNotice(const std::string& title, const std::string& text) override {
        ADD_FAILURE() << title << " " << text;
    }
};

class FixedToday final : public Clock {
public:
    Ymd Today() const override { return {2022, 11, 30}; }
    std::int64_t NowMs() const override { return 0; }
};

// The demo install of this test process (a copy of the ctest run's, see demo_install.h), removed
// when the process ends (every test runs in a process of its own: a folder left behind each time
// would fill the disk).
inline const DemoManifest& Demo() {
    static const test::TempDir folder;
    static const DemoManifest manifest = test::MakeDemoInstall(folder.Sub("demo"));
    return manifest;
}

struct DemoRun {
    QuietDialogs dialogs;
    FixedToday clock;
    SeededRandom random;
    VirtualScheduler scheduler;
    Simulation sim;
    explicit DemoRun(std::uint64_t seed)
        : random(seed), sim(Ports{dialogs, clock, random, scheduler}, Demo().installFolder) {
        EXPECT_TRUE(sim.StartUp(Demo().dataFolder));
    }
    bool Display(const std::string& date, const std::string& code, bool simulation) {
        sim.day().SetDateText(date);
        sim.day().SetCodeText(code);
        sim.replay().SetSimulationChecked(simulation);
        return sim.day().DisplayDay() == Simulation::DisplayOutcome::Loaded;
    }
};

}  // namespace corvala
