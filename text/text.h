// Text and byte operations: the toolkit every other part of chaxun is written in.
//
// Types
//   Text       Bytes of code page 936 (GBK) held in a std::string. A Text never
//              holds a zero byte: every operation that builds a text from
//              arbitrary bytes (bytes_to_text) ends it before the first zero.
//              The empty text and a "missing" text are the same value.
//   Bytes      A counted byte buffer; zero bytes allowed.
//   TextArray  A count and that many texts, numbered from 1.
//
// Positions and lengths count bytes. Positions are 1-based; a search that finds
// nothing returns -1 (kNotFound). No operation reports an error or changes its
// arguments, and none throws except std::bad_alloc when memory runs out (as
// blank_text(INT_MAX) may): positions and counts out of range (INT_MIN,
// INT_MAX, 0, negative, past the end) are clamped as documented per function.
// Texts are assumed shorter than 2 GiB, so that every position fits an int.
//
// Characters. A byte >= 0x80 together with the byte after it is one two-byte
// character; every other byte is a one-byte character. A byte >= 0x80 that is
// the last byte of a text is an incomplete character. Operations marked
// CHARACTER-AWARE step through the text one character at a time and only
// recognise a match, separator or blank where a character begins; operations
// marked BYTE-WISE count plain bytes and may cut a two-byte character in half.
//
// Blanks are only the space 0x20 and the full-width space 0xA1 0xA1. Tab, CR,
// LF and form feed are ordinary characters. Only the ASCII letters A-Z and a-z
// have a letter case; no byte >= 0x80 is ever changed by a case operation.
//
// All functions are pure and thread-safe.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chaxun {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

inline constexpr int kNotFound = -1;

// A count and that many texts, numbered from 1.
class TextArray {
 public:
  TextArray() = default;
  explicit TextArray(std::vector<Text> items) : items_(std::move(items)) {}

  // Number of elements; 0 for the empty array.
  int count() const { return static_cast<int>(items_.size()); }
  // The i-th element, 1-based. Out of 1..count() (0, negative, INT_MAX) gives
  // the empty text.
  const Text& item(int i) const;
  // All elements; here element i stands at index i - 1.
  const std::vector<Text>& items() const { return items_; }

 private:
  std::vector<Text> items_;
};

// ---------------------------------------------------------------- searching

// find_text: CHARACTER-AWARE forward search.
// Returns the 1-based position of the first occurrence of `sub` that begins at
// or after byte position `start`; kNotFound when there is none.
//   start < 1 (0, negative, INT_MIN) searches from 1. start beyond the end: -1.
//   The cursor starts exactly at `start`, even when that is the second byte of
//   a two-byte character; from there it steps one character at a time, and an
//   incomplete final character ends the search.
//   ignore_case: true folds ASCII letters on both sides (every byte of the
//   compared window, second bytes of two-byte characters included); false
//   compares bytes.
//   Empty sub: 1 when the searched part of t is not empty (even when start > 1),
//   otherwise -1. Empty t: -1.
//   Runs in time linear in the length of t, whatever sub is.
//   Examples: find_text("abcabc", "c", 4) == 6; find_text("abc", "", 2) == 1;
//   with t = bytes B0 41 41 ("\xB0" "AA"), find_text(t, "A") == 3, not 2.
int find_text(std::string_view t, std::string_view sub, int start = 1, bool ignore_case = false);

// find_text_reverse: CHARACTER-AWARE backward search.
// Returns the 1-based position of the last occurrence of `sub`; kNotFound when
// there is none.
//   start omitted (nullopt): the whole text is searched.
//   start given: only occurrences lying wholly within the first (start - 1)
//   bytes count, i.e. ending before position start; start <= 1 (0, negative,
//   INT_MIN) gives -1; start > length (length + 1 up to INT_MAX) searches the
//   whole text. Characters are counted from position 1 whatever start is, so a
//   match is never found at the second byte of a character; occurrences may
//   overlap (the last one wins: "aaa", "aa" gives 2).
//   ignore_case as for find_text.
//   Empty sub: 1 when the searched part is not empty (also for a start beyond
//   the end), otherwise -1. Empty t: -1.
//   Linear in the length of t. Example: find_text_reverse("a/b/c", "/") == 4,
//   with start 4: 2, with start 1: -1.
int find_text_reverse(std::string_view t, std::string_view sub, std::optional<int> start = std::nullopt,
                      bool ignore_case = false);

