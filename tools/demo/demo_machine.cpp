#include "tools/demo/demo_machine.hpp"

namespace qz::demo {

namespace {
std::vector<DemoDisk> StandardDisks() {
  return {{"VORTANIX QRX-480T9A", "VRD5", "VRD5-2", false, 0},
          {"OTHER DRIVE 120G", "1.02", "", false, 1},
          {"USB FLASH DISK", "1100", "", true, 2}};
}
}  // namespace

std::vector<DemoMachine> BuiltInMachines() {
  using sim::Windows;
  return {
      {"win7x64", "Windows 7 SP1 x64", Windows::Win7X64, StandardDisks()},
      {"xp86", "Windows XP Professional x86", Windows::XpPro, StandardDisks()},
      {"vista86", "Windows Vista x86", Windows::VistaX86, StandardDisks()},
      {"2003x64", "Windows Server 2003 x64", Windows::Server2003X64, StandardDisks()},
      {"ide", "Windows XP x86, legacy IDE controller", Windows::XpPro,
       {{"VORTANIX QRX-480T9A", "VRD5", "VRD5-2", false, 0}, {"OTHER DRIVE 120G", "1.02", "", false, 0}}},
  };
}

}  // namespace qz::demo
