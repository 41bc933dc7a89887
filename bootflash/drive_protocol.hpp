#pragma once
// The flasher's conversation with a drive: one ATA command at a time through
// IOCTL_ATA_PASS_THROUGH on an open \??\PhysicalDrive<n> handle. IDENTIFY DEVICE, the
// firmware download in 512-byte blocks with its activation, EEPROM bytes through READ/WRITE
// BUFFER with the vendor signatures, and the vendor-unique firmware-extension query.
#include <stddef.h>
#include <stdint.h>

#include "bootflash/ata_request.hpp"
#include "bootflash/console.hpp"
#include "bootflash/flasher_state.hpp"
#include "bootflash/native_text.hpp"
#include "bootflash/storage_bus.hpp"
#include "platform/little_endian.hpp"
#include "platform/native_api.hpp"

namespace qz::bootflash {

inline constexpr int kAtaOk = 0;
inline constexpr int kAtaFailed = 5;
inline constexpr int kDirectionOut = 1;
inline constexpr int kDirectionIn = 2;
inline constexpr uint8_t kStatusError = 0x01;
inline constexpr uint32_t kBlocksPerDot = 32;  // progress while the download runs

struct EepromLocation {
  uint8_t selector;  // sent in Features
  uint8_t index;     // sent in SectorCount
};

// The drive's EEPROM page table: page q = address / 512.
constexpr EepromLocation EepromLocationOf(uint32_t address) {
  const uint32_t q = address / 512;
  if (q <= 23) return {0, static_cast<uint8_t>(q)};
  if (q <= 31) return {1, static_cast<uint8_t>(q - 24)};
  if (q <= 39) return {2, static_cast<uint8_t>(q - 32)};
  if (q <= 77) return {static_cast<uint8_t>(q - 37), 0};
  if (q <= 157) return {41, static_cast<uint8_t>(q - 78)};
  if (q <= 285) return {42, static_cast<uint8_t>(q - 158)};
  return {43, 0};
}

template <class Nt>
class DriveProtocol {
 public:
  DriveProtocol(Nt& nt, FlasherState& state, const AtaHeaderLayout& header)
      : nt_(nt), state_(state), header_(header), console_(nt, state.transcript) {}

  // 0 on success, 5 on failure. direction: 1 data-out, 2 data-in, else no data.
  int SendAtaCommand(uint32_t slot, const TaskRegs& regs, uint32_t length, int direction,
                     uint32_t timeout) {
    uint8_t* buffer = state_.passThrough;
    const uint32_t total = header_.size + kSectorBytes;
    ZeroBytes(buffer, sizeof state_.passThrough);
    if (length > kSectorBytes) return kAtaFailed;  // the data area holds one sector
    const bool out = direction == kDirectionOut;
    const bool in = direction == kDirectionIn;
    if (!in && !out) length = 0;
    const uint16_t flags = kAtaFlagDrdyRequired | (out ? kAtaFlagDataOut : kAtaFlagDataIn);
    WriteAtaHeader(buffer, header_, regs, flags, length, timeout);
    uint8_t* data = buffer + header_.size;
    if (regs.command == 0x92) {
      CopyBytes(data, state_.chunkPointer, length);
    } else if (out && regs.command != 0xE4 && regs.command != 0xEC) {
      CopyBytes(data, state_.workBuffer, length);
    }
    uint32_t returned = 0;
    const NtStatus status = nt_.DeviceIoControlFile(state_.drives[slot].handle,
                                                    kIoctlAtaPassThrough, buffer, total, buffer,
                                                    total, returned);
    if (!NtSuccess(status)) return kAtaFailed;
    if (in) {
      ZeroBytes(state_.readBuffer, kSectorBytes);
      CopyBytes(state_.readBuffer, data, kSectorBytes);
    }
    const uint8_t statusRegister = buffer[header_.currentTaskFile + 6];
    lastStatus_ = statusRegister;
    if (regs.features == 7 && statusRegister != 0x50) return kAtaFailed;
    return kAtaOk;
  }

  // The disk's STORAGE_DEVICE_DESCRIPTOR.BusType; kBusUnknown when the query fails or its
  // reply stops short of the field.
  uint32_t QueryBusType(NativeHandle handle) {
    uint8_t* buffer = state_.passThrough;
    ZeroBytes(buffer, sizeof state_.passThrough);  // StorageDeviceProperty, standard query
    uint32_t returned = 0;
    const NtStatus status =
        nt_.DeviceIoControlFile(handle, kIoctlStorageQueryProperty, buffer,
                                kStoragePropertyQueryBytes, buffer, kSectorBytes, returned);
    if (!NtSuccess(status) || returned < kDeviceDescriptorBusTypeOffset + 4) return kBusUnknown;
    return le::Load32(buffer + kDeviceDescriptorBusTypeOffset);
  }

  // Model (IDENTIFY words 27-38) and revision (words 23-26) in reading order: each word's two
  // bytes swapped, nothing else changed (NULs and blanks stay as the drive gave them).
  bool IdentifyDrive(uint32_t slot, uint8_t* model, uint8_t* revision) {
    const TaskRegs regs{0, 1, 0, 0, 0, 0, 0xEC};
    if (SendAtaCommand(slot, regs, kSectorBytes, kDirectionIn, 30) != kAtaOk) return false;
    for (uint32_t i = 0; i < kModelBytes; ++i) model[i] = state_.readBuffer[54 + (i ^ 1)];
    for (uint32_t i = 0; i < kRevisionBytes; ++i) revision[i] = state_.readBuffer[46 + (i ^ 1)];
    return true;
  }

