// Small helpers shared by the encoding tests.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace chaxun::testing {

// The bytes of a literal; use the sv suffix to keep embedded zero bytes.
inline Bytes bytes_of(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A byte buffer as a string, so that failures print readable bytes.
inline std::string str(const Bytes& b) { return std::string(b.begin(), b.end()); }

}  // namespace chaxun::testing
