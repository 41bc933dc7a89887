#pragma once
// Byte and UTF-16 text helpers for the CRT-free flasher (no library calls; the Windows build
// supplies memcpy/memset for loops the compiler turns into them).
#include <stddef.h>
#include <stdint.h>

namespace qz::bootflash {

inline void ZeroBytes(void* to, size_t n) {
  auto* p = static_cast<uint8_t*>(to);
  for (size_t i = 0; i < n; ++i) p[i] = 0;
}

inline void CopyBytes(void* to, const void* from, size_t n) {
  auto* d = static_cast<uint8_t*>(to);
  const auto* s = static_cast<const uint8_t*>(from);
  for (size_t i = 0; i < n; ++i) d[i] = s[i];
}

inline bool EqualBytes(const void* a, const void* b, size_t n) {
  const auto* x = static_cast<const uint8_t*>(a);
  const auto* y = static_cast<const uint8_t*>(b);
  for (size_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) return false;
  }
  return true;
}

// The first position p below `limit` where `pattern` stands whole inside [0, limit), or -1.
inline long FindBytes(const uint8_t* data, size_t limit, const char* pattern, size_t length) {
  if (length == 0 || limit < length) return -1;
  for (size_t p = 0; p + length <= limit; ++p) {
    if (data[p] != static_cast<uint8_t>(pattern[0])) continue;
    size_t i = 1;
    while (i < length && data[p + i] == static_cast<uint8_t>(pattern[i])) ++i;
    if (i == length) return static_cast<long>(p);
  }
  return -1;
}

inline size_t TextLength(const char16_t* text) {
  size_t n = 0;
  if (text) {
    while (text[n]) ++n;
  }
  return n;
}

constexpr char16_t ToUpper16(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

inline bool EqualIgnoreCase16(const char16_t* a, size_t an, const char16_t* b, size_t bn) {
  if (an != bn) return false;
  for (size_t i = 0; i < an; ++i) {
    if (ToUpper16(a[i]) != ToUpper16(b[i])) return false;
  }
  return true;
}

// Builds a NUL-terminated UTF-16 text in a fixed buffer; what does not fit is dropped (the
// text stays terminated).
class TextBuilder {
 public:
  TextBuilder(char16_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {
    if (capacity_) buffer_[0] = 0;
  }
  TextBuilder& Add(const char16_t* text, size_t n) {
    for (size_t i = 0; i < n; ++i) Put(text[i]);
    return *this;
  }
  TextBuilder& Add(const char16_t* text) { return Add(text, TextLength(text)); }
  // Lower-case hexadecimal without leading zeros, as "%x" prints it.
  TextBuilder& Hex(uint32_t value) {
    char16_t digits[8];
    int n = 0;
    do {
      const uint32_t d = value & 0xF;
      digits[n++] = static_cast<char16_t>(d < 10 ? u'0' + d : u'a' + (d - 10));
      value >>= 4;
    } while (value);
    while (n) Put(digits[--n]);
    return *this;
  }
  TextBuilder& Decimal(uint32_t value) {
    char16_t digits[10];
    int n = 0;
    do {
      digits[n++] = static_cast<char16_t>(u'0' + value % 10);
      value /= 10;
    } while (value);
    while (n) Put(digits[--n]);
    return *this;
  }
  const char16_t* Text() const { return buffer_; }
  size_t Length() const { return length_; }
  bool Truncated() const { return truncated_; }

 private:
  void Put(char16_t c) {
    if (length_ + 1 >= capacity_) {
      truncated_ = true;
      return;
    }
    buffer_[length_++] = c;
    buffer_[length_] = 0;
  }
  char16_t* buffer_;
  size_t capacity_;
  size_t length_ = 0;
  bool truncated_ = false;
};

}  // namespace qz::bootflash
