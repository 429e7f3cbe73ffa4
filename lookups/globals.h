// State shared between the window and the lookup workers.
#pragma once

#include <atomic>

namespace chaxun {

// Current lookup kind: 0 before the window exists, then 1 phone, 2 IP address
// or domain, 3 ID card, 4 postal. Written by the mode buttons on the window's
// thread and by the own-address worker; read by the query handler. Atomic so
// that the last write wins without a data race.
extern std::atomic<int> LookupMode;

// Releases the program-wide state held by the lookups (the last postal answer).
// Registered by the window layer as the exit routine.
void free_globals();

}  // namespace chaxun
