#include "tools/demo/demo_faults.hpp"

#include "platform/registry_api.hpp"
#include "staging/boot_execute.hpp"

namespace qz::demo {

const std::vector<std::string>& FaultNames() {
  static const std::vector<std::string> names = {
      "fw-create", "flasher-create", "session-key",    "copy-hang",      "copy-missing",
      "disk-full", "power-loss",     "download-error", "download-timeout"};
  return names;
}

bool IsDriveFault(const std::string& fault) {
  return fault == "power-loss" || fault == "download-error" || fault == "download-timeout";
}

bool ApplyFault(const std::string& fault, sim::Machine& machine) {
  const std::string system32 = machine.windowsDirectory + "\\system32\\";
  const std::string updaterSystem = machine.Is64Bit() ? machine.Wow64Directory() + "\\" : system32;
  if (fault == "fw-create") {
    machine.files.FailCreate(updaterSystem + "FW.bin");
  } else if (fault == "flasher-create") {
    machine.files.FailCreate(updaterSystem + "Ombrel.exe");
  } else if (fault == "session-key") {
    machine.registry.FailOpen(hkey::kLocalMachine, kSessionManagerKey);
  } else if (fault == "copy-hang") {
    machine.launchOutcome.hangs = true;
  } else if (fault == "copy-missing") {
    machine.onShellExecute = nullptr;
  } else if (fault == "disk-full") {
    machine.files.SetCapacity(machine.files.UsedBytes() + 4096);
  } else {
    return IsDriveFault(fault);
  }
  return true;
}

// Faults of the drive itself strike while the flasher downloads, after a clean staging.
void ApplyDriveFault(const std::string& fault, sim::AtaDrive& drive) {
  constexpr std::uint8_t kDownload = 0x92, kOffsets = 0x03;
  if (fault == "power-loss") {
    drive.LosePowerAfterBlock(100);
  } else if (fault == "download-error") {
    drive.InjectFault(sim::AtaFault::ErrorStatus, kDownload, kOffsets, 10);
  } else if (fault == "download-timeout") {
    drive.InjectFault(sim::AtaFault::Timeout, kDownload, kOffsets, 10);
  }
}

}  // namespace qz::demo
