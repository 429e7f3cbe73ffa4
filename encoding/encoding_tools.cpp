#include "encoding/encoding_tools.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "encoding/icu_convert.h"

namespace chaxun {
namespace {

using encoding_detail::Charset;
using encoding_detail::Script;

// ------------------------------------------------------------------ tables
// All tables are constant expressions: built once, at compile time.

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The two upper-case hex digits of every byte value.
constexpr std::array<std::array<char, 2>, 256> kByteDigits = [] {
  std::array<std::array<char, 2>, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = {kHexDigits[b >> 4], kHexDigits[b & 15]};
  return t;
}();

// Value 0..15 of a hex digit of either case, -1 for every other byte.
constexpr std::array<std::int8_t, 256> kDigitValue = [] {
  std::array<std::int8_t, 256> t{};
  for (auto& v : t) v = -1;
  for (int i = 0; i < 16; ++i) {
    t[static_cast<unsigned char>(kHexDigits[i])] = static_cast<std::int8_t>(i);
    if (i >= 10) t['a' + i - 10] = static_cast<std::int8_t>(i);
  }
  return t;
}();

// The pair table: 70 x 70 entries for the codes 1..70 ('F' = 70) of the two
// bytes of a pair. Two upper-case hex digits give their byte value, every other
// pair 0.
constexpr int kPairCodes = 70;
constexpr std::array<std::array<std::uint8_t, kPairCodes>, kPairCodes> kPairTable = [] {
  std::array<std::array<std::uint8_t, kPairCodes>, kPairCodes> t{};
  for (int hi = 0; hi < 16; ++hi) {
    for (int lo = 0; lo < 16; ++lo) {
      t[kHexDigits[hi] - 1][kHexDigits[lo] - 1] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
  }
  return t;
}();

// A pair outside the table (a zero byte, a code above 70 such as a lower-case
// digit) decodes like an unknown pair inside it: 0.
constexpr std::uint8_t pair_value(std::uint8_t a, std::uint8_t b) {
  if (a == 0 || b == 0 || a > kPairCodes || b > kPairCodes) return 0;
  return kPairTable[a - 1][b - 1];
}

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The Base64 table: the value of each alphabet character; 0 for every other
// byte, '=' and the zero byte included.
constexpr std::array<std::uint8_t, 256> kBase64Value = [] {
  std::array<std::uint8_t, 256> t{};
  for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<std::uint8_t>(i);
  return t;
}();

// ----------------------------------------------------------------- helpers

// A text argument ends at its first zero byte, as the C string it stands for.
std::string_view text_arg(std::string_view t) {
  const void* zero = std::memchr(t.data(), 0, t.size());
  return zero == nullptr ? t : t.substr(0, static_cast<const char*>(zero) - t.data());
}

std::string_view as_chars(const Bytes& b) {
  return {reinterpret_cast<const char*>(b.data()), b.size()};
}

// Writes each byte of `in` as `marker` plus two hex digits, except the bytes
// `keep` accepts, which are copied. marker 0 writes the two digits alone.
template <typename Out, typename Keep>
Out escape_each(std::string_view in, char marker, Keep keep) {
  using Unit = typename Out::value_type;
  const std::size_t width = marker == 0 ? 2 : 3;
  std::size_t size = 0;
  for (char c : in) size += keep(static_cast<unsigned char>(c)) ? 1 : width;
  Out out(size, Unit{0});
  Unit* o = out.data();
  for (char c : in) {
    const auto b = static_cast<unsigned char>(c);
    if (keep(b)) {
      *o++ = static_cast<Unit>(b);
      continue;
    }
    if (marker != 0) *o++ = static_cast<Unit>(marker);
    *o++ = static_cast<Unit>(kByteDigits[b][0]);
    *o++ = static_cast<Unit>(kByteDigits[b][1]);
  }
  return out;
}

constexpr bool keep_none(unsigned char) { return false; }

// Decodes whole groups of `group` bytes whose last two bytes are a pair; the
// leading group - 2 bytes of each group are skipped unread.
Bytes decode_pairs(const Bytes& data, std::size_t group) {
  Bytes out(data.size() / group);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::size_t at = i * group + group - 2;
    out[i] = pair_value(data[at], data[at + 1]);
  }
  return out;
}

Bytes units_to_bytes(std::u16string_view units) {
  Bytes out(units.size() * 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    out[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
    out[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
  }
  return out;
}

// The first floor(n / 2) little-endian units of `data`.
std::u16string bytes_to_units(const Bytes& data) {
  std::u16string units(data.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return units;
}

// The text of `units` in code page 936 or 950: ends at the first zero unit or
// the first character the code page cannot hold. nullopt when no converter.
std::optional<Text> units_to_text(Charset charset, std::u16string_view units) {
  std::optional<std::string> out = encoding_detail::encode(charset, units.substr(0, units.find(u'\0')));
  if (out) out->resize(text_arg(*out).size());
  return out;
}

// A code page 936/950 text converted to the other code page.
Text convert_text(Charset from, Charset to, std::string_view text) {
  std::optional<std::u16string> units = encoding_detail::decode(from, text_arg(text));
  return units ? units_to_text(to, *units).value_or(Text{}) : Text{};
}

// Simplified <-> traditional over GBK. When the mapping cannot be done, the
// prepared blanks: one per input byte.
Text map_script(Script script, std::string_view text) {
  text = text_arg(text);
  if (text.empty()) return {};
  Text blanks(text.size(), ' ');
  std::optional<std::u16string> units = encoding_detail::decode(Charset::kGbk, text);
  if (!units) return blanks;
  std::optional<std::u16string> mapped = encoding_detail::transliterate(script, *units);
  if (!mapped) return blanks;
  return units_to_text(Charset::kGbk, *mapped).value_or(std::move(blanks));
}

}  // namespace

// ------------------------------------------------------------ slots 0, 1

void EncodingTools::release() {}

std::unique_ptr<EncodingTools> EncodingTools::copy() const {
  return std::unique_ptr<EncodingTools>(new EncodingTools(*this));
}

// ---------------------------------------------- escapes and percent forms

Bytes EncodingTools::escape_bytes(const Bytes& data, bool percent) const {
  return escape_each<Bytes>(as_chars(data), percent ? '%' : '=', keep_none);
}

Bytes EncodingTools::unescape_bytes(const Bytes& data) const { return decode_pairs(data, 3); }

Text EncodingTools::url_encode(std::string_view text) const {
  return escape_each<Text>(text_arg(text), '%', [](unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
           b == '*' || b == ',' || b == '-' || b == '.' || b == '/' || b == '@' || b == '_';
  });
}

Text EncodingTools::percent_encode_all(std::string_view text) const {
  return escape_each<Text>(text_arg(text), '%', keep_none);
}

Text EncodingTools::url_decode(std::string_view text) const {
  text = text_arg(text);
  Text out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    if (text[i] != '%') {
      out.push_back(text[i++]);
      continue;
    }
    // A digit missing because the text ends counts as 0.
    const int d1 = i + 1 < n ? kDigitValue[static_cast<unsigned char>(text[i + 1])] : 0;
    const int d2 = i + 2 < n ? kDigitValue[static_cast<unsigned char>(text[i + 2])] : 0;
    if (d1 < 0 || d2 < 0) {  // not an escape: the '%' is an ordinary character
      out.push_back(text[i++]);
      continue;
    }
    const int value = 16 * d1 + d2;
    if (value != 0) out.push_back(static_cast<char>(value));
    i += 3;
  }
  return out;
}

// ------------------------------------------------------------------ Base64

Bytes EncodingTools::base64_encode(const Bytes& data) const {
  const std::size_t n = data.size();
  Bytes out((n + 2) / 3 * 4);
  std::uint8_t* o = out.data();
  auto put_group = [&o](std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
    o[0] = static_cast<std::uint8_t>(kBase64Alphabet[b0 >> 2]);
    o[1] = static_cast<std::uint8_t>(kBase64Alphabet[((b0 & 3) << 4) | (b1 >> 4)]);
    o[2] = static_cast<std::uint8_t>(kBase64Alphabet[((b1 & 15) << 2) | (b2 >> 6)]);
    o[3] = static_cast<std::uint8_t>(kBase64Alphabet[b2 & 63]);
    o += 4;
  };
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) put_group(data[i], data[i + 1], data[i + 2]);
  const std::size_t r = n - i;
  if (r > 0) {  // the input extended by zero bytes, then the padding
    put_group(data[i], r == 2 ? data[i + 1] : 0, 0);
    o[-1] = '=';
    if (r == 1) o[-2] = '=';
  }
  return out;
}

Bytes EncodingTools::base64_decode(const Bytes& data) const {
  const std::size_t n = data.size();
  if (n == 0) return {};
  std::size_t pad = 0;
  if (n >= 2 && data[n - 1] == '=' && data[n - 2] == '=') {
    pad = 2;
  } else if (data[n - 1] == '=') {
    pad = 1;
  }
  // 3n / 4 without overflow for any size.
  Bytes out(n / 4 * 3 + (n % 4) * 3 / 4);
  std::uint8_t* o = out.data();
  for (std::size_t i = 0; i + 4 <= n; i += 4, o += 3) {
    const std::uint8_t x0 = kBase64Value[data[i]];
    const std::uint8_t x1 = kBase64Value[data[i + 1]];
    const std::uint8_t x2 = kBase64Value[data[i + 2]];
    const std::uint8_t x3 = kBase64Value[data[i + 3]];
    o[0] = static_cast<std::uint8_t>((x0 << 2) + (x1 >> 4));
    o[1] = static_cast<std::uint8_t>((x1 << 4) + (x2 >> 2));
    o[2] = static_cast<std::uint8_t>((x2 << 6) + x3);
  }
  out.resize(out.size() > pad ? out.size() - pad : 0);
  return out;
}

// ------------------------------------------------------------ code pages

Bytes EncodingTools::gbk_to_utf16(std::string_view text) const {
  std::optional<std::u16string> units = encoding_detail::decode(Charset::kGbk, text_arg(text));
  if (!units) return {};
  units->push_back(u'\0');  // the converted terminator
  return units_to_bytes(*units);
}

Text EncodingTools::utf16_to_gbk(const Bytes& data) const {
  return units_to_text(Charset::kGbk, bytes_to_units(data)).value_or(Text{});
}

Bytes EncodingTools::utf8_to_utf16(const Bytes& data) const {
  std::optional<std::u16string> units = encoding_detail::decode(Charset::kUtf8, as_chars(data));
  return units ? units_to_bytes(*units) : Bytes{};
}

Bytes EncodingTools::utf16_to_utf8(const Bytes& data) const {
  std::optional<std::string> out = encoding_detail::encode(Charset::kUtf8, bytes_to_units(data));
  return out ? Bytes(out->begin(), out->end()) : Bytes{};
}

Bytes EncodingTools::gbk_to_utf8(std::string_view text) const {
  return utf16_to_utf8(gbk_to_utf16(text));
}

Text EncodingTools::utf8_to_gbk(const Bytes& data) const {
  return utf16_to_gbk(utf8_to_utf16(data));
}

// ---------------------------------------------------- Unicode hexadecimal

Text EncodingTools::text_to_unicode_hex(std::string_view text) const {
  Bytes units = gbk_to_utf16(text);
  units.resize(units.size() >= 2 ? units.size() - 2 : 0);  // drop the terminator
  return bytes_to_hex(swap_byte_pairs(units));
}

Text EncodingTools::unicode_hex_to_text(std::string_view text) const {
  text = text_arg(text);
  Bytes units = swap_byte_pairs(hex_to_bytes(Bytes(text.begin(), text.end())));
  units.push_back(0);
  units.push_back(0);
  return utf16_to_gbk(units);
}

Bytes EncodingTools::swap_byte_pairs(const Bytes& data) const {
  Bytes out = data;
  for (std::size_t i = 0; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
  return out;
}

Text EncodingTools::bytes_to_hex(const Bytes& data) const {
  return escape_each<Text>(as_chars(data), 0, keep_none);
}

Bytes EncodingTools::hex_to_bytes(const Bytes& data) const { return decode_pairs(data, 2); }

// -------------------------------------------- simplified and traditional

Text EncodingTools::to_traditional(std::string_view text) const {
  return map_script(Script::kTraditional, text);
}

Text EncodingTools::to_simplified(std::string_view text) const {
  return map_script(Script::kSimplified, text);
}

Text EncodingTools::big5_to_gbk(std::string_view text) const {
  return convert_text(Charset::kBig5, Charset::kGbk, text);
}

Text EncodingTools::big5_to_simplified(std::string_view text) const {
  return to_simplified(big5_to_gbk(text));
}

Text EncodingTools::gbk_to_big5(std::string_view text) const {
  return convert_text(Charset::kGbk, Charset::kBig5, text);
}

Text EncodingTools::simplified_to_big5(std::string_view text) const {
  return gbk_to_big5(to_traditional(text));
}

}  // namespace chaxun
