#pragma once
// A scheduler on virtual time for tests and the command-line front end: nothing waits, time jumps
// to the next due callback.

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "platform/ports.h"

namespace corvala {

class VirtualScheduler final : public Scheduler {
public:
    void After(int ms, std::function<void()> callback) override;
    std::int64_t NowMs() const override { return now_; }

    // Runs every callback due up to now + ms (including those they schedule) and sets the time.
    void Advance(std::int64_t ms);
    // Runs callbacks until none is left or `maxCallbacks` ran; returns how many ran.
    std::size_t RunUntilIdle(std::size_t maxCallbacks = 10'000'000);
    std::size_t pending() const { return queue_.size(); }
    // Runs the next due callback, moving the time to it; false when none is queued.
    bool RunOne() { return RunNext(INT64_MAX); }
    // Runs callbacks until `done` holds after one, none is left or `limitMs` of virtual time
    // have passed; returns whether `done` held.
    template <class Done>
    bool RunUntil(Done done, std::int64_t limitMs) {
        const std::int64_t until = now_ + limitMs;
        while (!done()) {
            if (!RunNext(until)) return false;
        }
        return true;
    }

private:
    bool RunNext(std::int64_t until);
    std::int64_t now_ = 0;
    std::uint64_t sequence_ = 0;
    std::map<std::pair<std::int64_t, std::uint64_t>, std::function<void()>> queue_;
};

}  // namespace corvala
