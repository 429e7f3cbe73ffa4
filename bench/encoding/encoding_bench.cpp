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

void BM_PercentEncodeAll(benchmark::State& state) {
  const Text text = gbk_text(static_cast<std::size_t>(state.range(0)));
  EncodingTools tools;
  for (auto _ : state) benchmark::DoNotOptimize(tools.percent_encode_all(text));
  finish(state, text.size());
}

void BM_Base64Encode(benchmark::State& state) {
  const Bytes data = random_bytes(static_cast<std::size_t>(state.range(0)));
  EncodingTools tools;
  for (auto _ : state) benchmark::DoNotOptimize(tools.base64_encode(data));
  finish(state, data.size());
}

// Input: state.range(0) bytes of Base64 text.
void BM_Base64Decode(benchmark::State& state) {
  EncodingTools tools;
  const Bytes encoded =
      tools.base64_encode(random_bytes(static_cast<std::size_t>(state.range(0)) / 4 * 3));
  for (auto _ : state) benchmark::DoNotOptimize(tools.base64_decode(encoded));
  finish(state, encoded.size());
}

void BM_GbkToUtf8(benchmark::State& state) {
  const Text text = gbk_text(static_cast<std::size_t>(state.range(0)));
  EncodingTools tools;
  for (auto _ : state) benchmark::DoNotOptimize(tools.gbk_to_utf8(text));
  finish(state, text.size());
}

void BM_BytesToHex(benchmark::State& state) {
  const Bytes data = random_bytes(static_cast<std::size_t>(state.range(0)));
  EncodingTools tools;
  for (auto _ : state) benchmark::DoNotOptimize(tools.bytes_to_hex(data));
  finish(state, data.size());
}

constexpr std::int64_t kMiB = 1 << 20;

#define CHAXUN_SIZES(bm) BENCHMARK(bm)->Arg(kMiB)->Arg(8 * kMiB)->Unit(benchmark::kMillisecond)
CHAXUN_SIZES(BM_Baseline_CopyBuffer);
CHAXUN_SIZES(BM_PercentEncodeAll);
CHAXUN_SIZES(BM_Base64Encode);
CHAXUN_SIZES(BM_Base64Decode);
CHAXUN_SIZES(BM_GbkToUtf8);
CHAXUN_SIZES(BM_BytesToHex);

}  // namespace
}  // namespace chaxun

BENCHMARK_MAIN();
