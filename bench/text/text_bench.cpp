// Throughput of the character-aware text operations and of pattern search on a
// page-like GBK text (HTML rows mixed with Chinese) of 1 MiB and 8 MiB, each
// beside byte-search baselines in the same run: std::string_view::find (or
// rfind) and memmem doing the same job without caring about characters.
//
// Benchmarks are named <Op> for the operation and <Op>_Base<How> for its
// baselines; bench/text/run.sh pairs them. Time per byte should stay the same
// from 1 MiB to 8 MiB (linear in the text length).
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "text/pattern.h"
#include "text/text.h"

namespace chaxun {
namespace {

constexpr std::string_view kFirstTag = "<TABLE";     // only at the start of the page
constexpr std::string_view kLastTag = "</TABLE>";    // only at the end of the page
constexpr std::string_view kLastTagLower = "</table>";
constexpr std::string_view kNbsp = "&nbsp;";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kCellOpen = "class=tdc2>";
constexpr std::string_view kCellClose = "</TD>";
constexpr std::string_view kCellPattern = "class=tdc2>(.*?)</TD>";

class PageWriter {
 public:
  explicit PageWriter(std::string& out) : out_(out) {}

  // n Chinese characters: mostly GB2312 (both bytes >= 0xA1), one in eight
  // from the GBK extension, whose second byte is ASCII (0x40..0x7E).
  void chinese(int n) {
    for (int i = 0; i < n; ++i) {
      if (rng_() % 8 == 0) {
        out_ += static_cast<char>(0x81 + rng_() % 0x20);
        out_ += static_cast<char>(0x40 + rng_() % 0x3F);
      } else {
        out_ += static_cast<char>(0xB0 + rng_() % 0x48);
        out_ += static_cast<char>(0xA1 + rng_() % 0x5E);
      }
    }
  }
  void digits(int n) {
    for (int i = 0; i < n; ++i) out_ += static_cast<char>('0' + rng_() % 10);
  }
  void text(std::string_view s) { out_ += s; }
  unsigned pick(unsigned n) { return rng_() % n; }

 private:
  std::string& out_;
  std::mt19937 rng_{20240611};
};

// A lookup-site-like page of exactly `size` bytes, made of whole characters.
Text make_page(std::size_t size) {
  Text page;
  page.reserve(size);
  PageWriter w(page);
  w.text("<HTML><HEAD><TITLE>");
  w.chinese(6);
  w.text("</TITLE></HEAD>\r\n<BODY>\r\n");
  w.text(kFirstTag);
  w.text(" width=100% border=0>\r\n");
  while (page.size() + 512 < size) {
    w.text("<tr><td class=tdc>");
    w.chinese(4);
    w.text("</td><td class=tdc2>");
    if (w.pick(2)) {
      w.digits(7);
      w.text("&nbsp;");
    }
    w.chinese(2 + static_cast<int>(w.pick(10)));
    w.text("\xA1\xA1");  // full-width space
    w.chinese(1 + static_cast<int>(w.pick(4)));
    w.text("</TD></tr>\r\n");
    if (w.pick(4) == 0) {
      w.text("<a href=\"/post/search.asp?area=");
      w.chinese(2);
      w.text("\">");
      w.chinese(3);
      w.text("</a><br>\r\n");
    }
  }
  page.append(size - page.size() - kLastTag.size(), ' ');
  page.append(kLastTag);
  return page;
}

const Text& page(benchmark::State& state) {
  static std::map<std::size_t, Text> pages;
  const auto size = static_cast<std::size_t>(state.range(0));
  auto it = pages.find(size);
  if (it == pages.end()) it = pages.emplace(size, make_page(size)).first;
  return it->second;
}

void finish(benchmark::State& state, std::size_t size) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

std::size_t memmem_find(std::string_view hay, std::size_t from, std::string_view needle) {
  if (from > hay.size()) return std::string_view::npos;
  const void* hit = ::memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data()) : std::string_view::npos;
}

std::size_t sv_find(std::string_view hay, std::size_t from, std::string_view needle) {
  return hay.find(needle, from);
}

using ByteFind = std::size_t (*)(std::string_view, std::size_t, std::string_view);

// ------------------------------------------------------------- find_text

void FindText(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) benchmark::DoNotOptimize(find_text(t, kLastTag, 1, false));
  finish(state, t.size());
}

