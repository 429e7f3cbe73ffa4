// Start-up and end of the program.
#pragma once

#include <functional>

#include "app/lookup_window.h"

namespace chaxun {

struct AppOptions {
  // The worker routine of each kind of query.
  LookupRoutines routines = LookupRoutines::standard();
  // Run once when the program ends, whichever way it ends.
  void (*exit_routine)() = nullptr;  // nullptr: free_globals
  // Called with the window after it has been created and before it is shown
  // (benchmark and test programs hook in here).
  std::function<void(LookupWindow&)> on_created;
};

// Runs the program: initialises the window system, registers the exit
// routine, creates and shows the window and runs the event loop until the
// window is closed. Then the exit routine runs and the process ends at once
// (std::quick_exit), without waiting for worker threads, which end with it.
// Neither the application object nor the window is ever destroyed, so a
// worker that is still running never meets a destroyed window. Never returns.
[[noreturn]] void run_app(int& argc, char** argv, AppOptions options = {});

}  // namespace chaxun
