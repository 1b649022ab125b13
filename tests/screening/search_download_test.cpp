// The download of a month's search file without a network: the address, the check of the body,
// the messages and the file written, with a downloader that the test answers itself.

#include "screening/search_download.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/cp932.h"
#include "platform/files.h"
#include "screening/search_data.h"
#include "search_fixtures.h"
#include "test_support.h"

namespace corvala {
namespace {

using test::SearchFileBytes;
using test::TempDir;

constexpr const char* kEncodedName = "%E6%A4%9C%E7%B4%A2%E3%83%87%E3%83%BC%E3%82%BF_202211.txt";

// ---- the address -------------------------------------------------------------------------------

TEST(SearchFileUrlTest, TheFileNameIsPercentEncodedAfterExactlyOneSlash) {
    EXPECT_EQ(SearchFileUrl("https://data.example/kensaku", "202211"),
              std::string("https://data.example/kensaku/") + kEncodedName);
    EXPECT_EQ(SearchFileUrl("https://data.example/kensaku/", "202211"),
              std::string("https://data.example/kensaku/") + kEncodedName);
}

TEST(SearchFileUrlTest, TheEncodedNameDecodesToTheLocalFileName) {
    const std::string url = SearchFileUrl("http://h/", "202301");
    const std::string encoded = url.substr(std::string("http://h/").size());
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%') {
            decoded += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += encoded[i];
        }
    }
    EXPECT_EQ(decoded, SearchFileName("202301"));
    // Only unreserved characters are left bare, so no server reads the name differently.
    EXPECT_EQ(encoded.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%"),
              std::string::npos);
}

TEST(SearchFileUrlTest, AMonthPatternIsFilledInAndNothingIsAppended) {
    EXPECT_EQ(SearchFileUrl("https://d.example/{YYYYMM}/all.csv", "202211"),
              "https://d.example/202211/all.csv");
    EXPECT_EQ(SearchFileUrl("https://d.example/{YYYYMM}/s{YYYYMM}.txt?x=1", "202212"),
              "https://d.example/202212/s202212.txt?x=1");
}

TEST(SearchMonthTest, OnlySixDigitsWithAMonthOfTheYear) {
    EXPECT_TRUE(IsSearchMonth("202211"));
    EXPECT_TRUE(IsSearchMonth("202001"));
    EXPECT_TRUE(IsSearchMonth("202012"));
    EXPECT_FALSE(IsSearchMonth("202200"));
    EXPECT_FALSE(IsSearchMonth("202213"));
    EXPECT_FALSE(IsSearchMonth("20221"));
    EXPECT_FALSE(IsSearchMonth("2022111"));
    EXPECT_FALSE(IsSearchMonth("2022/1"));
    EXPECT_FALSE(IsSearchMonth(""));
}

class DownloadAddressTest : public ::testing::Test {
protected:
    void Write(const std::string& bytes) {
        test::WriteFile(JoinPath(dir.path(), kDownloadAddressFile), bytes);
    }
    TempDir dir;
};

TEST_F(DownloadAddressTest, TheFirstNonBlankLineTrimmedOfCp932Text) {
    Write(EncodeCp932(
        "\r\n   \r\n\t https://data.example/検索データ/ \r\nhttps://second.example/\r\n"));
    EXPECT_EQ(ReadDownloadAddress(dir.path()), "https://data.example/検索データ/");
}

TEST_F(DownloadAddressTest, LfOnlyAndFullWidthSpacesAreTolerated) {
    Write(EncodeCp932("\n　http://h.example/data　\n"));
    EXPECT_EQ(ReadDownloadAddress(dir.path()), "http://h.example/data");
}

TEST_F(DownloadAddressTest, AUtf8FileWithItsByteOrderMarkReadsAsWritten) {
    Write("\xEF\xBB\xBFhttps://data.example/検索/\r\n");
    EXPECT_EQ(ReadDownloadAddress(dir.path()), "https://data.example/検索/");
}

TEST_F(DownloadAddressTest, MissingOrBlankFileGivesNoAddress) {
    EXPECT_EQ(ReadDownloadAddress(dir.path()), "");
    Write("");
    EXPECT_EQ(ReadDownloadAddress(dir.path()), "");
    Write(" \r\n\t\r\n\r\n");
    EXPECT_EQ(ReadDownloadAddress(dir.path()), "");
    EXPECT_EQ(ReadDownloadAddress(dir.Sub("no-such-folder")), "");
}

