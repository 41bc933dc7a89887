#pragma once
// A disk of the simulated machine as discovery sees it: its description (the texts WMI and
// the device tree report), where it sits in the device tree and the device that answers its
// storage queries. The drive's ATA side is a separate matter.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/devices/storage_disk.hpp"

namespace qz::sim {

struct DiskDescription {
  std::string model = "VORTANIX QRX-480T9A";
  std::string serial = "QX1234567890";
  std::string firmware = "VRD5";
  std::uint64_t sizeBytes = 480103981056ull;
  std::uint32_t signature = 0x1A2B3C4D;
  std::vector<char> letters;  // one partition per drive letter, in order
};

struct SimDisk {
  DiskDescription description;
  int node = -1;       // in the device tree
  int interface = -1;  // in the device tree's interfaces
  std::shared_ptr<StorageDisk> device;
  std::string interfaceType = "IDE";  // as WMI reports it: "IDE", "SCSI", "USB"
  bool listedByWmi = true;
};

}  // namespace qz::sim