// ----------------------------------------------------------------- cutting (BYTE-WISE)

// Number of bytes of t; 0 for the empty text.
int text_length(std::string_view t);
// The first min(n, length) bytes; empty when n <= 0.
Text text_left(std::string_view t, int n);
// The last min(n, length) bytes; empty when n <= 0.
Text text_right(std::string_view t, int n);
// Up to n bytes from 1-based position `start`, cut short at the end of t.
// Empty when start < 1, start > length, or n <= 0.
Text text_mid(std::string_view t, int start, int n);
// With p = start - 1 clamped to 0..length: deletes min(max(n, 0), length - p)
// bytes at offset p, then inserts new_text at p. start < 1 acts at the
// beginning, start > length at the end (nothing deleted, new_text appended).
// Without new_text it only deletes: replace_range("http://a/b", 1, 7) is "a/b".
Text replace_range(std::string_view t, int start, int n, std::string_view new_text = {});

// ------------------------------------------------------- replacing and reshaping

// replace_all: CHARACTER-AWARE. Replaces the occurrences of `old_text` by
// `new_text`, left to right, never overlapping, never searching inserted text.
//   start < 1 means 1; bytes before start are copied unchanged; start beyond
//   the end, empty t or empty old_text, or count == 0: t unchanged.
//   count: the number of replacements to make; negative (INT_MIN too) means
//   no limit, count > number of occurrences replaces them all.
//   case_sensitive: true compares bytes exactly, false folds ASCII letters.
//   Occurrences are found by the character walk starting at `start` (as in
//   find_text) and resuming right after each replaced occurrence.
//   When old_text is one byte long and t ends in an incomplete character that
//   the walk reaches and old_text does not match, that final byte is left out
//   of the result (also when start falls on it); once `count` replacements
//   are made, the rest is copied as it is, that byte included.
//   Linear in the length of t.
Text replace_all(std::string_view t, std::string_view old_text, std::string_view new_text = {}, int start = 1,
                 int count = -1, bool case_sensitive = true);

// CHARACTER-AWARE. t without its leading and trailing blanks (0x20, 0xA1A1);
// the empty text for empty t or a text of blanks only. A 0x20 or 0xA1 0xA1
// that does not begin a character is no blank. When the text ends in an
// incomplete character, the result ends just before that byte and the blanks
// standing before it remain.
Text trim_both(std::string_view t);
// CHARACTER-AWARE. t without any blank; an incomplete final character is
// dropped too.
Text remove_spaces(std::string_view t);
// CHARACTER-AWARE. ASCII A-Z to a-z (to_lower) or a-z to A-Z (to_upper); the
// second byte of a two-byte character and every byte >= 0x80 are never
// changed. Same length as t; empty for empty t.
Text to_lower(std::string_view t);
Text to_upper(std::string_view t);

// split_text: CHARACTER-AWARE. Splits t at every exact occurrence of sep.
//   Separators are found by a character walk from offset 0 that resumes right
//   after each separator; letter case always counts.
//   Empty t, or count == 0 or negative: an empty array.
//   Empty sep: one element, t.
//   Adjacent separators give an empty element; a leading separator an empty
//   first element; a trailing separator adds no empty last element.
//   count (nullopt = no limit): at most `count` elements; what follows the
//   count-th separator is dropped.
//   An incomplete final character ends the walk and stays in the last element.
TextArray split_text(std::string_view t, std::string_view sep = ",", std::optional<int> count = std::nullopt);

// --------------------------------------------------------------- comparing

// -1, 0 or 1 as a orders before, equal to or after b, character by character:
// a two-byte character counts as first*256+second, a one-byte character as its
// unsigned value, the end of a text as 0 (and an incomplete final character as
// first*256). case_sensitive false compares the one-byte characters A-Z as
// a-z; nothing else is folded (not the full-width letters either).
int compare_text(std::string_view a, std::string_view b, bool case_sensitive);

// ------------------------------------------------------------- conversions

