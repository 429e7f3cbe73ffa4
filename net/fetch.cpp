// The page fetch, step by step over the HTTP layer:
//   session (browser identity, proxy) -> connection (host, port) -> request
//   (method, path, "HTTP/1.1", reload) -> default header lines -> send ->
//   body in pieces of at most 512 bytes until a read of 0 -> header capture
//   of 1024 bytes -> close request, connection, session -> store the cookies
//   of the capture.
// A step that yields no handle ends the fetch with the fallback body; the
// handles opened so far close in the order request, connection, session.
#include "net/fetch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>

#include "net/http_layer.h"
#include "net/url.h"

namespace chaxun {

namespace {

constexpr std::string_view kProtocolVersion = "HTTP/1.1";
constexpr std::string_view kAcceptLine =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
constexpr std::string_view kAcceptLanguageLine = "Accept-Language: zh-cn\r\n";
constexpr std::string_view kFormContentTypeLine = "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr std::string_view kCookieHeader = "Set-Cookie: ";
constexpr int kReadPieceSize = 512;
constexpr int kHeaderCaptureSize = 1024;
// The most room made in advance for an announced body (a hint a server may
// exaggerate); larger bodies grow as they arrive.
constexpr std::int64_t kMaxReservedBody = std::int64_t{256} << 20;

std::atomic<ProcessEventsHandler> g_process_events{nullptr};

Bytes fallback_body() { return Bytes(kFallbackBodySize, 0); }

// Appends each default line whose name occurs nowhere in `headers`.
void append_default_lines(Text& headers, std::string_view url) {
  if (find_text(headers, "Accept: ", 1, true) == kNotFound) headers += kAcceptLine;
  if (find_text(headers, "Referer: ", 1, true) == kNotFound) {
    // Control bytes of the URL (CR, LF) as %XX: the Referer stays one line.
    headers += "Referer: " + http::escape_control_bytes(url) + "\r\n";
  }
  if (find_text(headers, "Accept-Language: ", 1, true) == kNotFound) headers += kAcceptLanguageLine;
}

// Stores the cookie of every "Set-Cookie: " line of the header capture for
// "http://" + host.
void store_cookies(std::string_view capture, std::string_view host) {
  if (find_text(capture, kCookieHeader, 1, true) == kNotFound) return;
  const Text cookie_url = "http://" + Text(host);
  LineReader reader;
  reader.write(capture);
  reader.rewind();
  while (!reader.at_end()) {
    const Text line = reader.read_line();
    if (find_text(line, kCookieHeader, 1, true) != kNotFound) {
      // The first 12 bytes go, wherever in the line the name was found.
      const Text rest = replace_range(line, 1, text_length(kCookieHeader));
      const int equals = find_text(rest, "=", 1, true);
      const Text name = text_left(rest, equals - 1);
      const Text data = text_right(rest, text_length(rest) - equals);
      http::set_cookie(cookie_url, name, data);
    }
    process_events();
  }
  reader.close();
}

}  // namespace

void net_global_init() { http::global_init(); }

void process_events() {
  if (ProcessEventsHandler handler = g_process_events.load()) handler();
}

void set_process_events_handler(ProcessEventsHandler handler) { g_process_events.store(handler); }

Bytes fetch_page(std::string_view url, std::string_view method, std::string_view proxy, Text& headers,
                 std::string_view body) {
  net_global_init();
  Bytes result;
  const Text host = url_host(url);
  const Text path = url_path(url);

  // Locals close in reverse order of opening when the fetch ends early:
  // request, connection, session.
  http::Session session = http::open_session(kBrowserIdentity, remove_spaces(proxy).empty() ? "" : proxy);
  if (!session) return fallback_body();
  http::Connection connection = http::connect(session, host, url_port(url));
  if (!connection) return fallback_body();
  http::Request request = http::open_request(connection, method, path, kProtocolVersion, /*reload=*/true);
  if (!request) return fallback_body();

  append_default_lines(headers, url);
  if (method.empty() || method == "GET") {
    http::send_request(request, headers, "");
  } else if (method == "POST") {
    if (!body.empty()) {
      headers += kFormContentTypeLine;
      headers += "Content-Length: " + number_text(text_length(body)) + "\r\n";
    }
    http::send_request(request, headers, body);
  } else {
    return fallback_body();
  }

  // Body: pieces of at most 512 bytes, each read into a freshly zeroed buffer,
  // until a read delivers nothing (the end, or a failure). Room for the
  // announced length is made once, so that a large body is not moved again
  // and again as it grows.
  if (const std::int64_t announced = http::announced_body_length(request); announced > 0) {
    result.reserve(static_cast<std::size_t>(std::min(announced, kMaxReservedBody)));
  }
  std::array<std::uint8_t, kReadPieceSize> piece;
  for (;;) {
    piece.fill(0);
    process_events();
    const std::uint32_t count = http::read_body(request, piece.data(), kReadPieceSize);
    if (count == 0) break;
    result.insert(result.end(), piece.begin(), piece.begin() + count);
  }

  Text capture = blank_text(kHeaderCaptureSize);
  http::query_raw_headers(request, capture);

  http::close_handle(request);
  http::close_handle(connection);
  http::close_handle(session);

  store_cookies(capture, host);
  return result;
}

Text fetch_page_text(std::string_view url) {
  Text headers;
  return bytes_to_text(fetch_page(url, "", "", headers, ""));
}

}  // namespace chaxun
