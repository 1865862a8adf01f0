#include "common/EventWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>

bool ProcessEventsUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        const qint64 left = timeoutMs - waited.elapsed();
        if (left <= 0) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        static_cast<int>(left < 20 ? left : 20));
    }
    return true;
}
