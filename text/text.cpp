#include "text/text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace chaxun {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// A byte >= 0x80 begins a two-byte character (or is an incomplete final one).
inline bool is_lead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

inline char fold_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Every byte of t with A-Z turned to a-z, the second bytes of two-byte
// characters included: a case-ignoring comparison of two byte windows is an
// exact comparison of their folded copies.
std::string fold_bytes(std::string_view t) {
  std::string out(t);
  for (char& c : out) c = fold_ascii(c);
  return out;
}

// Clamps a 64-bit value into 0..hi.
inline std::size_t clamp_offset(long long v, std::size_t hi) {
  if (v <= 0) return 0;
  return static_cast<unsigned long long>(v) >= hi ? hi : static_cast<std::size_t>(v);
}

inline int to_position(std::size_t offset) { return static_cast<int>(offset + 1); }

// The offset where the run of bytes >= 0x80 that ends just before `p` begins,
// not going below `lo`. Characters counted from `lo` pair up that run, so `p`
// begins a character iff (p - run_start(..)) is even: the byte before the run
// is below 0x80, and whatever follows such a byte begins a character.
inline std::size_t run_start(std::string_view h, std::size_t lo, std::size_t p) {
  while (p > lo && is_lead(h[p - 1])) --p;
  return p;
}

inline bool begins_character(std::string_view h, std::size_t lo, std::size_t p) {
  return ((p - run_start(h, lo, p)) & 1) == 0;
}

// Work allowance of the byte-search fast paths before they hand over to a
// search with a linear worst case (in estimated bytes compared).
constexpr std::size_t kFastPathSlack = 4096;

// Finds occurrences of a non-empty needle that begin a character, in time
// linear in the haystack: memchr (to the first byte, while that stays rare) or
// memmem jump to candidates, and a candidate is checked for beginning a
// character by the parity of the run of bytes >= 0x80 before it. Should
// candidates cost more than the bytes they skip (a needle overlapping itself
// many times, many misaligned hits), the search switches to Knuth-Morris-Pratt,
// which never looks at a byte twice.
class AlignedFinder {
 public:
  AlignedFinder(std::string_view hay, std::string_view needle) : hay_(hay), needle_(needle) {}

  // The first occurrence at offset >= from that begins a character when
  // characters are counted from `from` (which therefore always begins one,
  // even when it is the second byte of a pair). npos when there is none.
  // Successive calls must not move `from` backwards.
  std::size_t find(std::size_t from) {
    std::size_t anchor = from;  // a known character start
    std::size_t pos = from;
    for (;;) {
      const std::size_t p = next_occurrence(pos);
      if (p == npos) return npos;
      const std::size_t j = run_start(hay_, anchor, p);
      if (((p - j) & 1) == 0) return p;
      anchor = p - 1;  // the odd run makes p - 1 a lead byte
      pos = p + 1;
    }
  }

 private:
  // Any occurrence (aligned or not) starting at offset >= pos.
  std::size_t next_occurrence(std::size_t pos) {
    const std::size_t m = needle_.size();
    if (first_pos_ == npos) first_pos_ = pos;
    work_ += m + 16;
    for (;;) {
      if (pos > hay_.size() || hay_.size() - pos < m) return npos;
      const std::size_t covered = pos > first_pos_ ? pos - first_pos_ : 0;
      if (mode_ != Mode::kKmp && work_ > 4 * covered + kFastPathSlack) mode_ = Mode::kKmp;
      const char* base = hay_.data();
      switch (mode_) {
        case Mode::kKmp:
          return kmp_search(pos);
        case Mode::kMemmem: {
          const void* hit = ::memmem(base + pos, hay_.size() - pos, needle_.data(), m);
          return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : npos;
        }
        case Mode::kFirstByte: {
          // memchr to the needle's first byte, memcmp for the rest: the
          // fastest way while that byte is rare, as "&" or CR in a page.
          const void* hit = std::memchr(base + pos, needle_[0], hay_.size() - m + 1 - pos);
          if (!hit) return npos;
          const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
          if (std::memcmp(base + p, needle_.data(), m) == 0) return p;
          work_ += m;
          // A common first byte ("<" in a page): memmem skips better.
          if (++false_hits_ * 32 > covered + 512) mode_ = Mode::kMemmem;
          pos = p + 1;
          break;
        }
      }
    }
  }

