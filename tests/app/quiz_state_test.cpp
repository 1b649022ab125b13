// The quiz mode as the program drives it: the package fetched with its waits and tries, unpacked
// in place of the old quiz folder, its day displayed from the operator's time or the open, and
// the user's own day brought back by the toggle or the exit.

#include <deque>
#include <filesystem>

#include "platform/archive.h"
#include "platform/files.h"
#include "quiz/quiz_description.h"
#include "replay_fixture.h"
#include "screening/search_download.h"
#include "settings/settings_files.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

// Answers each fetch with the next scripted result, later, as a network would.
class ScriptedDownloader final : public Downloader {
public:
    explicit ScriptedDownloader(Scheduler& scheduler) : scheduler_(scheduler) {}
    void Fetch(const std::string& url, std::function<void(std::int64_t, std::int64_t)>,
               std::function<void(Result)> done) override {
        Result r;
        if (url.ends_with(kQuizIdFile)) {  // the announced identifier, asked at start-up
            idAsked = true;
            r = idAnswer;
            scheduler_.After(10, [r, done] { done(r); });
            return;
        }
        urls.push_back(url);
        fetchedAt.push_back(scheduler_.NowMs());
        if (!answers.empty()) {
            r = answers.front();
            answers.pop_front();
        } else {
            r.error = "Connection refused";
        }
        scheduler_.After(10, [r, done] { done(r); });
    }
    void Cancel() override {}
    static Result Body(const std::string& bytes) {
        Result r;
        r.ok = true;
        r.httpStatus = 200;
        r.body = bytes;
        return r;
    }
    static Result Status(int status) {
        Result r;
        r.httpStatus = status;
        r.error = "HTTP " + std::to_string(status);
        return r;
    }
    std::deque<Result> answers;
    Result idAnswer = Status(404);
    bool idAsked = false;
    std::vector<std::string> urls;
    std::vector<std::int64_t> fetchedAt;

private:
    Scheduler& scheduler_;
};

class QuizStateTest : public test::ReplayFixture {
protected:
    QuizStateTest() : downloader(scheduler) {
        test::WriteFile(dir.Sub(kDownloadAddressFile), "http://127.0.0.1:9/kensaku/\r\n");
    }
    Simulation& Boot() {
        sim = std::make_unique<Simulation>(
            Ports{dialogs, clock, random, scheduler, &sound, nullptr, nullptr, &downloader, &archive}, dir.path());
        sim->LoadSettings("");
        EXPECT_TRUE(sim->StartUp());
        return *sim;
    }
    // A package of the fixture's 221104 with data.txt of `id`, starting at `startBar`.
    std::string Package(const std::string& id, int startBar, const std::string& startTime = "10:30:00") {
        test::TempDir source;
        fs::create_directories(source.Sub("出題/221104"));
        for (const char* file : {"8473.csv", "N225.csv"})
            fs::copy_file(dir.Sub(std::string("日中データ/221104/") + file), source.Sub(std::string("出題/221104/") + file),
                          fs::copy_options::overwrite_existing);
        test::WriteFile(source.Sub("出題/data.txt"),
                        id + "\r\n221104\r\n8473\r\n" + startTime + "\r\n" + std::to_string(startBar) + "\r\n");
        EXPECT_TRUE(test::MakeLhaArchive(source.path(), "出題", source.Sub("quest.lzh")));
        return ReadWholeFile(source.Sub("quest.lzh")).value_or("");
    }
    void ToggleOnAndWait() {
        sim->quizMode().SetChecked(true);
        ASSERT_TRUE(RunUntil([&] { return !sim->quizMode().busy(); }));
    }
    Settings Saved() { return ReadSettings(ReadWholeFile(dir.Sub(kSettingsFile)).value_or("")); }

    ScriptedDownloader downloader;
    LhaArchive archive;
};

