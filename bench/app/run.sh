#!/usr/bin/env bash
# Window benchmarks. Needs BUILD (a Release build with the bench helpers) and
# OUT (output folder); bench/run sets both.
#   1. Start-up: time from process start to the window's first paint, and the
#      idle resident memory (VmRSS) a second later, for the lookup window and,
#      in the same run, for a minimal Qt window holding one label, built plain
#      and with chaxun's libraries linked in. Median of 11 alternating starts
#      each; target: lookup window / minimal window <= 1.3.
#   2. Event-loop latency while 20 workers write into the display box at once;
#      target: every 1 ms timer tick late by less than one frame (16 ms).
# Runs on a virtual X display (xvfb-run) when there is one, else offscreen.
set -euo pipefail
: "${BUILD:?set BUILD to a build directory}"
: "${OUT:?set OUT to an output directory}"
HERE="$BUILD/bench/app"
mkdir -p "$OUT"
REPORT="$OUT/app.txt"

run_all() {
  python3 - "$HERE" <<'PY'
import statistics, subprocess, sys, time
here = sys.argv[1]
programs = {"lookup window": here + "/bench_startup_lookup_window",
            "minimal window": here + "/bench_startup_minimal_window",
            "minimal + libs": here + "/bench_startup_minimal_window_with_libraries"}
runs = 11
results = {name: {"ms": [], "rss": []} for name in programs}
for _ in range(runs):
    for name, path in programs.items():
        start = time.time_ns()
        out = subprocess.run([path], capture_output=True, text=True, timeout=60).stdout
        fields = dict(f.split("=") for f in out.split())
        results[name]["ms"].append((int(fields["first_paint_ns"]) - start) / 1e6)
        results[name]["rss"].append(int(fields["rss_kb"]))
med = {n: (statistics.median(r["ms"]), statistics.median(r["rss"])) for n, r in results.items()}
for name, (ms, rss) in med.items():
    print(f"{name:15s} first paint {ms:7.1f} ms   idle VmRSS {rss:7d} kB   (median of {runs})")
t = med["lookup window"][0] / med["minimal window"][0]
m = med["lookup window"][1] / med["minimal window"][1]
print(f"ratio to minimal window          first paint {t:.2f}   VmRSS {m:.2f}   (target <= 1.30: "
      f"{'met' if max(t, m) <= 1.3 else 'NOT MET'})")
t2 = med["lookup window"][0] / med["minimal + libs"][0]
m2 = med["lookup window"][1] / med["minimal + libs"][1]
print(f"ratio to minimal + chaxun's libs first paint {t2:.2f}   VmRSS {m2:.2f}   (the window's own cost)")
PY
  "$HERE/bench_event_latency"
}

if command -v xvfb-run > /dev/null; then
  export QT_QPA_PLATFORM=xcb
  export -f run_all
  HERE="$HERE" xvfb-run -a -s "-screen 0 1024x768x24" bash -c "HERE='$HERE'; $(declare -f run_all); run_all" 2>/dev/null | tee "$REPORT"
else
  export QT_QPA_PLATFORM=offscreen
  run_all 2>/dev/null | tee "$REPORT"
fi
