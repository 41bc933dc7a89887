#pragma once
// A restart of the simulated machine: every drive goes through a power cycle, then the Session
// Manager runs what BootExecute lists, each native program from the system directory with the
// entry as its command line. The programs themselves come from the caller (the host builds of
// the native programs), which is how the updater's staging meets the flasher: only through
// files and the registry.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/native_api.hpp"
#include "sim/devices/ata_pass_through.hpp"
#include "sim/machine/machine.hpp"

namespace qz::sim {

struct BootProcess {
  std::string entry;        // the BootExecute entry, also the command line
  std::string imagePath;    // NT path, "\SystemRoot\system32\<program>.exe"
  std::vector<std::uint8_t> image;
  CallerBits bits = CallerBits::X86;
};

struct BootRun {
  std::string entry;
  NtStatus status = 0;   // what starting (or running) the program gave
  std::string console;   // its NtDisplayString text
};

// Runs one native program; false when the caller has no program for this image.
using BootProgramRunner = std::function<bool(Machine&, const BootProcess&, BootRun&)>;

// Services end with the machine; after the boot programs the service manager starts those
// set to start automatically.
std::vector<BootRun> RebootMachine(Machine& machine, const BootProgramRunner& runner);
// The Session Manager's part alone.
std::vector<BootRun> RunBootExecute(Machine& machine, const BootProgramRunner& runner);

// The processor a PE image is built for: 0x14C (i386), 0x8664 (x64), or 0 when the bytes are
// not a PE image.
std::uint16_t PeMachine(const std::vector<std::uint8_t>& image);

}  // namespace qz::sim
