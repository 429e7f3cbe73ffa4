#include "net/http_layer.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <string>
#include <utility>

namespace chaxun::http {

// ------------------------------------------------------------------ handles

struct SessionState {
  std::string agent;
  std::string proxy;  // "http://host:port", empty for direct connections
};

struct ConnectionState {
  SessionState session;
  std::string host;
  std::int32_t port = kDefaultPort;
};

namespace {

// Frees a curl handle with its own cleanup function.
template <auto Cleanup>
struct CurlDeleter {
  template <typename T>
  void operator()(T* handle) const {
    Cleanup(handle);
  }
};
using EasyHandle = std::unique_ptr<CURL, CurlDeleter<curl_easy_cleanup>>;
using HeaderList = std::unique_ptr<curl_slist, CurlDeleter<curl_slist_free_all>>;
using ShareHandle = std::unique_ptr<CURLSH, CurlDeleter<curl_share_cleanup>>;
using MultiHandle = std::unique_ptr<CURLM, CurlDeleter<curl_multi_cleanup>>;

}  // namespace

// One request. After the send, its easy handle runs in its own multi handle,
// driven by the calling thread whenever the body is read: the body streams
// through `pending` instead of being held whole.
struct RequestState {
  ConnectionState connection;
  std::string method;
  std::string target;  // the path, percent-encoded where needed
  long version = CURL_HTTP_VERSION_1_1;
  EasyHandle easy;
  MultiHandle multi;  // set while the easy handle is in it
  bool sent = false;
  bool done = false;  // the transfer has ended, well or not
  bool paused = false;  // curl holds a piece until `pending` has room
  CURLcode result = CURLE_OK;

  // What curl borrows for the duration of the transfer.
  HeaderList header_lines;
  std::string post_body;

  std::string pending;  // body bytes received and not yet read
  std::size_t read_pos = 0;

  std::string header_block;  // lines of the response being received
  bool headers_complete = false;
  bool block_has_location = false;  // a non-empty Location line in header_block
  std::string final_headers;  // the last complete block
  bool have_final_headers = false;
  // The last complete block belongs to a response curl moves past: an interim
  // (1xx) answer or a redirect (3xx with a Location). Such a block stays the
  // last one only when the exchange failed after it.
  bool final_headers_passed = false;

  RequestState() = default;
  RequestState(const RequestState&) = delete;
  RequestState& operator=(const RequestState&) = delete;
  ~RequestState() {
    if (multi && easy) curl_multi_remove_handle(multi.get(), easy.get());
  }
};

template <typename State>
Handle<State>::Handle() = default;
template <typename State>
Handle<State>::Handle(std::unique_ptr<State> state) : state_(std::move(state)) {}
template <typename State>
Handle<State>::Handle(Handle&&) noexcept = default;
template <typename State>
Handle<State>& Handle<State>::operator=(Handle&&) noexcept = default;
template <typename State>
Handle<State>::~Handle() = default;

template class Handle<SessionState>;
template class Handle<ConnectionState>;
template class Handle<RequestState>;

// ------------------------------------------------------------------ helpers

namespace {

bool is_alnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Letters, digits, ".", "-", "_": what a host name may hold.
bool is_host_name(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) {
    return is_alnum(c) || c == '.' || c == '-' || c == '_';
  });
}

// An HTTP token (RFC 9110 tchar).
bool is_token(std::string_view s) {
  static constexpr std::string_view kExtra = "!#$%&'*+-.^_`|~";
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) {
    return is_alnum(c) || kExtra.find(static_cast<char>(c)) != std::string_view::npos;
  });
}

