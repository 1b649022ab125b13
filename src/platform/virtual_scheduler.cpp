#include "platform/virtual_scheduler.h"

namespace corvala {

void VirtualScheduler::After(int ms, std::function<void()> callback) {
    queue_.emplace(std::make_pair(now_ + (ms < 0 ? 0 : ms), sequence_++), std::move(callback));
}

bool VirtualScheduler::RunNext(std::int64_t until) {
    if (queue_.empty() || queue_.begin()->first.first > until) return false;
    auto node = queue_.extract(queue_.begin());
    now_ = node.key().first;
    node.mapped()();
    return true;
}

void VirtualScheduler::Advance(std::int64_t ms) {
    const std::int64_t until = now_ + ms;
    while (RunNext(until)) {
    }
    now_ = until;
}

std::size_t VirtualScheduler::RunUntilIdle(std::size_t maxCallbacks) {
    std::size_t ran = 0;
    while (ran < maxCallbacks && RunNext(INT64_MAX)) ++ran;
    return ran;
}

}  // namespace corvala
