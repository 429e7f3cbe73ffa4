#include "lookups/cut_between.h"

#include <gtest/gtest.h>

#include <vector>

namespace chaxun {
namespace {

struct CutCase {
  const char* rule;
  Text source;
  Text start_marker;
  Text end_marker;
  int include_markers;
  Text expected;
};

// GBK bytes of the markers the lookups use.
const Text kCircle = "\xA1\xF2";               // ◎
const Text kSex = "\xD0\xD4\xB1\xF0\xA3\xBA";  // 性别：
const Text kMale = "\xC4\xD0";                 // 男
const Text kBeijing = "\xB1\xB1\xBE\xA9";      // 北京

TEST(CutBetween, PositionArithmetic) {
  const std::vector<CutCase> cases = {
      // Both markers present.
      {"markers dropped", "a[x]y]", "[", "]", 0, "x"},
      {"markers kept", "a[x]y]", "[", "]", 1, "[x]"},
      {"GBK start marker kept", "<td>" + kSex + kMale + "</td><td>", kSex, "</td>", 1, kSex + kMale + "</td>"},
      {"GBK start marker dropped", "<td>" + kCircle + kBeijing + "</td>", kCircle, "</td>", 0, kBeijing},
      {"end marker right after start", "[]", "[", "]", 0, ""},
      {"end marker right after start, kept", "[]", "[", "]", 1, "[]"},
      // Any value other than 1 drops the markers.
      {"include 2 drops markers", "a[x]y]", "[", "]", 2, "x"},
      {"include -1 drops markers", "a[x]y]", "[", "]", -1, "x"},
      // First occurrence of the start marker; first end marker after it.
      {"first pair used", "[a][b]", "[", "]", 0, "a"},
      {"end marker before start ignored", "]x[y]", "[", "]", 0, "y"},
      // Kept markers: the end marker is searched from the start marker on,
      // so one inside the start marker ends the cut there.
      {"end marker inside start marker", "xaby", "ab", "b", 1, "ab"},
      // Start marker missing, markers dropped: cut begins at byte
      // length(start_marker) - 1.
      {"missing two-byte start", kBeijing + "</td>", kCircle, "</td>", 0, kBeijing},
      {"missing four-byte start", "0123456789</li>", "ABCD", "</li>", 0, "23456789"},
      {"missing one-byte start", "abcdef", "[", "e", 0, ""},
      // Start marker missing, markers kept: empty.
      {"missing start, kept", "a]b", "[", "]", 1, ""},
      // End marker missing after the start.
      {"missing end", "a[bc", "[", "]", 0, ""},
      {"missing one-byte end, kept", "a[bc", "[", "]", 1, ""},
      {"missing five-byte end, kept", "xxSEX:M", "SEX:", "</td>", 1, "SEX"},
      // ...which with a GBK start marker cuts a character in half.
      {"missing end after GBK marker, kept", kSex + kMale, kSex, "</td>", 1, kSex.substr(0, 3)},
      // Empty arguments.
      {"empty start marker", "abc", "", "c", 0, "ab"},
      {"empty end marker", "abc", "a", "", 0, ""},
      {"empty end marker, kept", "abc", "a", "", 1, ""},
      {"empty source", "", "a", "b", 1, ""},
      {"empty source, dropped", "", "ab", "b", 0, ""},
      // A marker is never found at the second byte of a character: the bytes
      // A1 F2 straddle the characters B0A1 and F2C4 before the real "◎".
      {"two-byte marker not at second byte", "\xB0\xA1\xF2\xC4x</td>" + kCircle + "y</td>", kCircle, "</td>", 0,
       "y"},
      // Same for a one-byte end marker: 0x5D ("]") as second byte of B05D.
      {"one-byte marker not at second byte", "[a\xB0]b]", "[", "]", 0, "a\xB0]b"},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(cut_between(c.source, c.start_marker, c.end_marker, c.include_markers), c.expected);
  }
}

TEST(CutBetween, IncludeMarkersDefaultsToDropped) {
  EXPECT_EQ(cut_between("a[x]y]", "[", "]"), "x");
}

}  // namespace
}  // namespace chaxun
