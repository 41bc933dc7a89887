#pragma once
// The ATA_PASS_THROUGH_EX header of IOCTL_ATA_PASS_THROUGH, written as bytes at the offsets of
// the platform's layout: 40 bytes in 32-bit builds, 48 in 64-bit builds, where the ULONG_PTR
// DataBufferOffset is 8 bytes wide and aligned to 8.
#include <stddef.h>
#include <stdint.h>

#include "platform/little_endian.hpp"

namespace qz::bootflash {

struct AtaHeaderLayout {
  uint32_t size;
  uint32_t dataBufferOffset;
  uint32_t dataBufferOffsetWidth;
  uint32_t previousTaskFile;
  uint32_t currentTaskFile;
};

inline constexpr AtaHeaderLayout kAtaHeader32 = {40, 20, 4, 24, 32};
inline constexpr AtaHeaderLayout kAtaHeader64 = {48, 24, 8, 32, 40};
inline constexpr const AtaHeaderLayout& kAtaHeaderThisBuild =
    sizeof(void*) == 8 ? kAtaHeader64 : kAtaHeader32;

inline constexpr uint16_t kAtaFlagDrdyRequired = 0x01;
inline constexpr uint16_t kAtaFlagDataIn = 0x02;
inline constexpr uint16_t kAtaFlagDataOut = 0x04;

// The seven registers of one command, in task-file order.
struct TaskRegs {
  uint8_t features, sectorCount, lbaLow, lbaMid, lbaHigh, device, command;
};

// Writes the header into a zeroed buffer. The data area follows the header directly.
inline void WriteAtaHeader(uint8_t* buffer, const AtaHeaderLayout& layout, const TaskRegs& regs,
                           uint16_t flags, uint32_t transferLength, uint32_t timeoutSeconds) {
  le::Store16(buffer + 0, static_cast<uint16_t>(layout.size));  // Length
  le::Store16(buffer + 2, flags);  // AtaFlags; PathId, TargetId, Lun stay 0
  le::Store32(buffer + 8, transferLength);  // DataTransferLength
  le::Store32(buffer + 12, timeoutSeconds);  // TimeOutValue
  le::Store32(buffer + layout.dataBufferOffset, transferLength ? layout.size : 0);
  uint8_t* tf = buffer + layout.currentTaskFile;  // PreviousTaskFile stays zero
  tf[0] = regs.features;
  tf[1] = regs.sectorCount;
  tf[2] = regs.lbaLow;
  tf[3] = regs.lbaMid;
  tf[4] = regs.lbaHigh;
  tf[5] = regs.device;
  tf[6] = regs.command;
}

}  // namespace qz::bootflash