  std::size_t kmp_search(std::size_t pos) {
    const std::size_t m = needle_.size();
    if (prefix_.empty()) {
      prefix_.assign(m, 0);
      for (std::size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && needle_[i] != needle_[k]) k = prefix_[k - 1];
        if (needle_[i] == needle_[k]) ++k;
        prefix_[i] = k;
      }
    }
    // The scanning state stays valid for any later start inside the scanned
    // part: occurrences found before `pos` are skipped.
    if (!kmp_started_ || pos <= kmp_last_ || pos > kmp_i_) {
      kmp_started_ = true;
      kmp_i_ = pos;
      kmp_k_ = 0;
    }
    while (kmp_i_ < hay_.size()) {
      const char c = hay_[kmp_i_++];
      while (kmp_k_ > 0 && needle_[kmp_k_] != c) kmp_k_ = prefix_[kmp_k_ - 1];
      if (needle_[kmp_k_] == c) ++kmp_k_;
      if (kmp_k_ == m) {
        kmp_k_ = prefix_[m - 1];
        const std::size_t p = kmp_i_ - m;
        if (p >= pos) {
          kmp_last_ = p;
          return p;
        }
      }
    }
    return npos;
  }

  std::string_view hay_;
  std::string_view needle_;
  enum class Mode { kFirstByte, kMemmem, kKmp };
  Mode mode_ = Mode::kFirstByte;
  std::size_t false_hits_ = 0;
  std::size_t first_pos_ = npos;
  std::size_t work_ = 0;
  std::vector<std::size_t> prefix_;
  bool kmp_started_ = false;
  std::size_t kmp_i_ = 0;
  std::size_t kmp_k_ = 0;
  std::size_t kmp_last_ = 0;
};

// The last occurrence of a non-empty needle that begins a character counted
// from offset 0, by a forward scan over all of them.
std::size_t last_aligned_forward(std::string_view h, std::string_view needle) {
  AlignedFinder finder(h, needle);
  std::size_t last = npos;
  for (std::size_t from = 0; from <= h.size();) {
    const std::size_t p = finder.find(from);
    if (p == npos) break;
    last = p;
    from = p + (is_lead(h[p]) ? 2 : 1);  // the next character after the match's first
  }
  return last;
}

// The same result as last_aligned_forward, found from the back: memrchr jumps
// to candidates at the needle's first byte, and the run of bytes >= 0x80
// before a candidate (remembered, so no byte is walked twice) tells whether it
// begins a character. When that first byte turns out to be common ("<" in a
// page), the part not yet searched is handed to the forward scan, whose memmem
// skips faster; it also keeps the worst case linear.
std::size_t last_aligned(std::string_view h, std::string_view needle) {
  const std::size_t m = needle.size();
  if (m > h.size()) return npos;
  std::size_t limit = h.size() - m + 1;  // candidates lie in [0, limit)
  std::size_t run_lo = npos;             // bytes [run_lo, run_hi) are >= 0x80 and
  std::size_t run_hi = 0;                // run_lo is 0 or follows a byte < 0x80
  std::size_t misses = 0;
  while (limit > 0) {
    const void* hit = ::memrchr(h.data(), needle[0], limit);
    if (!hit) return npos;
    const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(hit) - h.data());
    if (std::memcmp(h.data() + p, needle.data(), m) == 0) {
      if (run_lo == npos || p < run_lo || p > run_hi) {
        run_lo = run_start(h, 0, p);
        run_hi = p;
      }
      if (((p - run_lo) & 1) == 0) return p;
    }
    limit = p;
    const std::size_t covered = h.size() - p;
    if (++misses * 32 > covered + 512 || misses * (m + 16) > 4 * covered + kFastPathSlack)
      return last_aligned_forward(h.substr(0, limit + m - 1), needle);  // occurrences starting before limit
  }
  return npos;
}

inline bool is_full_width_space(std::string_view t, std::size_t i) {
  return i + 1 < t.size() && static_cast<unsigned char>(t[i]) == 0xA1 && static_cast<unsigned char>(t[i + 1]) == 0xA1;
}

