#pragma once
// The demo's built-in machines: a Windows release and the storage stack around its disks.
#include <string>
#include <vector>

#include "sim/machine.hpp"

namespace qz::demo {

enum class DiskLayout {
  AhciWithUsb,  // AHCI desktop: the eligible drive, another model and a USB disk
  LegacyIde,    // legacy IDE controller: the eligible drive and another model
};

struct DemoMachine {
  std::string name;
  std::string title;
  sim::Windows release = sim::Windows::Win7X64;
  DiskLayout layout = DiskLayout::AhciWithUsb;
};

// The built-in machines, the default first.
std::vector<DemoMachine> BuiltInMachines();

}  // namespace qz::demo
