#pragma once
// A month's search file downloaded while the caller waits: corvala-cli has no event loop of its
// own, so this runs one (with a QCoreApplication when none exists) until the download ends.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "screening/search_download.h"

class QCoreApplication;

namespace corvala::cli {

// corvala-cli has no event loop of its own: the application object that network and timers need,
// made when none exists yet (null then means one was there already).
std::unique_ptr<QCoreApplication> EnsureCoreApplication();

// Downloads `month` ("YYYYMM") into `installFolder`/検索データ from `address`, or from the
// folder's ダウンロード先.txt when `address` is empty. A download that cannot start comes back
// with ok false and the reason as its message (AddressMissingText() when no address is known).
// `progress`, when given, gets bytes received and the total (-1 when unknown).
DownloadOutcome DownloadSearchMonthAndWait(
    const std::string& installFolder, const std::string& address, const std::string& month,
    const std::function<void(std::int64_t received, std::int64_t total)>& progress = {});

}  // namespace corvala::cli
