#pragma once
// The flasher's first act: take its own entry out of the Session Manager's BootExecute so it
// runs once per staging. Other programs' entries (a scheduled disk check, say) stay, in their
// order. When the value cannot be read, or nothing would be left, the value becomes the
// system's default "autocheck autochk *".
#include <stddef.h>
#include <stdint.h>

#include "bootflash/flasher_state.hpp"
#include "bootflash/native_text.hpp"
#include "platform/little_endian.hpp"
#include "platform/native_api.hpp"

namespace qz::bootflash {

// A whole REG_MULTI_SZ: the entry, its NUL and the empty string that ends the list. (Without
// the final NUL, readers that trust the list's end drop the entry's last character.)
inline constexpr char16_t kDefaultBootExecute[] = u"autocheck autochk *\0";

// The program name of a path (its last component without ".exe"), or of a BootExecute entry
// (the same for its first word).
inline void ProgramName(const char16_t* text, size_t length, bool firstWord,
                        const char16_t** name, size_t* nameLength) {
  size_t start = 0;
  while (firstWord && start < length && text[start] == u' ') ++start;
  size_t end = start;
  while (end < length && !(firstWord && text[end] == u' ')) ++end;
  size_t base = start;
  for (size_t i = start; i < end; ++i) {
    if (text[i] == u'\\') base = i + 1;
  }
  if (end - base >= 4 && EqualIgnoreCase16(text + end - 4, 4, u".exe", 4)) end -= 4;
  *name = text + base;
  *nameLength = end - base;
}

namespace boot_execute_detail {
inline char16_t CharAt(const uint8_t* bytes, size_t i) {
  return static_cast<char16_t>(le::Load16(bytes + 2 * i));
}
inline void SetCharAt(uint8_t* bytes, size_t i, char16_t c) {
  le::Store16(bytes + 2 * i, c);
}
}  // namespace boot_execute_detail

// Reads BootExecute and removes, in place, the entries whose program is `ownName`. Returns the
// number of bytes of the new value at state.bootExecute + 12 (each entry and its NUL, then one
// more NUL), or 0 when the value could not be read or no entry would be left.
template <class Nt>
uint32_t FilterBootExecute(Nt& nt, FlasherState& state, const char16_t* ownName,
                           size_t ownLength) {
  using namespace boot_execute_detail;
  NativeHandle key = 0;
  if (!NtSuccess(nt.OpenKey(key, nt_access::kKeyQueryValue,
                            u"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\"
                            u"Session Manager"))) {
    return 0;
  }
  uint8_t* info = state.bootExecute;
  uint32_t resultLength = 0;
  const NtStatus status =
      nt.QueryValueKey(key, u"BootExecute", nt_registry::kPartialInformation, info,
                       kBootExecuteBufferBytes, resultLength);
  nt.Close(key);
  if (!NtSuccess(status) || status == nt_status::kBufferOverflow) return 0;
  // KeyValuePartialInformation: TitleIndex, Type, DataLength, then the data.
  if (le::Load32(info + 4) != nt_registry::kTypeMultiSz) return 0;
  const uint32_t dataLength = le::Load32(info + 8);
  if (dataLength > kBootExecuteBufferBytes - 12) return 0;
  uint8_t* data = info + 12;
  const size_t chars = dataLength / 2;
  // Room for the rewritten list. Entries only move down, but a last entry without its NUL
  // gains one, and the list its closing NUL: a value that fills the buffer has no room for
  // them, so an entry is kept only with both.
  const size_t capacity = (kBootExecuteBufferBytes - 12) / 2;
  size_t read = 0, write = 0;
  uint32_t kept = 0;
  char16_t entry[512];
  while (read < chars && CharAt(data, read) != 0) {
    size_t length = 0;
    while (read + length < chars && CharAt(data, read + length) != 0) ++length;
    size_t copied = length < 511 ? length : 511;
    for (size_t i = 0; i < copied; ++i) entry[i] = CharAt(data, read + i);
    const char16_t* name;
    size_t nameLength;
    ProgramName(entry, copied, true, &name, &nameLength);
    const bool own = EqualIgnoreCase16(name, nameLength, ownName, ownLength);
    if (!own && write + length + 2 <= capacity) {
      for (size_t i = 0; i <= length; ++i) {
        SetCharAt(data, write + i, read + i < chars ? CharAt(data, read + i) : 0);
      }
      write += length + 1;
      ++kept;
    }
    read += length + 1;
  }
  if (kept == 0) return 0;
  SetCharAt(data, write, 0);
  return static_cast<uint32_t>((write + 1) * 2);
}

template <class Nt>
void RestoreBootExecute(Nt& nt, FlasherState& state, const char16_t* imagePath,
                        size_t imagePathLength) {
  const char16_t* own;
  size_t ownLength;
  ProgramName(imagePath, imagePathLength, false, &own, &ownLength);
  if (ownLength == 0) {
    own = u"Ombrel";
    ownLength = 6;
  }
  const uint32_t bytes = FilterBootExecute(nt, state, own, ownLength);
  if (bytes) {
    nt.WriteRegistryValue(nt_registry::kControl, u"\\Session Manager", u"BootExecute",
                          nt_registry::kTypeMultiSz, state.bootExecute + 12, bytes);
  } else {
    nt.WriteRegistryValue(nt_registry::kControl, u"\\Session Manager", u"BootExecute",
                          nt_registry::kTypeMultiSz, kDefaultBootExecute,
                          sizeof kDefaultBootExecute);
  }
}

}  // namespace qz::bootflash
