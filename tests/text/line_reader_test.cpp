#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/text.h"

namespace chaxun {
namespace {

// Reads the way the lookups do: write one text, rewind, read_line while
// !at_end().
std::vector<Text> lines_of(std::string_view text) {
  LineReader r;
  r.write(text);
  r.rewind();
  std::vector<Text> lines;
  while (!r.at_end() && lines.size() < 100) lines.push_back(r.read_line());
  r.close();
  return lines;
}

TEST(LineReader, SplitsLines) {
  struct Case {
    const char* rule;
    std::string text;
    std::vector<Text> want;
  };
  const Case cases[] = {
      {"CR LF and LF end lines, empty line kept", "a\r\nb\n\nc", {"a", "b", "", "c"}},
      {"final line end adds no empty line", "a\r\n", {"a"}},
      {"final CR without LF is dropped", "x\r", {"x"}},
      {"CR inside a line stays", "a\rb\n", {"a\rb"}},
      {"only the CR right before LF is dropped", "a\r\r\n", {"a\r"}},
      {"end mark ends the stream", "a\x1A" "b\nc\n", {"a"}},
      {"end mark right after a line end", "a\n\x1A" "b", {"a", ""}},
      {"end mark before CR LF", "a\r\x1A", {"a"}},
      {"empty text gives no line", "", {}},
      {"lone LF is one empty line", "\n", {""}},
      {"two empty CR LF lines", "\r\n\r\n", {"", ""}},
      {"Chinese line", "\xD6\xD0\xB9\xFA\r\n", {"\xD6\xD0\xB9\xFA"}},  // 中国
      // an incomplete final character belongs to the last line
      {"lone final lead byte", "a\n\xB0", {"a", "\xB0"}},
      // a lead byte does not swallow the LF after it
      {"lead byte before LF", "\xB0\nb", {"\xB0", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(lines_of(c.text), c.want);
  }
}

TEST(LineReader, AtEndReadsEmpty) {
  LineReader r;
  EXPECT_TRUE(r.at_end());
  EXPECT_EQ(r.read_line(), "");
  r.write("a\x1A" "b");
  r.rewind();
  EXPECT_EQ(r.read_line(), "a");
  EXPECT_TRUE(r.at_end());
  EXPECT_EQ(r.read_line(), "");
  EXPECT_TRUE(r.at_end());
}

TEST(LineReader, WriteOverwritesAtTheReadPositionAndGrows) {
  LineReader r;
  r.write("ab");
  r.write("cd\nwxyz");  // appends: the position stood at the end
  r.rewind();
  EXPECT_EQ(r.read_line(), "abcd");
  r.write("12");        // overwrites "wx" after the line just read
  r.write("345678");    // overwrites "yz", then grows
  EXPECT_TRUE(r.at_end());
  r.rewind();
  EXPECT_EQ(r.read_line(), "abcd");
  EXPECT_EQ(r.read_line(), "12345678");
  EXPECT_TRUE(r.at_end());
}

TEST(LineReader, CloseDiscardsTheBytes) {
  LineReader r;
  r.write("a\nb");
  r.close();
  EXPECT_TRUE(r.at_end());
  r.rewind();
  EXPECT_TRUE(r.at_end());
  EXPECT_EQ(r.read_line(), "");
}

}  // namespace
}  // namespace chaxun
