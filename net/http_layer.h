// HTTP layer: the eight operations the page fetch is written in, built on
// libcurl. No curl type appears here; only net/http_layer.cpp includes curl.
//
// Model. A Session holds the browser identity and the proxy, a Connection the
// server and port, a Request the method, the path and, once sent, the running
// exchange: send_request sends the request and follows redirects until the
// final response's body begins (or the exchange ends); read_body moves the
// transfer on, on the calling thread, and hands the body out as it arrives;
// once the body has been read, the header block of the final response is
// available. Only the bytes received and not yet read are held. Each handle is a move-only
// RAII object with one owner; an empty handle (operator bool false) stands for
// a step that failed. Closing a handle (close_handle or its destructor) frees
// it; handles do not refer to each other, so they may be closed in any order.
//
// Cookies. One cookie store belongs to the process and is shared by every
// request on every thread. set_cookie adds to it; every request sends the
// cookies stored for its host (any port). A response's own Set-Cookie lines are
// NOT stored by the layer: storing them is the caller's decision (the page
// fetch stores those of the header block it captured). Within one request,
// cookies set by a redirect response are sent on the following hops only.
//
// What goes on the wire. The request line is the method, the request target
// and the version; bytes that cannot stand in a request target (space, control
// bytes, DEL, bytes >= 0x80, and "#", which would start a fragment) are sent
// percent-encoded as %XX (upper-case hex); every other byte of the path goes
// out as given, "." and ".." segments included. Then come, in this order:
// Host, User-Agent (the session's agent), Cookie (when the store holds cookies
// for the host), the caller's header lines in their order, and for a POST a
// Content-Length computed from the body. The layer adds no Accept, Expect,
// Content-Type, Accept-Encoding or cache header of its own. Through a proxy the
// request target is the absolute URL and curl adds "Proxy-Connection".
//
// Timeouts. A connection attempt that has not succeeded after
// kConnectTimeout fails the send; a transfer that receives no byte for
// kStallTimeout is aborted (the bytes received before it are kept); curl
// averages the transfer speed over the last five seconds, so the abort comes
// up to five seconds after that. There is no limit on the total duration or
// on the size of a body.
//
// Threads. Every operation may run on any thread; a handle is used by one
// thread at a time. global_init runs once per process, by whichever operation
// comes first; libcurl's global initialisation is thread-safe in the version
// we build on, and std::call_once lets one caller do it while others wait.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace chaxun::http {

// A connection that has not been made after this long fails the send.
inline constexpr std::chrono::milliseconds kConnectTimeout{15000};
// A transfer that receives no byte for this long is aborted.
inline constexpr std::chrono::seconds kStallTimeout{30};
// Redirects followed per request; one more fails the send.
inline constexpr long kMaxRedirects = 10;
// The port a Connection uses when it is given port 0.
inline constexpr std::int32_t kDefaultPort = 80;

// Initialises libcurl and the cookie store once per process. Idempotent and
// safe to call from several threads at once; every operation calls it.
void global_init();

// Test-only: replaces the two timeouts for requests sent afterwards (the stall
// time counts whole seconds, at least 1). reset_timeouts restores the defaults.
void set_timeouts_for_testing(std::chrono::milliseconds connect, std::chrono::seconds stall);
void reset_timeouts();

struct SessionState;
struct ConnectionState;
struct RequestState;

// A move-only owner of one step's state; empty when the step failed.
template <typename State>
class Handle {
 public:
  Handle();
  explicit Handle(std::unique_ptr<State> state);
  Handle(Handle&&) noexcept;
  Handle& operator=(Handle&&) noexcept;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle();
  explicit operator bool() const { return state_ != nullptr; }
  State* state() const { return state_.get(); }

 private:
  std::unique_ptr<State> state_;
};

extern template class Handle<SessionState>;
extern template class Handle<ConnectionState>;
extern template class Handle<RequestState>;

using Session = Handle<SessionState>;
using Connection = Handle<ConnectionState>;
using Request = Handle<RequestState>;

// Opens a session. `agent` becomes the User-Agent of every request.
// `proxy` empty: direct connections (proxy settings of the environment are
// ignored). Otherwise "host:port" or "host" (port 80) of an HTTP proxy,
// leading and trailing spaces and tabs ignored.
// Empty handle when the agent holds a control byte, or when the proxy holds
// anything but letters, digits, ".", "-", "_" and ":" between its blanks.
Session open_session(std::string_view agent, std::string_view proxy);

