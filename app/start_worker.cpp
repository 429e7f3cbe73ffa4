#include "app/start_worker.h"

#include <thread>
#include <utility>

#include <QCoreApplication>

namespace chaxun {

bool start_worker(std::function<void()> job) noexcept {
  try {
    std::thread worker([job = std::move(job)]() noexcept {
      try {
        if (job) job();
      } catch (...) {
        // A failed lookup has nothing to report: the thread just ends.
      }
    });
    worker.detach();
    return true;
  } catch (...) {
    // std::system_error (no thread could be created) or std::bad_alloc.
    return false;
  }
}

void process_pending_events() {
  if (QCoreApplication::instance() == nullptr) return;
  // On a thread without an event dispatcher (every worker thread) Qt returns
  // at once; on the window's thread this drains the window's queue.
  QCoreApplication::processEvents();
}

}  // namespace chaxun
