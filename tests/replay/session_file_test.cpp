// Session files: what is written reads back as it was, what cannot be part of a session refuses
// the file with its line, a last line cut short by an ended program is dropped, and a session
// whose actions were edited into nonsense plays without harm.

#include "replay/session_file.h"

#include "platform/files.h"
#include "replay_fixture.h"

namespace corvala {
namespace {

SessionStart AStart() {
    SessionStart s;
    s.dataFolder = "/data/日中データ";
    s.date = "221102";
    s.code = "8473";
    s.series = "日経225";
    s.startBar = 12;
    s.startTime = "10:00:00";
    s.midSessionStart = true;
    s.seed = 18'446'744'073'709'551'615ull;  // every bit of a 64-bit seed survives
    s.investment = 2'000'000;
    s.profitTotal = 1'500;
    s.lossTotal = 700;
    s.givenTape = {"09:00:00 10,000 3,181"};
    s.files = {{"221101/N225.csv", 10, "0123456789abcdef"}};
    return s;
}

TEST(SessionFileTest, WhatIsWrittenReadsBackAsItWas) {
    std::string text = SessionHeaderLine(AStart());
    text += SessionActionLine({0, 0, "08:59:59", "EditOrderText", {"false", "1", "1,200"}});
    text += SessionAnswerLine("08:59:59", 0, true);
    text += SessionActionLine({0, 3, "08:59:59", "PressPlayback", {"0"}});
    text += SessionActionLine({0, 3, "08:59:59", "PressPlayback", {"3"}});  // 1分前, by its tip
    text += SessionActionLine({0, 9, "09:00:10", "SetSpeedScroll", {"1"}});
    text += SessionActionLine({0, 9, "09:00:10", "SetSpeedScroll", {"40"}});  // outside 1–30: kept as it was called
    text += SessionActionLine({0, 9, "09:00:10", "SetLowSpeed", {"true"}});
    text += SessionClockLine({{2026, 12, 8}, 36'005});
    text += SessionBoardClickLine(false);
    text += SessionAnswerLine("09:00:10", 9, false);
    text += SessionEndLine("09:00:10", 10, "stopped", true);
    for (const char c : text) ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "the file is plain ASCII";

    std::string error;
    const auto f = ParseSession(text, error);
    ASSERT_TRUE(f) << error;
    const SessionStart& s = f->start;
    EXPECT_EQ(s.dataFolder, "/data/日中データ");
    EXPECT_EQ(s.series, "日経225");
    EXPECT_EQ(s.seed, 18'446'744'073'709'551'615ull);
    EXPECT_EQ(std::tie(s.startBar, s.startTime, s.midSessionStart), std::make_tuple(12, std::string("10:00:00"), true));
    EXPECT_EQ(std::tie(s.investment, s.profitTotal, s.lossTotal), std::make_tuple(2'000'000, 1'500, 700));
    EXPECT_EQ(s.givenTape, AStart().givenTape);
    ASSERT_EQ(s.files.size(), 1u);
    EXPECT_EQ(s.files[0].fnv1a64, "0123456789abcdef");
    ASSERT_EQ(f->actions.size(), 6u);
    EXPECT_EQ(f->actions[0].args, (std::vector<std::string>{"false", "1", "1,200"}));
    EXPECT_EQ(f->actions[1].op, "PressPlayback");
    EXPECT_EQ(f->actions[2].args, std::vector<std::string>{"3"});
    EXPECT_EQ(f->actions[3].args, std::vector<std::string>{"1"});
    EXPECT_EQ(f->actions[4].args, std::vector<std::string>{"40"});
    EXPECT_EQ(f->actions[5].args, std::vector<std::string>{"true"});
    EXPECT_EQ(f->actions[5].step, 9);
    EXPECT_EQ(f->answers, (std::vector<bool>{true, false}));
    ASSERT_EQ(f->clockReadings.size(), 1u);
    EXPECT_EQ(f->clockReadings[0].date, (Ymd{2026, 12, 8}));
    EXPECT_EQ(f->clockReadings[0].seconds, 36'005);
    EXPECT_EQ(f->boardClicks, std::vector<bool>{false});
    EXPECT_EQ(f->end, "stopped");
}

TEST(SessionFileTest, ScriptLinesReadAsTheirOperations) {
    const std::string text = SessionHeaderLine(AStart()) +
                             "{\"at\":\"09:00:00\",\"step\":1,\"press\":\"＞\"}\n"
                             "{\"at\":\"09:00:00\",\"step\":1,\"press\":\"≫\"}\n"
                             "{\"at\":\"09:00:00\",\"step\":2,\"speed\":20}\n";
    std::string error;
    const auto f = ParseSession(text, error);
    ASSERT_TRUE(f) << error;
    ASSERT_EQ(f->actions.size(), 3u);
    EXPECT_EQ(f->actions[0].args, std::vector<std::string>{std::to_string(kPlayPause)});
    EXPECT_EQ(f->actions[1].args, std::vector<std::string>{std::to_string(kBarForward)});
    EXPECT_EQ(f->actions[2].op, "SetSpeedScroll");
    EXPECT_EQ(f->actions[2].args, std::vector<std::string>{"11"});
}

TEST(SessionFileTest, WhatCannotBePartOfASessionRefusesTheFileWithItsLine) {
    const std::string header = SessionHeaderLine(AStart());
    const std::string action = SessionActionLine({0, 5, "09:00:00", "PressPlayback", {"0"}});
    struct Case {
        std::string text, says;
    };
    const std::vector<Case> cases = {
        {"", "セッションファイルではありません"},
        {"{\"at\":\"09:00:00\",\"step\":0,\"press\":\"||\"}\n", "セッションファイルではありません"},
        {"{\"session\":2,\"start\":{}}\n", "読めない版"},
        {"{\"session\":1,\"start\":{\"date\":\"221102\"},\"files\":[]}\n", "1 行目"},
        {header + "not json\n" + action, "2 行目: JSON の行ではありません"},
        {header + action + SessionActionLine({0, 4, "09:00:00", "PressPlayback", {"0"}}), "3 行目: \"step\" が前の行より"},
        {header + "{\"at\":\"09:00:00\",\"press\":\"||\"}\n", "\"step\" がありません"},
        {header + "{\"step\":1,\"press\":\"??\"}\n", "ボタンがわかりません"},
        {header + "{\"step\":1,\"speed\":31}\n", "1 から 30"},
        {header + "{\"step\":1,\"answer\":\"たぶん\"}\n", "はい か いいえ"},
        {header + "{\"clock\":\"2026-12-08 10:00:00\"}\n", "YYYY/MM/DD"},
        {header + "{\"step\":1,\"what\":true}\n", "操作がわかりません"},
        {header + "[1,2]\n" + action, "2 行目"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseSession(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.text << " → " << error;
    }
    // A data file's name may not climb out of the data folder.
    SessionStart climbing = AStart();
    climbing.files[0].name = "../../etc/passwd";
    std::string error;
    EXPECT_FALSE(ParseSession(SessionHeaderLine(climbing), error));
    EXPECT_NE(error.find("名前が正しくありません"), std::string::npos);
}

TEST(SessionFileTest, ALastLineCutShortIsDroppedAndBlankLinesAndCrLfAreRead) {
    const std::string header = SessionHeaderLine(AStart());
    const std::string action = SessionActionLine({0, 5, "09:00:00", "PressPlayback", {"0"}});
    std::string error;
    auto f = ParseSession(header + "\r\n" + action + action.substr(0, 20), error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->actions.size(), 1u);
    EXPECT_EQ(f->end, "");
    // Cut short but followed by a line break, it was not the last thing written: refused.
    EXPECT_FALSE(ParseSession(header + action.substr(0, 20) + "\n" + action, error));
}

TEST(SessionFileTest, TheDataFilesAreComparedBySizeAndFingerprint) {
    test::TempDir dir;
    test::WriteFile(dir.Sub("221102/8473.csv"), "abc");
    SessionStart s = AStart();
    s.dataFolder = dir.path();
    s.files = {*DescribeDataFile(dir.path(), "221102/8473.csv")};
    EXPECT_EQ(s.files[0].fnv1a64, Fnv1a64("abc"));
    EXPECT_EQ(Fnv1a64(""), "cbf29ce484222325");  // the FNV-1a offset basis
    EXPECT_EQ(CheckSessionData(s), "");
    test::WriteFile(dir.Sub("221102/8473.csv"), "abd");  // same size, other bytes
    EXPECT_NE(CheckSessionData(s).find("変わっています"), std::string::npos);
    RemoveFile(dir.Sub("221102/8473.csv"));
    EXPECT_NE(CheckSessionData(s).find("がありません"), std::string::npos);
    s.dataFolder = dir.Sub("gone");
    EXPECT_NE(CheckSessionData(s).find("データフォルダ"), std::string::npos);
}

class SessionPlaybackTest : public test::ReplayFixture {};

// Actions edited into what no dialog sends, unknown operations and missing arguments change
// nothing: a market buy whose kind was edited to 5 is not placed, the ones beside it are.
TEST_F(SessionPlaybackTest, EditedNonsenseActionsChangeNothing) {
    Prepare();
    const auto market = [](const char* kind) {
        return std::vector<std::string>{kind, "false", "false", "100", "", "", "", "true", "false", "false", ""};
    };
    std::string error;
    auto recorded = ReadSession(sim->sessionPath(), error);
    ASSERT_TRUE(recorded) << error;
    SessionFile f = *recorded;
    f.actions = {
        {0, 0, "", "EditOrderText", {"false", "99", "1"}},
        {0, 0, "", "SpinOrderField", {"true", "-1", "true"}},
        {0, 0, "", "SetOrderOption", {"false", "7", "true"}},
        {0, 0, "", "SetOrderKind", {"false", "9"}},
        {0, 0, "", "PlaceNewOrder", market("5")},
        {0, 0, "", "PlaceClosingOrder", {"0", "false", "false", "", "", "", "", "true", "false", "false", "42", ""}},
        {0, 0, "", "SetBulkClose", {"-3", "true"}},
        {0, 0, "", "PressPlayback", {"99"}},
        {0, 0, "", "ClickBoardPrice", {"1000"}},
        {0, 0, "", "SetCloseQuantity", {"-1", "100"}},
        {0, 0, "", "CancelOrder", {"31", "true"}},
        {0, 0, "", "EditCloseRow", {"12", "100"}},
        {0, 0, "", "SelectCorrectCancelLine", {"-5"}},
        {0, 0, "", "NoSuchOperation", {}},
        {0, 0, "", "PlaceNewOrder", {}},
        {0, 0, "", "PlaceNewOrder", market("0")},  // the one real order
    };
    f.answers = {true};
    Start();
    ASSERT_EQ(sim->PlaySession(f, false), "");
    EXPECT_EQ(sim->display().pendingLines.size(), 1u);
    EXPECT_EQ(sim->playbackOutcome().actionsLeft, 0);
    EXPECT_TRUE(sim->playingSession());
    // The file has no end line: past its last action the replay stops, nothing settled.
    RunUntil([&] { return !sim->playingSession(); }, 100'000);
    EXPECT_TRUE(sim->playbackOutcome().cutShort);
    EXPECT_EQ(sim->playbackOutcome().answersLeft, 0);
    EXPECT_TRUE(sim->fills().empty());
}

}  // namespace
}  // namespace corvala
