#pragma once
// Downloading one month's search file from the data service into 検索データ. The service's
// address is configured by the user in the install folder; the fetch itself goes through the
// Downloader port, so this code runs the same in the window, in corvala-cli and in tests.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ports.h"

namespace corvala {

// The file in the install folder whose first non-blank line is the service's address.
inline constexpr const char* kDownloadAddressFile = "ダウンロード先.txt";

// The address from `installFolder`/ダウンロード先.txt (CP932; a UTF-8 file with its byte-order
// mark is read as well): the first non-blank line, trimmed. "" when the file is missing,
// unreadable or holds nothing.
std::string ReadDownloadAddress(const std::string& installFolder);

// The address of the month's file on the service. Normally `address`, a "/" when it does not end
// with one, and SearchFileName(month) percent-encoded as UTF-8. An address that contains the text
// "{YYYYMM}" is a pattern instead: every "{YYYYMM}" becomes the month and nothing is appended
// (for services whose file names differ from ours).
std::string SearchFileUrl(const std::string& address, const std::string& month);

// "" when `body` (the file's bytes) is a search file, else the reason in Japanese. A search file
// has at least one line that reads as Used or Zero, its first non-blank line is not Malformed,
// and malformed lines are fewer than good ones; a few malformed lines among good ones are
// accepted because the search skips and counts them.
std::string CheckSearchData(std::string_view body);

// "YYYYMM" with a month 01–12.
bool IsSearchMonth(std::string_view month);

// The message when no address is configured, with how to configure it.
std::string AddressMissingText();

struct DownloadOutcome {
    bool ok = false;
    bool cancelled = false;
    std::string message;  // Japanese, lines joined by '\n', for the user as it stands
    std::string path;     // the month's file in 検索データ
};

// Drives the download of one month at a time through `downloader`, which must outlive it. The
// file is written only when the whole body arrived and reads as a search file, through a
// temporary file renamed into place: a failed or cancelled download leaves an earlier file of
// that month as it was.
class SearchDownload {
public:
    explicit SearchDownload(Downloader& downloader);
    // A download still running is cancelled; its `done` is not called any more.
    ~SearchDownload();
    SearchDownload(const SearchDownload&) = delete;
    SearchDownload& operator=(const SearchDownload&) = delete;

    // Starts the month's download from `address`, or from the install folder's configured
    // address when `address` is empty. `progress` gets bytes received and the total (-1 when
    // unknown); `done` runs once at the end, as the downloader delivers it. Returns false, starts
    // nothing and never calls `done` when a download is running, no address is known or the
    // month is not "YYYYMM"; refusal() then tells why.
    bool Start(const std::string& installFolder, const std::string& month,
               std::function<void(std::int64_t received, std::int64_t total)> progress,
               std::function<void(const DownloadOutcome&)> done, const std::string& address = {});
    // Asks the running download to stop; `done` then reports it cancelled and nothing is written.
    void Cancel();
    bool running() const { return running_; }
    // Why the last Start returned false (AddressMissingText() when no address was known).
    const std::string& refusal() const { return refusal_; }

private:
    void Finish(const Downloader::Result& result);

    Downloader& downloader_;
    // Tells a late answer of the downloader that this object is gone.
    std::shared_ptr<SearchDownload*> self_;
    bool running_ = false;
    bool cancelRequested_ = false;
    std::string month_;
    std::string folder_;  // 検索データ
    std::string path_;
    std::function<void(const DownloadOutcome&)> done_;
    std::string refusal_;
};

}  // namespace corvala
