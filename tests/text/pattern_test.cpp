#include "text/pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace chaxun {
namespace {

// The pattern the mobile lookup compiles.
constexpr const char* kCellPattern = "class=tdc2>(.*?)</TD>";

struct Found {
  std::vector<Text> whole;   // match_text of each match
  std::vector<Text> group1;  // group_text(..., 1) of each match
};

Found run(const Pattern& p, const Text& subject) {
  Found f;
  for (const PatternMatch& m : p.search_all(subject)) {
    f.whole.push_back(match_text(m, subject));
    f.group1.push_back(group_text(m, subject, 1));
  }
  return f;
}

struct SearchCase {
  const char* rule;
  const char* pattern;
  bool case_sensitive;
  Text subject;
  std::vector<Text> whole;
  std::vector<Text> group1;
};

TEST(PatternSearchAll, MatchesAsTheLookupsNeedThem) {
  const std::vector<SearchCase> cases = {
      // Two cells; group text is raw GBK bytes.
      {"two matches, GBK group", kCellPattern, true,
       "<td class=tdc2>A1</TD><td class=tdc2>\xB1\xB1\xBE\xA9</TD>",  // 北京
       {"class=tdc2>A1</TD>", "class=tdc2>\xB1\xB1\xBE\xA9</TD>"},
       {"A1", "\xB1\xB1\xBE\xA9"}},
      // Letter case counts by default: "</td>" does not close a cell.
      {"closing tag differs in case", kCellPattern, true, "class=tdc2>abc</td>", {}, {}},
      // "." crosses CR LF and the line break belongs to the group.
      {"lazy group over CR LF", kCellPattern, true, "class=tdc2>a\r\nb</TD>", {"class=tdc2>a\r\nb</TD>"},
       {"a\r\nb"}},
      // The leftmost start wins even though a later start gives a shorter match.
      {"leftmost match", kCellPattern, true, "class=tdc2>a class=tdc2>b</TD>", {"class=tdc2>a class=tdc2>b</TD>"},
       {"a class=tdc2>b"}},
      // The lazy group stops at the first closing tag; the next search begins after it.
      {"lazy group ends at first closer", kCellPattern, true, "class=tdc2>a</TD>x</TD>", {"class=tdc2>a</TD>"},
       {"a"}},
      // Case-insensitive only on request.
      {"ignore case on request", kCellPattern, false, "CLASS=TDC2>x</td>", {"CLASS=TDC2>x</td>"}, {"x"}},
      // Ignoring case folds ASCII only: 0xC4 0xE3 (你) must not match 0xE4 0xC3.
      {"ignore case leaves high bytes", "\xC4\xE3", false, "\xE4\xC3", {}, {}},
      // "." is one byte: a two-byte character gives two one-byte matches.
      {"dot is one byte", ".", true, "\xD6\xD0", {"\xD6", "\xD0"}, {"", ""}},
      // An empty subject gives no match at all, even for a pattern matching "".
      {"empty subject", "x*", true, "", {}, {}},
      // An empty match is recorded and ends the loop (no endless loop, no
      // further matches after it).
      {"empty match stops", "x*", true, "abc", {""}, {""}},
      {"empty match after a real one", "a*", true, "aab", {"aa", ""}, {"", ""}},
      // A match reaching the end leaves an empty range, which is searched too.
      {"empty match at the end", "a*", true, "aaa", {"aaa", ""}, {"", ""}},
      // Each later search treats its range as a text of its own: "^" matches
      // at the end of the previous match.
      {"^ at start of later range", "^a", true, "aaa", {"a", "a", "a"}, {"", "", ""}},
      // "^" and "$" work per line; lines end at LF, CR or form feed.
      {"multi-line anchors", "^(\\w)$", true, "a\nb\rc\fd", {"a", "b", "c", "d"}, {"a", "b", "c", "d"}},
      {"$ before CR LF", "^b$", true, "a\r\nb\r\nc", {"b"}, {""}},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.rule);
    Pattern p;
    ASSERT_TRUE(p.compile(c.pattern, c.case_sensitive));
    const Found f = run(p, c.subject);
    EXPECT_EQ(f.whole, c.whole);
    EXPECT_EQ(f.group1, c.group1);
  }
}

