#!/usr/bin/env bash
# Runs the text toolkit benchmarks. Env: BUILD (a Release build dir), OUT (output dir).
# Writes OUT/text.json and OUT/text_summary.txt: per operation and page size, the
# throughput of the operation and of its byte-search baselines from the same run,
# the operation's share of the fastest baseline, and the 8 MiB / 1 MiB time ratio
# (8 means linear) beside that of each baseline: where 1 MiB still fits in the
# cache and 8 MiB does not, a plain copy also costs more than 8x. Times are CPU
# times (as the MiB/s figures), so other processes on the machine do not count.
source "$(dirname "$0")/../gbench.sh"
run_gbench text
python3 - "$OUT/text.json" > "$OUT/text_summary.txt" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
median = {}
for r in runs:
    if r.get("aggregate_name") == "median" and "error_occurred" not in r:
        name, size = r["run_name"].split("/")
        median[(name, int(size))] = (r["cpu_time"], r["bytes_per_second"] / 2**20)
sizes = sorted({s for _, s in median})
ops = sorted({n for n, _ in median if "_Base" not in n})
print(f"{'benchmark':32} {'size':>6} {'cpu us':>10} {'MiB/s':>8} {'of best base':>13}")
for op in ops:
    names = [op] + sorted({n for n, _ in median if n.startswith(op + "_Base")})
    for s in sizes:
        if (op, s) not in median:
            continue
        best = max(median[(n, s)][1] for n in names[1:] if (n, s) in median) if len(names) > 1 else None
        for n in names:
            if (n, s) not in median:
                continue
            t, mibs = median[(n, s)]
            share = f"{mibs / best:12.2f}x" if n == op and best else ""
            print(f"{n:32} {s >> 20:>4}Mi {t:10.1f} {mibs:8.0f} {share:>13}")
    if len(sizes) == 2:
        ratios = [f"{n} {median[(n, sizes[1])][0] / median[(n, sizes[0])][0]:.2f}"
                  for n in names if all((n, s) in median for s in sizes)]
        print(f"{'':32} 8 MiB / 1 MiB time ratio: {', '.join(ratios)}")
    print()
PY
cat "$OUT/text_summary.txt"
