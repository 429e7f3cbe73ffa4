#include "net/url.h"

namespace chaxun {

namespace {

constexpr std::string_view kScheme = "http://";

// The text between the scheme (when the URL starts with "http://" in any
// letter case) and the first "/" after it; the whole rest when there is no "/".
// Holds host and port, e.g. "server:8080".
Text host_part(std::string_view url) {
  if (compare_text(text_left(url, 7), kScheme, false) == 0) {
    const int slash = find_text(url, "/", 8, true);
    if (slash > 0) return text_mid(url, 8, slash - 8);
    return replace_range(url, 1, 7);
  }
  const int slash = find_text(url, "/", 1, true);
  if (slash > 0) return text_left(url, slash - 1);
  return Text(url);
}

}  // namespace

Text url_host(std::string_view url) {
  const Text part = host_part(url);
  const int colon = find_text(part, ":", 1, true);
  return to_lower(colon > 0 ? text_left(part, colon - 1) : part);
}

std::int32_t url_port(std::string_view url) {
  const Text part = host_part(url);
  const int colon = find_text(part, ":", 1, true);
  const Text port = colon > 0 ? text_right(part, text_length(part) - colon) : Text("80");
  return to_int32(to_number(port));
}

Text url_path(std::string_view url) {
  const Text host = url_host(url);
  // The host is searched from the first byte, scheme included, ignoring case so
  // that the lower-cased host is found among the URL's own letters.
  const int host_at = find_text(url, host, 1, true);
  const int slash = find_text(url, "/", host_at, true);
  if (slash > 0) return text_right(url, text_length(url) - slash + 1);
  return Text("/");
}

}  // namespace chaxun
