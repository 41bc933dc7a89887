#pragma once
// An ATA command as the pass-through interfaces and the register transports carry it: eight
// register bytes in IDEREGS order, a data direction and a result code shared by all transports.
#include <array>
#include <cstdint>

namespace qz {

struct TaskFile {
  std::uint8_t Features = 0;     // error on output
  std::uint8_t SectorCount = 0;
  std::uint8_t LbaLow = 0;
  std::uint8_t LbaMid = 0;
  std::uint8_t LbaHigh = 0;
  std::uint8_t Device = 0;
  std::uint8_t Command = 0;      // status on output
  std::uint8_t Reserved = 0;

  static constexpr std::size_t kSize = 8;
  std::array<std::uint8_t, kSize> Bytes() const {
    return {Features, SectorCount, LbaLow, LbaMid, LbaHigh, Device, Command, Reserved};
  }
  static TaskFile FromBytes(const std::uint8_t* p) {
    return TaskFile{p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]};
  }
  bool operator==(const TaskFile&) const = default;
};

namespace ata_status {
inline constexpr std::uint8_t kErr = 0x01;
inline constexpr std::uint8_t kDrq = 0x08;
inline constexpr std::uint8_t kBsy = 0x80;
}  // namespace ata_status

namespace ata_command {
inline constexpr std::uint8_t kIdentifyDevice = 0xEC;
}  // namespace ata_command

// The values of the ATA pass-through data flags, so the ATA pass-through passes them on unchanged.
namespace data_direction {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kIn = 2;
inline constexpr std::uint32_t kOut = 4;
}  // namespace data_direction

namespace command_result {
inline constexpr std::uint8_t kSuccess = 0;
inline constexpr std::uint8_t kDriveError = 1;
inline constexpr std::uint8_t kTimeout = 2;
inline constexpr std::uint8_t kFailure = 254;
inline constexpr std::uint8_t kNotSupported = 255;
}  // namespace command_result

// The result a failed DeviceIoControl gives, from its GetLastError code.
constexpr std::uint8_t MapWindowsError(std::uint32_t error) {
  switch (error) {
    case 121:   // ERROR_SEM_TIMEOUT
    case 258:   // WAIT_TIMEOUT
    case 1460:  // ERROR_TIMEOUT
      return command_result::kTimeout;
    case 1:   // ERROR_INVALID_FUNCTION
    case 50:  // ERROR_NOT_SUPPORTED
      return command_result::kNotSupported;
    default:
      return command_result::kFailure;
  }
}

}  // namespace qz
