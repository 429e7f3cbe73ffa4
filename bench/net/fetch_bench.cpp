// Page fetch against the curl command line, same loopback server, same run.
// For each body size: the median wall time of fetch_page (in this process)
// and of the curl command line (a child process, start-up included) in two
// forms: `curl -s -o FILE` with FILE on tmpfs, which like fetch_page keeps the
// whole body in fresh memory (the target ratio, <= 1.2, is against this one),
// and `curl -s -o /dev/null`, which throws the body away. For reference,
// "hold ms" is what holding the body alone costs: a fresh buffer of the body's
// size filled in 512-byte appends.
// Usage: fetch_bench [repetitions] [summary.json]
#include <spawn.h>
#include <sys/wait.h>

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "net/fetch.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Runs curl on the URL, writing the body to `target`; false when curl fails.
bool run_curl(const std::string& url, const std::string& target) {
  std::vector<std::string> args = {"curl", "-s", "-o", target, url};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const char* json_path = argc > 2 ? argv[2] : nullptr;
  chaxun::net_global_init();

  struct Size {
    const char* name;
    std::size_t bytes;
    std::string body;
  };
  std::vector<Size> sizes = {{"1MiB", 1u << 20, {}}, {"64MiB", 64u << 20, {}}};
  httplib::Server server;
  for (Size& s : sizes) {
    s.body.resize(s.bytes);
    for (std::size_t i = 0; i < s.bytes; ++i) s.body[i] = static_cast<char>(i * 31 % 251);
    const std::string* body = &s.body;
    const std::string path = std::string("/").append(s.name);
    // Served straight from the prepared bytes: the server copies nothing.
    server.Get(path, [body](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(body->size(), "application/octet-stream",
                               [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 return sink.write(body->data() + offset, std::min<std::size_t>(length, 1 << 20));
                               });
    });
  }
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread listener([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::yield();

  // curl's body kept in memory: a file on tmpfs, removed after each run.
  const char* shm = std::getenv("BENCH_SHM_DIR");
  const std::string mem_target = std::string(shm ? shm : "/dev/shm") + "/chaxun-fetch-bench.body";

  std::printf("%-8s %14s %16s %16s %10s %10s %10s\n", "body", "fetch_page ms", "curl->memory ms",
              "curl->null ms", "ratio mem", "ratio null", "hold ms");
  std::string json = "[";
  bool all_ok = true;
  for (const Size& s : sizes) {
    std::string url = "http://127.0.0.1:";
    url.append(std::to_string(port)).append("/").append(s.name);
    std::vector<double> fetch_times, mem_times, null_times, hold_times;
    for (int r = 0; r <= repetitions; ++r) {  // round 0 warms up
      chaxun::Text headers;
      auto start = Clock::now();
      const chaxun::Bytes body = chaxun::fetch_page(url, "", "", headers, "");
      const double fetch_time = seconds_since(start);
      start = Clock::now();
      const bool mem_ok = run_curl(url, mem_target);
      const double mem_time = seconds_since(start);
      std::remove(mem_target.c_str());
      start = Clock::now();
      const bool null_ok = run_curl(url, "/dev/null");
      const double null_time = seconds_since(start);
      start = Clock::now();
      {
        chaxun::Bytes held;
        held.reserve(s.bytes);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.body.data());
        for (std::size_t at = 0; at < s.bytes; at += 512) held.insert(held.end(), bytes + at, bytes + at + 512);
        if (held.size() != s.bytes) all_ok = false;
      }
      const double hold_time = seconds_since(start);
      if (body.size() != s.bytes || !mem_ok || !null_ok) {
        std::fprintf(stderr, "%s: fetch gave %zu bytes, curl %s\n", s.name, body.size(),
                     mem_ok && null_ok ? "ok" : "failed");
        all_ok = false;
      }
      if (r == 0) continue;
      fetch_times.push_back(fetch_time);
      mem_times.push_back(mem_time);
      null_times.push_back(null_time);
      hold_times.push_back(hold_time);
    }
    const double f = median(fetch_times) * 1e3, m = median(mem_times) * 1e3, n = median(null_times) * 1e3,
                 h = median(hold_times) * 1e3;
    std::printf("%-8s %14.2f %16.2f %16.2f %10.2f %10.2f %10.2f\n", s.name, f, m, n, f / m, f / n, h);
    if (json.size() > 1) json += ",";
    json += "{\"body\":\"" + std::string(s.name) + "\",\"fetch_page_ms\":" + std::to_string(f) +
            ",\"curl_to_memory_ms\":" + std::to_string(m) + ",\"curl_to_null_ms\":" + std::to_string(n) +
            ",\"ratio_to_memory\":" + std::to_string(f / m) + ",\"ratio_to_null\":" + std::to_string(f / n) +
            ",\"hold_ms\":" + std::to_string(h) + "}";
  }
  json += "]\n";
  if (json_path) std::ofstream(json_path) << json;
  server.stop();
  listener.join();
  return all_ok ? 0 : 1;
}
