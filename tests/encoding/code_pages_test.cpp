// Code page 936/950, UTF-8 and UTF-16 conversions, Unicode hexadecimal and the
// simplified/traditional mapping of EncodingTools.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "encoding/encoding_tools.h"
#include "tests/encoding/test_bytes.h"

namespace chaxun {
namespace {

using namespace std::string_view_literals;
using testing::bytes_of;
using testing::str;

// GBK (code page 936) texts.
constexpr std::string_view kGbkSimplified = "\xD6\xD0\xB9\xFA\xB7\xA2\xD5\xB9\xC0\xFA\xCA\xB7";   // 中国发展历史
constexpr std::string_view kGbkTraditional = "\xD6\xD0\x87\xF8\xB0\x6C\xD5\xB9\x9A\x76\xCA\xB7";  // 中國發展歷史
constexpr std::string_view kGbkZhong = "\xD6\xD0";                                                // 中
// Big5 (code page 950) text.
constexpr std::string_view kBig5Traditional = "\xA4\xA4\xB0\xEA\xB5\x6F\xAE\x69\xBE\xFA\xA5\x76";  // 中國發展歷史

struct Case {
  std::string_view in;
  std::string_view want;
};

class CodePages : public ::testing::Test {
 protected:
  EncodingTools tools;
};

TEST_F(CodePages, GbkToUtf16EndsWithTheTerminatorUnit) {
  const Case cases[] = {
      {"A", "A\0\0\0"sv},                            // 2 * (1 + 1) bytes
      {"\xD6\xD0\xCE\xC4", "\x2D\x4E\x87\x65\0\0"sv},  // 中文, little-endian
      {"", "\0\0"sv},                                // empty: the terminator alone
      {"\x80", "\xAC\x20\0\0"sv},                      // code page 936 has the euro sign at 0x80
      {"A\0B"sv, "A\0\0\0"sv},                       // a text ends at a zero byte
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(str(tools.gbk_to_utf16(c.in)), c.want);
  }
}

TEST_F(CodePages, Utf16ToGbkEndsAtZeroUnitOrUnmappableCharacter) {
  const Case cases[] = {
      {"A\0\0\0B\0"sv, "A"},                          // first zero unit ends the text
      {"A\0B"sv, "A"},                                // odd last byte ignored
      {"\x2D\x4E" "A\0"sv, "\xD6\xD0" "A"},           // 中A
      {"A\0\x5C\xD5" "B\0"sv, "A"},                   // 한 (U+D55C): not in GBK, text ends
      {"A\0\x3D\xD8\x00\xDE" "B\0"sv, "A"},           // U+1F600: not in GBK
      {"A\0\x3D\xD8" "B\0"sv, "A"},                   // unpaired surrogate ends it too
      {"A", ""},                                      // less than one unit
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::str(bytes_of(c.in)));
    EXPECT_EQ(tools.utf16_to_gbk(bytes_of(c.in)), c.want);
  }
}

TEST_F(CodePages, Utf8AndUtf16ConvertZerosAndAddNoTerminator) {
  const Case cases[] = {
      // utf8 <-> utf16 pairs that convert both ways
      {"A\0B"sv, "A\0\0\0B\0"sv},                     // zero byte <-> zero unit
      {"\xE4\xB8\xAD", "\x2D\x4E"},                   // 中
      {"\xF0\x9F\x98\x80", "\x3D\xD8\x00\xDE"sv},     // U+1F600 <-> surrogate pair
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(str(tools.utf8_to_utf16(bytes_of(c.in))), c.want);
    EXPECT_EQ(str(tools.utf16_to_utf8(bytes_of(c.want))), c.in);
  }
}

TEST_F(CodePages, InvalidUtfInputBecomesReplacementCharacter) {
  // Invalid UTF-8 byte -> U+FFFD; truncated sequence at the end -> U+FFFD.
  EXPECT_EQ(str(tools.utf8_to_utf16(bytes_of("A\xFF"))), "A\0\xFD\xFF"sv);
  EXPECT_EQ(str(tools.utf8_to_utf16(bytes_of("A\xE4\xB8"))), "A\0\xFD\xFF"sv);
  // Unpaired surrogate -> EF BF BD; an odd last byte is ignored.
  EXPECT_EQ(str(tools.utf16_to_utf8(bytes_of("\x3D\xD8" "A\0"sv))), "\xEF\xBF\xBD" "A");
  EXPECT_EQ(str(tools.utf16_to_utf8(bytes_of("A\0B"sv))), "A");
}

TEST_F(CodePages, GbkAndUtf8) {
  EXPECT_EQ(str(tools.gbk_to_utf8(kGbkZhong)), "\xE4\xB8\xAD\0"sv);
  EXPECT_EQ(str(tools.gbk_to_utf8("")), "\0"sv);  // the terminator alone
  EXPECT_EQ(tools.utf8_to_gbk(bytes_of("\xE4\xB8\xAD")), kGbkZhong);
  EXPECT_EQ(tools.utf8_to_gbk({}), "");

  const Text sentence = std::string(kGbkSimplified) + " ABC";
  Bytes utf8 = tools.gbk_to_utf8(sentence);
  EXPECT_EQ(str(utf8), "\xE4\xB8\xAD\xE5\x9B\xBD\xE5\x8F\x91\xE5\xB1\x95\xE5\x8E\x86\xE5\x8F\xB2 ABC\0"sv);
  EXPECT_EQ(tools.utf8_to_gbk(utf8), sentence);  // the zero byte ends the text
}

TEST_F(CodePages, Utf8ToGbkEndsAtFirstCharacterGbkLacks) {
  const Case cases[] = {
      {"A\xF0\x9F\x98\x80" "B", "A"},                 // U+1F600
      {"\xE4\xB8\xAD\xED\x95\x9C\xE4\xB8\xAD", kGbkZhong},  // 中한中: ends at 한
      {"A\0B"sv, "A"},                                // zero byte ends it
      {"\xFF" "A", ""},                               // invalid UTF-8 -> U+FFFD, not in GBK
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(tools.utf8_to_gbk(bytes_of(c.in)), c.want);
  }
}

TEST_F(CodePages, InvalidGbkBecomesReplacementCharacter) {
  const Case cases[] = {
      {"A\xD6", "A\0\xFD\xFF\0\0"sv},          // lone lead byte at the end
      {"\xD6\x7F", "\xFD\xFF\x7F\0\0\0"sv},  // lead byte before an invalid trail byte
      {"\x81", "\xFD\xFF\0\0"sv},              // lead byte alone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(str(tools.gbk_to_utf16(c.in)), c.want);
  }
  EXPECT_EQ(str(tools.gbk_to_utf8("A\xD6")), "A\xEF\xBF\xBD\0"sv);
  // U+FFFD has no GBK code, so converting back ends the text there.
  EXPECT_EQ(tools.utf8_to_gbk(tools.gbk_to_utf8("A\xD6")), "A");
}

TEST_F(CodePages, Big5AndGbk) {
  EXPECT_EQ(tools.big5_to_gbk(kBig5Traditional), kGbkTraditional);
  EXPECT_EQ(tools.gbk_to_big5(kGbkTraditional), kBig5Traditional);
  // The euro sign is A3E1 in code page 950 and 80 in code page 936 (a plain
  // Big5 table lacks it).
  EXPECT_EQ(tools.big5_to_gbk("\xA3\xE1"), "\x80");
  EXPECT_EQ(tools.gbk_to_big5("\x80"), "\xA3\xE1");
  // 国 has no Big5 code: the text ends there.
  EXPECT_EQ(tools.gbk_to_big5("\xD6\xD0\xB9\xFA\xD6\xD0"), "\xA4\xA4");  // 中国中 -> 中
  // Truncated Big5 lead byte at the end: what came before survives.
  EXPECT_EQ(tools.big5_to_gbk("\xA4\xA4\xA4").substr(0, 2), kGbkZhong);
  EXPECT_EQ(tools.big5_to_gbk(""), "");
  EXPECT_EQ(tools.gbk_to_big5(""), "");
}

// Invalid or truncated Big5/GBK input becomes U+FFFD, which neither code page
// holds: the converted text ends there.
TEST_F(CodePages, InvalidInputEndsBig5AndGbkConversions) {
  struct Row {
    const char* rule;
    Text (EncodingTools::*op)(std::string_view) const;
    std::string_view in;
    std::string_view want;
  };
  const Row rows[] = {
      // Big5 lead byte alone at the end.
      {"big5 lone lead", &EncodingTools::big5_to_gbk, "\xA4\xA4\xA1", kGbkZhong},
      // Big5 lead byte before a byte that cannot follow it.
      {"big5 invalid trail", &EncodingTools::big5_to_gbk, "\xA4\xA4\xA1\x7F" "A", kGbkZhong},
      // Big5 0xFF is a private-use character GBK lacks.
      {"big5 0xFF", &EncodingTools::big5_to_gbk, "A\xFF" "B", "A"},
      // The same through the composite.
      {"big5 lone lead, simplified", &EncodingTools::big5_to_simplified, "\xA4\xA4\xA1", kGbkZhong},
      // GBK lead byte alone at the end, and before an invalid trail byte.
      {"gbk lone lead", &EncodingTools::gbk_to_big5, "\xD6\xD0\xD6", "\xA4\xA4"},
      {"gbk invalid trail", &EncodingTools::gbk_to_big5, "\xD6\xD0\x81\x7F" "A", "\xA4\xA4"},
      {"gbk lone lead, simplified", &EncodingTools::to_simplified, "\xD6\xD0\xD6", kGbkZhong},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.rule);
    EXPECT_EQ((tools.*r.op)(r.in), r.want);
  }
}

