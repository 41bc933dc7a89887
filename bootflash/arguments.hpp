#pragma once
// Splits the flasher's command line in place: blanks separate arguments; an argument that
// starts with a double quote runs to the next double quote, a backslash keeping the character
// after it (even a quote) inside; the character that ends an argument becomes NUL.
#include <stddef.h>
#include <stdint.h>

#include "bootflash/native_text.hpp"

namespace qz::bootflash {

// `text` is NUL-terminated and may be null (no arguments). The table comes from the heap,
// starts with room for one pointer and grows by 16; false only when an allocation fails.
template <class Nt>
bool SplitArguments(Nt& nt, void* heap, char16_t* text, char16_t*** table, uint32_t* count) {
  *table = nullptr;
  *count = 0;
  uint32_t capacity = 1;
  auto** args = static_cast<char16_t**>(nt.AllocateHeap(heap, 0, sizeof(char16_t*) * capacity));
  if (!args) return false;
  uint32_t n = 0;
  char16_t* p = text;
  while (p && *p) {
    while (*p == u' ') ++p;
    if (!*p) break;
    if (n == capacity) {
      const uint32_t grown = capacity + 16;
      auto** bigger =
          static_cast<char16_t**>(nt.AllocateHeap(heap, 0, sizeof(char16_t*) * grown));
      if (!bigger) {
        nt.FreeHeap(heap, 0, args);
        return false;
      }
      CopyBytes(bigger, args, sizeof(char16_t*) * n);
      nt.FreeHeap(heap, 0, args);
      args = bigger;
      capacity = grown;
    }
    if (*p == u'"') {
      ++p;
      args[n++] = p;
      while (*p && *p != u'"') {
        if (*p == u'\\' && p[1]) ++p;  // the next character belongs to the argument
        ++p;
      }
    } else {
      args[n++] = p;
      while (*p && *p != u' ') ++p;
    }
    if (*p) *p++ = 0;
  }
  *table = args;
  *count = n;
  return true;
}

}  // namespace qz::bootflash
