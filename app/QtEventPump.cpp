#include "app/QtEventPump.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace vkr {

void QtEventPump::ServePendingEvents(int maxWaitMs) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() != application->thread()) return;
    if (maxWaitMs <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // The timer's own event wakes the wait when nothing else arrives in time.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(maxWaitMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace vkr