  bool DownloadFirmware(uint32_t slot) { return DownloadFirmware(slot, [] {}); }

  // `beforeBlocks` runs once "STARTING FLASH ..." is shown, before the first block. A block
  // the drive ends with its error bit set was not taken: the download stops there, without
  // a trigger that would activate an image with a hole in it.
  template <class BeforeBlocks>
  bool DownloadFirmware(uint32_t slot, BeforeBlocks beforeBlocks) {
    const uint16_t blocks = static_cast<uint16_t>(state_.fileLength / kSectorBytes +
                                                  (state_.fileLength % kSectorBytes ? 1 : 0));
    console_.Show(u"STARTING FLASH ...\n");
    beforeBlocks();
    bool dots = false;
    for (uint32_t b = 0; b < blocks; ++b) {
      const TaskRegs regs{0x03, 1, 0, static_cast<uint8_t>(b & 0xFF),
                          static_cast<uint8_t>((b >> 8) & 0xFF), 0xA0, 0x92};
      state_.chunkPointer = state_.image + kSectorBytes * b;
      if (SendAtaCommand(slot, regs, kSectorBytes, kDirectionOut, 30) != kAtaOk ||
          (lastStatus_ & kStatusError)) {
        if (dots) console_.Show(u"\n");
        console_.Show(u"FAIL to FLASH.\n");
        return false;
      }
      if ((b + 1) % kBlocksPerDot == 0) {
        console_.Show(u".");
        dots = true;
      }
    }
    if (dots) console_.Show(u"\n");
    console_.Show(u"TRIGGER ...");
    const bool boot = state_.bootCodeFlag == 1;
    const TaskRegs trigger{0x07, 1, 0, static_cast<uint8_t>(boot ? 0x4C : 0),
                           static_cast<uint8_t>(boot ? 0x41 : 0), 0xA0, 0x92};
    state_.chunkPointer = state_.image;
    return SendAtaCommand(slot, trigger, kSectorBytes, kDirectionOut, 30) == kAtaOk;
  }

  // A read-modify-write of the page that holds the byte. A read the drive aborted (error bit
  // in its status) gave no page, and writing one back would wipe the page: it fails instead.
  bool WriteEepromByte(uint32_t slot, uint32_t address, uint8_t value) {
    const EepromLocation at = EepromLocationOf(address);
    const TaskRegs readTrigger{0xFE, 1, 'R', 'P', 'E', 0, 0xE4};
    if (SendAtaCommand(slot, readTrigger, kSectorBytes, kDirectionIn, 30) != kAtaOk ||
        (lastStatus_ & kStatusError)) {
      console_.Show(u"FAIL to READ TRIGGER !\n");
      return false;
    }
    const TaskRegs read{at.selector, at.index, 'R', 'P', 'E', 0, 0xE4};
    if (SendAtaCommand(slot, read, kSectorBytes, kDirectionIn, 30) != kAtaOk ||
        (lastStatus_ & kStatusError)) {
      console_.Show(u"FAIL to READ EEPROM !\n");
      return false;
    }
    CopyBytes(state_.workBuffer, state_.readBuffer, kSectorBytes);
    state_.workBuffer[address % kSectorBytes] = value;
    const TaskRegs write{at.selector, at.index, 'W', 'P', 'E', 0, 0xE8};
    if (SendAtaCommand(slot, write, kSectorBytes, kDirectionOut, 20) != kAtaOk) {
      console_.Show(u"FAIL to WRITE EEPROM !\n");
      return false;
    }
    const TaskRegs writeTrigger{0xFE, 1, 'W', 'P', 'E', 0, 0xE8};
    if (SendAtaCommand(slot, writeTrigger, kSectorBytes, kDirectionOut, 20) != kAtaOk) {
      console_.Show(u"FAIL to WRITE TRIGGER !\n");
      return false;
    }
    return true;
  }

  // The reply is left in the read buffer.
  bool QueryFirmwareExtension(uint32_t slot, const uint8_t* parameters, uint8_t count) {
    ZeroBytes(state_.workBuffer, kSectorBytes);
    CopyBytes(state_.workBuffer, parameters, 10);
    const TaskRegs send{0xFC, 1, 0, 0, 0, 0, 0xFF};
    if (SendAtaCommand(slot, send, kSectorBytes, kDirectionOut, 30) != kAtaOk) {
      console_.Show(u"FAIL to SEND VU COMMAND !\n");
      return false;
    }
    const TaskRegs trigger{0xFD, count, 0, 0, 0, 0, 0xFF};
    if (SendAtaCommand(slot, trigger, kSectorBytes, kDirectionIn, 30) != kAtaOk) {
      console_.Show(u"FAIL to TRIGGER VUC !\n");
      return false;
    }
    return true;
  }

 private:
  Nt& nt_;
  FlasherState& state_;
  const AtaHeaderLayout& header_;
  Console<Nt> console_;
  uint8_t lastStatus_ = 0;  // status register of the last command that completed
};

}  // namespace qz::bootflash
