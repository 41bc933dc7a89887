// The flasher's command line, split in place: every argument must lie inside the text and end
// at a NUL of it.
#include <vector>

#include "bootflash/arguments.hpp"
#include "platform/little_endian.hpp"
#include "tests/fuzz/fuzz_native.hpp"

using namespace qz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<char16_t> text(size / 2 + 1, 0);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text[i / 2] = static_cast<char16_t>(le::Load16(data + i));
  }
  fuzz::FuzzNt nt;
  char16_t** table = nullptr;
  std::uint32_t count = 0;
  if (!bootflash::SplitArguments(nt, nullptr, text.data(), &table, &count)) return 0;
  for (std::uint32_t a = 0; a < count; ++a) {
    const char16_t* p = table[a];
    if (p < text.data() || p >= text.data() + text.size()) __builtin_trap();
    while (*p) ++p;  // AddressSanitizer catches a run past the text
  }
  nt.FreeHeap(nullptr, 0, table);
  return 0;
}