TEST(PatternSearchAll, RecordsOffsetsFromTheStartOfTheSubject) {
  Pattern p;
  ASSERT_TRUE(p.compile("b(c)"));
  const auto matches = p.search_all("abcabc");
  ASSERT_EQ(matches.size(), 2u);
  ASSERT_EQ(matches[1].groups.size(), 2u);
  EXPECT_EQ(matches[1].groups[0].offset, 4);
  EXPECT_EQ(matches[1].groups[0].length, 2);
  EXPECT_EQ(matches[1].groups[1].offset, 5);
  EXPECT_TRUE(matches[1].groups[1].matched);
}

TEST(PatternCompile, FailureKeepsThePreviousExpression) {
  Pattern p;
  EXPECT_FALSE(p.has_expression());
  EXPECT_FALSE(p.compile("(unclosed"));
  EXPECT_FALSE(p.has_expression());
  EXPECT_TRUE(p.search_all("(unclosed").empty());

  ASSERT_TRUE(p.compile("b+"));
  EXPECT_FALSE(p.compile("a{2,1}"));
  EXPECT_FALSE(p.compile("[z-a]"));
  ASSERT_TRUE(p.has_expression());
  EXPECT_EQ(run(p, "abba").whole, std::vector<Text>{"bb"});
}

TEST(PatternCompile, MovedPatternKeepsItsExpressionAndSourceStaysUsable) {
  Pattern a;
  ASSERT_TRUE(a.compile("b"));
  Pattern b(std::move(a));
  EXPECT_EQ(b.search_all("abc").size(), 1u);
  // NOLINTNEXTLINE(bugprone-use-after-move): a moved-from pattern must stay safe.
  EXPECT_FALSE(a.has_expression());
  EXPECT_TRUE(a.search_all("abc").empty());
  EXPECT_TRUE(a.compile("c"));
  EXPECT_EQ(a.search_all("abc").size(), 1u);
}

TEST(PatternSearchAll, EngineGivingUpKeepsEarlierMatchesAndDoesNotThrow) {
  // "(x+x+)+y" backtracks exponentially on a run of x without a y; the engine
  // stops with a complexity error on the second search.
  Pattern p;
  ASSERT_TRUE(p.compile("(x+x+)+y"));
  const Text subject = "xxy" + std::string(64, 'x');
  std::vector<PatternMatch> matches;
  ASSERT_NO_THROW(matches = p.search_all(subject));
  ASSERT_EQ(matches.size(), 1u);
  EXPECT_EQ(match_text(matches[0], subject), "xxy");

  // Giving up on the very first search gives the empty list.
  ASSERT_NO_THROW(matches = p.search_all(std::string(64, 'x')));
  EXPECT_TRUE(matches.empty());
}

TEST(PatternGroupText, EmptyForGroupsThatGiveNoText) {
  Pattern p;
  ASSERT_TRUE(p.compile("(a)|(b)|(c*)d"));
  const Text subject = "bd";
  const auto matches = p.search_all(subject);
  ASSERT_EQ(matches.size(), 2u);
  const PatternMatch& first = matches[0];  // "b": group 2 took part
  EXPECT_EQ(group_text(first, subject, 0), "b");
  EXPECT_EQ(group_text(first, subject, 2), "b");
  EXPECT_FALSE(first.groups[1].matched);
  EXPECT_EQ(group_text(first, subject, 1), "");  // did not take part
  EXPECT_EQ(group_text(first, subject, 3), "");
  EXPECT_EQ(group_text(first, subject, 4), "");   // above the number of groups
  EXPECT_EQ(group_text(first, subject, -1), "");  // below 0

  const PatternMatch& second = matches[1];  // "d": group 3 took part, matched nothing
  EXPECT_TRUE(second.groups[3].matched);
  EXPECT_EQ(group_text(second, subject, 3), "");
  EXPECT_EQ(match_text(second, subject), "d");

  // A record applied to a shorter text is clamped to it, never read past it.
  EXPECT_EQ(match_text(second, "b"), "");
  EXPECT_EQ(match_text(PatternMatch{}, subject), "");
}

}  // namespace
}  // namespace chaxun