// ---- the body ----------------------------------------------------------------------------------

TEST(CheckSearchDataTest, AcceptsSearchFilesWhateverTheirLineEnds) {
    EXPECT_EQ(CheckSearchData(SearchFileBytes(50)), "");
    EXPECT_EQ(CheckSearchData(test::kGoodSearchLine), "");
    EXPECT_EQ(CheckSearchData(std::string(test::kGoodSearchLine) + "\n\n\r\n"), "");
    EXPECT_EQ(CheckSearchData("\r\n" + SearchFileBytes(3)), "");
    // Only stocks without trades still make a month's file.
    EXPECT_EQ(
        CheckSearchData("221104,8473,0,09:00,09:35,10:20,09:25,09:10,0,0,0,0,0,0,0,0,0,0\r\n"), "");
}

TEST(CheckSearchDataTest, AFewDamagedLinesAmongGoodOnesAreLeftToTheSearch) {
    std::string body = SearchFileBytes(20);
    body += "221104,8473,3180\r\n";
    body += "garbage\r\n";
    body += SearchFileBytes(5);
    EXPECT_EQ(CheckSearchData(body), "");
}

TEST(CheckSearchDataTest, RefusesEmptyAndBlankBodies) {
    EXPECT_NE(CheckSearchData(""), "");
    EXPECT_NE(CheckSearchData("\r\n \r\n\t\n"), "");
}

TEST(CheckSearchDataTest, RefusesAnErrorPageAndNamesTheLine) {
    const std::string page =
        "\r\n<!DOCTYPE html>\r\n<html><head><title>404 Not Found</title></head>\r\n"
        "<body>221104,8473</body></html>\r\n";
    const std::string reason = CheckSearchData(page);
    EXPECT_NE(reason, "");
    EXPECT_NE(reason.find("2行目"), std::string::npos) << reason;
}

TEST(CheckSearchDataTest, RefusesAFirstLineThatIsNotOursEvenBeforeGoodLines) {
    EXPECT_NE(CheckSearchData("日付,コード,始値\r\n" + SearchFileBytes(100)), "");
}

TEST(CheckSearchDataTest, RefusesMostlyDamagedData) {
    std::string body = SearchFileBytes(3);
    for (int i = 0; i < 3; ++i) body += "221104,8473,31\x80\x81,09:00\r\n";
    EXPECT_NE(CheckSearchData(body), "");
    body += SearchFileBytes(1);
    EXPECT_EQ(CheckSearchData(body), "");
}

// ---- the download ------------------------------------------------------------------------------

// Records what it was asked and answers when the test says so.
class ScriptedDownloader final : public Downloader {
public:
    void Fetch(const std::string& url, std::function<void(std::int64_t, std::int64_t)> progress,
               std::function<void(Result)> done) override {
        urls.push_back(url);
        progress_ = std::move(progress);
        done_ = std::move(done);
    }
    void Cancel() override { ++cancels; }

    void Progress(std::int64_t received, std::int64_t total) { progress_(received, total); }
    void Answer(Result result) {
        auto done = std::move(done_);
        done_ = nullptr;
        done(std::move(result));
    }
    void AnswerBody(std::string body, int status = 200) {
        Result r;
        r.ok = status / 100 == 2;
        r.httpStatus = status;
        r.body = std::move(body);
        Answer(std::move(r));
    }
    bool waiting() const { return static_cast<bool>(done_); }

    std::vector<std::string> urls;
    int cancels = 0;

private:
    std::function<void(std::int64_t, std::int64_t)> progress_;
    std::function<void(Result)> done_;
};

class SearchDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(JoinPath(dir.path(), kDownloadAddressFile), "https://data.example/s\r\n");
    }
    std::string Path() const { return SearchFilePath(dir.path(), "202211"); }
    std::string Folder() const { return JoinPath(dir.path(), kSearchDataFolder); }
    void WriteEarlierFile() { test::WriteFile(Path(), kEarlier); }
    std::optional<std::string> Saved() const { return ReadWholeFile(Path()); }
    bool StartNovember(const std::string& address = {}) {
        return download.Start(
            dir.path(), "202211",
            [this](std::int64_t r, std::int64_t t) { progress.emplace_back(r, t); },
            [this](const DownloadOutcome& o) { outcomes.push_back(o); }, address);
    }

    static constexpr const char* kEarlier = "earlier file of the month\r\n";
    TempDir dir;
    ScriptedDownloader downloader;
    SearchDownload download{downloader};
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
    std::vector<DownloadOutcome> outcomes;
};

TEST_F(SearchDownloadTest, AGoodBodyIsSavedAsItCameUnderTheMonthsName) {
    ASSERT_TRUE(StartNovember());
    EXPECT_TRUE(download.running());
    ASSERT_EQ(downloader.urls.size(), 1u);
    EXPECT_EQ(downloader.urls[0], std::string("https://data.example/s/") + kEncodedName);
    downloader.Progress(10, 100);
    const std::string body = SearchFileBytes(40);
    downloader.AnswerBody(body);

    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].ok);
    EXPECT_FALSE(outcomes[0].cancelled);
    EXPECT_EQ(outcomes[0].message, "検索データ(2022/11)をダウンロードしました。");
    EXPECT_EQ(outcomes[0].path, Path());
    EXPECT_EQ(Saved(), body);
    EXPECT_EQ(ListFiles(Folder()), std::vector<std::string>{SearchFileName("202211")});
    EXPECT_EQ(progress, (std::vector<std::pair<std::int64_t, std::int64_t>>{{10, 100}}));
    EXPECT_FALSE(download.running());
}

TEST_F(SearchDownloadTest, AGivenAddressOverridesTheConfiguredOne) {
    ASSERT_TRUE(StartNovember("  http://other.example/{YYYYMM}.txt "));
    EXPECT_EQ(downloader.urls.at(0), "http://other.example/202211.txt");
}

TEST_F(SearchDownloadTest, AnHttpErrorNamesTheStatusAndKeepsTheEarlierFile) {
    WriteEarlierFile();
    ASSERT_TRUE(StartNovember());
    downloader.AnswerBody("<html>Not Found</html>", 404);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].ok);
    EXPECT_FALSE(outcomes[0].cancelled);
    EXPECT_EQ(outcomes[0].message.rfind("ダウンロードできませんでした。(HTTP 404)\n", 0), 0u)
        << outcomes[0].message;
    EXPECT_NE(outcomes[0].message.find("公開されていない"), std::string::npos);
    EXPECT_EQ(Saved(), kEarlier);

    ASSERT_TRUE(StartNovember());
    downloader.AnswerBody("", 503);
    EXPECT_NE(outcomes[1].message.find("(HTTP 503)"), std::string::npos);
    EXPECT_EQ(outcomes[1].message.find("公開されていない"), std::string::npos);
    EXPECT_EQ(Saved(), kEarlier);
}

TEST_F(SearchDownloadTest, ANetworkFailureShowsTheDownloadersReasonOnItsOwnLine) {
    ASSERT_TRUE(StartNovember());
    Downloader::Result r;
    r.httpStatus = 200;  // the answer began, then the connection broke
    r.error = "データが途中までしか届きませんでした。";
    r.body = std::string(test::kGoodSearchLine) + "\r\n";
    downloader.Answer(r);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].ok);
    EXPECT_EQ(outcomes[0].message.rfind("ダウンロードできませんでした。\n" + r.error + "\n", 0), 0u)
        << outcomes[0].message;
    EXPECT_FALSE(FileExists(Path()));
}

TEST_F(SearchDownloadTest, ABodyThatIsNotSearchDataIsNotSaved) {
    WriteEarlierFile();
    ASSERT_TRUE(StartNovember());
    downloader.AnswerBody("<!DOCTYPE html>\n<html><body>メンテナンス中</body></html>\n");
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].ok);
    EXPECT_EQ(
        outcomes[0].message.rfind("ダウンロードしたデータが検索データの形式ではありません。", 0),
        0u);
    EXPECT_EQ(Saved(), kEarlier);
    EXPECT_EQ(ListFiles(Folder()), std::vector<std::string>{SearchFileName("202211")});
}

