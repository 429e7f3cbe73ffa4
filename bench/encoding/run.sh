#!/usr/bin/env bash
# Runs the EncodingTools benchmarks. Env: BUILD (a Release build dir), OUT (output dir).
# Writes OUT/encoding.json and OUT/encoding_summary.txt: per benchmark and size,
# the time, the ratio to the copy baseline of the same size in the same run, and
# the 8 MiB / 1 MiB time ratio (8 means linear).
source "$(dirname "$0")/../gbench.sh"
run_gbench encoding
python3 - "$OUT/encoding.json" > "$OUT/encoding_summary.txt" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
median = {}
for r in runs:
    if r.get("aggregate_name") == "median":
        name, size = r["run_name"].split("/")
        median[(name, int(size))] = r["real_time"]
sizes = sorted({s for _, s in median})
names = sorted({n for n, _ in median}, key=lambda n: (not n.startswith("BM_Baseline"), n))
print(f"{'benchmark':24} {'size':>6} {'ms':>9} {'x baseline':>11} {'MiB/s':>8}")
for n in names:
    for s in sizes:
        t = median[(n, s)]
        base = median[("BM_Baseline_CopyBuffer", s)]
        print(f"{n:24} {s >> 20:>4}Mi {t:9.3f} {t / base:11.1f} {(s / 2**20) / (t / 1000):8.0f}")
    if len(sizes) == 2:
        print(f"{'':24} 8 MiB / 1 MiB time ratio: {median[(n, sizes[1])] / median[(n, sizes[0])]:.2f}")
PY
cat "$OUT/encoding_summary.txt"