// The signed value (-128..127) of the byte at 1-based `pos`; 0 when pos < 1,
// pos > length, or t is empty.
int char_code(std::string_view t, int pos = 1);
// A one-byte text holding code modulo 256; the empty text when that is 0.
Text char_of(int code);
// Decimal digits with "-" for a negative value; no leading zeros, spaces or
// grouping ("0" for 0, "-2147483648" for INT_MIN).
Text number_text(std::int32_t i);
// Upper-case hex of the 32-bit value, no prefix, no leading zeros ("0" for 0);
// negative values as their two's complement ("FFFFFFFF" for -1).
Text hex_text(std::int32_t i);
// Reads a leading decimal number: full-width ASCII (0xA3 0xA1..0xFE) and the
// full-width space are first turned into ASCII, then leading white space
// (space, tab, LF, VT, FF, CR) is skipped and the longest prefix of the form
// [sign] digits [. digits] [(e|E) [sign] digits] is read, independent of the
// process locale (at least one mantissa digit, before or after the point; an
// "e" without exponent digits ends the number: "1e" gives 1).
// 0 when the text holds no leading number: "", "abc", "-", "e5"; hexadecimal,
// "inf", "infinity" and "nan" are no numbers ("0x10" gives 0, read as "0").
// "8080.9" gives 8080.9, "80abc" 80; an exponent out of range gives +-HUGE_VAL
// or 0.
double to_number(std::string_view t);
// Truncates toward zero into a 32-bit integer, saturating at INT_MIN/INT_MAX
// and giving 0 for NaN.
std::int32_t to_int32(double value);
// n spaces (0x20); empty when n <= 0.
Text blank_text(int n);

// ------------------------------------------------------------- byte buffers

// Number of bytes of b; 0 for the empty buffer.
int bytes_length(const Bytes& b);
// The first (resp. last) k bytes, k = n clamped to 0..length.
Bytes bytes_left(const Bytes& b, int n);
Bytes bytes_right(const Bytes& b, int n);
// n zero bytes; empty when n <= 0.
Bytes blank_bytes(int n);
// All bytes of the buffers in argument order; empty buffers add nothing.
Bytes concat_bytes(std::initializer_list<const Bytes*> parts);
template <typename... B>
Bytes concat_bytes(const Bytes& first, const B&... rest) {
  return concat_bytes({&first, &rest...});
}
// The bytes of t, without a terminating zero; the empty buffer for empty t.
Bytes text_to_bytes(std::string_view t);
// The bytes of b up to (not including) its first zero byte: all of b when it
// holds none, the empty text for the empty buffer or a leading zero byte.
Text bytes_to_text(const Bytes& b);
// Same as bytes_to_text for bytes held elsewhere.
Text bytes_to_text(std::string_view raw);

// ------------------------------------------------------ integer arithmetic

// a - b * trunc(a / b), with the sign of a. b must not be 0 (gives 0 then).
double remainder(double a, double b);
// Bitwise AND of all arguments; all bits set for none.
std::int32_t bit_and(std::initializer_list<std::int32_t> values);
template <typename... I>
std::int32_t bit_and(std::int32_t first, I... rest) {
  return bit_and({first, static_cast<std::int32_t>(rest)...});
}
// v shifted left by (n mod 32) bits within 32 bits; bits shifted out are
// lost, a 1 shifted into bit 31 makes the result negative. "n mod 32" is the
// mathematical modulus, 0..31 for every n: n = 32 shifts by 0, n = -1 by 31.
std::int32_t shift_left(std::int32_t v, int n);
// v shifted right arithmetically by (n mod 32) bits, n mod 32 as above: the
// sign bit is copied in, so shift_right(-8, 1) == -4 and shift_right(-1, 31)
// == -1.
std::int32_t shift_right(std::int32_t v, int n);

// ------------------------------------------------------------- line reader

// An in-memory byte stream with a read position, read line by line.
// Used as: write one text, rewind, read_line while !at_end(), close.
class LineReader {
 public:
  LineReader() = default;

  // Writes the bytes of t at the read position, overwriting what stands there
  // and growing the stream as needed, and moves the position past them. No
  // line break is added.
  void write(std::string_view t);
  // Read position back to 0.
  void rewind() { pos_ = 0; }
  // True when the read position has reached the number of bytes held: a new
  // or closed reader is at its end.
  bool at_end() const { return pos_ >= data_.size(); }
  // The next line: the bytes from the read position up to the first LF, which
  // is skipped. An end mark 0x1A ends the line and the stream: nothing after
  // it is read and at_end() is true. A CR that is the line's last byte (right
  // before the LF, the end mark or the end of the stream) is dropped; any
  // other CR stays. The last line needs no line end, and a final line end
  // gives no extra empty line. Empty text at the end.
  Text read_line();
  // Discards the bytes; the reader is empty afterwards.
  void close();

 private:
  std::string data_;
  std::size_t pos_ = 0;
};

}  // namespace chaxun
