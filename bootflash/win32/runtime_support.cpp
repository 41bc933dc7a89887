// What the compiler may call in a program without a C library.
#include <stddef.h>

extern "C" {

void* memset(void* dest, int value, size_t n) {
  volatile unsigned char* d = static_cast<unsigned char*>(dest);
  for (size_t i = 0; i < n; ++i) d[i] = static_cast<unsigned char>(value);
  return dest;
}

void* memcpy(void* dest, const void* src, size_t n) {
  volatile unsigned char* d = static_cast<unsigned char*>(dest);
  const unsigned char* s = static_cast<const unsigned char*>(src);
  for (size_t i = 0; i < n; ++i) d[i] = s[i];
  return dest;
}

void* memmove(void* dest, const void* src, size_t n) {
  volatile unsigned char* d = static_cast<unsigned char*>(dest);
  const unsigned char* s = static_cast<const unsigned char*>(src);
  if (d < s) {
    for (size_t i = 0; i < n; ++i) d[i] = s[i];
  } else {
    for (size_t i = n; i > 0; --i) d[i - 1] = s[i - 1];
  }
  return dest;
}

int memcmp(const void* a, const void* b, size_t n) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  }
  return 0;
}

}