TEST_F(QuizStateTest, TheQuizDayIsReplayedFromTheOperatorsTimeAndTheUsersDayComesBack) {
    Boot();
    EXPECT_EQ(d().quizColour, QuizButtonColour::Orange);  // no quiz folder yet: one can be fetched
    sim->day().SetDateText("221101");
    const std::string ownFolder = sim->settings().dataFolder();
    downloader.answers = {ScriptedDownloader::Body(Package("Q47", 18))};
    dialogs.answers = {true};
    const std::int64_t pressedAt = scheduler.NowMs();
    ToggleOnAndWait();
    ASSERT_EQ(downloader.urls, std::vector<std::string>{"http://127.0.0.1:9/kensaku/quest.lzh"});
    EXPECT_GE(downloader.fetchedAt[0] - pressedAt, 1000);  // a second before the fetch
    ASSERT_FALSE(dialogs.questions.empty());
    EXPECT_EQ(dialogs.questions.back().second,
              "運営者指定の時間からシミュレーションしますか？\n「いいえ」の場合、朝一からのシミュレーションになります。");
    EXPECT_TRUE(sim->quizMode().on());
    EXPECT_EQ(d().quizColour, QuizButtonColour::Yellow);
    EXPECT_EQ(sim->settings().dataFolder(), dir.Sub("出題") + "/");
    EXPECT_EQ(d().dateText, "221104");
    EXPECT_EQ(d().codeText, "8473");
    EXPECT_EQ(d().startHour, "10");
    EXPECT_EQ(d().startMinute, "30");
    EXPECT_EQ(sim->replay().clock().startBar, 18);
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    EXPECT_EQ(d().clockText, "10:30:00");
    EXPECT_FALSE(d().controls.dayInputsEnabled);
    EXPECT_EQ(sim->quizMode().description()->id, "Q47");

    // Stopped, and the quiz switched off with the stop's question: the user's own day again.
    dialogs.answers = {true, true};
    Press(kStop);
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
    EXPECT_FALSE(sim->quizMode().on());
    EXPECT_EQ(sim->settings().dataFolder(), ownFolder);
    EXPECT_EQ(d().dateText, "221101");
    EXPECT_EQ(d().codeText, "8473");
    EXPECT_TRUE(d().controls.dayInputsEnabled);
    EXPECT_EQ(d().quizColour, QuizButtonColour::Grey);
}

TEST_F(QuizStateTest, NoAtTheQuestionOrAStartBarOfZeroStartsAtTheOpen) {
    Boot();
    downloader.answers = {ScriptedDownloader::Body(Package("Q1", 18))};
    dialogs.answers = {false};
    ToggleOnAndWait();
    EXPECT_EQ(sim->replay().clock().startBar, 0);
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    EXPECT_EQ(d().clockText, "08:59:59");
    EXPECT_EQ(dialogs.questions.size(), 1u);
    RunToEnd();
    sim->quizMode().SetChecked(false);
    downloader.answers = {ScriptedDownloader::Body(Package("Q2", 0))};
    const std::size_t asked = dialogs.questions.size();
    ToggleOnAndWait();
    EXPECT_EQ(dialogs.questions.size(), asked);  // nothing to ask
    ASSERT_TRUE(RunUntil([&] { return sim->replay().waitingForPlay(); }));
    EXPECT_EQ(d().clockText, "08:59:59");
}

