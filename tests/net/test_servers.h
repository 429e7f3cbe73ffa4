// Loopback servers for the HTTP tests, each on an ephemeral port of 127.0.0.1.
//   RawServer   answers every connection with bytes the test chooses and
//               records each request exactly as it arrived (request line,
//               header order, body); also acts as a proxy.
//   HttpServer  a cpp-httplib server with routes the test installs.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace chaxun::net_test {

// How a RawServer answers one request.
struct RawReply {
  enum class After {
    kClose,  // close the connection normally
    kReset,  // close with a TCP reset
    kHold,   // keep the connection open and silent until the server stops
  };
  std::string bytes;
  After after = After::kClose;
};

// "HTTP/1.1 200 OK" with the given extra header lines (each ending in CR LF),
// a Content-Length and the body.
inline std::string ok_response(std::string_view body, std::string_view extra_headers = "") {
  return "HTTP/1.1 200 OK\r\n" + std::string(extra_headers) + "Content-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + std::string(body);
}

// The lines of a request head (request line first), without their CR LF.
inline std::vector<std::string> head_lines(std::string_view request) {
  std::vector<std::string> lines;
  const std::size_t end = request.find("\r\n\r\n");
  std::string_view head = request.substr(0, end == std::string_view::npos ? request.size() : end);
  for (std::size_t pos = 0; pos <= head.size();) {
    const std::size_t next = std::min(head.find("\r\n", pos), head.size());
    lines.emplace_back(head.substr(pos, next - pos));
    pos = next + 2;
  }
  return lines;
}

// What follows the request head.
inline std::string body_of(std::string_view request) {
  const std::size_t end = request.find("\r\n\r\n");
  return end == std::string_view::npos ? std::string() : std::string(request.substr(end + 4));
}

// A port of 127.0.0.1 on which nothing listens (bound, then released).
inline int unused_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

class RawServer {
 public:
  using Responder = std::function<RawReply(const std::string& request)>;

  explicit RawServer(Responder responder) : responder_(std::move(responder)) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listen_fd_, 64);
    socklen_t length = sizeof address;
    ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  // Answers every request with `reply` once.
  explicit RawServer(std::string reply)
      : RawServer([reply = std::move(reply)](const std::string&) { return RawReply{reply}; }) {}

  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  ~RawServer() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    ::shutdown(listen_fd_, SHUT_RDWR);
    thread_.join();
    ::close(listen_fd_);
  }

  int port() const { return port_; }
  std::string url(std::string_view path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }

  // The requests received so far, in arrival order.
  std::vector<std::string> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void serve() {
    for (;;) {
      const int fd = ::accept(listen_fd_, nullptr, nullptr);
      if (fd < 0) return;  // the listening socket was shut down
      const std::string request = read_request(fd);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      const RawReply reply = responder_(request);
      send_all(fd, reply.bytes);
      if (reply.after == RawReply::After::kHold) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return stopping_; });
      } else if (reply.after == RawReply::After::kReset) {
        const linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      }
      ::close(fd);
    }
  }

  // The request head and as many body bytes as its Content-Length names.
  static std::string read_request(int fd) {
    std::string data;
    std::size_t wanted = std::string::npos;
    char chunk[65536];
    while (data.size() < wanted) {
      pollfd poller{fd, POLLIN, 0};
      if (::poll(&poller, 1, 5000) <= 0) break;
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      data.append(chunk, static_cast<std::size_t>(n));
      const std::size_t head_end = data.find("\r\n\r\n");
      if (wanted == std::string::npos && head_end != std::string::npos) {
        wanted = head_end + 4 + content_length(std::string_view(data).substr(0, head_end));
      }
    }
    return data;
  }

  static std::size_t content_length(std::string_view head) {
    std::string lower(head);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::stoul(lower.substr(at + 17));
  }

  static void send_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  }

  Responder responder_;
  int listen_fd_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  std::vector<std::string> requests_;
  std::thread thread_;
};

class HttpServer {
 public:
  explicit HttpServer(const std::function<void(httplib::Server&)>& routes) {
    routes(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() before the listen loop runs would leave join() waiting forever.
    while (!server_.is_running()) std::this_thread::yield();
  }
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;
  ~HttpServer() {
    server_.stop();
    thread_.join();
  }

  int port() const { return port_; }
  std::string url(std::string_view path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

}  // namespace chaxun::net_test
