// BootExecute as staging reads and rewrites it: whatever the value held, the new list names
// the flasher exactly once, last, and keeps every other entry in its order.
#include <string>
#include <vector>

#include "platform/multi_string.hpp"
#include "staging/boot_execute.hpp"

using namespace qz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> existing = DecodeMultiString(std::vector<std::uint8_t>(data, data + size));
  std::vector<std::string> others;
  for (const auto& entry : existing) {
    if (!IsEntryOfProgram(entry, "Ombrel.exe")) others.push_back(entry);
  }
  const auto list = WithFlasherEntry(&existing, "Ombrel", "FW.bin");
  const auto decoded = DecodeMultiString(EncodeMultiString(list));
  if (decoded.empty() || decoded.back() != "Ombrel FW.bin") __builtin_trap();
  if (std::vector<std::string>(decoded.begin(), decoded.end() - 1) != others) __builtin_trap();
  if (WithFlasherEntry(nullptr, "Ombrel", "FW.bin").size() != 2) __builtin_trap();
  return 0;
}
