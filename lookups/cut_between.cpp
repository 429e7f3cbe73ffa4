#include "lookups/cut_between.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace chaxun {

Text cut_between(std::string_view source, std::string_view start_marker, std::string_view end_marker,
                 int include_markers) {
  const bool keep = include_markers == 1;
  const int length = text_length(source);

  // Where the cut begins. A missing start marker (p == -1) is not special:
  // the arithmetic below then gives the results callers rely on. Sums are
  // taken in 64 bits so that no marker length can overflow them.
  const int p = find_text(source, start_marker, 1, false);
  const std::int64_t s = keep ? p : std::int64_t{p} + text_length(start_marker);
  const Text rest = s > length ? Text() : text_mid(source, static_cast<int>(s), length);

  // How many bytes of `rest` to keep.
  const int q = find_text(rest, end_marker, 1, false);
  const std::int64_t n = keep ? std::int64_t{q} - 1 + text_length(end_marker) : std::int64_t{q} - 1;
  return text_mid(rest, 1, static_cast<int>(std::min<std::int64_t>(n, INT_MAX)));
}

}  // namespace chaxun
