// The program's settings across runs: what a start takes from setsim, what an exit writes back,
// the settings dialog's effect on the running program, and the data folder that is saved.

#include <filesystem>

#include "platform/files.h"
#include "replay_fixture.h"
#include "settings/settings_files.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

// The folder picker answers what the test put in.
class ScriptedPicker final : public FolderPicker {
public:
    std::string answer;
    int asked = 0;
    void ChooseFolder(std::function<void(const std::string&)> done) override {
        ++asked;
        done(answer);
    }
};

class SettingsStateTest : public test::ReplayFixture {
protected:
    // A start of the program: the settings, then the rest of the start-up.
    Simulation& Boot(const std::string& appData = {}) {
        sim = std::make_unique<Simulation>(
            Ports{dialogs, clock, random, scheduler, &sound, &drives, &picker}, dir.path());
        disclaimer = sim->LoadSettings(appData);
        EXPECT_TRUE(sim->StartUp());
        return *sim;
    }
    // The window's close: the questions, then the save.
    bool Exit() { return sim->replay().RequestClose() && sim->SaveSettingsAtExit(); }
    Settings Saved() { return ReadSettings(ReadWholeFile(dir.Sub(kSettingsFile)).value_or("")); }
    void WriteSetsim(const Settings& s) { test::WriteFile(dir.Sub(kSettingsFile), WriteSettings(s)); }
    std::string DataFolder() const { return dir.Sub("日中データ") + "/"; }

    test::FakeDrives drives;
    ScriptedPicker picker;
    bool disclaimer = false;
};

TEST_F(SettingsStateTest, TheTotalsAndTheTaxCarryOverToTheNextStart) {
    test::DayFileBuilder b;
    b.Set(b.closingLine(), 3, "1050");
    AddStock("221102", "8473", b);
    Boot();
    EXPECT_TRUE(disclaimer);  // the factory settings show it
    Prepare();
    dialogs.answers = {true};
    NewOrderForm buy;
    buy.quantity = "100";
    buy.normalMarket = true;
    ASSERT_EQ(sim->trading().PlaceNewOrder(buy).status, EntryOutcome::Status::Stored);
    sim->replay().speed().SetSpeedScroll(1);
    RunToEnd();
    ASSERT_EQ(sim->trading().account().profitTotal, 5000);
    const std::string afterTax = d().netPnlAfterTaxText;
    const std::string investment = d().investmentText;
    ASSERT_TRUE(Exit());

    Boot();
    EXPECT_EQ(sim->trading().account().profitTotal, 5000);
    EXPECT_EQ(sim->trading().account().lossTotal, 0);
    EXPECT_EQ(d().netPnlAfterTaxText, afterTax);
    EXPECT_EQ(d().netPnlAfterTaxText, "3,984");
    EXPECT_EQ(d().investmentText, investment);  // 1,000,000 + the after-tax total
    EXPECT_EQ(d().buyingPowerText, "3,011,952");
    // The day, the code and the simulation switch come back too.
    EXPECT_EQ(d().dateText, "221102");
    EXPECT_EQ(d().codeText, "8473");
    EXPECT_TRUE(d().simulationChecked);
}

TEST_F(SettingsStateTest, EveryOptionAndValueOfTheWindowComesBack) {
    Settings s = FactorySettings();
    s.showDisclaimer = false;
    s.date = "221101";
    s.code = "6501";
    s.speed = 23;
    s.tick = true;
    s.vwap = false;
    s.board = false;
    s.tape = false;
    s.fillSound = false;
    s.tradeMarkers = false;
    s.ma1 = 3;
    s.ma2 = 20;
    s.barLength = 2;
    s.dataFolder = DataFolder();
    s.screening.threshold = 12;
    s.reserved = "\x81\x9a";
    WriteSetsim(s);
    Boot();
    EXPECT_FALSE(disclaimer);
    EXPECT_EQ(d().dateText, "221101");
    EXPECT_EQ(d().codeText, "6501");
    EXPECT_EQ(d().nameLabel.rfind("電機", 0), 0u);
    EXPECT_EQ(d().speed.speed, 23);
    EXPECT_TRUE(d().chartOptions.tick);
    EXPECT_FALSE(d().chartOptions.vwap);
    EXPECT_FALSE(d().boardOption);
    EXPECT_FALSE(d().tapeOption);
    EXPECT_FALSE(d().fillSoundOption);
    EXPECT_FALSE(d().tradeMarkerOption);
    EXPECT_EQ(sim->day().barLength(), 2);
    EXPECT_EQ(d().barsCaption, "2分足");
    EXPECT_EQ(d().average1Caption, "3本平均");
    EXPECT_EQ(d().average2Caption, "20本平均");
    EXPECT_EQ(sim->settings().dataFolder(), DataFolder());
    EXPECT_EQ(sim->settings().dialog().fields, (SettingsFields{DataFolder(), "2", "3", "20", {}}));
    // Saved untouched, the file is the same bytes.
    const std::string before = *ReadWholeFile(dir.Sub(kSettingsFile));
    ASSERT_TRUE(Exit());
    EXPECT_EQ(*ReadWholeFile(dir.Sub(kSettingsFile)), before);
}

