// Throughput of the bulk EncodingTools conversions on 1 MiB and 8 MiB inputs,
// each beside the baseline of the same run: copying the input into a new
// buffer of the same size (allocation plus memcpy), which is the least any
// conversion returning a new buffer must do. Time per byte should stay the
// same from 1 MiB to 8 MiB (linear in the input size).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>

#include "encoding/encoding_tools.h"

namespace chaxun {
namespace {

constexpr std::string_view kSentence = "\xD6\xD0\xB9\xFA\xB7\xA2\xD5\xB9\xC0\xFA\xCA\xB7 ABC";  // 中国发展历史 ABC

// A GBK text of `size` bytes made of whole characters.
Text gbk_text(std::size_t size) {
  Text t;
  t.reserve(size + kSentence.size());
  while (t.size() < size) t += kSentence;
  t.resize(size);
  if (static_cast<unsigned char>(t.back()) >= 0x80) t.back() = 'x';  // no half character
  return t;
}

Bytes random_bytes(std::size_t size) {
  std::mt19937 rng(42);
  Bytes b(size);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

void finish(benchmark::State& state, std::size_t size) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Baseline: a new buffer holding a copy of the input.
void BM_Baseline_CopyBuffer(benchmark::State& state) {
  const Bytes data = random_bytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    Bytes copy(data);
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
  finish(state, data.size());
}

// Base64 text of `size` bytes.
Bytes base64_text(std::size_t size) { return EncodingTools().base64_encode(random_bytes(size / 4 * 3)); }

// One operation on an input of state.range(0) bytes made by `Make`.
template <auto Make, auto Op>
void BM_Operation(benchmark::State& state) {
  const auto input = Make(static_cast<std::size_t>(state.range(0)));
  EncodingTools tools;
  for (auto _ : state) benchmark::DoNotOptimize((tools.*Op)(input));
  finish(state, input.size());
}

constexpr std::int64_t kMiB = 1 << 20;

#define CHAXUN_SIZES(...) \
  BENCHMARK(__VA_ARGS__)->Arg(kMiB)->Arg(8 * kMiB)->Unit(benchmark::kMillisecond)
CHAXUN_SIZES(BM_Baseline_CopyBuffer);
CHAXUN_SIZES(BM_Operation<gbk_text, &EncodingTools::percent_encode_all>)->Name("BM_PercentEncodeAll");
CHAXUN_SIZES(BM_Operation<random_bytes, &EncodingTools::base64_encode>)->Name("BM_Base64Encode");
CHAXUN_SIZES(BM_Operation<base64_text, &EncodingTools::base64_decode>)->Name("BM_Base64Decode");
CHAXUN_SIZES(BM_Operation<gbk_text, &EncodingTools::gbk_to_utf8>)->Name("BM_GbkToUtf8");
CHAXUN_SIZES(BM_Operation<random_bytes, &EncodingTools::bytes_to_hex>)->Name("BM_BytesToHex");

}  // namespace
}  // namespace chaxun

BENCHMARK_MAIN();
