#include "platform/qt/qt_scheduler.h"

#include <QElapsedTimer>
#include <QTimer>

namespace corvala {

void QtScheduler::After(int ms, std::function<void()> callback) {
    QTimer::singleShot(ms < 0 ? 0 : ms, Qt::PreciseTimer, &context_, [cb = std::move(callback)] { cb(); });
}

std::int64_t QtScheduler::NowMs() const {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

}  // namespace corvala
