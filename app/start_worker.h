// Worker threads of the lookup window.
#pragma once

#include <functional>

namespace chaxun {

// Runs `job` on a new thread with the default stack size and returns at once;
// the thread is detached: it is never joined, waited for or cancelled and ends
// when the job returns (or with the process).
// Returns true when the thread was created; false when the system could not
// create one, in which case the job never runs. An exception thrown by the
// job ends the job quietly on its own thread and never reaches the caller.
// An empty job starts a thread that does nothing.
bool start_worker(std::function<void()> job) noexcept;

// Lets the events already waiting for the calling thread be handled, and
// returns when none is left. On a worker thread these are that thread's own
// events: a thread started by start_worker owns no objects and has no event
// loop, so there is nothing to do. On the window's thread it handles the
// window's pending events. Does nothing before the application exists.
void process_pending_events();

}  // namespace chaxun
