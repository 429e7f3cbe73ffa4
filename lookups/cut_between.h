// Marker extraction: the text after one marker and before another.
#pragma once

#include <string_view>

#include "text/text.h"

namespace chaxun {

// cut_between: the piece of `source` between the first `start_marker` and the
// first `end_marker` found after it. Pure, never fails, never throws.
//
// Both searches are exact byte comparisons (no case folding) that only try
// matches where a character begins: a marker is never found starting at the
// second byte of a two-byte character. Nothing is trimmed; the result may end
// in half a two-byte character when the arithmetic says so.
//
// The arithmetic, positions 1-based, -1 for "not found":
//   p    = find_text(source, start_marker)
//   s    = p (include_markers == 1) or p + length(start_marker) (otherwise)
//   rest = text_mid(source, s, length(source))
//   q    = find_text(rest, end_marker)
//   n    = q - 1 + length(end_marker) (include_markers == 1) or q - 1
//   result = text_mid(rest, 1, n)
//
// include_markers: 1 keeps both markers in the result; any other value gives
// only what lies between them.
//
// Results that follow when something is missing or empty:
//   start marker missing, markers dropped: the cut begins at byte
//     length(start_marker) - 1 of source: at the first byte for a two-byte
//     marker such as "◎", nothing at all for a one-byte marker, and the first
//     length - 2 bytes skipped for a longer one; end_marker is then searched
//     from there as usual.
//   start marker missing, markers kept: empty.
//   end marker missing after the start, markers dropped: empty.
//   end marker missing after the start, markers kept: the first
//     length(end_marker) - 2 bytes from the start marker on (3 bytes for
//     "</td>"), empty for an end marker shorter than 3 bytes.
//   markers kept and end_marker occurring inside start_marker: the cut ends
//     there ("xaby", "ab", "b" gives "ab").
//   empty end_marker: empty. Empty start_marker: the cut begins at byte 1.
//   empty source: empty.
Text cut_between(std::string_view source, std::string_view start_marker, std::string_view end_marker,
                 int include_markers = 0);

}  // namespace chaxun
