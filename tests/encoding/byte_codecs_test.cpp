// Escapes, percent encodings, Base64 and hexadecimal of EncodingTools.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "encoding/encoding_tools.h"
#include "tests/encoding/test_bytes.h"

namespace chaxun {
namespace {

using namespace std::string_view_literals;
using testing::bytes_of;
using testing::str;

struct TextCase {
  std::string_view in;
  std::string_view want;
};

// Every byte value 0..255 once, in order.
Bytes all_byte_values() {
  Bytes b(256);
  for (int i = 0; i < 256; ++i) b[i] = static_cast<std::uint8_t>(i);
  return b;
}

class ByteCodecs : public ::testing::Test {
 protected:
  EncodingTools tools;
};

TEST_F(ByteCodecs, PercentEncodeAll) {
  const TextCase cases[] = {
      {"\xD6\xD8\xC7\xEC\xCA\xD0", "%D6%D8%C7%EC%CA%D0"},  // 重庆市: every byte escaped
      {"A b", "%41%20%62"},                                // ASCII escaped too
      {"\x01\x0F\x10", "%01%0F%10"},                       // below 0x10: leading 0
      {"\xFF", "%FF"},                                     // top byte, upper-case digits
      {"", ""},                                            // empty gives empty
      {"A\0B"sv, "%41"},                                   // a text ends at a zero byte
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(tools.percent_encode_all(c.in), c.want);
  }
}

TEST_F(ByteCodecs, UrlEncode) {
  const TextCase cases[] = {
      {"a b+c", "a%20b%2Bc"},                          // blank and '+' escaped
      {"\xD6\xD0", "%D6%D0"},                          // 中: bytes >= 0x80 escaped
      {"AZaz09*,-./@_", "AZaz09*,-./@_"},              // the copied set
      {"~", "%7E"},                                    // 0x7B and above escaped
      {"{|}\x7F", "%7B%7C%7D%7F"},                     // ... all of them
      {"!\"#$%&'()+:;<=>?[\\]^`", "%21%22%23%24%25%26%27%28%29%2B%3A%3B%3C%3D%3E%3F%5B%5C%5D%5E%60"},
      {"\t\r\n", "%09%0D%0A"},                         // controls: leading 0
      {"", ""},                                        // empty gives empty
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(tools.url_encode(c.in), c.want);
  }
}

TEST_F(ByteCodecs, UrlDecode) {
  const TextCase cases[] = {
      {"%41%4a+", "AJ+"},           // both cases of digit; '+' copied
      {"%4", "@"},                  // missing last digit counts 0
      {"%", ""},                    // '%' at the very end adds nothing
      {"a%", "a"},                  // ... also after other bytes
      {"%00", ""},                  // value 0 adds nothing
      {"x%00y", "xy"},              // ... and scanning goes on
      {"%d6%D0", "\xD6\xD0"},       // 中 from either case
      {"100%GO", "100%GO"},         // non-hex after '%': ordinary character
      {"%4G", "%4G"},               // ... in the second position as well
      {"%G", "%G"},                 // ... also when the text ends after it
      {"%%41", "%A"},               // a '%' that is not an escape, then an escape
      {"%2525", "%25"},             // decoded once, not recursively
      {"", ""},                     // empty gives empty
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(tools.url_decode(c.in), c.want);
  }
}

TEST_F(ByteCodecs, PercentFormsRoundTripEveryNonZeroByte) {
  const Bytes all = all_byte_values();
  const Text text(all.begin() + 1, all.end());
  EXPECT_EQ(tools.url_decode(tools.url_encode(text)), text);
  EXPECT_EQ(tools.url_decode(tools.percent_encode_all(text)), text);
}

TEST_F(ByteCodecs, EscapeBytes) {
  EXPECT_EQ(str(tools.escape_bytes(bytes_of("\x00\x0A\xD6"sv), true)), "%00%0A%D6");
  EXPECT_EQ(str(tools.escape_bytes(bytes_of("A"), false)), "=41");
  EXPECT_TRUE(tools.escape_bytes({}, true).empty());
}

TEST_F(ByteCodecs, UnescapeBytes) {
  const TextCase cases[] = {
      {"=41%42", "AB"},             // the marker byte is not looked at
      {"\xFF" "41\x00" "42"sv, "AB"},  // ... whatever it is, zero included
      {"%41%4", "A"},               // trailing bytes that do not fill a group ignored
      {"xx", ""},                   // shorter than a group
      {"%00", "\0"sv},              // a decoded zero byte is kept
      {"%0a", "\0"sv},              // lower-case digit: outside the table, 0
      {"%G1", "\0"sv},              // code 71: outside the table, 0
      {"%0-", "\0"sv},              // inside the table but no digit, 0
      {"%\0" "1"sv, "\0"sv},        // zero byte in a digit position, 0
      {"", ""},                     // empty gives empty
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(str(tools.unescape_bytes(bytes_of(c.in))), c.want);
  }
}

TEST_F(ByteCodecs, EscapeRoundTripEveryByte) {
  const Bytes all = all_byte_values();
  EXPECT_EQ(tools.unescape_bytes(tools.escape_bytes(all, true)), all);
  EXPECT_EQ(tools.unescape_bytes(tools.escape_bytes(all, false)), all);
}

TEST_F(ByteCodecs, Base64Encode) {
  const TextCase cases[] = {
      {"Man", "TWFu"},                 // whole group
      {"Ma", "TWE="},                  // r = 2: one '='
      {"M", "TQ=="},                   // r = 1: two '='
      {"\xFB\xFF\xBF", "+/+/"},        // the last two alphabet characters
      {"\0\0\0\0"sv, "AAAAAA=="},      // zero bytes are data
      {"", ""},                        // empty gives empty
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(str(tools.base64_encode(bytes_of(c.in))), c.want);
  }
}

TEST_F(ByteCodecs, Base64Decode) {
  const TextCase cases[] = {
      {"TWFu", "Man"},
      {"TWE=", "Ma"},                  // one padding byte cut
      {"TQ==", "M"},                   // two cut
      {"TWFuTQ", "Man\0"sv},           // partial last group: its byte stays zero
      {"TWFuTWE", "Man\0\0"sv},        // floor(3 * 7 / 4) = 5 bytes
      {"TWFu\n", "Man"},               // one trailing byte: no output byte of its own
      {"TQ=", "\0"sv},                 // 2 bytes, no whole group, 1 cut
      {"=", ""},                       // padding longer than the output
      {"==", ""},
      {"@@@@", "\0\0\0"sv},            // non-alphabet bytes count 0
      {"T\0=="sv, "L"},                // a zero byte counts 0 as well
      {"", ""},                        // empty gives empty
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(str(tools.base64_decode(bytes_of(c.in))), c.want);
  }
}

TEST_F(ByteCodecs, Base64RoundTripEveryLength) {
  const Bytes all = all_byte_values();
  for (std::size_t n = 0; n <= all.size(); ++n) {
    SCOPED_TRACE(n);
    const Bytes data(all.end() - n, all.end());
    const Bytes encoded = tools.base64_encode(data);
    EXPECT_EQ(encoded.size(), (n + 2) / 3 * 4);
    EXPECT_EQ(tools.base64_decode(encoded), data);
  }
}

TEST_F(ByteCodecs, BytesToHex) {
  EXPECT_EQ(tools.bytes_to_hex(bytes_of("\x00\xAB"sv)), "00AB");
  EXPECT_EQ(tools.bytes_to_hex({}), "");
  const Bytes all = all_byte_values();
  const Text hex = tools.bytes_to_hex(all);
  ASSERT_EQ(hex.size(), 512u);
  EXPECT_EQ(hex.substr(0, 8), "00010203");
  EXPECT_EQ(hex.substr(504), "FCFDFEFF");
  EXPECT_EQ(tools.hex_to_bytes(bytes_of(hex)), all);
}

TEST_F(ByteCodecs, HexToBytes) {
  const TextCase cases[] = {
      {"00AB", "\0\xAB"sv},            // upper-case pairs
      {"0-", "\0"sv},                  // code <= 70 but no digit: 0
      {"ab", "\0"sv},                  // lower-case: outside the table, 0
      {"0G", "\0"sv},                  // code 71: 0
      {"\0" "A"sv, "\0"sv},            // zero byte in a pair: 0
      {"ABC", "\xAB"},                 // odd length: last byte ignored
      {"A", ""},
      {"", ""},                        // empty gives empty
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(str(tools.hex_to_bytes(bytes_of(c.in))), c.want);
  }
}

TEST_F(ByteCodecs, SwapBytePairs) {
  const TextCase cases[] = {
      {"\x01\x02\x03\x04", "\x02\x01\x04\x03"},
      {"\x01\x02\x03", "\x02\x01\x03"},  // odd last byte stays in place
      {"\x01", "\x01"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.in));
    EXPECT_EQ(str(tools.swap_byte_pairs(bytes_of(c.in))), c.want);
  }
}

}  // namespace
}  // namespace chaxun