// Length of the blank (space or full-width space) at offset i, 0 if none.
inline std::size_t blank_length(std::string_view t, std::size_t i) {
  if (t[i] == ' ') return 1;
  return is_full_width_space(t, i) ? 2 : 0;
}

// Steps through t one character at a time: A-Z or a-z mapped by `map`,
// the bytes of two-byte characters copied untouched.
template <typename Map>
Text map_ascii(std::string_view t, Map map) {
  Text out(t);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (is_lead(out[i]))
      ++i;
    else
      out[i] = map(out[i]);
  }
  return out;
}

// The value of the character at offset i and its length (see compare_text).
inline unsigned character_unit(std::string_view t, std::size_t& i, bool fold) {
  const unsigned char c = static_cast<unsigned char>(t[i++]);
  if (c >= 0x80) {
    const unsigned second = i < t.size() ? static_cast<unsigned char>(t[i++]) : 0;
    return c * 256u + second;
  }
  return fold ? static_cast<unsigned char>(fold_ascii(static_cast<char>(c))) : c;
}

// strtod in the "C" locale, whatever locale the program has set.
double parse_c_double(const std::string& s) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtod_l(s.c_str(), nullptr, c_locale);
}

}  // namespace

// ---------------------------------------------------------------- TextArray

const Text& TextArray::item(int i) const {
  static const Text empty;
  if (i < 1 || i > count()) return empty;
  return items_[static_cast<std::size_t>(i) - 1];
}

// ---------------------------------------------------------------- searching

int find_text(std::string_view t, std::string_view sub, int start, bool ignore_case) {
  const std::size_t s = clamp_offset(static_cast<long long>(start) - 1, t.size());
  if (s >= t.size()) return kNotFound;
  if (sub.empty()) return 1;
  if (sub.size() > t.size() - s) return kNotFound;
  if (!ignore_case) {
    const std::size_t p = AlignedFinder(t, sub).find(s);
    return p == npos ? kNotFound : to_position(p);
  }
  const std::string hay = fold_bytes(t.substr(s));
  const std::string needle = fold_bytes(sub);
  const std::size_t p = AlignedFinder(hay, needle).find(0);
  return p == npos ? kNotFound : to_position(s + p);
}

int find_text_reverse(std::string_view t, std::string_view sub, std::optional<int> start, bool ignore_case) {
  const std::size_t end = start ? clamp_offset(static_cast<long long>(*start) - 1, t.size()) : t.size();
  if (end == 0) return kNotFound;
  if (sub.empty()) return 1;
  std::string_view hay = t.substr(0, end);
  std::size_t p;
  if (!ignore_case) {
    p = last_aligned(hay, sub);
  } else {
    const std::string folded = fold_bytes(hay);
    const std::string needle = fold_bytes(sub);
    p = last_aligned(folded, needle);
  }
  return p == npos ? kNotFound : to_position(p);
}

// ----------------------------------------------------------------- cutting

int text_length(std::string_view t) { return static_cast<int>(t.size()); }

Text text_left(std::string_view t, int n) { return Text(t.substr(0, clamp_offset(n, t.size()))); }

Text text_right(std::string_view t, int n) {
  const std::size_t k = clamp_offset(n, t.size());
  return Text(t.substr(t.size() - k));
}

