#include "tools/demo/demo_machine.hpp"

namespace qz::demo {

std::vector<DemoMachine> BuiltInMachines() {
  using sim::Windows;
  return {
      {"win7x64", "Windows 7 SP1 x64", Windows::Win7X64, DiskLayout::AhciWithUsb},
      {"xp86", "Windows XP Professional x86", Windows::XpPro, DiskLayout::AhciWithUsb},
      {"vista86", "Windows Vista x86", Windows::VistaX86, DiskLayout::AhciWithUsb},
      {"2003x64", "Windows Server 2003 x64", Windows::Server2003X64, DiskLayout::AhciWithUsb},
      {"ide", "Windows XP x86, legacy IDE controller", Windows::XpPro, DiskLayout::LegacyIde},
  };
}

}  // namespace qz::demo
