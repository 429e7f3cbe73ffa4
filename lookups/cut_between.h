// Marker extraction: the text after one marker and before another.
#pragma once

#include <string_view>

#include "text/text.h"

namespace chaxun {

// Cuts the piece of `source` between the first `start_marker` and the first
// `end_marker` after it. include_markers == 1 keeps both markers. See
// cut_between.cpp for the exact arithmetic when a marker is missing.
Text cut_between(std::string_view source, std::string_view start_marker, std::string_view end_marker,
                 int include_markers = 0);

}  // namespace chaxun