TEST_F(SearchDownloadTest, ACancelWinsOverABodyThatArrivedMeanwhile) {
    WriteEarlierFile();
    ASSERT_TRUE(StartNovember());
    download.Cancel();
    download.Cancel();
    EXPECT_EQ(downloader.cancels, 1);
    EXPECT_TRUE(download.running());  // until the downloader has answered
    downloader.AnswerBody(SearchFileBytes(10));
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].cancelled);
    EXPECT_FALSE(outcomes[0].ok);
    EXPECT_EQ(outcomes[0].message, "ダウンロードを中止しました。");
    EXPECT_EQ(Saved(), kEarlier);
    download.Cancel();  // nothing runs any more
    EXPECT_EQ(downloader.cancels, 1);
}

TEST_F(SearchDownloadTest, StartIsRefusedWhileRunningAndWithoutAddressOrMonth) {
    ASSERT_TRUE(StartNovember());
    EXPECT_FALSE(StartNovember());
    EXPECT_NE(download.refusal(), "");
    EXPECT_EQ(downloader.urls.size(), 1u);
    downloader.AnswerBody(SearchFileBytes(2));
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].ok);

    ASSERT_TRUE(RemoveFile(JoinPath(dir.path(), kDownloadAddressFile)));
    EXPECT_FALSE(StartNovember());
    EXPECT_EQ(download.refusal(), AddressMissingText());
    EXPECT_NE(AddressMissingText().find(kDownloadAddressFile), std::string::npos);
    EXPECT_FALSE(StartNovember("   "));
    EXPECT_FALSE(download.Start(dir.path(), "202213", nullptr, nullptr, "http://h/"));
    EXPECT_NE(download.refusal().find("202213"), std::string::npos);

    EXPECT_FALSE(download.running());
    EXPECT_EQ(downloader.urls.size(), 1u);
    EXPECT_EQ(outcomes.size(), 1u);  // a refused start never reports
    EXPECT_TRUE(StartNovember("http://h/"));
    EXPECT_EQ(download.refusal(), "");
}

TEST_F(SearchDownloadTest, AFolderThatCannotBeWrittenIsReportedWithThePath) {
    test::WriteFile(Folder(), "a file where the folder should be");
    ASSERT_TRUE(StartNovember());
    downloader.AnswerBody(SearchFileBytes(5));
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].ok);
    EXPECT_EQ(outcomes[0].message.rfind("検索データを保存できませんでした。\n" + Path(), 0), 0u)
        << outcomes[0].message;
}

TEST_F(SearchDownloadTest, TheNextMonthCanStartFromInsideDone) {
    std::vector<std::string> order;
    ASSERT_TRUE(download.Start(dir.path(), "202211", nullptr, [&](const DownloadOutcome& o) {
        order.push_back(o.message);
        EXPECT_TRUE(download.Start(dir.path(), "202212", nullptr, [&](const DownloadOutcome& next) {
            order.push_back(next.message);
        }));
    }));
    downloader.AnswerBody(SearchFileBytes(3));
    EXPECT_TRUE(download.running());
    downloader.AnswerBody(SearchFileBytes(3));
    EXPECT_EQ(order, (std::vector<std::string>{"検索データ(2022/11)をダウンロードしました。",
                                               "検索データ(2022/12)をダウンロードしました。"}));
    EXPECT_TRUE(FileExists(SearchFilePath(dir.path(), "202212")));
}

TEST(SearchDownloadLifetimeTest, GoingAwayCancelsAndALateAnswerIsIgnored) {
    TempDir dir;
    ScriptedDownloader downloader;
    int reports = 0;
    {
        SearchDownload download(downloader);
        ASSERT_TRUE(download.Start(
            dir.path(), "202211", [&](std::int64_t, std::int64_t) { ++reports; },
            [&](const DownloadOutcome&) { ++reports; }, "http://h/"));
    }
    EXPECT_EQ(downloader.cancels, 1);
    ASSERT_TRUE(downloader.waiting());
    downloader.Progress(1, 2);
    downloader.AnswerBody(SearchFileBytes(3));
    EXPECT_EQ(reports, 0);
    EXPECT_FALSE(FileExists(SearchFilePath(dir.path(), "202211")));
}

}  // namespace
}  // namespace corvala
