#include "app/app_main.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include <QApplication>

#include "app/start_worker.h"
#include "lookups/globals.h"
#include "net/fetch.h"

namespace chaxun {

namespace {

std::atomic<void (*)()> g_exit_routine{nullptr};

// Registered for both ways out (std::exit and std::quick_exit); runs once.
extern "C" void run_exit_routine() {
  if (void (*routine)() = g_exit_routine.exchange(nullptr)) routine();
}

}  // namespace

void run_app(int& argc, char** argv, AppOptions options) {
  // The HTTP layer is set up by the first fetch (net_global_init runs once,
  // thread-safe), so a window that has not looked anything up yet does not
  // carry the HTTP library's initialised state.

  // 1. The window system. Never destroyed: see the header.
  auto* app = new QApplication(argc, argv);
  set_process_events_handler(&process_pending_events);

  // 2. The exit routine.
  g_exit_routine.store(options.exit_routine != nullptr ? options.exit_routine : &free_globals);
  std::atexit(run_exit_routine);
  std::at_quick_exit(run_exit_routine);

  // 3. The window; its constructor ends with init_lookup_mode.
  auto* window = new LookupWindow(std::move(options.routines));
  if (options.on_created) options.on_created(*window);
  window->show();

  // 4. The event loop, until the window is closed.
  const int code = app->exec();

  // 5. The end: exit routine, then the process ends with its worker threads.
  std::fflush(nullptr);
  std::quick_exit(code);
}

}  // namespace chaxun
