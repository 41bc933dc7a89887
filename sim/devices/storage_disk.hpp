#pragma once
// A disk as its storage driver answers the storage queries: its SCSI address, its device
// number and its device descriptor. Requests are decoded from their bytes.
#include <cstdint>
#include <set>
#include <string>

#include "sim/devices/device.hpp"

namespace qz::sim {

class StorageDisk : public Device {
 public:
  bool hasScsiAddress = true;
  std::uint8_t portNumber = 0, pathId = 0, targetId = 0, lun = 0;
  std::uint32_t deviceNumber = 0;
  std::uint32_t busType = 11;  // SATA
  bool removable = false;
  std::string vendor, product, revision, serial;
  std::set<std::uint32_t> failingCodes;  // control codes that fail with ERROR_INVALID_FUNCTION

  bool Control(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned,
               std::uint32_t& lastError) override;
  // Disks open only for administrators, as the system's disk security has it.
  bool CanOpen(bool administrator) const override { return administrator; }
};

}  // namespace qz::sim
