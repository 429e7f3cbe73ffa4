#include "text/pattern.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <locale>

#include <boost/regex.hpp>

namespace chaxun {

struct Pattern::Impl {
  // Empty (boost::regex::empty()) until the first successful compile.
  boost::regex expression;
};

Pattern::Pattern() : impl_(std::make_unique<Impl>()) {}
Pattern::~Pattern() = default;
Pattern::Pattern(Pattern&&) noexcept = default;
Pattern& Pattern::operator=(Pattern&&) noexcept = default;

bool Pattern::compile(std::string_view pattern, bool case_sensitive) {
  try {
    // Perl grammar with its defaults: "." matches every byte including CR, LF
    // and form feed, and "^"/"$" match at every line start/end (no no_mod_m).
    boost::regex::flag_type flags = boost::regex::perl;
    if (!case_sensitive) flags |= boost::regex::icase;
    boost::regex compiled;
    // The classic locale keeps every byte >= 0x80 an ordinary, caseless
    // character whatever global locale the process runs with.
    compiled.imbue(std::locale::classic());
    compiled.assign(pattern.data(), pattern.data() + pattern.size(), flags);
    if (!impl_) impl_ = std::make_unique<Impl>();
    impl_->expression.swap(compiled);
    return true;
  } catch (...) {
    // boost::regex_error for a bad pattern, std::bad_alloc: keep what we had.
    return false;
  }
}

bool Pattern::has_expression() const { return impl_ && !impl_->expression.empty(); }

std::vector<PatternMatch> Pattern::search_all(std::string_view subject) const {
  std::vector<PatternMatch> result;
  if (subject.empty() || !has_expression()) return result;
  // Offsets are ints: a subject beyond INT_MAX bytes is searched in its first
  // INT_MAX bytes only.
  subject = subject.substr(0, std::min<std::size_t>(subject.size(), INT_MAX));

  const char* const base = subject.data();
  const char* const last = base + subject.size();
  const char* from = base;
  boost::cmatch found;
  try {
    // No match_prev_avail: each search sees [from, last) as a text of its own,
    // so "^" and "\b" may match at `from`.
    while (boost::regex_search(from, last, found, impl_->expression, boost::match_default)) {
      PatternMatch record;
      record.groups.reserve(found.size());
      for (std::size_t i = 0; i < found.size(); ++i) {
        PatternMatch::Group group;
        if (found[i].matched) {
          group.offset = static_cast<int>(found[i].first - base);
          group.length = static_cast<int>(found[i].second - found[i].first);
          group.matched = true;
        }
        record.groups.push_back(group);
      }
      result.push_back(std::move(record));
      if (found[0].first == found[0].second) break;  // an empty match ends the search
      from = found[0].second;
    }
  } catch (...) {
    // The engine gave up (complexity or memory limit, std::runtime_error) or
    // memory ran out: the matches recorded so far are the result.
  }
  return result;
}

namespace {

// The bytes [offset, offset + length) of subject, clamped to the subject so
// that a record applied to the wrong text can never read out of bounds.
Text cut(std::string_view subject, const PatternMatch::Group& group) {
  if (!group.matched || group.length <= 0 || group.offset < 0) return Text();
  const auto offset = static_cast<std::size_t>(group.offset);
  if (offset >= subject.size()) return Text();
  return Text(subject.substr(offset, static_cast<std::size_t>(group.length)));
}

}  // namespace

Text match_text(const PatternMatch& m, std::string_view subject) { return group_text(m, subject, 0); }

Text group_text(const PatternMatch& m, std::string_view subject, int k) {
  if (k < 0 || static_cast<std::size_t>(k) >= m.groups.size()) return Text();
  return cut(subject, m.groups[static_cast<std::size_t>(k)]);
}

}  // namespace chaxun
