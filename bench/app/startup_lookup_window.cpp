// The chaxun start-up exactly as main() runs it, reporting the first paint.
#include "app/app_main.h"
#include "bench/app/first_paint.h"

int main(int argc, char** argv) {
  chaxun::AppOptions options;
  options.on_created = [](chaxun::LookupWindow& window) { new chaxun_bench::FirstPaintReporter(&window, 1000); };
  chaxun::run_app(argc, argv, std::move(options));
}
