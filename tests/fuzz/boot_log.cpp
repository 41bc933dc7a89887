// The flasher's transcript as the updater reads it at its next start: whatever the file holds,
// the parser gives a drive line it can stand behind or nothing, and the line it builds from
// that stays one line in either language.
#include <cstdlib>

#include "updater/boot_outcome.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto outcome = qz::ParseBootLog(qz::ConstBytes(data, size));
  if (!outcome) return 0;
  if (size > qz::kBootLogMaxBytes) std::abort();  // a file larger than any log was taken as one
  for (bool second : {false, true}) {
    const std::string line = qz::BootOutcomeLine(*outcome, nullptr, second);
    if (line.empty() || line.find('\n') != std::string::npos || line.find('\r') != std::string::npos) {
      std::abort();
    }
  }
  return 0;
}
