// Baseline: the smallest Qt Widgets program, one window holding one label.
// The label shows the lookup window's caption, so that both programs load the
// Chinese font they need to paint. Built twice: plain, and with the libraries
// of chaxun linked in (CHAXUN_BENCH_PROGRAM_LIBRARIES), to tell the window's
// own cost from theirs. Like chaxun's start-up, neither initialises the HTTP
// layer: the first fetch does that.
#include <QApplication>
#include <QLabel>

#include "bench/app/first_paint.h"
#ifdef CHAXUN_BENCH_PROGRAM_LIBRARIES
#include "net/fetch.h"
#endif

int main(int argc, char** argv) {
#ifdef CHAXUN_BENCH_PROGRAM_LIBRARIES
  if (argc < 0) chaxun::net_global_init();  // never runs; keeps the HTTP layer linked in
#endif
  QApplication app(argc, argv);
  QLabel window(QString::fromUtf16(u"\u67E5\u8BE2 V0.1"));  // the caption
  new chaxun_bench::FirstPaintReporter(&window, 1000);
  window.show();
  return app.exec();
}
