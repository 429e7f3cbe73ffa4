// Pattern search: a compiled regular expression over code-page-936 bytes and
// the loop that collects all of its matches in a subject.
//
// Grammar: Perl syntax (default perl grammar), every byte one character, so "."
// matches any single byte including CR, LF and form feed, and a byte >= 0x80 is
// an ordinary character (a two-byte character is two characters to the engine).
// Matching is case-sensitive unless compile() is asked otherwise; ignoring case
// folds the ASCII letters only. "^" and "$" match at the start and end of every
// line of the searched range, a line ending at LF, CR or form feed.
//
// No member or function here throws.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace chaxun {

// One match: for group 0 (the whole match) and for each capture group in the
// order of its opening parenthesis, the 0-based byte offset from the start of
// the subject, the length, and whether the group took part in the match.
struct PatternMatch {
  struct Group {
    int offset = 0;
    int length = 0;
    bool matched = false;
  };
  std::vector<Group> groups;  // groups[0] is the whole match
};

class Pattern {
 public:
  Pattern();
  ~Pattern();
  Pattern(Pattern&&) noexcept;
  Pattern& operator=(Pattern&&) noexcept;
  Pattern(const Pattern&) = delete;
  Pattern& operator=(const Pattern&) = delete;

  // A moved-from Pattern has no expression; compile() makes it usable again.

  // Compiles `pattern` (Perl syntax). True when it is valid and is now this
  // pattern's expression; false otherwise, keeping the previous expression (or
  // none). The empty pattern is valid and matches the empty text.
  // case_sensitive false makes ASCII letters match either case.
  bool compile(std::string_view pattern, bool case_sensitive = true);

  // True once an expression has been compiled successfully.
  bool has_expression() const;

  // All matches, in subject order (match n is element n - 1). Offsets in the
  // records count from the first byte of `subject`, 0-based.
  //   Empty subject or no expression: empty.
  //   Each search finds the leftmost match (Perl rules: greedy/lazy order, the
  //   first alternative that leads to a match). An empty match is recorded and
  //   ends the search. Otherwise the next search covers the bytes from the end
  //   of this match to the end of the subject as a text of its own, so "^" may
  //   match at its start; matches never overlap. That range may be empty: "a*"
  //   in "aaa" gives "aaa" and then the empty match at the end.
  //   If the engine gives up (complexity or memory limit), the matches found so
  //   far are returned. A subject longer than INT_MAX bytes is searched in its
  //   first INT_MAX bytes. Never throws.
  std::vector<PatternMatch> search_all(std::string_view subject) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The bytes of the whole match, cut from `subject` (the text given to
// search_all); empty for an empty match. Same as group_text(m, subject, 0).
Text match_text(const PatternMatch& m, std::string_view subject);
// The bytes of capture group k (0 = whole match, 1.. by opening parenthesis).
// Empty when the group did not take part, matched nothing, or k < 0 or
// k > number of groups. A record applied to another (shorter) text is cut
// short at its end, never read past it.
Text group_text(const PatternMatch& m, std::string_view subject, int k);

}  // namespace chaxun