bool is_control_byte(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool has_control_byte(std::string_view s) { return std::any_of(s.begin(), s.end(), is_control_byte); }

std::string_view trim_spaces_and_tabs(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool starts_with_ignoring_case(std::string_view s, std::string_view prefix) {
  return compare_text(text_left(s, text_length(prefix)), prefix, /*case_sensitive=*/false) == 0;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  return compare_text(a, b, /*case_sensitive=*/false) == 0;
}

// `s` with every byte for which `encode` holds written as %XX.
template <typename Predicate>
std::string percent_encode(std::string_view s, Predicate encode, std::string out = {}) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.reserve(out.size() + s.size());
  for (unsigned char c : s) {
    if (encode(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The request target: bytes that cannot stand in one are percent-encoded.
std::string encode_target(std::string_view path) {
  const bool slash = !path.empty() && path.front() == '/';
  return percent_encode(
      path, [](unsigned char c) { return c <= 0x20 || c >= 0x7F || c == '#'; }, slash ? "" : "/");
}

// The caller's header lines as curl's list. Lines end at CR LF, a lone CR or
// a lone LF. curl would drop "Name:" (it means "do not send Name"), so such a
// line is given as "Name;", which curl sends as "Name:". The markers at the
// end keep curl's own Accept, Expect and Content-Type lines off the wire.
HeaderList header_list(std::string_view headers) {
  curl_slist* list = nullptr;
  auto append = [&list](const std::string& line) {
    if (curl_slist* grown = curl_slist_append(list, line.c_str())) list = grown;
  };
  std::size_t pos = 0;
  while (pos < headers.size()) {
    std::size_t end = headers.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = headers.size();
    std::string_view line = headers.substr(pos, end - pos);
    pos = end + 1;
    if (line.find('\0') != std::string_view::npos) line = line.substr(0, line.find('\0'));
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (equals_ignoring_case(trim_spaces_and_tabs(line.substr(0, colon)), "content-length")) continue;
    if (trim_spaces_and_tabs(line.substr(colon + 1)).empty()) {
      append(std::string(line.substr(0, colon)) + ";");
    } else {
      append(std::string(line));
    }
  }
  for (const char* marker : {"Accept:", "Expect:", "Content-Type:"}) append(marker);
  return HeaderList(list);
}

// ------------------------------------------------------------ configuration

// Body bytes held before curl is asked to wait: small enough to stay in cache.
constexpr std::size_t kPendingLimit = 256 * 1024;

std::atomic<long> g_connect_timeout_ms{static_cast<long>(kConnectTimeout.count())};
std::atomic<long> g_stall_seconds{static_cast<long>(kStallTimeout.count())};

// ------------------------------------------------------------- cookie store

// The process-wide cookie store: a curl share holding only cookies, locked
// per kind of shared data. Reached through short-lived easy handles.
class CookieStore {
 public:
  CookieStore() : share_(curl_share_init()) {
    if (!share_) return;
    curl_share_setopt(share_.get(), CURLSHOPT_LOCKFUNC, &CookieStore::lock);
    curl_share_setopt(share_.get(), CURLSHOPT_UNLOCKFUNC, &CookieStore::unlock);
    curl_share_setopt(share_.get(), CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  }

  // Adds one cookie line ("Set-Cookie: ..." or a Netscape line).
  bool add(const std::string& line) {
    EasyHandle easy = attached_handle();
    return easy && curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line.c_str()) == CURLE_OK;
  }

  // Every stored cookie as a Netscape line.
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    EasyHandle easy = attached_handle();
    curl_slist* list = nullptr;
    if (easy && curl_easy_getinfo(easy.get(), CURLINFO_COOKIELIST, &list) == CURLE_OK) {
      HeaderList owner(list);
      for (const curl_slist* p = list; p; p = p->next) out.emplace_back(p->data);
    }
    return out;
  }

  void clear() { add("ALL"); }

 private:
  EasyHandle attached_handle() {
    if (!share_) return nullptr;
    EasyHandle easy(curl_easy_init());
    if (easy) {
      curl_easy_setopt(easy.get(), CURLOPT_SHARE, share_.get());
      curl_easy_setopt(easy.get(), CURLOPT_COOKIEFILE, "");
    }
    return easy;
  }

  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
    static_cast<CookieStore*>(self)->mutex_for(data).lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* self) {
    static_cast<CookieStore*>(self)->mutex_for(data).unlock();
  }
  std::mutex& mutex_for(curl_lock_data data) {
    const auto i = static_cast<std::size_t>(data);
    return mutexes_[i < mutexes_.size() ? i : 0];
  }

  std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
  ShareHandle share_;
};

// Lives until the process ends: worker threads may still use it while the
// process exits, so it is never destroyed.
CookieStore& cookie_store() {
  static CookieStore* const store = new CookieStore;
  return *store;
}

// ------------------------------------------------------------ curl callbacks

// No exception may leave a callback: a failure to grow a buffer aborts the
// transfer (returning a short count), keeping what arrived before.
std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
  auto* state = static_cast<RequestState*>(user);
  const std::size_t n = size * count;
  if (state->pending.size() - state->read_pos >= kPendingLimit) {
    // Enough waiting to be read: curl keeps this piece and stops reading
    // until read_body has made room.
    state->paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  try {
    state->pending.append(data, n);
  } catch (...) {
    return 0;
  }
  return n;
}

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
  auto* state = static_cast<RequestState*>(user);
  const std::size_t n = size * count;
  std::string_view line(data, n);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  try {
    if (starts_with_ignoring_case(line, "HTTP/")) {
      // The status line of a new response (an interim one, a redirect or the
      // final one): start a new block.
      state->header_block.clear();
      state->headers_complete = false;
      state->block_has_location = false;
    } else if (state->headers_complete) {
      return n;  // trailers after a body
    }
    if (line.empty()) {
      state->headers_complete = true;
      state->final_headers = state->header_block;
      state->have_final_headers = true;
      // curl follows every 3xx answer with a non-empty Location.
      long status = 0;
      curl_easy_getinfo(state->easy.get(), CURLINFO_RESPONSE_CODE, &status);
      state->final_headers_passed = status / 100 == 1 || (status / 100 == 3 && state->block_has_location);
      return n;
    }
    if (starts_with_ignoring_case(line, "location:") && !trim_spaces_and_tabs(line.substr(9)).empty()) {
      state->block_has_location = true;
    }
    state->header_block.append(line).append("\r\n");
  } catch (...) {
    return 0;
  }
  return n;
}

// Lets curl move the transfer on: waits (at most a second, less when curl's
// own timers say so) for the socket, then reads what has arrived into
// `pending`, and notes the end of the transfer.
void advance(RequestState& state) {
  CURLM* multi = state.multi.get();
  int running = 0;
  if (curl_multi_perform(multi, &running) != CURLM_OK) {
    state.done = true;
    state.result = CURLE_FAILED_INIT;
    return;
  }
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
    if (message->msg == CURLMSG_DONE) {
      state.done = true;
      state.result = message->data.result;
    }
  }
  if (!state.done && state.pending.empty()) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
}

}  // namespace

