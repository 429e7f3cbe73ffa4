#include "lookups/globals.h"

namespace chaxun {

std::atomic<int> LookupMode{0};

void free_globals() {}

}  // namespace chaxun
