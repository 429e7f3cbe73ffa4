// Pattern search: a compiled regular expression over code-page-936 bytes and
// the loop that collects all of its matches in a subject.
//
// Grammar: Perl syntax (default perl grammar), every byte one character, so "."
// matches any single byte including CR, LF and form feed. Matching is
// case-sensitive unless compile() is asked otherwise. "^" and "$" match at the
// start and end of every line of the searched range.
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

  // Compiles `pattern`. True when it is valid and is now this pattern's
  // expression; false otherwise, keeping the previous expression (or none).
  bool compile(std::string_view pattern, bool case_sensitive = true);

  // True once an expression has been compiled successfully.
  bool has_expression() const;

  // All matches, in order, numbered from 1 by position in the vector + 1.
  // Empty subject or no expression: empty. After an empty match the search
  // stops. Each next search starts at the end of the previous match, treating
  // the rest as a text of its own. If the engine gives up, the matches found so
  // far are returned. Never throws.
  std::vector<PatternMatch> search_all(std::string_view subject) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The bytes of the whole match, cut from `subject` (the text given to
// search_all); empty for an empty match.
Text match_text(const PatternMatch& m, std::string_view subject);
// The bytes of capture group k (0 = whole match). Empty when the group did not
// take part, matched nothing, or k < 0 or k > number of groups.
Text group_text(const PatternMatch& m, std::string_view subject, int k);

}  // namespace chaxun