void FindTextIgnoreCase(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) benchmark::DoNotOptimize(find_text(t, kLastTagLower, 1, true));
  finish(state, t.size());
}

template <ByteFind Find>
void FindTextBase(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) benchmark::DoNotOptimize(Find(t, 0, kLastTag));
  finish(state, t.size());
}

// ----------------------------------------------------- find_text_reverse

void FindTextReverse(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) benchmark::DoNotOptimize(find_text_reverse(t, kFirstTag));
  finish(state, t.size());
}

void FindTextReverseBaseRfind(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) benchmark::DoNotOptimize(std::string_view(t).rfind(kFirstTag));
  finish(state, t.size());
}

// The last occurrence by stepping memmem through all of them.
void FindTextReverseBaseMemmem(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) {
    std::size_t last = std::string_view::npos;
    for (std::size_t p = memmem_find(t, 0, kFirstTag); p != std::string_view::npos;
         p = memmem_find(t, p + 1, kFirstTag))
      last = p;
    benchmark::DoNotOptimize(last);
  }
  finish(state, t.size());
}

// ------------------------------------------------------------ replace_all

void ReplaceAll(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) benchmark::DoNotOptimize(replace_all(t, kNbsp, " "));
  finish(state, t.size());
}

template <ByteFind Find>
void ReplaceAllBase(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) {
    Text out;
    out.reserve(t.size());
    std::size_t from = 0;
    for (std::size_t p = Find(t, 0, kNbsp); p != std::string_view::npos; p = Find(t, from, kNbsp)) {
      out.append(t, from, p - from).append(" ");
      from = p + kNbsp.size();
    }
    out.append(t, from);
    benchmark::DoNotOptimize(out.data());
  }
  finish(state, t.size());
}

// ------------------------------------------------------------- split_text

void SplitText(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) benchmark::DoNotOptimize(split_text(t, kLineEnd).count());
  finish(state, t.size());
}

template <ByteFind Find>
void SplitTextBase(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) {
    std::vector<Text> items;
    std::size_t from = 0;
    for (std::size_t p = Find(t, 0, kLineEnd); p != std::string_view::npos; p = Find(t, from, kLineEnd)) {
      items.emplace_back(t, from, p - from);
      from = p + kLineEnd.size();
    }
    if (from < t.size()) items.emplace_back(t, from);
    benchmark::DoNotOptimize(items.data());
  }
  finish(state, t.size());
}

// -------------------------------------------------------------- trim_both

// The page between leading and trailing spaces and full-width spaces.
const Text& padded_page(benchmark::State& state) {
  static std::map<std::size_t, Text> pages;
  const auto size = static_cast<std::size_t>(state.range(0));
  auto it = pages.find(size);
  if (it == pages.end()) it = pages.emplace(size, "  \xA1\xA1 " + page(state) + " \xA1\xA1\xA1\xA1  ").first;
  return it->second;
}

void TrimBoth(benchmark::State& state) {
  const Text& t = padded_page(state);
  for (auto _ : state) benchmark::DoNotOptimize(trim_both(t));
  finish(state, t.size());
}

// Byte-wise trimming of spaces only, the result copied like trim_both's.
void TrimBothBaseFindNotOf(benchmark::State& state) {
  const Text& t = padded_page(state);
  for (auto _ : state) {
    const std::string_view v(t);
    const std::size_t first = v.find_first_not_of(" \xA1");
    const std::size_t last = v.find_last_not_of(" \xA1");
    benchmark::DoNotOptimize(Text(v.substr(first, last + 1 - first)));
  }
  finish(state, t.size());
}

