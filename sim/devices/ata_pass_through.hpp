#pragma once
// IOCTL_ATA_PASS_THROUGH as the storage port driver handles it: the request is one buffer,
// an ATA_PASS_THROUGH_EX header (40 bytes for a 32-bit caller, 48 for a 64-bit one) and the
// data area it points at. Decoded here from the bytes by the simulator's own reading of the
// Windows layout, then run on the drive.
#include <cstdint>
#include <ostream>

#include "platform/native_api.hpp"
#include "platform/types.hpp"
#include "sim/devices/ata_drive.hpp"
#include "sim/machine/clock.hpp"

namespace qz::sim {

enum class CallerBits { X86, X64 };
inline const char* CallerBitsName(CallerBits bits) { return bits == CallerBits::X64 ? "X64" : "X86"; }
inline void PrintTo(CallerBits bits, std::ostream* out) { *out << CallerBitsName(bits); }

struct DecodedAtaRequest {
  AtaRegisters regs;
  AtaDirection direction = AtaDirection::None;
  std::uint32_t transferLength = 0;
  std::uint32_t dataOffset = 0;
  std::uint32_t timeoutSeconds = 0;
};

// Reads the header; false when the request is malformed (the driver's invalid-parameter case).
bool DecodeAtaPassThrough(CallerBits bits, ConstBytes in, std::uint32_t outLength,
                          DecodedAtaRequest& request);

// Runs one request on a drive and writes the reply into `out` (the same bytes as `in` on
// Windows, where the buffer serves both ways). A time-out costs the request's own time-out on
// the clock.
NtStatus AtaPassThrough(AtaDrive& drive, CallerBits bits, ConstBytes in, Bytes out,
                        std::uint32_t& returned, VirtualClock& clock);

}  // namespace qz::sim