TEST_F(SettingsStateTest, AnInvestmentBelow300000StartsInCashOnlyWithItsMessage) {
    Settings s = FactorySettings();
    s.investment = 250'000;
    WriteSetsim(s);
    Boot();
    EXPECT_TRUE(sim->trading().account().cashOnly);
    EXPECT_TRUE(d().cashOnlyChecked);
    EXPECT_EQ(d().message.text, "投資金額が30万円を割っていますので、現物取引のみとなります。");
    EXPECT_EQ(d().buyingPowerText, "250,000");
    ASSERT_TRUE(Exit());
    EXPECT_TRUE(Saved().cashOnly);
    EXPECT_EQ(Saved().investment, 250'000);
}

TEST_F(SettingsStateTest, TheInstallFoldersDataStandingInForAMissingFolderIsNeverSaved) {
    Settings s = FactorySettings();
    s.dataFolder = "/media/gone/日中データ/";
    WriteSetsim(s);
    Boot();
    EXPECT_EQ(sim->settings().dataFolder(), DataFolder());  // the install folder's data is used meanwhile
    // 設定 with the folder field as it was keeps the stand-in too.
    sim->PressSettings();
    sim->ApplySettingsDialog();
    EXPECT_EQ(sim->settings().dataFolder(), DataFolder());
    ASSERT_TRUE(Exit());
    EXPECT_EQ(Saved().dataFolder, "/media/gone/日中データ/");
    // A first start without any folder leaves the line empty, so that the next start looks again.
    s.dataFolder.clear();
    WriteSetsim(s);
    Boot();
    ASSERT_TRUE(Exit());
    EXPECT_EQ(Saved().dataFolder, "");
    // A folder the user sets is theirs, even the install folder's own.
    Boot();
    sim->settings().Activate();
    sim->settings().EditFolder(dir.Sub("日中データ"));
    sim->ApplySettingsDialog();
    EXPECT_EQ(Saved().dataFolder, DataFolder());
}

TEST_F(SettingsStateTest, TheQuizFolderIsNeverSavedAsTheDataFolder) {
    Boot();
    sim->settings().SetDataFolder(dir.Sub("出題") + "/");
    sim->settings().SetQuizOwnFolder("/home/me/日中データ/");
    ASSERT_TRUE(Exit());
    EXPECT_EQ(Saved().dataFolder, "/home/me/日中データ/");
}

TEST_F(SettingsStateTest, ApplyTakesTheFieldsRewritesTheCaptionsAndSaves) {
    Boot();
    sim->day().SetDateText("221102");
    sim->day().SetCodeText("8473");
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    ASSERT_TRUE(sim->chart().showsDay());
    sim->PressSettings();
    EXPECT_TRUE(sim->settings().dialog().visible);
    sim->settings().EditPeriod(0, "30");
    EXPECT_EQ(sim->settings().dialog().fields.ma1, "24");
    EXPECT_FALSE(sim->chart().showsDay());  // an edit clears the chart to its frame
    sim->settings().EditPeriod(1, "");
    sim->settings().ChooseBarLength("3");
    sim->ApplySettingsDialog();
    EXPECT_FALSE(sim->settings().dialog().visible);
    EXPECT_EQ(sim->day().barLength(), 3);
    EXPECT_EQ(sim->chart().averagePeriods(), (std::array<int, 2>{24, 12}));
    EXPECT_EQ(d().barsCaption, "3分足");
    EXPECT_EQ(d().average1Caption, "24本平均");
    const Settings saved = Saved();
    EXPECT_EQ(saved.ma1, 24);
    EXPECT_EQ(saved.ma2, 12);
    EXPECT_EQ(saved.barLength, 3);
    // The next display draws with them.
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    EXPECT_EQ(sim->chart().data().geometry.barLength(), 3);
}

TEST_F(SettingsStateTest, TheFolderButtonSetsTheFolderAtOnceAndCancelTakesItBack) {
    Boot();
    const std::string before = sim->settings().dataFolder();
    const std::string stick = dir.Sub("media/USB/日中データ");
    fs::create_directories(stick);
    drives.removableRoots = {dir.Sub("media/USB")};
    sim->PressSettings();
    picker.answer = stick;
    sim->settings().PressFolderButton();
    EXPECT_EQ(picker.asked, 1);
    EXPECT_EQ(sim->settings().dialog().fields.folder, stick + "/");
    EXPECT_EQ(sim->settings().dataFolder(), stick + "/");
    EXPECT_TRUE(FileExists(dir.Sub(kRemovableMarker)));
    // Cancelled picker: nothing changes.
    picker.answer.clear();
    sim->settings().PressFolderButton();
    EXPECT_EQ(sim->settings().dataFolder(), stick + "/");
    sim->settings().Cancel();
    EXPECT_EQ(sim->settings().dataFolder(), before);
    EXPECT_FALSE(sim->settings().dialog().visible);
    // Cancel restored the stand-in: the exit still saves the (empty) configured folder.
    ASSERT_TRUE(Exit());
    EXPECT_EQ(Saved().dataFolder, "");
}

// Totals that would wrap 32 bits into 2,147,483,647 yen of profit start from the factory
// values instead; the message line says so over what the start-up itself shows.
TEST_F(SettingsStateTest, ATotalTheAccountCannotHoldStartsFromTheFactoryValueAndIsTold) {
    std::vector<std::string> lines = SettingsLines(FactorySettings());
    lines[24] = "250000";  // below 300,000: the start says 現物のみ too
    lines[31] = "-2147483648";
    lines[32] = "1";
    std::string file;
    for (const std::string& line : lines) file += line + "\r\n";
    test::WriteFile(dir.Sub(kSettingsFile), file);
    Boot();
    EXPECT_EQ(sim->trading().account().profitTotal, 0);
    EXPECT_EQ(sim->trading().account().lossTotal, 1);
    EXPECT_EQ(d().netPnlText, "-1");
    EXPECT_NE(d().message.text.find("32行目の金額が正しくない"), std::string::npos) << d().message.text;
    // Saved back, the file holds what the program used.
    ASSERT_TRUE(Exit());
    EXPECT_EQ(Saved().profitTotal, 0);
}

TEST_F(SettingsStateTest, AFailedSaveIsToldAndTheExitAsksWhetherToEndWithoutIt) {
    Settings s = FactorySettings();
    s.profitTotal = 1234;
    WriteSetsim(s);
    Boot();
    fs::create_directory(dir.Sub("setsim.blocker"));
    // Make the rename impossible: setsim becomes a non-empty folder.
    fs::remove(dir.Sub(kSettingsFile));
    fs::create_directories(dir.Sub("setsim/keep"));
    dialogs.answers = {false};
    EXPECT_FALSE(Exit());  // No: the program stays
    ASSERT_FALSE(dialogs.questions.empty());
    EXPECT_EQ(dialogs.questions.back().first, "注意");
    EXPECT_NE(dialogs.questions.back().second.find("設定を保存できませんでした。"), std::string::npos);
    EXPECT_NE(dialogs.questions.back().second.find("設定を保存せずに終了しますか？"), std::string::npos);
    dialogs.answers = {true};
    EXPECT_TRUE(Exit());
    // Applying the dialog says so in a box.
    const std::size_t notices = dialogs.notices.size();
    sim->settings().Activate();
    sim->ApplySettingsDialog();
    ASSERT_EQ(dialogs.notices.size(), notices + 1);
    EXPECT_NE(dialogs.notices.back().second.find("前回保存した設定はそのまま残っています。"), std::string::npos);
}

TEST_F(SettingsStateTest, AnUnreadableSetsimStartsWithTheFactorySettingsAndSaysSo) {
    fs::create_directories(dir.Sub("setsim/inside"));  // not a file the program can read
    Boot();
    EXPECT_TRUE(disclaimer);
    EXPECT_EQ(sim->day().barLength(), 5);
    EXPECT_EQ(d().message.text, "設定ファイル(setsim)を読み込めません。初期設定で起動しました。");
}

TEST_F(SettingsStateTest, TheDisclaimerBoxDecidesTheNextStart) {
    Boot();
    EXPECT_TRUE(disclaimer);
    sim->settings().SetDisclaimerSuppressed(true);
    ASSERT_TRUE(Exit());
    EXPECT_FALSE(Saved().showDisclaimer);
    Boot();
    EXPECT_FALSE(disclaimer);
    sim->settings().SetDisclaimerSuppressed(false);
    ASSERT_TRUE(Exit());
    Boot();
    EXPECT_TRUE(disclaimer);
}

TEST_F(SettingsStateTest, AHandOverFromTheAppDataFolderBecomesTheDataFolder) {
    const std::string appData = dir.Sub("appdata");
    const std::string handed = dir.Sub("handed");
    fs::create_directories(handed + "/221102");
    test::WriteFile(JoinPath(appData + "/Corvala", "setfolder"), handed + "\r\n");
    Boot(appData);
    EXPECT_EQ(sim->settings().dataFolder(), handed);
    EXPECT_EQ(d().dateText, "221102");  // the newest day of that folder
    ASSERT_TRUE(Exit());
    EXPECT_EQ(Saved().dataFolder, handed);
}

TEST_F(SettingsStateTest, TheFolderFieldDecidesTheFolderEvenAfterAPick) {
    Boot();
    const std::string stick = dir.Sub("USB/日中データ");
    const std::string other = dir.Sub("other") + "/";
    fs::create_directories(stick);
    fs::create_directories(other);
    const std::size_t notices = dialogs.notices.size();
    // Picked, then typed over with another folder: the typed one is used and saved.
    sim->PressSettings();
    picker.answer = stick;
    sim->settings().PressFolderButton();
    ASSERT_EQ(sim->settings().dataFolder(), stick + "/");
    sim->settings().EditFolder(other);
    sim->ApplySettingsDialog();
    EXPECT_EQ(sim->settings().dataFolder(), other);
    EXPECT_EQ(Saved().dataFolder, other);
    // Picked, then the field put back as it stood when the dialog came up: the folder of that
    // moment is kept.
    sim->PressSettings();
    sim->settings().PressFolderButton();
    ASSERT_EQ(sim->settings().dataFolder(), stick + "/");
    sim->settings().EditFolder(other);
    sim->ApplySettingsDialog();
    EXPECT_EQ(sim->settings().dataFolder(), other);
    EXPECT_EQ(dialogs.notices.size(), notices);  // names the file can hold raise no warning
}

TEST_F(SettingsStateTest, AFolderNameTheFileCannotHoldIsWarnedAbout) {
    Boot();
    const std::string odd = dir.Sub("d\xF0\x9F\x98\x80ta") + "/";  // an emoji: no CP932 for it
    fs::create_directories(odd);
    const std::size_t notices = dialogs.notices.size();
    sim->PressSettings();
    sim->settings().EditFolder(odd);
    sim->ApplySettingsDialog();
    EXPECT_EQ(sim->settings().dataFolder(), odd);  // used for this run
    ASSERT_EQ(dialogs.notices.size(), notices + 1);
    EXPECT_NE(dialogs.notices.back().second.find("保存できない文字"), std::string::npos);
}

TEST_F(SettingsStateTest, ABarLengthChosenDuringAReplayTakesEffectAtTheNextDisplay) {
    Boot();
    sim->PressSettings();  // the dialog stays open while the replay starts
    Prepare();
    ASSERT_TRUE(sim->replay().running());
    sim->settings().ChooseBarLength("3");
    sim->ApplySettingsDialog();
    EXPECT_EQ(sim->day().barLength(), 5);  // the replay keeps its bars
    EXPECT_EQ(d().barsCaption, "5分足");
    EXPECT_EQ(Saved().barLength, 3);  // what the user chose is what is saved
    sim->replay().speed().SetSpeedScroll(1);
    RunToEnd();
    ASSERT_FALSE(sim->replay().running());
    sim->replay().SetSimulationChecked(false);
    ASSERT_EQ(sim->day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    EXPECT_EQ(sim->day().barLength(), 3);
    EXPECT_EQ(d().barsCaption, "3分足");
    EXPECT_EQ(sim->chart().data().geometry.barLength(), 3);
    ASSERT_TRUE(Exit());
    EXPECT_EQ(Saved().barLength, 3);
}

TEST_F(SettingsStateTest, AnUnreadableSetsimIsOverwrittenOnlyWhenTheUserAgrees) {
    const std::string tooLarge(2 * 1024 * 1024, '1');  // bigger than any settings file
    test::WriteFile(dir.Sub(kSettingsFile), tooLarge);
    Boot();
    EXPECT_EQ(d().message.text, "設定ファイル(setsim)を読み込めません。初期設定で起動しました。");
    // The exit asks first; いいえ ends the program with the file as it was.
    dialogs.answers = {false};
    EXPECT_TRUE(Exit());
    ASSERT_FALSE(dialogs.questions.empty());
    EXPECT_NE(dialogs.questions.back().second.find("今の設定で上書きしますか？"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(dir.Sub(kSettingsFile), 4 * 1024 * 1024).value_or(""), tooLarge);
    // 設定 asks too, and once agreed the run never asks again.
    Boot();
    const std::size_t asked = dialogs.questions.size();
    dialogs.answers = {true};
    sim->PressSettings();
    sim->settings().ChooseBarLength("3");
    sim->ApplySettingsDialog();
    EXPECT_EQ(dialogs.questions.size(), asked + 1);
    EXPECT_EQ(Saved().barLength, 3);
    ASSERT_TRUE(Exit());
    EXPECT_EQ(dialogs.questions.size(), asked + 1);
}

}  // namespace
}  // namespace corvala