// ------------------------------------------------------------------ set-up

void global_init() {
  static std::once_flag once;
  std::call_once(once, [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    cookie_store();
  });
}

void set_timeouts_for_testing(std::chrono::milliseconds connect, std::chrono::seconds stall) {
  g_connect_timeout_ms = static_cast<long>(std::max<std::chrono::milliseconds::rep>(connect.count(), 1));
  g_stall_seconds = static_cast<long>(std::max<std::chrono::seconds::rep>(stall.count(), 1));
}

void reset_timeouts() { set_timeouts_for_testing(kConnectTimeout, kStallTimeout); }

// -------------------------------------------------------------- operations

Session open_session(std::string_view agent, std::string_view proxy) {
  global_init();
  if (has_control_byte(agent)) return Session();
  auto state = std::make_unique<SessionState>();
  state->agent = agent;
  const std::string_view address = trim_spaces_and_tabs(proxy);
  if (!address.empty()) {
    const bool valid = std::all_of(address.begin(), address.end(), [](unsigned char c) {
      return is_alnum(c) || c == '.' || c == '-' || c == '_' || c == ':';
    });
    if (!valid) return Session();
    state->proxy = "http://" + std::string(address);
  }
  return Session(std::move(state));
}

Connection connect(const Session& session, std::string_view host, std::int32_t port) {
  if (!session || port < 0 || port > 65535) return Connection();
  auto state = std::make_unique<ConnectionState>();
  state->session = *session.state();
  state->host = host;
  state->port = port == 0 ? kDefaultPort : port;
  return Connection(std::move(state));
}

Request open_request(const Connection& connection, std::string_view method, std::string_view path,
                     std::string_view version, bool /*reload: no cache is ever consulted*/) {
  if (!connection) return Request();
  long curl_version = 0;
  if (version.empty() || version == "HTTP/1.1") {
    curl_version = CURL_HTTP_VERSION_1_1;
  } else if (version == "HTTP/1.0") {
    curl_version = CURL_HTTP_VERSION_1_0;
  } else {
    return Request();
  }
  EasyHandle easy(curl_easy_init());
  if (!easy) return Request();
  auto state = std::make_unique<RequestState>();
  state->connection = *connection.state();
  state->method = method.empty() ? "GET" : std::string(method);
  state->target = encode_target(path);
  state->version = curl_version;
  state->easy = std::move(easy);
  return Request(std::move(state));
}