TEST_F(QuizStateTest, AFailedDownloadTriesThreeTimesThenSaysSoAndChangesNothing) {
    test::WriteFile(dir.Sub("出題/data.txt"), "OLD\r\n221102\r\n8473\r\n09:00:00\r\n0\r\n");
    test::WriteFile(dir.Sub(kQuizPackageFile), "a partial package");
    test::WriteFile(dir.Sub(".出題.new-abcdef/out/x"), "left by a crash");
    Boot();
    EXPECT_FALSE(DirExists(dir.Sub(".出題.new-abcdef")));  // cleared at the start
    const std::string folder = sim->settings().dataFolder(), date = d().dateText;
    downloader.answers = {ScriptedDownloader::Status(500), ScriptedDownloader::Status(500),
                          ScriptedDownloader::Status(500)};
    ToggleOnAndWait();
    ASSERT_EQ(downloader.urls.size(), 3u);
    EXPECT_GE(downloader.fetchedAt[1] - downloader.fetchedAt[0], 3000);  // three seconds apart
    EXPECT_GE(downloader.fetchedAt[2] - downloader.fetchedAt[1], 3000);
    ASSERT_FALSE(dialogs.notices.empty());
    EXPECT_EQ(dialogs.notices.back(),
              (std::pair<std::string, std::string>{
                  "ダウンロードエラー", "出題ファイルのダウンロードに失敗しました。\nしばらく時間を空けてから再度実行して下さい。"}));
    EXPECT_FALSE(sim->quizMode().on());
    EXPECT_FALSE(d().quizChecked);
    EXPECT_FALSE(d().busy.visible);
    EXPECT_EQ(sim->settings().dataFolder(), folder);
    EXPECT_EQ(d().dateText, date);
    EXPECT_EQ(ReadWholeFile(dir.Sub(kQuizPackageFile)), "a partial package");  // only a whole one replaces it
    EXPECT_TRUE(FileExists(dir.Sub("出題/data.txt")));  // the quiz folder as it was
    // A second try that answers at the last attempt goes through.
    downloader.answers = {ScriptedDownloader::Status(503), ScriptedDownloader::Status(503),
                          ScriptedDownloader::Body(Package("Q9", 0))};
    ToggleOnAndWait();
    EXPECT_TRUE(sim->quizMode().on());
}

TEST_F(QuizStateTest, ToggledOnTwiceTheNewPackageReplacesTheOldFolderAndABadOneChangesNothing) {
    Boot();
    downloader.answers = {ScriptedDownloader::Body(Package("Q1", 0))};
    ToggleOnAndWait();
    test::WriteFile(dir.Sub("出題/221104/stale.csv"), "x");
    RunToEnd();
    sim->quizMode().SetChecked(false);
    downloader.answers = {ScriptedDownloader::Body(Package("Q2", 0))};
    ToggleOnAndWait();
    EXPECT_EQ(sim->quizMode().description()->id, "Q2");
    EXPECT_FALSE(FileExists(dir.Sub("出題/221104/stale.csv")));
    EXPECT_FALSE(DirExists(dir.Sub("出題1")));
    // A package that is not an archive is refused: the quiz folder and the day stay.
    RunToEnd();
    sim->quizMode().SetChecked(false);
    const std::string date = d().dateText;
    downloader.answers = {ScriptedDownloader::Body("<html>503</html>")};
    ToggleOnAndWait();
    EXPECT_FALSE(sim->quizMode().on());
    ASSERT_FALSE(dialogs.notices.empty());
    EXPECT_EQ(dialogs.notices.back().first, "出題エラー");
    EXPECT_EQ(ReadQuizDescription(ReadWholeFile(dir.Sub("出題/data.txt")).value_or("")).quiz->id, "Q2");
    EXPECT_EQ(d().dateText, date);
    for (const std::string& name : ListSubfolders(dir.path())) EXPECT_EQ(name.find(".出題.new"), std::string::npos);
}

TEST_F(QuizStateTest, ClosingInQuizModeSavesTheUsersOwnFolderAndDay) {
    Boot();
    sim->day().SetDateText("221102");
    downloader.answers = {ScriptedDownloader::Body(Package("Q1", 0))};
    ToggleOnAndWait();
    ASSERT_TRUE(sim->quizMode().on());
    ASSERT_TRUE(sim->replay().RequestClose() && sim->SaveSettingsAtExit());
    EXPECT_EQ(Saved().dataFolder, "");  // the install folder's data was standing in: nothing set
    EXPECT_EQ(Saved().date, "221102");
    // With a folder of the user's own.
    sim->settings().SetDataFolder(dir.Sub("日中データ") + "/");
    downloader.answers = {ScriptedDownloader::Body(Package("Q2", 0))};
    ToggleOnAndWait();
    ASSERT_TRUE(sim->replay().RequestClose() && sim->SaveSettingsAtExit());
    EXPECT_EQ(Saved().dataFolder, dir.Sub("日中データ") + "/");
}

