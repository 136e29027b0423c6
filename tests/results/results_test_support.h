#pragma once

#include <memory>

#include "core/app_delegate.h"
#include "core/main_thread_dispatcher.h"
#include "results/result_view_controller.h"

namespace orvane::testing {

// A controller and its results model, as the command line sets them up.
struct ResultsBench {
  DirectDispatcher dispatcher;
  CorvelAppDelegate app{dispatcher};
  PRResultViewController results{app};

  template <class T>
  std::shared_ptr<T> post(const char* eventName, std::shared_ptr<T> record) {
    app.nc.postNotificationName(eventName, RecordPtr(record));
    return record;
  }
};

}  // namespace orvane::testing
