// EncodingTools: the conversions between texts (code page 936 / GBK byte
// strings, chaxun::Text) and byte buffers (chaxun::Bytes): escape and percent
// encodings, Base64, hexadecimal, code pages 936 and 950, UTF-8, UTF-16 and
// the mapping between simplified and traditional Chinese characters.
//
// Object model
//   EncodingTools holds no data, only its virtual table. The operations are
//   virtual members declared in a fixed slot order (release, copy, then the 24
//   conversions, escape_bytes ... simplified_to_big5): with the Itanium C++
//   ABI release() is slot 0 and simplified_to_big5() slot 25; the virtual
//   destructor is declared last and follows them. Six operations are built
//   from the others and call them as virtual calls on the object itself, so a
//   subclass that overrides a primitive changes the composites with it:
//     gbk_to_utf8          gbk_to_utf16, then utf16_to_utf8
//     utf8_to_gbk          utf8_to_utf16, then utf16_to_gbk
//     text_to_unicode_hex  gbk_to_utf16, drop the last 2 bytes (terminator),
//                          swap_byte_pairs, bytes_to_hex
//     unicode_hex_to_text  hex_to_bytes on the text's bytes, swap_byte_pairs,
//                          append two zero bytes, utf16_to_gbk
//     big5_to_simplified   big5_to_gbk, then to_simplified
//     simplified_to_big5   to_traditional, then gbk_to_big5
//
// Lifetime. Objects are created with `new`/std::make_unique or on the stack and
//   are released by destroying them (std::unique_ptr). release() is a no-op
//   kept for the slot order; the destructor does not call it. copy() returns a
//   new plain EncodingTools; a subclass that must keep its overrides through
//   copy() overrides copy() as well.
//
// Texts. Every Text argument is read up to its end or up to its first zero
//   byte, whichever comes first (a Text holds no zero byte; a string_view that
//   does is treated like the C string it would be). Every Text result ends
//   before the first zero byte its conversion produces.
//
// Hexadecimal output is always upper case ("0123456789ABCDEF"). UTF-16 is
//   little-endian unless stated otherwise. Base64 uses the RFC 4648 alphabet
//   with "=" padding and no line breaks.
//
// Decoding tables
//   pair table (unescape_bytes, hex_to_bytes): a pair of two upper-case hex
//     digits gives its byte value (16 * high + low); every other pair gives 0.
//     This includes pairs holding a zero byte or a code above 70 ('F'), such as
//     lower-case hex digits: "0a" decodes to 0, not to 0x0A.
//   Base64 table (base64_decode): an alphabet character gives its value 0..63;
//     every other byte ("=", a zero byte, a line break, ...) gives 0.
//
// Code pages (ICU). Code page 936 is the converter "windows-936-2000", code
//   page 950 "windows-950-2000", with ICU's tables (GBK 0x80 is U+20AC, 0xFF
//   the private-use U+F8F5). Invalid or truncated byte sequences in a code
//   page 936/950 or UTF-8 input become U+FFFD, ICU's substitution (a lone lead
//   byte at the end of a text, a lead byte before an invalid trail byte), and
//   an unpaired surrogate in a UTF-16 input becomes U+FFFD on the way to UTF-8.
//   Converting to code page 936 or 950 stops at the first character the code
//   page cannot hold (U+FFFD included, and an unpaired surrogate): the text
//   ends there. When a converter cannot be opened the result is empty.
//
// Inputs outside the rules, in one place:
//   - zero byte or code above 70 (lower-case hex digit, 'G', ...) in a pair of
//     unescape_bytes / hex_to_bytes: the pair decodes to 0; a zero byte or any
//     non-alphabet byte in base64_decode counts 0.
//   - odd length: hex_to_bytes ignores the last byte, swap_byte_pairs leaves
//     it in place, the UTF-16 inputs ignore it.
//   - url_decode: a '%' followed by a byte that is not a hex digit is copied as
//     an ordinary character (no byte is made up from a non-digit).
//   - gbk_to_utf16 / gbk_to_utf8 of the empty text: the terminator alone.
//   - invalid byte sequences: see Code pages above.
//   - to_traditional / to_simplified: the mapped text is returned whole even
//     when longer than the input; unmappable results end the text.
//
// Thread safety. No shared mutable state: any object and any operation may be
//   used from any number of threads at once. Converters and transliterators are
//   kept per thread.
#pragma once