Text text_mid(std::string_view t, int start, int n) {
  if (start < 1 || static_cast<std::size_t>(start) > t.size() || n <= 0) return Text();
  return Text(t.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

Text replace_range(std::string_view t, int start, int n, std::string_view new_text) {
  const std::size_t p = clamp_offset(static_cast<long long>(start) - 1, t.size());
  const std::size_t removed = clamp_offset(n, t.size() - p);
  Text out;
  out.reserve(t.size() - removed + new_text.size());
  out.append(t.substr(0, p)).append(new_text).append(t.substr(p + removed));
  return out;
}

// ------------------------------------------------------- replacing and reshaping

Text replace_all(std::string_view t, std::string_view old_text, std::string_view new_text, int start, int count,
                 bool case_sensitive) {
  const std::size_t s = clamp_offset(static_cast<long long>(start) - 1, t.size());
  if (t.empty() || old_text.empty() || s >= t.size() || count == 0) return Text(t);
  const std::size_t m = old_text.size();

  std::string folded_hay;
  std::string folded_old;
  std::string_view hay = t;
  std::string_view needle = old_text;
  if (!case_sensitive) {
    folded_hay = fold_bytes(t);
    folded_old = fold_bytes(old_text);
    hay = folded_hay;
    needle = folded_old;
  }

  AlignedFinder finder(hay, needle);
  Text out;
  out.reserve(t.size());
  out.append(t.substr(0, s));
  std::size_t cursor = s;
  int made = 0;
  for (;;) {
    const std::size_t p = finder.find(cursor);
    if (p == npos) {
      // A one-byte old text lets the character walk reach an incomplete final
      // character; that byte is not copied.
      const std::size_t last = t.size() - 1;
      if (m == 1 && is_lead(t[last]) && last >= cursor && begins_character(t, cursor, last)) {
        out.append(t.substr(cursor, last - cursor));
        return out;
      }
      break;
    }
    out.append(t.substr(cursor, p - cursor)).append(new_text);
    cursor = p + m;
    if (++made == count) break;  // a negative count never runs out
  }
  out.append(t.substr(cursor));
  return out;
}

Text trim_both(std::string_view t) {
  std::size_t front = 0;
  while (front < t.size()) {
    const std::size_t b = blank_length(t, front);
    if (b == 0) break;
    front += b;
  }
  // An incomplete final character: the walk stops there, keeping the blanks
  // before it and dropping it.
  if (front < t.size() && is_lead(t.back()) && begins_character(t, front, t.size() - 1))
    return Text(t.substr(front, t.size() - 1 - front));

  // From here on [front, end) holds whole characters. Strip the final run of
  // blanks from the back, one run of bytes >= 0x80 at a time.
  std::size_t end = t.size();
  while (end > front) {
    if (!is_lead(t[end - 1])) {
      // A byte < 0x80 is a space only where it begins a character.
      if (t[end - 1] != ' ' || !begins_character(t, front, end - 1)) break;
      --end;
      continue;
    }
    // [run, end) is a run of bytes >= 0x80 made of whole characters.
    const std::size_t run = run_start(t, front, end);
    while (end > run && is_full_width_space(t, end - 2)) end -= 2;
    if (end > run) break;
  }
  return Text(t.substr(front, end - front));
}

Text remove_spaces(std::string_view t) {
  Text out;
  out.reserve(t.size());
  std::size_t i = 0;
  while (i < t.size()) {
    const std::size_t b = blank_length(t, i);
    if (b > 0) {
      i += b;
    } else if (!is_lead(t[i])) {
      out.push_back(t[i++]);
    } else if (i + 1 < t.size()) {
      out.append(t.substr(i, 2));
      i += 2;
    } else {
      break;  // incomplete final character
    }
  }
  return out;
}

Text to_lower(std::string_view t) { return map_ascii(t, fold_ascii); }

Text to_upper(std::string_view t) {
  return map_ascii(t, [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
}

TextArray split_text(std::string_view t, std::string_view sep, std::optional<int> count) {
  const long long limit = count ? std::max(*count, 0) : -1;  // -1: no limit
  if (t.empty() || limit == 0) return TextArray();
  if (sep.empty()) return TextArray({Text(t)});

  std::vector<Text> items;
  AlignedFinder finder(t, sep);
  std::size_t piece = 0;
  for (;;) {
    const std::size_t p = finder.find(piece);
    if (p == npos) break;
    items.emplace_back(t.substr(piece, p - piece));
    piece = p + sep.size();
    if (static_cast<long long>(items.size()) == limit) return TextArray(std::move(items));
  }
  if (piece < t.size()) items.emplace_back(t.substr(piece));
  return TextArray(std::move(items));
}

// --------------------------------------------------------------- comparing

int compare_text(std::string_view a, std::string_view b, bool case_sensitive) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() || j < b.size()) {
    const unsigned ua = i < a.size() ? character_unit(a, i, !case_sensitive) : 0;
    const unsigned ub = j < b.size() ? character_unit(b, j, !case_sensitive) : 0;
    if (ua != ub) return ua < ub ? -1 : 1;
  }
  return 0;
}

// ------------------------------------------------------------- conversions

int char_code(std::string_view t, int pos) {
  if (pos < 1 || static_cast<std::size_t>(pos) > t.size()) return 0;
  return static_cast<signed char>(t[static_cast<std::size_t>(pos) - 1]);
}

Text char_of(int code) {
  const char c = static_cast<char>(static_cast<unsigned>(code) & 0xFFu);
  return c == 0 ? Text() : Text(1, c);
}

Text number_text(std::int32_t i) {
  char buf[16];
  const auto res = std::to_chars(buf, buf + sizeof buf, i);
  return Text(buf, res.ptr);
}

Text hex_text(std::int32_t i) {
  char buf[16];
  const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint32_t>(i), 16);
  Text out(buf, res.ptr);
  for (char& c : out) c = static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
  return out;
}

double to_number(std::string_view t) {
  // Full-width ASCII (0xA3 0xA1..0xFE) and the full-width space to ASCII.
  std::string s;
  s.reserve(t.size());
  for (std::size_t i = 0; i < t.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(t[i]);
    if (c < 0x80 || i + 1 == t.size()) {
      s.push_back(t[i]);
      continue;
    }
    const unsigned char d = static_cast<unsigned char>(t[++i]);
    if (c == 0xA3 && d >= 0xA1 && d <= 0xFE)
      s.push_back(static_cast<char>(d - 0x80));
    else if (c == 0xA1 && d == 0xA1)
      s.push_back(' ');
    else
      s.append({static_cast<char>(c), static_cast<char>(d)});
  }

  // The longest prefix of the form [ws][sign]digits[.digits][(e|E)[sign]digits].
  std::size_t i = s.find_first_not_of(" \t\n\v\f\r");
  if (i == std::string::npos) return 0;
  const std::size_t begin = i;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i - from;
  };
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < s.size() && s[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    const std::size_t mark = i++;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) i = mark;
  }
  return parse_c_double(s.substr(begin, i - begin));
}

