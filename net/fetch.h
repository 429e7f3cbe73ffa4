// Page fetch: one HTTP request for a full URL, returning the response body.
#pragma once

#include <string_view>

#include "text/text.h"

namespace chaxun {

// Initialises the HTTP library and the process-wide cookie store, once per
// process; repeated and concurrent calls wait for that one initialisation and
// then do nothing. Every fetch calls it first, so calling it is optional; a
// program may call it early to pay the cost before its first fetch. (The
// library's own global initialisation is thread-safe in the libcurl we build
// on, and std::call_once keeps it to one caller.)
void net_global_init();

// The User-Agent of every request.
inline constexpr std::string_view kBrowserIdentity = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// What a fetch returns when it stops before sending: 255 zero bytes.
inline constexpr int kFallbackBodySize = 255;

// Performs one request for `url` (the forms url_host/url_port/url_path accept)
// and returns the response body, whatever its status; the body may hold zero
// bytes. Never fails loudly; the result is one of:
//   - the body (empty when the server sent none or the exchange failed before
//     any body byte arrived, e.g. an unknown host or a refused connection; the
//     bytes received before a failure in the middle of the body);
//   - the fallback body, kFallbackBodySize zero bytes, when the request could
//     not be prepared (a proxy text the layer rejects, a port outside
//     0..65535) or `method` is not "", "GET" or "POST" (compared byte for
//     byte, so "get" is not recognised).
// `method` "" means GET. `proxy`: empty or only blanks for a direct
// connection, otherwise "host:port" of an HTTP proxy. `body`: the POST body,
// already form-encoded; ignored by GET.
// `headers` is read and written. It holds extra request lines, each ended by
// CR LF. Once the request is prepared, the lines "Accept: ...", "Referer: "
// followed by the URL, and "Accept-Language: zh-cn" are appended, each only
// when its name (with ": ") occurs nowhere in the text, ignoring letter case;
// a POST with a non-empty body then gets "Content-Type:
// application/x-www-form-urlencoded" and "Content-Length: <n>". The variable
// keeps those additions also when the method is not recognised; it is left
// unchanged when the request could not be prepared. Control bytes of the URL
// (CR, LF, ...) appear as %XX in the Referer line, so no URL can add a line.
// The cookies that the final response sets are stored for "http://" + host
// (any port) when its header block fits into 1024 bytes; every request sends
// the cookies stored for its host. A fetch whose exchange failed before the
// final response's header block (no connection, a redirect whose next hop
// failed) stores none. A nameless cookie ("Set-Cookie: flag") is not stored
// (see http::set_cookie).
Bytes fetch_page(std::string_view url, std::string_view method, std::string_view proxy, Text& headers,
                 std::string_view body);

// fetch_page(url, "", "", <empty headers>, "") as a text: the body up to its
// first zero byte; the empty text for the fallback body or an empty body.
Text fetch_page_text(std::string_view url);

// Handles the events already waiting for the calling thread. The window layer
// installs the handler; without one this does nothing. A fetch calls it before
// every read of the body and, when the captured header block holds a
// "Set-Cookie: " line, after every line of that block.
void process_events();
using ProcessEventsHandler = void (*)();
// Installs the handler (nullptr removes it); may be called from any thread.
void set_process_events_handler(ProcessEventsHandler handler);

}  // namespace chaxun
