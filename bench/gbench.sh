# Shared by the Google Benchmark run scripts: source it, then call
#   run_gbench AREA
# which runs $BUILD/bench/AREA/AREA_bench with three repetitions and writes
# the aggregates to $OUT/AREA.json.
set -euo pipefail
: "${BUILD:?BUILD must name a Release build dir}" "${OUT:?OUT must name an output dir}"
mkdir -p "$OUT"

run_gbench() {
  local area="$1"
  "$BUILD/bench/$area/${area}_bench" \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$OUT/$area.json" --benchmark_out_format=json
}
