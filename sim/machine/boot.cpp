#include "sim/machine/boot.hpp"

#include "platform/little_endian.hpp"
#include "platform/registry_api.hpp"
#include "platform/text.hpp"
#include "sim/machine/path.hpp"

namespace qz::sim {

std::uint16_t PeMachine(const std::vector<std::uint8_t>& image) {
  if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return 0;
  const std::uint32_t pe = le::Load32(image.data() + 0x3C);
  if (pe > image.size() - 6 || image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 ||
      image[pe + 3] != 0) {
    return 0;
  }
  return le::Load16(image.data() + pe + 4);
}

namespace {

// The service manager comes up after the Session Manager's programs and starts what its
// registry keys ask for.
void StartServices(Machine& machine) {
  machine.services.StartAutomatic([&machine](const ServiceManager::Service& s) {
    const auto start = machine.registry.GetDword(
        hkey::kLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\" + s.name, "Start");
    return start ? *start : s.startType;
  });
}

}  // namespace

std::vector<BootRun> RebootMachine(Machine& machine, const BootProgramRunner& runner) {
  machine.services.EndAll();
  for (auto& drive : machine.physicalDrives) {
    if (drive) drive->PowerCycle();
  }
  std::vector<BootRun> runs = RunBootExecute(machine, runner);
  StartServices(machine);
  return runs;
}

std::vector<BootRun> RunBootExecute(Machine& machine, const BootProgramRunner& runner) {
  std::vector<BootRun> runs;
  const auto entries = machine.registry.GetMultiString(
      hkey::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", "BootExecute");
  if (!entries) return runs;
  for (const std::string& entry : *entries) {
    BootRun run;
    run.entry = entry;
    std::string program = entry.substr(0, entry.find(' '));
    if (EqualsIgnoreCase(program, "autocheck")) {  // the disk check: nothing to simulate
      runs.push_back(run);
      continue;
    }
    if (BaseName(program).find('.') == std::string::npos) program += ".exe";
    const std::string file = JoinPath(machine.SystemDirectory(), BaseName(program));
    BootProcess process;
    process.entry = entry;
    process.imagePath = "\\SystemRoot\\system32\\" + BaseName(program);
    const auto image = machine.files.Get(file);
    const std::uint16_t cpu = image ? PeMachine(*image) : 0;
    const std::uint16_t wanted = machine.Is64Bit() ? 0x8664 : 0x14C;
    if (!image) {
      run.status = nt_status::kObjectNameNotFound;
    } else if (cpu != wanted) {
      // A native program cannot run under WOW64: the build must match the processor.
      run.status = nt_status::kInvalidImageFormat;
    } else {
      process.image = *image;
      process.bits = cpu == 0x8664 ? CallerBits::X64 : CallerBits::X86;
      if (!runner || !runner(machine, process, run)) run.status = nt_status::kInvalidImageFormat;
    }
    runs.push_back(run);
  }
  return runs;
}

}  // namespace qz::sim
