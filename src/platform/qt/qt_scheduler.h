#pragma once
// The Scheduler port on Qt timers: callbacks run from the event loop of the thread that made it.

#include <QObject>

#include "platform/ports.h"

namespace corvala {

class QtScheduler final : public Scheduler {
public:
    void After(int ms, std::function<void()> callback) override;
    std::int64_t NowMs() const override;

private:
    QObject context_;  // callbacks still queued are dropped with it
};

}  // namespace corvala