std::int32_t to_int32(double value) {
  if (std::isnan(value)) return 0;
  const double t = std::trunc(value);
  if (t <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  if (t >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<std::int32_t>(t);
}

Text blank_text(int n) { return n > 0 ? Text(static_cast<std::size_t>(n), ' ') : Text(); }

// ------------------------------------------------------------- byte buffers

int bytes_length(const Bytes& b) { return static_cast<int>(b.size()); }

Bytes bytes_left(const Bytes& b, int n) {
  return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(clamp_offset(n, b.size())));
}

Bytes bytes_right(const Bytes& b, int n) {
  return Bytes(b.end() - static_cast<std::ptrdiff_t>(clamp_offset(n, b.size())), b.end());
}

Bytes blank_bytes(int n) { return n > 0 ? Bytes(static_cast<std::size_t>(n), 0) : Bytes(); }

Bytes concat_bytes(std::initializer_list<const Bytes*> parts) {
  std::size_t total = 0;
  for (const Bytes* p : parts) total += p->size();
  Bytes out;
  out.reserve(total);
  for (const Bytes* p : parts) out.insert(out.end(), p->begin(), p->end());
  return out;
}

Bytes text_to_bytes(std::string_view t) { return Bytes(t.begin(), t.end()); }

Text bytes_to_text(const Bytes& b) {
  return bytes_to_text(std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}

Text bytes_to_text(std::string_view raw) { return Text(raw.substr(0, raw.find('\0'))); }

// ------------------------------------------------------ integer arithmetic

double remainder(double a, double b) { return b == 0 ? 0 : std::fmod(a, b); }

std::int32_t bit_and(std::initializer_list<std::int32_t> values) {
  std::uint32_t acc = ~0u;
  for (std::int32_t v : values) acc &= static_cast<std::uint32_t>(v);
  return static_cast<std::int32_t>(acc);
}

namespace {
// n mod 32 in the mathematical sense: -1 gives 31.
inline unsigned shift_count(int n) { return static_cast<unsigned>(n) & 31u; }
}  // namespace

std::int32_t shift_left(std::int32_t v, int n) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) << shift_count(n));
}

std::int32_t shift_right(std::int32_t v, int n) { return v >> shift_count(n); }

}  // namespace chaxun
