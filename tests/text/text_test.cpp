// Tests of the text and byte toolkit. GBK bytes are written as escapes with
// the characters beside them; a literal is split ("\xB0" "A") where a letter
// follows an escape.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "text/text.h"

namespace chaxun {
namespace {

// ------------------------------------------------------------------ searching

// One search: the forward search always passes a start (1 when omitted).
struct SearchCase {
  const char* rule;
  Text t;
  Text sub;
  std::optional<int> start;
  bool ignore_case;
  int want;
};

TEST(FindText, PositionsStartsAndCharacters) {
  const SearchCase cases[] = {
      // the result is a position in the whole text, not in the searched part
      {"position in whole text", "abcabc", "c", 4, false, 6},
      // a start beyond the end leaves nothing to search
      {"start beyond end", "abc", "c", 9, false, -1},
      // a start below 1 searches from the beginning, INT_MIN included
      {"start 0", "abc", "a", 0, false, 1},
      {"start INT_MIN", "abc", "a", INT_MIN, false, 1},
      {"start INT_MAX", "abc", "a", INT_MAX, false, -1},
      // an empty sub is found at 1 (not at start) when something is searched
      {"empty sub, start 2", "abc", "", 2, false, 1},
      {"empty sub, start past end", "abc", "", 4, false, -1},
      {"empty sub in empty text", "", "", 1, false, -1},
      {"sub longer than the rest", "abc", "bcd", 2, false, -1},
      // ignore_case folds the ASCII letters of both sides
      {"ignore case", "HTTP://x", "http://", 1, true, 1},
      {"exact case", "HTTP://x", "http://", 1, false, -1},
      // a one-byte sub never matches the second byte of a character
      {"second byte is a letter", "\xB0" "AA", "A", 1, false, 3},
      {"second byte is a slash", "\x81/a/", "/", 1, false, 4},
      {"second byte letter, ignoring case", "\xB0" "aA", "A", 1, true, 3},
      // a start on a second byte makes that byte the first character tried
      {"start on a second byte", "\xB0" "AA", "A", 2, false, 2},
      {"start on a second byte, pairs shift", "\xB0\xB1\xB1\xB2", "\xB1\xB1", 2, false, 2},
      // a byte match across two characters is not an occurrence
      {"match straddling two characters", "\xB0\xB1\xB1\xB2", "\xB1\xB1", 1, false, -1},
      {"aligned two-byte match", "\xB0\xB1\xB1\xB2", "\xB1\xB2", 1, false, 3},
      // a one-byte sub is compared at an incomplete final character
      {"incomplete final character matched", "ab\xB0", "\xB0", 1, false, 3},
      {"odd run after ASCII", "a\xB0\xB0\xB0", "\xB0\xB0", 1, false, 2},
      {"Chinese text", "\xB1\xB1\xBE\xA9\xD6\xD0\xB9\xFA", "\xD6\xD0", 1, false, 5},  // 北京中国, 中
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(find_text(c.t, c.sub, c.start.value_or(1), c.ignore_case), c.want);
  }
}

TEST(FindTextReverse, LastOccurrenceBeforeStart) {
  const SearchCase cases[] = {
      // no start: the whole text
      {"whole text", "a/b/c", "/", std::nullopt, false, 4},
      // start: the occurrence must end before position start
      {"ends before start", "a/b/c", "/", 4, false, 2},
      {"occurrence reaching start excluded", "a/b/c", "/b", 4, false, 2},
      {"start 1", "a/b/c", "/", 1, false, -1},
      {"start INT_MIN", "a/b/c", "/", INT_MIN, false, -1},
      {"start INT_MAX", "a/b/c", "/", INT_MAX, false, 4},
      // the boundary: an occurrence ending at the last byte counts from start
      // length + 1 on, not from start length
      {"start one past the end", "abcabc", "bc", 7, false, 5},
      {"start on the last byte", "abcabc", "bc", 6, false, 2},
      // the walk steps one character, not one match: overlaps count
      {"overlapping occurrences, last wins", "aaa", "aa", std::nullopt, false, 2},
      {"empty sub", "abc", "", std::nullopt, false, 1},
      {"empty sub, start 1", "abc", "", 1, false, -1},
      // a start beyond the end searches the whole text, so the empty sub is found
      {"empty sub, start beyond the end", "abc", "", 9, false, 1},
      {"empty text", "", "", std::nullopt, false, -1},
      // characters are counted from position 1 whatever start is
      {"second byte is a slash", "a/\x81/", "/", std::nullopt, false, 2},
      {"only second bytes match", "\xB0" "A\xB0" "A", "A", std::nullopt, false, -1},
      {"last aligned pair in a high-byte run", "\xB0\xB0\xB0\xB0\xB0", "\xB0\xB0", std::nullopt, false, 3},
      {"ignore case", "xHTTP://http://", "HTTP://", std::nullopt, true, 9},
      // folding the second byte "a" of a character does not make it a match
      {"second byte letter, ignoring case", "\xB0" "aA\xB0" "a", "A", std::nullopt, true, 3},
      {"exact case", "xHTTP://http://", "HTTP://", std::nullopt, false, 2},
      {"incomplete final character matched", "a\xB0", "\xB0", std::nullopt, false, 2},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(find_text_reverse(c.t, c.sub, c.start, c.ignore_case), c.want);
  }
}

// ------------------------------------------------------------------ cutting

struct ResultCase {
  const char* rule;
  Text got;
  Text want;
};

void check(std::initializer_list<ResultCase> cases) {
  for (const ResultCase& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(c.got, c.want);
  }
}

TEST(Cutting, ClampsCountsAndPositions) {
  check({
      {"left 0 is empty", text_left("abc", 0), ""},
      {"right negative is empty", text_right("abc", -2), ""},
      {"left beyond length is all", text_left("abc", 9), "abc"},
      {"right INT_MAX is all", text_right("abc", INT_MAX), "abc"},
      {"left INT_MIN is empty", text_left("abc", INT_MIN), ""},
      {"right counts from the end", text_right("abcdef", 2), "ef"},
      {"mid cut short at the end", text_mid("abcdef", 3, 100), "cdef"},
      {"mid INT_MAX count", text_mid("abcdef", 6, INT_MAX), "f"},
      {"mid start 0 is empty", text_mid("abc", 0, 2), ""},
      {"mid start beyond end is empty", text_mid("abc", 4, 1), ""},
      {"mid negative count is empty", text_mid("abc", 1, -1), ""},
      // byte-wise: cutting may halve a character
      {"left halves a character", text_left("ab\xD6\xD0", 3), "ab\xD6"},  // ab中
      {"replace_range deletes a prefix", replace_range("http://a/b", 1, 7), "a/b"},
      {"replace_range past the end appends", replace_range("abc", 9, 2, "X"), "abcX"},
      {"replace_range negative count inserts", replace_range("abc", 2, -1, "X"), "aXbc"},
      {"replace_range start below 1 acts at the front", replace_range("abc", INT_MIN, 1, "X"), "Xbc"},
      {"replace_range count beyond the rest", replace_range("abc", 2, INT_MAX, "X"), "aX"},
      {"replace_range on empty text", replace_range("", 1, 1, "X"), "X"},
  });
  EXPECT_EQ(text_length(""), 0);
  EXPECT_EQ(text_length("\xD6\xD0"), 2);  // 中
}

// ---------------------------------------------------------------- replacing

struct ReplaceCase {
  const char* rule;
  Text t;
  Text old_text;
  Text new_text;
  int start;
  int count;
  bool case_sensitive;
  Text want;
};

TEST(ReplaceAll, Rules) {
  const ReplaceCase cases[] = {
      {"every occurrence", "a:b:c", ":", "\xA3\xBA", 1, -1, true, "a\xA3\xBA" "b\xA3\xBA" "c"},  // ：
      {"case-sensitive", "x&nbsp;&NBSP;", "&nbsp;", " ", 1, -1, true, "x &NBSP;"},
      {"ignoring case", "x&nbsp;&NBSP;", "&nbsp;", " ", 1, -1, false, "x  "},
      {"count 0 changes nothing", "a:b", ":", "-", 1, 0, true, "a:b"},
      {"count limits the replacements", "a:b:c", ":", "-", 1, 1, true, "a-b:c"},
      {"negative count never runs out", "a:b:c", ":", "-", 1, INT_MIN, true, "a-b-c"},
      {"inserted text is not searched again", "aa", "a", "aa", 1, -1, true, "aaaa"},
      {"occurrences do not overlap", "aaa", "aa", "b", 1, -1, true, "ba"},
      {"omitted new deletes", "a:b", ":", "", 1, -1, true, "ab"},
      {"text before start is kept", "a-b-c", "-", "+", 3, -1, true, "a-b+c"},
      {"start INT_MIN means 1", "a-b", "-", "+", INT_MIN, -1, true, "a+b"},
      {"start beyond the end", "a-b", "-", "+", 4, -1, true, "a-b"},
      {"empty old", "abc", "", "x", 1, -1, true, "abc"},
      {"empty text", "", "a", "x", 1, -1, true, ""},
      // character-aware: a second byte is never replaced ...
      {"second byte letter kept", "\xB0" "AA", "A", "x", 1, -1, true, "\xB0" "Ax"},
      {"second byte letter kept, ignoring case", "\xB0" "aA", "a", "x", 1, -1, false, "\xB0" "ax"},
      // ... unless start falls on it
      {"start on a second byte", "\xB0" "AA", "A", "x", 2, -1, true, "\xB0" "xx"},
      // the walk resumes right after each replaced occurrence
      {"walk resumes after a match", "\xB0\xB0\xB0", "\xB0", "x", 1, -1, true, "xxx"},
      // the one-byte exception: an incomplete final character is dropped ...
      {"one-byte old drops a lone final byte", "ab\xB0", "a", "", 1, -1, true, "b"},
      // ... but not when old is longer, the walk then stopping earlier
      {"two-byte old keeps a lone final byte", "ab\xB0", "ab", "", 1, -1, true, "\xB0"},
      // ... nor when the count ran out before the walk got there
      {"count reached keeps a lone final byte", "aa\xB0", "a", "", 1, 1, true, "a\xB0"},
      // ... nor when it is the second byte of a pair
      {"final second byte is not incomplete", "a\xB0\xB0", "a", "", 1, -1, true, "\xB0\xB0"},
      {"lone final byte matching old is replaced", "a\xB0", "\xB0", "x", 1, -1, true, "ax"},
      // ... and a start on that byte still reaches it
      {"start on the lone final byte drops it", "ab\xB0", "x", "", 3, -1, true, "ab"},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(replace_all(c.t, c.old_text, c.new_text, c.start, c.count, c.case_sensitive), c.want);
  }
}

// ---------------------------------------------------------------- splitting

struct SplitCase {
  const char* rule;
  Text t;
  Text sep;
  std::optional<int> count;
  std::vector<Text> want;
};

TEST(SplitText, Rules) {
  const SplitCase cases[] = {
      {"adjacent separators give an empty element", "a,,b", ",", std::nullopt, {"a", "", "b"}},
      {"leading separator gives an empty first element", ",a", ",", std::nullopt, {"", "a"}},
      {"trailing separator adds no element", "a,", ",", std::nullopt, {"a"}},
      {"separator alone", ",", ",", std::nullopt, {""}},
      {"empty text", "", ",", std::nullopt, {}},
      {"empty separator", "a b", "", std::nullopt, {"a b"}},
      {"count limits and drops the rest", "a,b,c", ",", 2, {"a", "b"}},
      {"count larger than the pieces", "a,b", ",", INT_MAX, {"a", "b"}},
      {"count 0", "a,b", ",", 0, {}},
      {"negative count counts as 0", "a,b", ",", INT_MIN, {}},
      {"letter case counts", "aXbxc", "x", std::nullopt, {"aXb", "c"}},
      {"multi-byte separator", "a\r\nb\r\n", "\r\n", std::nullopt, {"a", "b"}},
      {"two blanks between Chinese", "\xB1\xB1\xBE\xA9  \xB3\xAF\xD1\xF4", " ", std::nullopt,  // 北京  朝阳
       {"\xB1\xB1\xBE\xA9", "", "\xB3\xAF\xD1\xF4"}},
      {"separator as a second byte is not split", "\x81/a/b", "/", std::nullopt, {"\x81/a", "b"}},
      {"incomplete final character kept", "a,\xB0", ",", std::nullopt, {"a", "\xB0"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.rule);
    const TextArray got = split_text(c.t, c.sep, c.count);
    EXPECT_EQ(got.items(), c.want);
    EXPECT_EQ(got.count(), static_cast<int>(c.want.size()));
  }
}

TEST(SplitText, DefaultSeparatorIsComma) { EXPECT_EQ(split_text("a,b").items(), (std::vector<Text>{"a", "b"})); }

TEST(TextArray, ItemOutsideRangeIsEmpty) {
  const TextArray a = split_text("x,y");
  EXPECT_EQ(a.item(1), "x");
  EXPECT_EQ(a.item(2), "y");
  for (int i : {0, 3, -1, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a.item(i), "");
  }
}

// ------------------------------------------------------ blanks and letter case

TEST(Blanks, TrimAndRemove) {
  check({
      {"tab, CR and LF are not blanks", trim_both("\t a \r\n"), "\t a \r\n"},
      {"full-width spaces trimmed", trim_both("\xA1\xA1" "a\xA1\xA1"), "a"},  // 　a　
      {"spaces inside stay", trim_both("  a b  "), "a b"},
      {"only blanks", trim_both(" \xA1\xA1 \xA1\xA1"), ""},
      {"empty", trim_both(""), ""},
      // a space that is the second byte of a character is not a blank
      {"second byte space", trim_both("\xB0 "), "\xB0 "},
      {"second byte space then a space", trim_both("\xB0  "), "\xB0 "},
      // A1 A1 across two characters is not a full-width space
      {"misaligned A1 A1", trim_both("\xC1\xA1\xA1\xA1"), "\xC1\xA1"},
      {"A1 lead of another character", trim_both("\xA1\xC1\xA1\xA1"), "\xA1\xC1"},
      // an incomplete final character is dropped and the blanks before it stay
      {"incomplete final character", trim_both(" a \xB0"), "a "},
      {"full-width space before a lone A1", trim_both("x\xA1\xA1\xA1"), "x\xA1\xA1"},
      {"lone byte after leading blanks", trim_both("\xA1\xA1\xA1"), ""},
      // trimming a text cut in half by text_left removes the half character
      {"after a byte-wise cut", trim_both(text_left("ab\xD6\xD0", 3)), "ab"},  // ab中
      {"remove everywhere", remove_spaces(" a\xA1\xA1" "b c "), "abc"},
      {"remove keeps second byte space", remove_spaces("\xB0 c"), "\xB0 c"},
      {"remove keeps tab CR LF", remove_spaces("\t\r\n"), "\t\r\n"},
      {"remove drops incomplete final character", remove_spaces("a\xA1"), "a"},
      {"remove keeps A1 paired with another byte", remove_spaces("\xB0\xA1\xA1"), "\xB0\xA1"},
  });
}

TEST(LetterCase, OnlyOneByteLettersChange) {
  check({
      {"lower", to_lower("AbC-Z"), "abc-z"},
      {"upper", to_upper("aBc-z"), "ABC-Z"},
      {"lower keeps second bytes", to_lower("\xB0" "A\xB0" "B" "C"), "\xB0" "A\xB0" "B" "c"},
      {"upper keeps second bytes", to_upper("\xB0" "a" "b"), "\xB0" "a" "B"},
      {"full-width letters unchanged", to_lower("\xA3\xC1\xA3\xC2"), "\xA3\xC1\xA3\xC2"},  // ＡＢ
      {"lone final lead", to_upper("a\xB0"), "A\xB0"},
  });
}

// ---------------------------------------------------------------- comparing

TEST(CompareText, CharacterUnits) {
  struct Case {
    const char* rule;
    Text a;
    Text b;
    bool case_sensitive;
    int want;
  };
  const Case cases[] = {
      {"equal ignoring case", "Http", "hTTP", false, 0},
      {"capital orders before small", "ABC", "abc", true, -1},
      {"prefix orders first", "ab", "abc", true, -1},
      {"both empty", "", "", true, 0},
      {"empty before anything", "", "a", false, -1},
      {"two-byte unit by second byte", "\xB0" "A", "\xB0" "B", true, -1},
      // a two-byte unit is first*256+second, above every one-byte character
      {"two-byte above one-byte", "\xB0" "A", "z", true, 1},
      // second bytes are never folded
      {"second byte not folded", "\xB0" "A", "\xB0" "a", false, -1},
      {"incomplete final character", "a\xB0", "a\xB0" "A", true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(compare_text(c.a, c.b, c.case_sensitive), c.want);
    EXPECT_EQ(compare_text(c.b, c.a, c.case_sensitive), -c.want);
  }
}

// -------------------------------------------------------------- conversions

TEST(Conversions, CharCodes) {
  struct Case {
    const char* rule;
    int got;
    int want;
  };
  const Case cases[] = {
      {"ASCII", char_code("A"), 65},
      {"lead byte is negative", char_code("\xD6\xD0"), -42},  // 中
      {"empty text", char_code(""), 0},
      {"past the end", char_code("ab", 3), 0},
      {"position 0", char_code("ab", 0), 0},
      {"INT_MIN", char_code("ab", INT_MIN), 0},
      {"INT_MAX", char_code("ab", INT_MAX), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(c.got, c.want);
  }
}

TEST(Conversions, Texts) {
  check({
      {"char_of", char_of(65), "A"},
      {"char_of low 8 bits", char_of(321), "A"},
      {"char_of 0", char_of(0), ""},
      {"char_of 256", char_of(256), ""},
      {"char_of negative", char_of(-42), "\xD6"},
      {"number", number_text(8080), "8080"},
      {"number 0", number_text(0), "0"},
      {"number negative", number_text(-7), "-7"},
      {"number INT_MIN", number_text(INT_MIN), "-2147483648"},
      {"number INT_MAX", number_text(INT_MAX), "2147483647"},
      {"hex one digit", hex_text(10), "A"},
      {"hex 0", hex_text(0), "0"},
      {"hex 255", hex_text(255), "FF"},
      {"hex -1", hex_text(-1), "FFFFFFFF"},
      {"hex -128", hex_text(-128), "FFFFFF80"},
      {"hex INT_MIN", hex_text(INT_MIN), "80000000"},
      {"blanks", blank_text(3), "   "},
      {"blanks 0", blank_text(0), ""},
      {"blanks negative", blank_text(INT_MIN), ""},
  });
}

TEST(Conversions, ToNumber) {
  struct Case {
    const char* rule;
    Text t;
    double want;
  };
  const Case cases[] = {
      {"digits", "8080", 8080},
      {"full-width digits", "\xA3\xB8\xA3\xB0", 80},  // ８０
      {"leading space", " 81", 81},
      {"leading full-width space and tab", "\xA1\xA1\t81", 81},
      {"stops at a letter", "80abc", 80},
      {"fraction", "8080.9", 8080.9},
      {"negative fraction", "-7.9", -7.9},
      {"plus sign", "+5", 5},
      {"exponent", "1.5e3", 1500},
      {"exponent without digits ignored", "2e", 2},
      {"exponent sign without digits ignored", "2e+x", 2},
      {"point without fraction", "5.", 5},
      {"fraction without integer part", ".5", 0.5},
      {"empty", "", 0},
      {"no number", "abc", 0},
      {"sign only", "-", 0},
      {"point only", ".", 0},
      {"no hexadecimal", "0x1A", 0},
      // what a C library number reader would accept is no number here
      {"no hexadecimal float", "0x1p3", 0},
      {"no inf", "inf", 0},
      {"no infinity", "-infinity", 0},
      {"no nan", "nan", 0},
      {"exponent without mantissa", "e5", 0},
      {"two signs", "+-1", 0},
      {"every white-space byte skipped", " \t\n\v\f\r7", 7},
      {"full-width sign and point", "\xA3\xAD\xA3\xB1\xA3\xAE\xA3\xB5", -1.5},  // －１．５
      {"a Chinese character stops the number", "12\xD6\xD0", 12},  // 12中
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_DOUBLE_EQ(to_number(c.t), c.want);
  }
  EXPECT_TRUE(std::isinf(to_number("1e999")));
}

TEST(Conversions, ToInt32TruncatesAndSaturates) {
  struct Case {
    const char* rule;
    double value;
    std::int32_t want;
  };
  const Case cases[] = {
      {"toward zero", 7.9, 7},
      {"toward zero, negative", -7.9, -7},
      {"above INT_MAX", 1e20, INT_MAX},
      {"below INT_MIN", -1e20, INT_MIN},
      {"INT_MIN exactly", -2147483648.0, INT_MIN},
      {"NaN", std::nan(""), 0},
      {"infinity", HUGE_VAL, INT_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(to_int32(c.value), c.want);
  }
}

// ------------------------------------------------------------- byte buffers

TEST(ByteBuffers, CutJoinAndConvert) {
  const Bytes abcd{'a', 'b', 'c', 'd'};
  struct Case {
    const char* rule;
    Bytes got;
    Bytes want;
  };
  const Case cases[] = {
      {"left", bytes_left(abcd, 2), Bytes{'a', 'b'}},
      {"left INT_MAX", bytes_left(abcd, INT_MAX), abcd},
      {"left negative", bytes_left(abcd, INT_MIN), Bytes{}},
      {"right", bytes_right(abcd, 1), Bytes{'d'}},
      {"right INT_MAX", bytes_right(abcd, INT_MAX), abcd},
      {"right negative", bytes_right(abcd, -1), Bytes{}},
      {"blank bytes", blank_bytes(2), Bytes{0, 0}},
      {"blank bytes negative", blank_bytes(-3), Bytes{}},
      {"concat skips empty buffers", concat_bytes(Bytes{'a'}, Bytes{}, Bytes{0, 'b'}), (Bytes{'a', 0, 'b'})},
      {"text to bytes, no terminator", text_to_bytes("\xD6\xD0"), (Bytes{0xD6, 0xD0})},  // 中
      {"empty text to bytes", text_to_bytes(""), Bytes{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(c.got, c.want);
  }
  EXPECT_EQ(bytes_length(abcd), 4);
  check({
      {"text stops at the first zero", bytes_to_text(Bytes{'a', 'b', 0, 'c', 'd'}), "ab"},
      {"all zero bytes", bytes_to_text(blank_bytes(255)), ""},
      {"no zero byte", bytes_to_text(abcd), "abcd"},
      {"empty buffer", bytes_to_text(Bytes{}), ""},
      {"raw bytes", bytes_to_text(std::string_view("x\0y", 3)), "x"},
  });
}

// ------------------------------------------------------- integer arithmetic

TEST(Arithmetic, RemainderAndBits) {
  EXPECT_EQ(remainder(7, 3), 1);
  EXPECT_EQ(remainder(-7, 3), -1);  // sign of a
  EXPECT_EQ(remainder(7, -3), 1);
  EXPECT_EQ(remainder(0, 3), 0);
  EXPECT_EQ(bit_and(0xF0, 0x3C, 0xFF), 0x30);
  EXPECT_EQ(bit_and(-1, INT_MIN), INT_MIN);
}

TEST(Arithmetic, ShiftsTakeCountModulo32) {
  struct Case {
    const char* rule;
    std::int32_t got;
    std::int32_t want;
  };
  const Case cases[] = {
      {"into the sign bit", shift_left(1, 31), INT_MIN},
      {"bits shifted out are lost", shift_left(0x40000000, 2), 0},
      {"count 32 shifts by 0", shift_left(1, 32), 1},
      {"count 33 shifts by 1", shift_left(3, 33), 6},
      {"count -1 shifts by 31", shift_left(1, -1), INT_MIN},
      {"count INT_MIN shifts by 0", shift_left(5, INT_MIN), 5},
      {"negative value left", shift_left(-1, 4), -16},
      {"right keeps the sign", shift_right(-8, 1), -4},
      {"right all the way", shift_right(-1, 31), -1},
      {"right INT_MIN", shift_right(INT_MIN, 31), -1},
      {"right positive", shift_right(INT_MAX, 30), 1},
      {"right count -28 shifts by 4", shift_right(16, -28), 1},
      {"right count INT_MAX shifts by 31", shift_right(INT_MIN, INT_MAX), -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(c.got, c.want);
  }
}

// ------------------------------------------- differential test of the walks
//
// The searches, replace_all, split_text and trim_both jump to candidates
// instead of visiting every character. These reference versions walk one
// character at a time exactly as the operations are defined; random texts
// built from bytes that form awkward pairs (second bytes that are letters,
// slashes or spaces, A1 A1 across characters, lone final lead bytes) must give
// the same results.

namespace ref {

bool matches(std::string_view t, std::size_t at, std::string_view sub, bool fold) {
  for (std::size_t i = 0; i < sub.size(); ++i) {
    char a = t[at + i];
    char b = sub[i];
    if (fold) {
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
      if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
    }
    if (a != b) return false;
  }
  return true;
}

bool lead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Visits the cursor positions of the character walk over t[0, end) from `from`
// at which at least m bytes are left; stops when visit returns true.
template <typename Visit>
void walk(std::string_view t, std::size_t from, std::size_t end, std::size_t m, Visit visit) {
  std::size_t c = from;
  while (end >= c && end - c >= m) {
    if (visit(c)) return;
    if (lead(t[c])) {
      if (c + 1 == t.size()) return;
      c += 2;
    } else {
      c += 1;
    }
  }
}

int find(std::string_view t, std::string_view sub, int start, bool fold) {
  const long long s = std::max<long long>(static_cast<long long>(start) - 1, 0);
  if (s >= static_cast<long long>(t.size())) return -1;
  if (sub.empty()) return 1;
  int found = -1;
  walk(t, static_cast<std::size_t>(s), t.size(), sub.size(), [&](std::size_t c) {
    if (!matches(t, c, sub, fold)) return false;
    found = static_cast<int>(c) + 1;
    return true;
  });
  return found;
}

int find_reverse(std::string_view t, std::string_view sub, std::optional<int> start, bool fold) {
  long long end = static_cast<long long>(t.size());
  if (start) end = std::clamp<long long>(static_cast<long long>(*start) - 1, 0, end);
  if (end <= 0) return -1;
  if (sub.empty()) return 1;
  int found = -1;
  walk(t, 0, static_cast<std::size_t>(end), sub.size(), [&](std::size_t c) {
    if (matches(t, c, sub, fold)) found = static_cast<int>(c) + 1;
    return false;
  });
  return found;
}

Text replace(std::string_view t, std::string_view old, std::string_view repl, int start, int count, bool cs) {
  const long long s = std::max<long long>(static_cast<long long>(start) - 1, 0);
  if (t.empty() || old.empty() || s >= static_cast<long long>(t.size()) || count == 0) return Text(t);
  Text out(t.substr(0, static_cast<std::size_t>(s)));
  std::size_t c = static_cast<std::size_t>(s);
  int made = 0;
  while (t.size() - c >= old.size()) {
    if (matches(t, c, old, !cs)) {
      out.append(repl);
      c += old.size();
      if (++made == count) break;
    } else if (lead(t[c])) {
      if (c + 1 == t.size()) return out;  // incomplete final character left out
      out.append(t.substr(c, 2));
      c += 2;
    } else {
      out.push_back(t[c++]);
    }
  }
  out.append(t.substr(c));
  return out;
}

std::vector<Text> split(std::string_view t, std::string_view sep, std::optional<int> count) {
  const int k = count ? std::max(*count, 0) : -1;
  if (t.empty() || k == 0) return {};
  if (sep.empty()) return {Text(t)};
  std::vector<Text> out;
  std::size_t piece = 0;
  std::size_t c = 0;
  while (t.size() - c >= sep.size()) {
    if (matches(t, c, sep, false)) {
      out.emplace_back(t.substr(piece, c - piece));
      c += sep.size();
      piece = c;
      if (static_cast<int>(out.size()) == k) return out;
    } else if (lead(t[c])) {
      if (c + 1 == t.size()) break;
      c += 2;
    } else {
      c += 1;
    }
  }
  if (piece < t.size()) out.emplace_back(t.substr(piece));
  return out;
}

std::size_t blank_at(std::string_view t, std::size_t i) {
  if (t[i] == ' ') return 1;
  return (i + 1 < t.size() && t[i] == '\xA1' && t[i + 1] == '\xA1') ? 2 : 0;
}

Text trim(std::string_view t) {
  std::size_t i = 0;
  while (i < t.size() && blank_at(t, i) > 0) i += blank_at(t, i);
  const std::size_t front = i;
  std::size_t run = std::string_view::npos;
  while (i < t.size()) {
    if (const std::size_t b = blank_at(t, i)) {
      if (run == std::string_view::npos) run = i;
      i += b;
    } else if (lead(t[i])) {
      if (i + 1 == t.size()) return Text(t.substr(front, i - front));
      run = std::string_view::npos;
      i += 2;
    } else {
      run = std::string_view::npos;
      i += 1;
    }
  }
  return Text(t.substr(front, (run == std::string_view::npos ? t.size() : run) - front));
}

}  // namespace ref

class Differential : public ::testing::Test {
 protected:
  std::mt19937 rng{20240611};

  int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  Text random_text(std::size_t max_len) {
    static const char alphabet[] = {'a', 'A', '/', ' ', ',', '\xA1', '\xB0', '\x81', '\x41'};
    Text t(static_cast<std::size_t>(below(static_cast<int>(max_len) + 1)), ' ');
    for (char& c : t) c = alphabet[below(sizeof alphabet)];
    return t;
  }

  // Mostly a piece of t, so that there are matches to find.
  Text random_needle(const Text& t) {
    if (t.empty() || below(4) == 0) return random_text(3);
    const int at = below(static_cast<int>(t.size()));
    const int len = 1 + below(std::min<int>(4, static_cast<int>(t.size()) - at));
    return t.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(len));
  }

  // Compares every operation on one input.
  void compare(const Text& t, const Text& sub, int start, int count) {
    SCOPED_TRACE(::testing::Message() << "t=" << ::testing::PrintToString(t) << " sub="
                                      << ::testing::PrintToString(sub) << " start=" << start << " count=" << count);
    for (bool flag : {false, true}) {
      ASSERT_EQ(find_text(t, sub, start, flag), ref::find(t, sub, start, flag));
      ASSERT_EQ(find_text_reverse(t, sub, start, flag), ref::find_reverse(t, sub, start, flag));
      ASSERT_EQ(replace_all(t, sub, "<>", start, count, flag), ref::replace(t, sub, "<>", start, count, flag));
    }
    ASSERT_EQ(find_text_reverse(t, sub, std::nullopt, false), ref::find_reverse(t, sub, std::nullopt, false));
    ASSERT_EQ(split_text(t, sub, count).items(), ref::split(t, sub, count));
    ASSERT_EQ(split_text(t, sub).items(), ref::split(t, sub, std::nullopt));
    ASSERT_EQ(trim_both(t), ref::trim(t));
  }
};

TEST_F(Differential, RandomShortTexts) {
  for (int i = 0; i < 20000; ++i) {
    const Text t = random_text(24);
    const Text sub = random_needle(t);
    const int start = below(static_cast<int>(t.size()) + 4) - 1;
    const int count = below(5) - 1;
    compare(t, sub, start, count);
    if (HasFatalFailure()) return;
  }
}

// Long texts where the needle matches itself or misaligned bytes many times
// over: the candidate jumps give up and the linear fallback must agree.
TEST_F(Differential, SelfOverlappingNeedlesOnLongTexts) {
  const std::vector<std::pair<Text, Text>> shapes = {
      // one lead byte repeated: every byte a candidate, every other one misaligned
      {"\xB0", "\xB0\xB0\xB0\xB0\xB0\xB0\xB0"},
      // from start 1 every candidate lies on second bytes; from start 2 on none
      {"\xB0\xB1", "\xB1\xB0\xB1\xB0\xB1\xB0"},
      // a periodic ASCII needle
      {"aab", "aabaabaabaab"},
      // full-width spaces
      {"\xA1", "\xA1\xA1\xA1\xA1\xA1\xA1\xA1\xA1"},
  };
  for (const auto& [unit, needle] : shapes) {
    Text t;
    while (t.size() < 30000) t += unit;
    for (int i = 0; i < 6; ++i) {
      Text variant = t;
      // sprinkle a few other bytes so that alignment shifts along the text
      for (int k = 0; k < i * 3; ++k) variant[static_cast<std::size_t>(below(static_cast<int>(t.size())))] = 'A';
      if (i % 2 == 1) variant += '\xB0';
      compare(variant, needle, 1 + below(3), -1);
      compare(variant, needle.substr(1), 1, 3);
      if (HasFatalFailure()) return;
    }
  }
}

// A match behind many bytes that start the needle but do not continue it ("<"
// in a page): the backward search hands the part not yet searched over to the
// forward scan, which must still see an occurrence that starts right before
// the last candidate rejected. The tail length moves that hand-over point
// across the match.
TEST_F(Differential, MatchBehindManyFalseCandidates) {
  for (int i = 0; i < 2000; ++i) {
    const Text piece = random_text(3);
    Text t = random_text(8) + "/" + piece;
    const int units = below(60);
    for (int k = 0; k < units; ++k) t += (k % 3 == 0) ? "\xB0/" : "/a";
    t += random_text(3);
    Text needle = "/";
    needle += piece;
    compare(t, needle, below(static_cast<int>(t.size()) + 2), -1);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace chaxun