#include <memory>
#include <string_view>

#include "text/text.h"

namespace chaxun {

class EncodingTools {
 public:
  EncodingTools() = default;

  // ------------------------------------------------------------ slots 0, 1

  // Does nothing. The object is released by destroying it.
  virtual void release();

  // A new EncodingTools (subclasses override it to copy themselves).
  virtual std::unique_ptr<EncodingTools> copy() const;

  // ---------------------------------------------- escapes and percent forms

  // Three bytes per input byte: the marker ('%' when percent is true, '='
  // otherwise), then the high and low hex digit. {00 0A D6}, true -> "%00%0A%D6".
  // Empty input -> empty buffer.
  virtual Bytes escape_bytes(const Bytes& data, bool percent) const;

  // floor(n / 3) bytes. Reads whole groups of three from the start: the first
  // byte of a group is skipped without being looked at, the other two are
  // decoded by the pair table (unknown pair -> 0). Up to two trailing bytes
  // that do not fill a group are ignored. "=41%42" -> "AB", "xx" -> empty.
  virtual Bytes unescape_bytes(const Bytes& data) const;

  // Copies ASCII letters, digits and * , - . / @ _ ; writes every other byte
  // (blank, '+', every byte >= 0x7B) as '%' and two hex digits.
  // "a b+c" -> "a%20b%2Bc". Empty -> empty.
  virtual Text url_encode(std::string_view text) const;

  // Every byte as '%' and two hex digits. "A b" -> "%41%20%62". Empty -> empty.
  virtual Text percent_encode_all(std::string_view text) const;

  // Scans from the start. A '%' and the two bytes after it become one byte
  // 16 * d1 + d2 (hex digits of either case); a digit missing because the text
  // ends counts as 0 ("%4" -> "@"); a value of 0 adds nothing ("%00", a '%' at
  // the very end). A '%' followed by a byte that is not a hex digit is an
  // ordinary character and is copied ("100%GO" -> "100%GO", "%4G" -> "%4G").
  // Every other byte, '+' included, is copied. Empty -> empty.
  virtual Text url_decode(std::string_view text) const;

  // ------------------------------------------------------------------ Base64

  // 4 * ceil(n / 3) bytes, '=' padded, no line breaks. "Ma" -> "TWE=".
  // Empty -> empty.
  virtual Bytes base64_encode(const Bytes& data) const;

  // floor(3n / 4) bytes minus the padding count d (2 when the input ends in
  // "==", 1 when it ends in "=", else 0; nothing is left when d exceeds the
  // size). Whole groups of four are decoded from the start through the Base64
  // table; the output bytes of one to three trailing bytes that do not fill a
  // group stay zero: "TWFuTQ" -> "Man" 00. Empty -> empty.
  virtual Bytes base64_decode(const Bytes& data) const;

  // ------------------------------------------------------------ code pages

  // The UTF-16LE code units of the GBK text followed by one zero unit:
  // 2 * (characters + 1) bytes. "A" -> 41 00 00 00. The empty text gives the
  // terminator alone (00 00).
  virtual Bytes gbk_to_utf16(std::string_view text) const;

  // The GBK text of the first floor(n / 2) UTF-16LE units (an odd last byte is
  // ignored), ending at the first zero unit or at the first character code
  // page 936 cannot hold. 41 00 00 00 42 00 -> "A". Empty -> empty.
  virtual Text utf16_to_gbk(const Bytes& data) const;

