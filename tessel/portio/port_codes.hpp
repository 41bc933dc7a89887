#pragma once
// Device I/O control codes between tesselio.dll and tesselio.sys: FILE_DEVICE_UNKNOWN,
// METHOD_BUFFERED, functions 0x900 upwards. All fields 32-bit little-endian.
//   read port   in: port, width (1, 2, 4)          out: value
//   write port  in: port, width, value             out: none
//   LPT address in: port number (1 to 3)           out: base I/O address (0 when none)
#include <cstdint>

namespace qz::portio {

inline constexpr char kDeviceName[] = "TESSELIO";

inline constexpr std::uint32_t kIoctlReadPort = 0x222400;
inline constexpr std::uint32_t kIoctlWritePort = 0x222404;
inline constexpr std::uint32_t kIoctlLptAddress = 0x222408;

}  // namespace qz::portio