TEST_F(CodePages, SimplifiedAndTraditional) {
  EXPECT_EQ(tools.to_traditional(kGbkSimplified), kGbkTraditional);
  EXPECT_EQ(tools.to_simplified(kGbkTraditional), kGbkSimplified);
  EXPECT_EQ(tools.big5_to_simplified(kBig5Traditional), kGbkSimplified);
  EXPECT_EQ(tools.simplified_to_big5(kGbkSimplified), kBig5Traditional);
  // ASCII and characters that are the same in both scripts stay.
  EXPECT_EQ(tools.to_traditional("ABC 123"), "ABC 123");
  EXPECT_EQ(tools.to_simplified("\xD6\xD0 A"), "\xD6\xD0 A");  // 中 A
  EXPECT_EQ(tools.to_traditional(kGbkTraditional), kGbkTraditional);
  // A mapped character GBK cannot hold ends the text: 儸 maps to U+3469.
  EXPECT_EQ(tools.to_simplified("A\x83\xAC" "B"), "A");  // A儸B
  EXPECT_EQ(tools.to_traditional(""), "");
  EXPECT_EQ(tools.to_simplified(""), "");
}

TEST_F(CodePages, UnicodeHex) {
  const Case cases[] = {
      {"\xD6\xD0\xCE\xC4", "4E2D6587"},  // 中文
      {"A", "0041"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.want));
    EXPECT_EQ(tools.text_to_unicode_hex(c.in), c.want);
    EXPECT_EQ(tools.unicode_hex_to_text(c.want), c.in);
  }
  EXPECT_EQ(tools.unicode_hex_to_text("4E2d"), "\xD2\xBB");  // 一: "2d" decodes to 0
  EXPECT_EQ(tools.unicode_hex_to_text("4e2d6587"), "");      // first unit 0
  EXPECT_EQ(tools.unicode_hex_to_text("00006587"), "");      // zero unit ends the text
  // A lone last byte is completed by the appended terminator: 65 00 is "e".
  EXPECT_EQ(tools.unicode_hex_to_text("4E2D65"), "\xD6\xD0" "e");
  EXPECT_EQ(tools.unicode_hex_to_text("4E2D6"), kGbkZhong);  // odd hex digit ignored
  EXPECT_EQ(tools.unicode_hex_to_text("D55C"), "");          // 한: not in GBK
}

TEST_F(CodePages, LongTextsRoundTrip) {
  Text text;
  for (int i = 0; i < 50000; ++i) text += std::string(kGbkSimplified) + "x";
  const Bytes utf8 = tools.gbk_to_utf8(text);
  EXPECT_EQ(utf8.size(), 50000u * 19 + 1);
  EXPECT_EQ(tools.utf8_to_gbk(utf8), text);
  EXPECT_EQ(tools.to_simplified(tools.to_traditional(text)), text);
}

// Converters and transliterators are per thread: concurrent use gives the
// same results as use from one thread.
TEST_F(CodePages, ConcurrentUseGivesSameResults) {
  constexpr int kThreads = 4;
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&failures, t] {
      EncodingTools own;
      for (int i = 0; i < 200; ++i) {
        if (own.to_traditional(kGbkSimplified) != kGbkTraditional) ++failures[t];
        if (own.simplified_to_big5(kGbkSimplified) != kBig5Traditional) ++failures[t];
        if (own.utf8_to_gbk(own.gbk_to_utf8(kGbkTraditional)) != kGbkTraditional) ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace chaxun
