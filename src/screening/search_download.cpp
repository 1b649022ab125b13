#include "screening/search_download.h"

#include <utility>

#include "data/csv.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"
#include "screening/search_data.h"

namespace corvala {

namespace {

constexpr std::string_view kMonthPattern = "{YYYYMM}";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kIdeographicSpace = "\u3000";

// Notepad users type the full-width space as easily as the half-width one.
std::string_view TrimAddress(std::string_view text) {
    for (;;) {
        text = Trim(text);
        if (text.starts_with(kIdeographicSpace)) {
            text.remove_prefix(kIdeographicSpace.size());
        } else if (text.ends_with(kIdeographicSpace)) {
            text.remove_suffix(kIdeographicSpace.size());
        } else {
            return text;
        }
    }
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string PercentEncode(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(utf8.size() * 3);
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

constexpr const char* kCannotDownload = "ダウンロードできませんでした。";

std::string HttpErrorMessage(int status) {
    std::string text = std::string(kCannotDownload) + "(HTTP " + std::to_string(status) + ")\n";
    if (status >= 500) {
        text +=
            "データ提供元のサーバーが応答できない状態です。"
            "しばらくしてからもう一度ダウンロードして下さい。";
    } else {
        text +=
            "この月の検索データはまだ公開されていない可能性があります。"
            "月とダウンロード先のアドレスを確かめて下さい。";
    }
    return text;
}

std::string NetworkErrorMessage(const std::string& error) {
    std::string text = std::string(kCannotDownload) + "\n";
    text += error.empty() ? std::string("データが最後まで届きませんでした。") : error;
    text +=
        "\nインターネットへの接続とダウンロード先のアドレスを確かめて、"
        "もう一度ダウンロードして下さい。";
    return text;
}

}  // namespace

std::string ReadDownloadAddress(const std::string& installFolder) {
    // An address is one short line; a large file here is not an address file.
    const auto bytes = ReadWholeFile(JoinPath(installFolder, kDownloadAddressFile), 64 * 1024);
    if (!bytes) return {};
    std::string_view raw = *bytes;
    // The file is CP932 like every other, but today's Notepad saves UTF-8 with a byte-order mark
    // unless told otherwise; the mark says which one the user wrote.
    std::string text;
    if (raw.starts_with(kUtf8Bom)) {
        text = std::string(raw.substr(kUtf8Bom.size()));
    } else {
        text = DecodeCp932(raw);
    }
    std::string address;
    ForEachLine(text, [&](std::string_view line) {
        if (address.empty()) address = std::string(TrimAddress(line));
    });
    return address;
}

std::string SearchFileUrl(const std::string& address, const std::string& month) {
    if (address.find(kMonthPattern) != std::string::npos) {
        std::string url = address;
        for (std::size_t at = url.find(kMonthPattern); at != std::string::npos;
             at = url.find(kMonthPattern, at + month.size()))
            url.replace(at, kMonthPattern.size(), month);
        return url;
    }
    std::string url = address;
    if (url.empty() || url.back() != '/') url += '/';
    return url + PercentEncode(SearchFileName(month));
}

std::string CheckSearchData(std::string_view body) {
    std::size_t lineNumber = 0, good = 0, malformed = 0, total = 0;
    std::string firstBad;
    SearchLine line;
    ForEachLine(body, [&](std::string_view text) {
        ++lineNumber;
        const SearchLineKind kind = ReadSearchLine(text, line);
        if (kind == SearchLineKind::Blank) return;
        // An error page of a server is text too; it never starts with a line of ours.
        if (total == 0 && kind == SearchLineKind::Malformed)
            firstBad = std::to_string(lineNumber) + "行目が検索データの行ではありません。";
        ++total;
        if (kind == SearchLineKind::Malformed) {
            ++malformed;
        } else {
            ++good;
        }
    });
    if (total == 0) return "データが空です。";
    if (!firstBad.empty()) return firstBad;
    // A few damaged lines are skipped by the search; mostly damaged data is not the file.
    if (malformed >= good)
        return "検索データの行でない行が多すぎます(" + std::to_string(total) + "行中" +
               std::to_string(malformed) + "行)。";
    return {};
}

bool IsSearchMonth(std::string_view month) {
    if (month.size() != 6 || !IsAllDigits(month)) return false;
    const int mm = (month[4] - '0') * 10 + (month[5] - '0');
    return mm >= 1 && mm <= 12;
}

std::string AddressMissingText() {
    return std::string("ダウンロード先が設定されていません。\n") +
           "インストールフォルダのファイル「" + kDownloadAddressFile +
           "」の1行目に、データ提供元のアドレスを書いて下さい。";
}

SearchDownload::SearchDownload(Downloader& downloader)
    : downloader_(downloader), self_(std::make_shared<SearchDownload*>(this)) {}

SearchDownload::~SearchDownload() {
    // The downloader may still answer after we are gone; the dead token makes it a no-op.
    self_.reset();
    if (running_) downloader_.Cancel();
}

bool SearchDownload::Start(const std::string& installFolder, const std::string& month,
                           std::function<void(std::int64_t, std::int64_t)> progress,
                           std::function<void(const DownloadOutcome&)> done,
                           const std::string& address) {
    refusal_.clear();
    if (running_) {
        refusal_ =
            "ダウンロード中です。終わるのを待つか、中止してからもう一度ダウンロードして下さい。";
        return false;
    }
    if (!IsSearchMonth(month)) {
        refusal_ =
            "月の指定「" + month + "」が正しくありません。年月を6桁(例 202211)で指定して下さい。";
        return false;
    }
    std::string base(TrimAddress(address));
    if (base.empty()) base = ReadDownloadAddress(installFolder);
    if (base.empty()) {
        refusal_ = AddressMissingText();
        return false;
    }
    running_ = true;
    cancelRequested_ = false;
    month_ = month;
    folder_ = JoinPath(installFolder, kSearchDataFolder);
    path_ = SearchFilePath(installFolder, month);
    done_ = std::move(done);
    const std::weak_ptr<SearchDownload*> token = self_;
    downloader_.Fetch(
        SearchFileUrl(base, month),
        [token, progress = std::move(progress)](std::int64_t received, std::int64_t total) {
            if (token.lock() && progress) progress(received, total);
        },
        [token](Downloader::Result result) {
            if (const auto self = token.lock()) (*self)->Finish(result);
        });
    return true;
}

void SearchDownload::Cancel() {
    if (!running_ || cancelRequested_) return;
    cancelRequested_ = true;
    downloader_.Cancel();
}

void SearchDownload::Finish(const Downloader::Result& result) {
    if (!running_) return;
    DownloadOutcome outcome;
    outcome.path = path_;
    // A body that completed while the user was pressing 中止 is still not wanted.
    if (result.cancelled || cancelRequested_) {
        outcome.cancelled = true;
        outcome.message = "ダウンロードを中止しました。";
    } else if (!result.ok) {
        outcome.message = result.httpStatus >= 400 ? HttpErrorMessage(result.httpStatus)
                                                   : NetworkErrorMessage(result.error);
    } else if (const std::string reason = CheckSearchData(result.body); !reason.empty()) {
        outcome.message = "ダウンロードしたデータが検索データの形式ではありません。\n" + reason +
                          "\nダウンロード先のアドレスを確かめて下さい。";
    } else {
        if (CreateDir(folder_) && WriteFileAtomically(path_, result.body)) {
            outcome.ok = true;
            outcome.message = "検索データ(" + MonthLabel(month_) + ")をダウンロードしました。";
        } else {
            outcome.message = "検索データを保存できませんでした。\n" + path_ +
                              "\nフォルダに書き込めるか、ディスクに空きがあるかを確かめて下さい。";
        }
    }
    // The caller may start the next month from inside `done`.
    running_ = false;
    cancelRequested_ = false;
    auto done = std::move(done_);
    done_ = nullptr;
    if (done) done(outcome);
}

}  // namespace corvala
