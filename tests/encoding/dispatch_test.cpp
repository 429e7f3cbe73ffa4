// The method table of EncodingTools: the slot order of its virtual operations,
// and the composite operations calling the object's own virtual operations, so
// that a subclass overriding a primitive changes them.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "encoding/encoding_tools.h"
#include "tests/encoding/test_bytes.h"

namespace chaxun {
namespace {

using namespace std::string_view_literals;
using testing::str;

// The virtual-table slot a pointer to a virtual member function names under
// the Itanium C++ ABI (its pointer field holds 1 + the slot's byte offset; on
// ARM the offset itself, with the low bit of the adjustment set). -1 for a
// non-virtual function.
template <typename F>
std::ptrdiff_t vtable_slot(F f) {
  struct {
    std::uintptr_t ptr;
    std::ptrdiff_t adj;
  } rep;
  static_assert(sizeof(F) == sizeof(rep));
  std::memcpy(&rep, &f, sizeof rep);
#if defined(__arm__) || defined(__aarch64__)
  if ((rep.adj & 1) == 0) return -1;
  return static_cast<std::ptrdiff_t>(rep.ptr / sizeof(void*));
#else
  if ((rep.ptr & 1) == 0) return -1;
  return static_cast<std::ptrdiff_t>((rep.ptr - 1) / sizeof(void*));
#endif
}

// The object's method table: release, copy, then the 24 conversions, each in
// its fixed slot (nothing, the destructor included, comes before them).
TEST(EncodingToolsDispatch, MethodTableSlotOrder) {
#if !(defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__)))
  GTEST_SKIP() << "slot numbers are read the Itanium C++ ABI way";
#else
#define SLOT(name) std::pair<const char*, std::ptrdiff_t>(#name, vtable_slot(&EncodingTools::name))
  const std::pair<const char*, std::ptrdiff_t> slots[] = {
      SLOT(release),            SLOT(copy),
      SLOT(escape_bytes),       SLOT(unescape_bytes),      SLOT(url_encode),
      SLOT(percent_encode_all), SLOT(url_decode),          SLOT(base64_encode),
      SLOT(base64_decode),      SLOT(gbk_to_utf16),        SLOT(utf16_to_gbk),
      SLOT(utf8_to_utf16),      SLOT(utf16_to_utf8),       SLOT(gbk_to_utf8),
      SLOT(utf8_to_gbk),        SLOT(text_to_unicode_hex), SLOT(unicode_hex_to_text),
      SLOT(swap_byte_pairs),    SLOT(bytes_to_hex),        SLOT(hex_to_bytes),
      SLOT(to_traditional),     SLOT(to_simplified),       SLOT(big5_to_gbk),
      SLOT(big5_to_simplified), SLOT(gbk_to_big5),         SLOT(simplified_to_big5),
  };
#undef SLOT
  for (std::size_t i = 0; i < std::size(slots); ++i) {
    SCOPED_TRACE(slots[i].first);
    EXPECT_EQ(slots[i].second, static_cast<std::ptrdiff_t>(i));
  }
#endif
}

// Overrides one primitive: logs its name, then does what the base does.
#define RECORDED(Result, name, Arg)                  \
  Result name(Arg arg) const override {             \
    calls_.emplace_back(#name);                     \
    return EncodingTools::name(arg);                \
  }

// Logs every primitive a composite may call.
class RecordingTools : public EncodingTools {
 public:
  const std::vector<std::string>& calls() const { return calls_; }

  RECORDED(Bytes, gbk_to_utf16, std::string_view)
  RECORDED(Text, utf16_to_gbk, const Bytes&)
  RECORDED(Bytes, utf8_to_utf16, const Bytes&)
  RECORDED(Bytes, utf16_to_utf8, const Bytes&)
  RECORDED(Bytes, swap_byte_pairs, const Bytes&)
  RECORDED(Text, bytes_to_hex, const Bytes&)
  RECORDED(Bytes, hex_to_bytes, const Bytes&)
  RECORDED(Text, to_traditional, std::string_view)
  RECORDED(Text, to_simplified, std::string_view)
  RECORDED(Text, big5_to_gbk, std::string_view)
  RECORDED(Text, gbk_to_big5, std::string_view)

 private:
  mutable std::vector<std::string> calls_;
};

#undef RECORDED

TEST(EncodingToolsDispatch, CompositesCallTheirPrimitivesInOrder) {
  struct Row {
    const char* composite;
    std::function<void(const EncodingTools&)> run;
    std::vector<std::string> want;
  };
  const std::vector<Row> rows = {
      {"gbk_to_utf8", [](const EncodingTools& t) { t.gbk_to_utf8("A"); },
       {"gbk_to_utf16", "utf16_to_utf8"}},
      {"utf8_to_gbk", [](const EncodingTools& t) { t.utf8_to_gbk({'A'}); },
       {"utf8_to_utf16", "utf16_to_gbk"}},
      {"text_to_unicode_hex", [](const EncodingTools& t) { t.text_to_unicode_hex("A"); },
       {"gbk_to_utf16", "swap_byte_pairs", "bytes_to_hex"}},
      {"unicode_hex_to_text", [](const EncodingTools& t) { t.unicode_hex_to_text("0041"); },
       {"hex_to_bytes", "swap_byte_pairs", "utf16_to_gbk"}},
      {"big5_to_simplified", [](const EncodingTools& t) { t.big5_to_simplified("A"); },
       {"big5_to_gbk", "to_simplified"}},
      {"simplified_to_big5", [](const EncodingTools& t) { t.simplified_to_big5("A"); },
       {"to_traditional", "gbk_to_big5"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.composite);
    RecordingTools tools;
    row.run(tools);
    EXPECT_EQ(tools.calls(), row.want);
  }
}

// A subclass whose primitives change their results: the composites pass the
// changed values on, and use the overriding results as their own.
class AlteredTools : public EncodingTools {
 public:
  // No swap: text_to_unicode_hex then shows little-endian units.
  Bytes swap_byte_pairs(const Bytes& d) const override { return d; }
  // Marks every GBK result.
  Text utf16_to_gbk(const Bytes& d) const override {
    Text marked = "<";  // built by appending: GCC 12 -O3 misreads "<" + text as an overlapping copy
    marked += EncodingTools::utf16_to_gbk(d);
    marked += '>';
    return marked;
  }
  // An empty UTF-16 result, with no terminator for text_to_unicode_hex to drop.
  Bytes gbk_to_utf16(std::string_view) const override { return {}; }
  Text big5_to_gbk(std::string_view) const override { return "\xD6\xD0\x87\xF8"; }  // 中國
  Text to_traditional(std::string_view) const override { return "\xD6\xD0"; }       // 中

  std::unique_ptr<EncodingTools> copy() const override {
    return std::make_unique<AlteredTools>(*this);
  }
};

TEST(EncodingToolsDispatch, CompositesUseOverridingResults) {
  AlteredTools altered;
  const EncodingTools& tools = altered;
  EXPECT_EQ(tools.unicode_hex_to_text("2D4E"), "<\xD6\xD0>");           // 中 read little-endian
  EXPECT_EQ(tools.utf8_to_gbk({'A'}), "<A>");
  EXPECT_EQ(tools.text_to_unicode_hex("A"), "");                         // short result is safe
  EXPECT_EQ(str(tools.gbk_to_utf8("A")), "");
  EXPECT_EQ(tools.big5_to_simplified("ignored"), "\xD6\xD0\xB9\xFA");     // 中国
  EXPECT_EQ(tools.simplified_to_big5("ignored"), "\xA4\xA4");            // 中 in Big5

  std::unique_ptr<EncodingTools> twin = tools.copy();
  ASSERT_NE(twin.get(), &tools);
  EXPECT_EQ(twin->utf8_to_gbk({'A'}), "<A>");  // the copy keeps the overrides
}

// Primitives that expose what the composites hand them.
class ExposingTools : public EncodingTools {
 public:
  // UTF-16 without a terminator and with an odd last byte.
  Bytes gbk_to_utf16(std::string_view) const override { return {0x41, 0x00, 0x42, 0x00, 0x43}; }
  // Shows the bytes it is given instead of converting them.
  Text utf16_to_gbk(const Bytes& d) const override { return bytes_to_hex(d); }
};

TEST(EncodingToolsDispatch, UnicodeHexCompositesCutAndAppendBytesBlindly) {
  ExposingTools tools;
  // The last 2 bytes are dropped whatever they hold, then the rest is swapped.
  EXPECT_EQ(tools.text_to_unicode_hex("ignored"), "004142");
  // Swapped first (the odd byte stays last), then two zero bytes appended.
  EXPECT_EQ(tools.unicode_hex_to_text("414243"), "4241430000");
}

TEST(EncodingToolsDispatch, CopyAndReleaseOfThePlainObject) {
  EncodingTools tools;
  std::unique_ptr<EncodingTools> twin = tools.copy();
  ASSERT_NE(twin, nullptr);
  EXPECT_NE(twin.get(), &tools);
  twin->release();  // does nothing; the object stays usable until destroyed
  EXPECT_EQ(twin->percent_encode_all("A"), "%41");
}

}  // namespace
}  // namespace chaxun
