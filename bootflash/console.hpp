#pragma once
// The flasher's output: text on the boot console through NtDisplayString, kept in the
// transcript as shown.
#include <stddef.h>
#include <stdint.h>

#include "bootflash/native_text.hpp"
#include "bootflash/transcript.hpp"
#include "platform/native_api.hpp"

namespace qz::bootflash {

template <class Nt>
class Console {
 public:
  Console(Nt& nt, Transcript& log) : nt_(nt), log_(log) {}

  // Not inlined: it is called from everywhere, and the flasher's builds have a size budget.
  __attribute__((noinline)) void Show(const char16_t* text) {
    nt_.DisplayString(text);
    AddConsoleText(log_, text);
  }

  // n bytes as n characters, one character per byte.
  void ShowBytes(const uint8_t* bytes, size_t n) {
    char16_t chunk[33];
    while (n) {
      const size_t take = n < 32 ? n : 32;
      for (size_t i = 0; i < take; ++i) chunk[i] = bytes[i];
      chunk[take] = 0;
      Show(chunk);
      bytes += take;
      n -= take;
    }
  }

  // `before` + "0x" + the status in lower-case hexadecimal + "L" + `after`, in a
  // 128-character buffer.
  void ShowStatus(const char16_t* before, NtStatus status, const char16_t* after) {
    char16_t text[128];
    TextBuilder b(text, 128);
    b.Add(before).Add(u"0x").Hex(static_cast<uint32_t>(status)).Add(u"L").Add(after);
    Show(text);
  }

 private:
  Nt& nt_;
  Transcript& log_;
};

}  // namespace qz::bootflash