// Records the server for the requests of this connection; nothing goes over
// the network yet. Port 0 means kDefaultPort. Empty handle when `session` is
// empty or the port is negative or above 65535. The host is checked by the
// send: one that is empty or holds anything but letters, digits, ".", "-" and
// "_" fails there, as a name that cannot be resolved does.
Connection connect(const Session& session, std::string_view host, std::int32_t port);

// Prepares a request. `method` empty means GET; "GET" and "POST" are the usual
// ones, any other method goes out as given (a method that is not an HTTP token
// fails the send). `path` is the request target ("/" when empty, a "/" put in
// front when missing). `version` "HTTP/1.1", "HTTP/1.0", or empty for 1.1.
// `reload` asks for an answer from the server rather than a cache; this layer
// keeps no cache, so every request is a reload whatever the flag.
// Empty handle when `connection` is empty, the version is another text, or
// curl cannot make a handle.
Request open_request(const Connection& connection, std::string_view method, std::string_view path,
                     std::string_view version, bool reload);

// Sends the request with `headers` and, for a POST, `body` (ignored by every
// other method), follows redirects, and returns once the final response's
// body has begun or the exchange has ended. `headers` holds header lines,
// each ended by CR LF; a lone CR or LF also ends a line, empty lines and lines
// without ":" are not sent, a line "Name:" is sent with its empty value, and
// Content-Length lines (blanks around the name or not) are replaced by the
// layer's own.
// False, with nothing sent, for an empty handle, a request sent before, a bad
// host or method; false when the exchange failed before the body began (no
// connection, time-out, malformed answer, a request head above curl's limit
// of 1 MiB). Otherwise true; a failure later in
// the body shows as the end of the body. An error status (404, 500) is
// a success.
bool send_request(Request& request, std::string_view headers, std::string_view body);

// Copies up to `size` bytes of the body, continuing where the previous read
// stopped, into `buffer`; returns the count, waiting for the transfer when no
// byte is at hand. 0 at the end of the body, after a failure (a reset, a
// stall of kStallTimeout), for an empty handle, before the send, and when
// size is 0.
std::uint32_t read_body(Request& request, std::uint8_t* buffer, std::uint32_t size);

// The body length the final response announced (its Content-Length), or -1
// when it announced none or nothing has been received. Only a hint for
// making room: the body read may be shorter or longer.
std::int64_t announced_body_length(const Request& request);

// Puts the raw header block of the final response into `capture`: the status
// line and every header line, each ended by CR LF, without the empty line
// that ends the block. `capture`'s size on entry is the room available; the
// block needs its length plus one (for a terminating zero). On success the
// capture becomes the block (its text up to that zero) and the result is true.
// False, leaving the capture untouched, when the block does not fit, when no
// complete header block was received, when the exchange ended after an
// interim (1xx) answer or a redirect without reaching the response that
// follows it (the next hop failed, or one redirect too many), or for an empty
// handle. Meant for after the last read: a redirect's block is replaced by
// the next response's.
bool query_raw_headers(const Request& request, Text& capture);

// Frees the handle and empties it. Closing an empty handle does nothing.
template <typename State>
void close_handle(Handle<State>& handle) {
  handle = Handle<State>();
}

// Stores a cookie for the host of `url` ("http://host", a port and path are
// ignored); later requests to that host, on any port, send it. The cookie is
// name=data, or data alone when name is empty; data may carry attributes after
// the value ("v; path=/; expires=..."), which the store interprets; the cookie
// is bound to the URL's host (and, like any cookie with a domain, its
// subdomains) whatever domain attribute data names. False, with nothing
// stored, when the URL has no valid host, when name or data holds CR, LF or a
// zero byte, or when the cookie has no name: data alone without "=" before
// its first ";", or with nothing before that "=".
// Nameless cookies ("Set-Cookie: flag") are dropped: curl's cookie engine,
// which composes the Cookie line of every hop, refuses them, and keeping them
// beside it would mean a second engine (path, expiry and replacement rules)
// plus a second Cookie line or a Cookie line composed by hand on every
// redirect.
bool set_cookie(std::string_view url, std::string_view name, std::string_view data);

// `value` with its control bytes (below 0x20, and DEL) written as %XX in
// upper-case hex, so that it can stand in a header line; other bytes as given.
Text escape_control_bytes(std::string_view value);

// The cookies of the store, one Netscape cookie-file line each.
std::vector<std::string> stored_cookies();
// Empties the cookie store.
void clear_cookies();

}  // namespace chaxun::http
