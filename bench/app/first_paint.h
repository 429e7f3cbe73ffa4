// Start-up benchmark helper: reports when a window is first painted and how
// much memory the idle process holds a moment later, then closes the window.
// Output, one line on standard output:
//   first_paint_ns=<CLOCK_REALTIME at the first paint> rss_kb=<VmRSS>
#pragma once

#include <time.h>

#include <cstdio>
#include <fstream>
#include <string>

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

namespace chaxun_bench {

inline long long realtime_ns() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// VmRSS of this process in kB; -1 when it cannot be read.
inline long vm_rss_kb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

class FirstPaintReporter final : public QObject {
 public:
  // Watches `window`; idle_ms after its first paint, reports and closes it.
  FirstPaintReporter(QWidget* window, int idle_ms) : QObject(window), window_(window), idle_ms_(idle_ms) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Paint && paint_ns_ == 0) {
      paint_ns_ = realtime_ns();
      QTimer::singleShot(idle_ms_, window_, [this] {
        std::printf("first_paint_ns=%lld rss_kb=%ld\n", paint_ns_, vm_rss_kb());
        std::fflush(stdout);
        window_->close();
      });
    }
    return false;
  }

 private:
  QWidget* window_;
  int idle_ms_;
  long long paint_ns_ = 0;
};

}  // namespace chaxun_bench