TEST_F(QuizStateTest, WhileThePackageComesTheDayCannotBeDisplayedAndOffDropsIt) {
    Boot();
    const std::string folder = sim->settings().dataFolder();
    downloader.answers = {ScriptedDownloader::Body(Package("Q1", 0))};
    sim->quizMode().SetChecked(true);
    ASSERT_TRUE(sim->quizMode().busy());
    EXPECT_TRUE(d().busy.visible);
    EXPECT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Error);  // no replay under the quiz
    EXPECT_FALSE(sim->replay().running());
    sim->quizMode().SetChecked(false);
    scheduler.RunUntilIdle();
    EXPECT_FALSE(sim->quizMode().on());
    EXPECT_FALSE(d().busy.visible);
    EXPECT_EQ(sim->settings().dataFolder(), folder);
    EXPECT_FALSE(DirExists(dir.Sub("出題")));
}

TEST_F(QuizStateTest, ASaveDuringTheQuizKeepsTheUsersFolderAndTheSettingsDialogDoesNotUndoTheToggle) {
    Boot();
    downloader.answers = {ScriptedDownloader::Body(Package("Q1", 0))};
    sim->PressSettings();  // the dialog stays open across the toggle
    ToggleOnAndWait();
    ASSERT_TRUE(sim->SaveSettings());
    EXPECT_EQ(Saved().dataFolder, "");  // the install folder's data stood in: nothing was set
    RunToEnd();
    sim->quizMode().SetChecked(false);
    const std::string own = sim->settings().dataFolder();
    sim->ApplySettingsDialog();
    EXPECT_EQ(sim->settings().dataFolder(), own);  // not the quiz folder of the moment the dialog came up
    EXPECT_EQ(Saved().dataFolder, "");
}

TEST_F(QuizStateTest, WithoutADataServiceTheButtonIsGreyAndSaysHowToSetOne) {
    fs::remove(dir.Sub(kDownloadAddressFile));
    Boot();
    EXPECT_EQ(d().quizColour, QuizButtonColour::Grey);
    EXPECT_NE(d().quizTip.find("設定されていない"), std::string::npos);
    sim->quizMode().SetChecked(true);
    EXPECT_FALSE(sim->quizMode().on());
    ASSERT_FALSE(dialogs.notices.empty());
    EXPECT_NE(dialogs.notices.back().second.find("ダウンロード先.txt"), std::string::npos);
    EXPECT_TRUE(downloader.urls.empty());
}

TEST_F(QuizStateTest, AnAnnouncedQuizOtherThanTheOneAtHandLightsTheButton) {
    test::WriteFile(dir.Sub("出題/data.txt"), "Q47\r\n221104\r\n8473\r\n10:30:00\r\n0\r\n");
    downloader.idAnswer = ScriptedDownloader::Body(" Q47 \r\n");
    Boot();
    scheduler.RunUntilIdle();
    EXPECT_TRUE(downloader.idAsked);
    EXPECT_EQ(d().quizColour, QuizButtonColour::Grey);
    downloader.idAnswer = ScriptedDownloader::Body("Q48\r\n");
    Boot();
    scheduler.RunUntilIdle();
    EXPECT_EQ(d().quizColour, QuizButtonColour::Orange);
    // No answer: the quiz at hand is taken as the newest.
    downloader.idAnswer = ScriptedDownloader::Status(404);
    Boot();
    scheduler.RunUntilIdle();
    EXPECT_EQ(d().quizColour, QuizButtonColour::Grey);
    // A Japanese identifier, CP932 on both sides, is the same quiz.
    test::WriteFile(dir.Sub("出題/data.txt"), EncodeCp932("第47回\r\n221104\r\n8473\r\n10:30:00\r\n0\r\n"));
    downloader.idAnswer = ScriptedDownloader::Body(EncodeCp932("第47回\r\n"));
    Boot();
    scheduler.RunUntilIdle();
    EXPECT_EQ(d().quizColour, QuizButtonColour::Grey);
}

}  // namespace
}  // namespace corvala
