#pragma once
// A simulation over a small data tree on virtual time, with helpers that play the user.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/simulation.h"
#include "platform/cp932.h"
#include "platform/virtual_scheduler.h"
#include "replay/navigation.h"
#include "test_support.h"

namespace corvala::test {

// The sounds asked for, by file name, with the virtual time of each.
class RecordingSound final : public Sound {
public:
    explicit RecordingSound(const VirtualScheduler& scheduler) : scheduler_(scheduler) {}
    void Play(const std::string& path) override {
        played.push_back({path.substr(path.find_last_of('/') + 1), scheduler_.NowMs()});
    }
    std::vector<std::pair<std::string, std::int64_t>> played;

private:
    const VirtualScheduler& scheduler_;
};

struct StepRecord {
    int row;
    std::string clock;
    std::int64_t ms;  // virtual time when the step began its timed part
    bool fastForward;
};

class ReplayFixture : public ::testing::Test {
protected:
    ReplayFixture() {
        WriteFile(dir.Sub("銘柄リスト.csv"), EncodeCp932("8473,8473.T,テスト証券\r\n6501,6501.T,電機\r\n"));
        for (const char* date : {"221101", "221102", "221104"}) {
            AddSeries(date, "N225");
            stock.Set(0, 0, std::string("2022/11/") + (date + 4));
            AddStock(date, "8473", stock);
        }
        AddStock("221104", "6501", DayFileBuilder());
    }

    void AddSeries(const std::string& date, const std::string& code) {
        DayFileBuilder b;
        b.SetAll(34, "-");
        WriteFile(dir.Sub("日中データ/" + date + "/" + code + ".csv"), b.Bytes());
    }
    void AddStock(const std::string& date, const std::string& code, const DayFileBuilder& b) {
        WriteFile(dir.Sub("日中データ/" + date + "/" + code + ".csv"), b.Bytes());
    }

    Simulation& Start() {
        sim = std::make_unique<Simulation>(Ports{dialogs, clock, random, scheduler, &sound}, dir.path());
        EXPECT_TRUE(sim->StartUp());
        sim->replay().SetStepObserver([this](int row) {
            steps.push_back({row, sim->display().clockText, scheduler.NowMs(),
                             sim->replay().clock().fastForward});
        });
        return *sim;
    }

    // Starts the replay of 221102 and waits until it asks for play at 08:59:59.
    void Prepare(const std::string& date = "221102") {
        if (!sim) Start();
        sim->day().SetDateText(date);
        sim->day().SetCodeText("8473");
        sim->replay().SetSimulationChecked(true);
        ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
        ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    }

    template <class Done>
    bool RunUntil(Done done, std::int64_t limitMs = 100'000'000) {
        return scheduler.RunUntil(done, limitMs);
    }
    // Runs until the step of `row` has begun its timed part.
    bool RunToRow(int row) {
        return RunUntil([&] { return !steps.empty() && steps.back().row == row; });
    }
    // Presses play whenever the replay waits for it, until the loop ends.
    void RunToEnd() {
        RunUntil([&] {
            if (sim->replay().waitingForPlay()) Press(kPlayPause);
            return !sim->replay().running();
        });
    }

    void Press(int index) { sim->replay().PressPlayback(index); }
    // A normal new order confirmed with はい: a limit at `price`, or 成行 without one.
    EntryOutcome Place(const std::string& qty, const std::string& price, bool sell = false) {
        NewOrderForm f;
        f.quantity = qty;
        f.price = price;
        f.normalMarket = price.empty();
        f.sell = sell;
        dialogs.answers = {true};
        return sim->trading().PlaceNewOrder(f);
    }
    const MainDisplay& d() const { return sim->display(); }
    const PlaybackButton& Button(int index) const {
        return d().controls.playback[static_cast<std::size_t>(index)];
    }
    std::vector<int> EnabledButtons() const {
        std::vector<int> out;
        for (int i = 0; i < kPlaybackButtons; ++i)
            if (Button(i).enabled) out.push_back(i);
        return out;
    }

    TempDir dir;
    DayFileBuilder stock;
    ScriptedDialogs dialogs;
    FixedClock clock{Ymd{2022, 11, 10}};
    FixedRandom random;
    VirtualScheduler scheduler;
    RecordingSound sound{scheduler};
    std::unique_ptr<Simulation> sim;
    std::vector<StepRecord> steps;
};

}  // namespace corvala::test
