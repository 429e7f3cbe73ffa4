#!/usr/bin/env bash
# Runs the page fetch benchmark. Env: BUILD (a Release build dir), OUT (output dir).
# Writes OUT/net.json and OUT/net_summary.txt: for a 1 MiB and a 64 MiB body from
# a loopback server, the median time of fetch_page and of the curl command line
# (process start included) in the same run, curl writing the body to tmpfs
# (kept in memory, as fetch_page does; target ratio <= 1.2) and to /dev/null.
set -euo pipefail
: "${BUILD:?BUILD must name a Release build dir}" "${OUT:?OUT must name an output dir}"
mkdir -p "$OUT"
"$BUILD/bench/net/fetch_bench" "${REPETITIONS:-9}" "$OUT/net.json" | tee "$OUT/net_summary.txt"
