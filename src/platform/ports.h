#pragma once
// The small interfaces through which the core reaches the outside world. Production adapters live
// in platform/ (Qt ones in platform/qt/); tests pass scripted ones.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace corvala {

// Message boxes. The GUI places them over the main window; tests answer them from a script.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // An error box with an OK button, titled "<number> エラー". Lines are joined by '\n'.
    virtual void ShowError(int number, const std::string& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Ask(const std::string& title, const std::string& text) = 0;
    // A Yes/No/Cancel question: true for Yes, false for No, nothing for Cancel. Without a Cancel
    // button of its own a port asks Yes/No.
    virtual std::optional<bool> AskOrCancel(const std::string& title, const std::string& text) { return Ask(title, text); }
    // A box with its own title and an OK button (an order refused).
    virtual void ShowNotice(const std::string& title, const std::string& text) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual Ymd Today() const = 0;
    // Seconds since local midnight, read with Today() for time stamps (fakes may keep 0).
    virtual int SecondsOfDay() const { return 0; }
    // Milliseconds on a monotonic clock.
    virtual std::int64_t NowMs() const = 0;
    // Milliseconds since local midnight, for what must happen at a time of day.
    virtual std::int64_t MsOfDay() const { return std::int64_t{SecondsOfDay()} * 1000; }
};

// Uniform in [0, 1).
class Random {
public:
    virtual ~Random() = default;
    virtual double Next() = 0;
};

// Timed callbacks; the replay and every wait are resumed through it.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual void After(int ms, std::function<void()> callback) = 0;
    virtual std::int64_t NowMs() const = 0;
};

// Plays a sound file without waiting for it to end. A missing file or audio device is ignored.
class Sound {
public:
    virtual ~Sound() = default;
    virtual void Play(const std::string& path) = 0;
};

// The folder picker titled "フォルダの選択". `done` receives the chosen folder without a
// trailing separator, or "" when the user cancelled; it may run before ChooseFolder returns.
class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    virtual void ChooseFolder(std::function<void(const std::string&)> done) = 0;
};

// Fetches one address over HTTP(S), one fetch at a time. `progress` gets the bytes received and
// the total (-1 when the server does not say); `done` runs once, after the last progress, and
// never before Fetch returns. Cancel ends a running fetch with `cancelled` set.
class Downloader {
public:
    struct Result {
        bool ok = false;         // the whole body arrived with a 2xx status
        bool cancelled = false;
        int httpStatus = 0;      // 0 when no answer came
        std::string body;
        std::string error;       // why it failed, as the network layer says it
    };
    virtual ~Downloader() = default;
    virtual void Fetch(const std::string& url, std::function<void(std::int64_t, std::int64_t)> progress,
                       std::function<void(Result)> done) = 0;
    virtual void Cancel() = 0;
};

// Requests to an HTTP API, several at a time. `done` runs once, from the event loop, never inside
// Send. A request that has no answer within `timeoutMs` ends with status 0.
class HttpClient {
public:
    struct Request {
        std::string method = "GET";  // GET, POST or PUT
        std::string url;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        // The whole exchange, however slowly the answer trickles, and the largest answer taken:
        // beyond either the request is cut and counts as no answer.
        int timeoutMs = 4000;
        std::size_t maxBytes = 1 << 20;
    };
    struct Reply {
        int status = 0;      // 0 when no answer came (refused, cut, timed out)
        std::string body;
        std::string error;   // why no answer came, as the network layer says it
        bool tooLarge = false;  // cut at Request::maxBytes: the server answered, with no answer
    };
    virtual ~HttpClient() = default;
    virtual void Send(const Request& request, std::function<void(Reply)> done) = 0;
};

}  // namespace corvala
