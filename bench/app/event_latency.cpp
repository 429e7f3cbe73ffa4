// Event-loop latency of the lookup window while 20 workers write into the
// display box at once. A 1 ms timer on the window's thread measures how late
// each tick comes: first with no workers (baseline), then while 20 threads
// each make 200 append_text calls of five labelled lines, as the mobile
// lookup does. Output: one line per phase with the tick lateness (median,
// 99th percentile, maximum, in ms) and, for the busy phase, the appends made.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include "app/lookup_window.h"

namespace {

constexpr int kWorkers = 20;
constexpr int kAppendsPerWorker = 200;

struct Lateness {
  double median_ms, p99_ms, max_ms;
};

Lateness summarise(std::vector<qint64> late_ns) {
  if (late_ns.empty()) return {0, 0, 0};
  std::sort(late_ns.begin(), late_ns.end());
  auto at = [&](double f) { return late_ns[static_cast<size_t>(f * static_cast<double>(late_ns.size() - 1))] / 1e6; };
  return {at(0.5), at(0.99), late_ns.back() / 1e6};
}

// Runs the event loop until `done` says so, recording how late each 1 ms tick is.
template <typename Done>
std::vector<qint64> measure(Done done) {
  std::vector<qint64> late;
  QElapsedTimer clock;
  clock.start();
  qint64 last = clock.nsecsElapsed();
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(1);
  QEventLoop loop;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    late.push_back(std::max<qint64>(0, now - last - 1000000));
    last = now;
    if (done()) loop.quit();
  });
  timer.start();
  loop.exec();
  return late;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  chaxun::LookupWindow window;
  window.show();
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 300) app.processEvents(QEventLoop::AllEvents, 50);

  QElapsedTimer phase;
  phase.start();
  const Lateness idle = summarise(measure([&] { return phase.elapsed() >= 1000; }));
  std::printf("idle:    ticks late median %.3f ms, p99 %.3f ms, max %.3f ms\n", idle.median_ms, idle.p99_ms,
              idle.max_ms);

  std::atomic<int> appends{0};
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  const chaxun::Text line1 = "\xCA\xD6\xBB\xFA\xBA\xC5\xC2\xEB\xA3\xBA";  // 手机号码：
  for (int w = 0; w < kWorkers; ++w) {
    workers.emplace_back([&] {
      for (int i = 0; i < kAppendsPerWorker; ++i) {
        window.append_text(chaxun::Box::Display,
                           {line1, "1390000", "\r\n", line1, "1380000", "\r\n", line1, "023", "\r\n", line1, "400000"});
        appends.fetch_add(1);
      }
      finished.fetch_add(1);
    });
  }
  phase.restart();
  const Lateness busy = summarise(measure([&] { return finished.load() == kWorkers; }));
  const qint64 busy_ms = phase.elapsed();
  for (std::thread& t : workers) t.join();
  std::printf("busy:    ticks late median %.3f ms, p99 %.3f ms, max %.3f ms; %d append_text calls from %d threads in %lld ms\n",
              busy.median_ms, busy.p99_ms, busy.max_ms, appends.load(), kWorkers, static_cast<long long>(busy_ms));
  std::printf("verdict: max lateness %s one frame (16 ms)\n", busy.max_ms < 16.0 ? "under" : "OVER");
  return 0;
}
