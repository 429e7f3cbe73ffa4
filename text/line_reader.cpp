#include <cstring>

#include "text/text.h"

namespace chaxun {

namespace {
constexpr char kEndMark = 0x1A;
}  // namespace

void LineReader::write(std::string_view t) {
  if (pos_ + t.size() > data_.size()) data_.resize(pos_ + t.size());
  data_.replace(pos_, t.size(), t);
  pos_ += t.size();
}

Text LineReader::read_line() {
  if (pos_ >= data_.size()) return Text();
  const char* begin = data_.data() + pos_;
  const std::size_t left = data_.size() - pos_;
  // The line ends at the first LF or end mark, whichever comes first.
  const void* lf = std::memchr(begin, '\n', left);
  const std::size_t lf_at = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - begin) : left;
  const void* mark = std::memchr(begin, kEndMark, lf_at);

  std::size_t length;
  if (mark) {
    length = static_cast<std::size_t>(static_cast<const char*>(mark) - begin);
    pos_ = data_.size();  // nothing after the end mark is ever read
  } else if (lf) {
    length = lf_at;
    pos_ += lf_at + 1;
  } else {
    length = left;
    pos_ = data_.size();
  }
  if (length > 0 && begin[length - 1] == '\r') --length;
  return Text(begin, length);
}

void LineReader::close() {
  std::string().swap(data_);
  pos_ = 0;
}

}  // namespace chaxun