// --------------------------------------------------------- Pattern::search_all

void PatternSearchAll(benchmark::State& state) {
  const Text& t = page(state);
  Pattern p;
  if (!p.compile(kCellPattern)) {
    state.SkipWithError("pattern does not compile");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(p.search_all(t).size());
  finish(state, t.size());
}

// The same cells cut out between the two markers.
template <ByteFind Find>
void PatternSearchAllBase(benchmark::State& state) {
  const Text& t = page(state);
  for (auto _ : state) {
    std::vector<std::pair<std::size_t, std::size_t>> cells;
    std::size_t open = Find(t, 0, kCellOpen);
    while (open != std::string_view::npos) {
      const std::size_t from = open + kCellOpen.size();
      const std::size_t close = Find(t, from, kCellClose);
      if (close == std::string_view::npos) break;
      cells.emplace_back(from, close - from);
      open = Find(t, close + kCellClose.size(), kCellOpen);
    }
    benchmark::DoNotOptimize(cells.data());
  }
  finish(state, t.size());
}

#define CHAXUN_PAGE_SIZES ->Arg(1 << 20)->Arg(8 << 20)->Unit(benchmark::kMicrosecond)

BENCHMARK(FindText) CHAXUN_PAGE_SIZES;
BENCHMARK(FindTextBase<sv_find>)->Name("FindText_BaseSvFind") CHAXUN_PAGE_SIZES;
BENCHMARK(FindTextBase<memmem_find>)->Name("FindText_BaseMemmem") CHAXUN_PAGE_SIZES;
BENCHMARK(FindTextIgnoreCase) CHAXUN_PAGE_SIZES;
BENCHMARK(FindTextBase<sv_find>)->Name("FindTextIgnoreCase_BaseSvFind") CHAXUN_PAGE_SIZES;
BENCHMARK(FindTextBase<memmem_find>)->Name("FindTextIgnoreCase_BaseMemmem") CHAXUN_PAGE_SIZES;
BENCHMARK(FindTextReverse) CHAXUN_PAGE_SIZES;
BENCHMARK(FindTextReverseBaseRfind)->Name("FindTextReverse_BaseSvRfind") CHAXUN_PAGE_SIZES;
BENCHMARK(FindTextReverseBaseMemmem)->Name("FindTextReverse_BaseMemmem") CHAXUN_PAGE_SIZES;
BENCHMARK(ReplaceAll) CHAXUN_PAGE_SIZES;
BENCHMARK(ReplaceAllBase<sv_find>)->Name("ReplaceAll_BaseSvFind") CHAXUN_PAGE_SIZES;
BENCHMARK(ReplaceAllBase<memmem_find>)->Name("ReplaceAll_BaseMemmem") CHAXUN_PAGE_SIZES;
BENCHMARK(SplitText) CHAXUN_PAGE_SIZES;
BENCHMARK(SplitTextBase<sv_find>)->Name("SplitText_BaseSvFind") CHAXUN_PAGE_SIZES;
BENCHMARK(SplitTextBase<memmem_find>)->Name("SplitText_BaseMemmem") CHAXUN_PAGE_SIZES;
BENCHMARK(TrimBoth) CHAXUN_PAGE_SIZES;
BENCHMARK(TrimBothBaseFindNotOf)->Name("TrimBoth_BaseFindNotOf") CHAXUN_PAGE_SIZES;
BENCHMARK(PatternSearchAll) CHAXUN_PAGE_SIZES;
BENCHMARK(PatternSearchAllBase<sv_find>)->Name("PatternSearchAll_BaseSvFind") CHAXUN_PAGE_SIZES;
BENCHMARK(PatternSearchAllBase<memmem_find>)->Name("PatternSearchAll_BaseMemmem") CHAXUN_PAGE_SIZES;

}  // namespace
}  // namespace chaxun

BENCHMARK_MAIN();
