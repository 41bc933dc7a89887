#pragma once
// The demo's built-in machines: a Windows release and the disks in it.
#include <string>
#include <vector>

#include "sim/machine.hpp"

namespace qz::demo {

struct DemoDisk {
  std::string model;     // as the drive reports it (24 characters are kept)
  std::string revision;  // 8 characters
  std::string extension;
  bool usb = false;      // never listed
  int port = 0;
};

struct DemoMachine {
  std::string name;
  std::string title;
  sim::Windows release = sim::Windows::Win7X64;
  std::vector<DemoDisk> disks;
};

// The built-in machines, the default first.
std::vector<DemoMachine> BuiltInMachines();

}  // namespace qz::demo
