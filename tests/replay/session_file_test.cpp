// Session files: what is written reads back as it was, what cannot be part of a session refuses
// the file with its line, a last line cut short by an ended program is dropped, and a session
// whose actions were edited into nonsense plays without harm.

#include "replay/session_file.h"

#include <filesystem>
#include <set>

#include "app/replay_fixture.h"
#include "platform/files.h"
#include "replay/session_ops.h"

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

SessionOutcome AnOutcome() {
    return {{{"09:00:00", false, 1, 100, 1000.1f, 100}, {"10:00:00", true, 1, 100, 1001, 300}},
            {3'000'000'000, 4'000'000'000, 0, 9'000'000'000, -5, true}};
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
    text += SessionEndLine("09:00:10", 10, "stopped", true, AnOutcome());
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
    EXPECT_EQ(f->version, kSessionVersion);
    ASSERT_TRUE(f->outcome);
    EXPECT_EQ(*f->outcome, AnOutcome());  // a float price, amounts beyond 32 bits, whole and exact
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

// The names are the file format: files written before hold exactly these, each reads back as the
// operation that wrote it, and a name no operation has (a case or a space off) is none.
TEST(SessionFileTest, EveryOperationKeepsTheNameItsFilesHold) {
    const std::set<std::string> written{
        "PressPlayback", "SetSpeedScroll", "ClickSpeedGauge", "ClickSlowestLabel", "SetLowSpeed",
        "RestoreChosenSpeed", "OpenNewOrderDialog", "ActivateNewOrderDialog", "SetOrderKind", "SetOrderOption",
        "EditOrderText", "SpinOrderField", "SetNewOrderSell", "SetOrderAlert", "SubmitNewOrderDialog",
        "CancelNewOrderDialog", "OpenClosingDialog", "SetClosingSide", "EditCloseRow", "ToggleCloseRow",
        "ToggleBulkClose", "SubmitClosingDialog", "CancelClosingDialog", "OpenCorrectCancelDialog",
        "SelectCorrectCancelLine", "CancelSelectedOrder", "CorrectSelectedOrder", "CloseCorrectCancelDialog",
        "ClickBoardPrice", "PlaceNewOrder", "PlaceClosingOrder", "SetCloseQuantity", "SetBulkClose", "CancelOrder",
        "SetSimulationChecked", "RequestClose", "SetHideBoardAndTape", "SetBoardOption", "SetTapeOption",
        "SetFillSoundOption", "SetTradeMarkerOption", "AddAlert", "RemoveAlert", "ClearAlerts", "OneKeyOrder"};
    std::set<std::string> named;
    for (std::size_t i = 0; i < kSessionOpCount; ++i) {
        const auto op = static_cast<SessionOp>(i);
        const std::string name = SessionOpName(op);
        named.insert(name);
        EXPECT_EQ(SessionOpFromName(name), op) << name;
    }
    EXPECT_EQ(named, written);
    for (const char* unknown : {"", "placeNewOrder", "PlaceNewOrder ", "PlaceNewOrde", "NoSuchOperation"})
        EXPECT_EQ(SessionOpFromName(unknown), std::nullopt) << unknown;
}

// The order form's ten arguments in the order files hold them, and back to the same form; the
// arguments an edited file left out read as empty.
TEST(SessionFileTest, TheOrderFormReadsBackFromItsArguments) {
    NewOrderForm f;
    f.kind = kKindNormalWithStop;
    f.sell = true;
    f.quantity = "1,000";
    f.price = "999.8";
    f.trigger = "1001";
    f.triggerBelow = true;
    f.stopMarket = true;
    const std::vector<std::string> args = OrderFormArgs(f);
    EXPECT_EQ(args, (std::vector<std::string>{"1", "true", "false", "1,000", "999.8", "1001", "", "false", "true", "true"}));
    ASSERT_EQ(args.size(), kOrderFormArgs);
    std::vector<std::string> placed{"x"};  // behind another argument
    placed.insert(placed.end(), args.begin(), args.end());
    EXPECT_EQ(OrderFormArgs(OrderFormFromArgs(placed, 1)), args);
    EXPECT_EQ(OrderFormArgs(OrderFormFromArgs({"2", "true", "true", "100"}, 0)),
              (std::vector<std::string>{"2", "true", "true", "100", "", "", "", "false", "false", "false"}));
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
        {"{\"session\":3,\"start\":{}}\n", "読めない版"},
        {"{\"session\":0,\"start\":{}}\n", "読めない版"},
        {"{\"session\":1,\"start\":{\"date\":\"221102\"},\"files\":[]}\n", "1 行目"},
        {header + "{\"at\":\"15:00:00\",\"step\":9,\"end\":\"completed\",\"kept\":true}\n", "2 行目: 終わりの行に実行結果"},
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

// The header is fingerprinted with the data files it names: an edited day, stock, amount or file
// list is refused; the data folder may move. A file of the first version has no fingerprint and no
// outcome, and is still read.
TEST(SessionFileTest, AnEditedStartIsRefusedAndAFileOfTheFirstVersionIsRead) {
    const std::string header = SessionHeaderLine(AStart());
    const auto edited = [&](const std::string& from, const std::string& to) {
        std::string text = header;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::string files = header.substr(header.find("[{\"name\""), header.find("}]") + 2 - header.find("[{\"name\""));
    for (const std::string& text : {edited("\"221102\"", "\"221104\""), edited("\"8473\"", "\"6501\""),
                                    edited(files, "[]"), edited("2000000", "9000000"), edited("0123456789abcdef", "0123456789abcdee")}) {
        std::string error;
        EXPECT_FALSE(ParseSession(text, error)) << text;
        EXPECT_NE(error.find("1 行目: 開始の記録"), std::string::npos) << error;
    }
    std::string error;
    const auto moved = ParseSession(edited("/data/", "/mnt/usb/"), error);
    ASSERT_TRUE(moved) << error;
    EXPECT_EQ(moved->start.dataFolder, "/mnt/usb/日中データ");

    // Version 1: no fingerprint, an end line without outcome.
    std::string old = header.substr(0, header.find(",\"fingerprint\"")) + "}\n";
    old.replace(old.find("\"session\":2"), 11, "\"session\":1");
    old += "{\"at\":\"15:00:00\",\"step\":9,\"end\":\"completed\",\"kept\":true}\n";
    const auto f = ParseSession(old, error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->version, 1);
    EXPECT_EQ(f->end, "completed");
    EXPECT_FALSE(f->outcome);
}

// The files a header names must be what a display of its day reads.
TEST(SessionFileTest, TheDataFilesMustBeThoseOfTheDayTheStartNames) {
    SessionStart s = AStart();  // 221102, 8473, 日経225 (N225)
    const auto with = [&](std::vector<std::string> names) {
        s.files.clear();
        for (std::string& name : names) s.files.push_back({std::move(name), 1, "0000000000000000"});
        return CheckSessionHeader(s);
    };
    EXPECT_EQ(with({"221101/N225.csv", "221101/8473.csv", "221102/N225.csv", "221102/8473.csv"}), "");
    EXPECT_EQ(with({"221102/N225.csv", "221102/8473.csv"}), "");  // no earlier day
    for (const std::vector<std::string>& names : std::vector<std::vector<std::string>>{
             {},
             {"221102/8473.csv"},
             {"221101/N225.csv", "221101/8473.csv"},
             {"221102/N225.csv", "221102/6501.csv"},
             {"221103/N225.csv", "221102/N225.csv", "221102/8473.csv"},
             {"221101/N225.csv", "221031/8473.csv", "221102/N225.csv", "221102/8473.csv"},
             {"221102/N225.csv", "221102/8473.csv", "221102/TOPIX.csv"}}) {
        EXPECT_NE(with(names).find("合いません"), std::string::npos) << names.size();
    }
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

class SessionPlaybackTest : public test::ReplayFixture {
protected:
    // A day with a market buy before the open, played to 15:00 and kept, as its file holds it.
    SessionFile RecordedDay() {
        Prepare();
        EXPECT_EQ(Place("100", "").status, EntryOutcome::Status::Stored);
        sim->replay().speed().SetSpeedScroll(1);
        RunToEnd();
        std::string error;
        auto f = ReadSession(sim->sessions().path(), error);
        EXPECT_TRUE(f && f->outcome && !f->outcome->fills.empty()) << error;
        return f ? *f : SessionFile{};
    }
    // Plays `f` in the window's way (the user's own account back afterwards) to where it ends.
    const SessionRecorder::PlaybackOutcome& Play(const SessionFile& f) {
        EXPECT_EQ(sim->player().Play(f, /*restoreAfter=*/true), "");
        RunUntil([&] { return !sim->sessions().playing(); }, 100'000'000);
        return sim->sessions().outcome();
    }
};

// An alert set on the day shown before 開 始 is in the run's header: the played session pauses
// where the run did, and the user's play after the pause fits it.
TEST_F(SessionPlaybackTest, AnAlertSetBeforeTheRunBeganPausesThePlayedSessionToo) {
    for (int row = 240; row <= stock.closingLine(); ++row) stock.Set(row, 3, "1010");
    AddStock("221102", "8473", stock);
    Start();
    sim->day().SetDateText("221102");
    sim->day().SetCodeText("8473");
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);  // shown, not replayed
    ASSERT_TRUE(sim->alerts().Add(1005));
    sim->replay().SetSimulationChecked(true);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    const auto playOn = [&] {
        if (sim->replay().waitingForPlay() || (sim->replay().clock().heldPaused && sim->replay().clock().paused)) Press(kPlayPause);
        return !sim->replay().running();
    };
    ASSERT_TRUE(RunUntil(playOn));
    ASSERT_EQ(sim->replay().firedAlerts().size(), 1u);
    const std::string firedAt = sim->replay().firedAlerts()[0].clock;
    std::string error;
    const auto f = ReadSession(sim->sessions().path(), error);
    ASSERT_TRUE(f) << error;
    EXPECT_EQ(f->start.alerts, (std::vector<double>{1005}));
    EXPECT_TRUE(Play(*f).matched);
    ASSERT_EQ(sim->replay().firedAlerts().size(), 1u);
    EXPECT_EQ(sim->replay().firedAlerts()[0].clock, firedAt);
}

// What the window's message line says when 再現 ends: as recorded, otherwise (an edited order,
// an edited outcome), or cut short.
TEST_F(SessionPlaybackTest, HowAPlayedSessionEndedIsToldOnTheMessageLine) {
    const SessionFile recorded = RecordedDay();
    const SessionRecorder::PlaybackOutcome& o = Play(recorded);
    EXPECT_TRUE(o.matched && o.outcomeChecked);
    EXPECT_NE(d().message.text.find("記録と同じ"), std::string::npos) << d().message.text;

    SessionFile edited = recorded;
    edited.outcome->account.profitTotal += 1;
    EXPECT_FALSE(Play(edited).matched);
    EXPECT_NE(d().message.text.find("記録と違う結果"), std::string::npos) << d().message.text;

    edited = recorded;
    for (SessionAction& a : edited.actions)
        if (a.op == "PlaceNewOrder") a.args[3] = "200";
    EXPECT_FALSE(Play(edited).matched);
    EXPECT_NE(d().message.text.find("記録と違う結果"), std::string::npos) << d().message.text;

    SessionFile cut = recorded;
    cut.end.clear();
    cut.outcome.reset();
    EXPECT_TRUE(Play(cut).cutShort);
    EXPECT_NE(d().message.text.find("途中で終わっている"), std::string::npos) << d().message.text;
}

// A file of the first version is matched on its end line alone and says so; its start must
// still agree with the files the display reads.
TEST_F(SessionPlaybackTest, AFileOfTheFirstVersionPlaysWhenItsStartAgreesWithTheDayRead) {
    SessionFile old = RecordedDay();
    old.version = 1;
    old.outcome.reset();
    const SessionRecorder::PlaybackOutcome& o = Play(old);
    EXPECT_TRUE(o.matched);
    EXPECT_FALSE(o.outcomeChecked);
    EXPECT_NE(d().message.text.find("照合していません"), std::string::npos) << d().message.text;
    // Without the earlier day's files the header does not say all the display read.
    ASSERT_EQ(old.start.files.size(), 4u);
    old.start.files.erase(old.start.files.begin(), old.start.files.begin() + 2);
    EXPECT_NE(sim->player().Play(old, true).find("合いません"), std::string::npos);
    EXPECT_FALSE(sim->sessions().playing());
    EXPECT_FALSE(sim->replay().running() && sim->replay().clock().replayReady);
}

// Its data folder gone, a session plays from the folder in use when that holds the same files.
TEST_F(SessionPlaybackTest, ASessionWhoseDataFolderMovedPlaysFromTheFolderInUse) {
    const SessionFile recorded = RecordedDay();
    std::filesystem::rename(dir.Sub("日中データ"), dir.Sub("moved"));
    sim->settings().SetDataFolder(dir.Sub("moved") + "/");
    EXPECT_TRUE(Play(recorded).matched);
    EXPECT_EQ(sim->settings().dataFolder(), dir.Sub("moved") + "/");
    // A folder in use that holds other files does not stand in.
    test::WriteFile(dir.Sub("moved/221102/8473.csv"), "changed");
    EXPECT_NE(sim->player().Play(recorded, true).find("ありません"), std::string::npos);
}

// Actions edited into what no dialog sends, unknown operations and missing arguments change
// nothing: a market buy whose kind was edited to 5 is not placed, the ones beside it are.
TEST_F(SessionPlaybackTest, EditedNonsenseActionsChangeNothing) {
    Prepare();
    const auto market = [](const char* kind) {
        return std::vector<std::string>{kind, "false", "false", "100", "", "", "", "true", "false", "false", ""};
    };
    std::string error;
    auto recorded = ReadSession(sim->sessions().path(), error);
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
    ASSERT_EQ(sim->player().Play(f, false), "");
    EXPECT_EQ(sim->display().pendingLines.size(), 1u);
    EXPECT_EQ(sim->sessions().outcome().actionsLeft, 0);
    EXPECT_TRUE(sim->sessions().playing());
    // The file has no end line: past its last action the replay stops, nothing settled.
    RunUntil([&] { return !sim->sessions().playing(); }, 100'000);
    EXPECT_TRUE(sim->sessions().outcome().cutShort);
    EXPECT_EQ(sim->sessions().outcome().answersLeft, 0);
    EXPECT_TRUE(sim->trading().fills().empty());
}

}  // namespace
}  // namespace corvala
