// The demo's machine file: any text as the JSON description, then the machine it describes
// built as the demo builds it.
#include <string>

#include "sim/machine/machine.hpp"
#include "tools/demo/machine_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const auto machine =
      qz::demo::ParseMachineFile(std::string(reinterpret_cast<const char*>(data), size), error);
  if (!machine) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  if (machine->disks.empty() || machine->disks.size() > qz::demo::kMaxDisks ||
      machine->controllers.size() > qz::demo::kMaxControllers) {
    __builtin_trap();  // the parser let through a machine no file may describe
  }
  if (machine->fastStartup && !qz::demo::IsWindows8OrLater(machine->release)) {
    __builtin_trap();  // fast startup on a Windows that has none
  }
  qz::sim::Machine built(machine->release);
  qz::demo::BuildDemoMachine(built, *machine);
  return 0;
}
