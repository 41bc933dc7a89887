#pragma once
// Text built in a caller's buffer: cut at its end, always terminated, no library calls (the
// access libraries' device paths, driver path and state lines).
#include <cstdint>

namespace qz::tessel {

class FixedText {
 public:
  // size: the buffer's bytes, terminator included; at least 1.
  FixedText(char* buffer, std::uint32_t size) : buffer_(buffer), size_(size) { buffer_[0] = '\0'; }

  FixedText& Add(const char* text) {
    for (; *text; ++text) Put(*text);
    return *this;
  }

  FixedText& Decimal(std::uint32_t value) {
    char digits[10];
    std::uint32_t n = 0;
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (n > 0) Put(digits[--n]);
    return *this;
  }

 private:
  void Put(char c) {
    if (length_ + 1 >= size_) return;
    buffer_[length_++] = c;
    buffer_[length_] = '\0';
  }

  char* buffer_;
  std::uint32_t size_;
  std::uint32_t length_ = 0;
};

}  // namespace qz::tessel