bool send_request(Request& request, std::string_view headers, std::string_view body) {
  RequestState* state = request.state();
  if (!state || state->sent) return false;
  state->sent = true;
  const ConnectionState& where = state->connection;
  if (!is_host_name(where.host) || !is_token(state->method)) return false;

  CURL* easy = state->easy.get();
  std::string url = "http://";
  url += where.host;
  if (where.port != kDefaultPort) url.append(":").append(std::to_string(where.port));
  url += state->target;
  state->header_lines = header_list(headers);

  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, state->version);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, where.session.agent.c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, state->header_lines.get());
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, g_connect_timeout_ms.load());
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, g_stall_seconds.load());
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 100L * 1024);
  // An explicit proxy (or none) and an empty exception list: the environment's
  // proxy variables play no part.
  curl_easy_setopt(easy, CURLOPT_PROXY, where.session.proxy.c_str());
  curl_easy_setopt(easy, CURLOPT_PROXYPORT, 80L);
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "");

  // The request's own cookie engine, seeded from the store: it sends the
  // stored cookies on every hop, and the cookies the responses set stay in it
  // and are dropped with the request.
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  for (const std::string& cookie : cookie_store().lines()) curl_easy_setopt(easy, CURLOPT_COOKIELIST, cookie.c_str());

  if (state->method == "GET") {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else if (state->method == "POST") {
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    state->post_body = body;
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, state->post_body.c_str());
  } else {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, state->method.c_str());
    if (state->method == "HEAD") curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  }

  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &on_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, state);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &on_header);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, state);

  state->multi.reset(curl_multi_init());
  if (!state->multi || curl_multi_add_handle(state->multi.get(), easy) != CURLM_OK) {
    state->multi.reset();
    return false;
  }
  // Until the response's body begins or the transfer ends (a followed
  // redirect's body never reaches `pending`).
  while (!state->done && state->pending.empty()) advance(*state);
  return !(state->done && state->result != CURLE_OK);
}

std::uint32_t read_body(Request& request, std::uint8_t* buffer, std::uint32_t size) {
  RequestState* state = request.state();
  if (!state || !state->multi || !buffer || size == 0) return 0;
  while (state->read_pos == state->pending.size() && (state->paused || !state->done)) {
    if (state->paused) {
      state->pending.clear();
      state->read_pos = 0;
      state->paused = false;
      curl_easy_pause(state->easy.get(), CURLPAUSE_CONT);  // hands the held piece over at once
    } else {
      advance(*state);
    }
  }
  const std::size_t n = std::min<std::size_t>(size, state->pending.size() - state->read_pos);
  std::copy_n(state->pending.data() + state->read_pos, n, buffer);
  state->read_pos += n;
  if (state->read_pos == state->pending.size()) {
    state->pending.clear();  // keeps its room for the next bytes
    state->read_pos = 0;
  }
  return static_cast<std::uint32_t>(n);
}

std::int64_t announced_body_length(const Request& request) {
  const RequestState* state = request.state();
  curl_off_t length = -1;
  if (!state || !state->multi ||
      curl_easy_getinfo(state->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) {
    return -1;
  }
  return length;
}

bool query_raw_headers(const Request& request, Text& capture) {
  const RequestState* state = request.state();
  if (!state || !state->have_final_headers || state->final_headers_passed) return false;
  if (state->final_headers.size() + 1 > capture.size()) return false;
  capture = state->final_headers;
  return true;
}

bool set_cookie(std::string_view url, std::string_view name, std::string_view data) {
  global_init();
  // The host of "http://host[:port][/path]" (the scheme is optional).
  std::string_view host = url;
  if (starts_with_ignoring_case(host, "http://")) host.remove_prefix(7);
  host = host.substr(0, host.find_first_of(":/"));
  if (!is_host_name(host)) return false;

  std::string cookie = name.empty() ? std::string(data) : std::string(name) + "=" + std::string(data);
  const std::string_view pair = std::string_view(cookie).substr(0, cookie.find(';'));
  const std::size_t equals = pair.find('=');
  if (equals == std::string_view::npos || trim_spaces_and_tabs(pair.substr(0, equals)).empty()) return false;
  // A line break would end the line early; a zero byte would cut it, domain
  // included, where curl reads it.
  if (cookie.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) return false;
  // The domain attribute comes last so that it wins over one in the data.
  return cookie_store().add("Set-Cookie: " + cookie + "; domain=" + std::string(host));
}

Text escape_control_bytes(std::string_view value) { return percent_encode(value, is_control_byte); }

std::vector<std::string> stored_cookies() {
  global_init();
  return cookie_store().lines();
}

void clear_cookies() {
  global_init();
  cookie_store().clear();
}

}  // namespace chaxun::http