  // UTF-16LE units of all n UTF-8 bytes; no terminator is added and a zero
  // byte gives a zero unit. Empty -> empty.
  virtual Bytes utf8_to_utf16(const Bytes& data) const;

  // UTF-8 bytes of exactly the first floor(n / 2) UTF-16LE units; no
  // terminator is added and a zero unit gives a zero byte. Empty -> empty.
  virtual Bytes utf16_to_utf8(const Bytes& data) const;

  // Composite: utf16_to_utf8(gbk_to_utf16(text)) - the UTF-8 bytes followed by
  // one zero byte. "中" -> E4 B8 AD 00. The empty text gives 00 alone.
  virtual Bytes gbk_to_utf8(std::string_view text) const;

  // Composite: utf16_to_gbk(utf8_to_utf16(data)) - ends before the first zero
  // byte or character code page 936 cannot hold. Empty -> empty.
  virtual Text utf8_to_gbk(const Bytes& data) const;

  // ---------------------------------------------------- Unicode hexadecimal

  // Composite: four upper-case hex digits per UTF-16 unit, big-endian, without
  // the terminator. "中文" -> "4E2D6587". Empty -> empty.
  virtual Text text_to_unicode_hex(std::string_view text) const;

  // Composite, the inverse: "4E2D6587" -> "中文". Pairs outside the pair table
  // (lower-case digits included) decode to 0: "4E2d" gives U+4E00, and
  // "4e2d" is empty (its first unit is 0). An odd last hex digit is ignored;
  // an odd last byte pair becomes the low byte of a unit completed by the
  // appended terminator ("4E2D65" -> "中e"). Empty -> empty.
  virtual Text unicode_hex_to_text(std::string_view text) const;

  // Exchanges bytes 1 and 2, 3 and 4, ...; an odd last byte stays where it is.
  virtual Bytes swap_byte_pairs(const Bytes& data) const;

  // Two upper-case hex digits per byte, no separators. {00 AB} -> "00AB".
  // Empty -> empty.
  virtual Text bytes_to_hex(const Bytes& data) const;

  // floor(n / 2) bytes, each pair decoded by the pair table (unknown pair,
  // lower-case digits included -> 0). An odd last byte is ignored.
  // "00AB" -> {00 AB}. Empty -> empty.
  virtual Bytes hex_to_bytes(const Bytes& data) const;

  // -------------------------------------------- simplified and traditional

  // The GBK text with simplified characters mapped to traditional ones (ICU
  // "Hans-Hant"). Traditional characters GBK holds stay as they are; the text
  // ends at the first mapped character GBK cannot hold. The result may be
  // longer than the input when the mapping produces longer text; it is
  // returned whole, never cut to the input length. When the mapping cannot be
  // done at all (no transliterator, no converter), the result is as many
  // blanks as the input has bytes. Empty -> empty.
  virtual Text to_traditional(std::string_view text) const;

  // The same from traditional to simplified (ICU "Hant-Hans").
  virtual Text to_simplified(std::string_view text) const;

  // Code page 950 (Big5) text to GBK, ending before the first zero byte or
  // character GBK cannot hold. Empty -> empty.
  virtual Text big5_to_gbk(std::string_view text) const;

  // Composite: to_simplified(big5_to_gbk(text)).
  virtual Text big5_to_simplified(std::string_view text) const;

  // GBK text to code page 950, ending at the first character Big5 cannot hold
  // (most simplified characters: "中国" -> "中"). Empty -> empty.
  virtual Text gbk_to_big5(std::string_view text) const;

  // Composite: gbk_to_big5(to_traditional(text)).
  virtual Text simplified_to_big5(std::string_view text) const;

  // Declared after the operations so that it takes the virtual slots after
  // simplified_to_big5 and release() stays slot 0.
  virtual ~EncodingTools() = default;

 protected:
  // For subclasses implementing copy(); the object has no data to copy.
  EncodingTools(const EncodingTools&) = default;
  EncodingTools& operator=(const EncodingTools&) = default;
};

}  // namespace chaxun
