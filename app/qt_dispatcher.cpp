#include "app/qt_dispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace orvane {

void QtMainThreadDispatcher::runAndWait(const std::function<void()>& work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    work();
    return;
  }
  if (abandoned_) return;
  QMetaObject::invokeMethod(
      app,
      [this, &work] {
        if (!abandoned_) work();
      },
      Qt::BlockingQueuedConnection);
}

}  // namespace orvane
