#pragma once
// Takes a fuzzer's bytes apart: texts up to a newline, and little numbers.
#include <cstddef>
#include <cstdint>
#include <string>

namespace qz::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  bool empty() const { return p_ == end_; }
  // The bytes up to the next '\n' (not included) or the end.
  std::string Text() {
    std::string text;
    while (p_ != end_ && *p_ != '\n') text.push_back(static_cast<char>(*p_++));
    if (p_ != end_) ++p_;
    return text;
  }
  std::uint8_t Byte() { return p_ != end_ ? *p_++ : 0; }
  std::uint64_t Number(int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint64_t>(Byte()) << (8 * i);
    return v;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

}  // namespace qz::fuzz
