#include "sim/devices/sil3124_controller.hpp"

#include <algorithm>

#include "platform/little_endian.hpp"
#include "sim/devices/ata_protocol.hpp"
#include "sim/machine/machine.hpp"

namespace qz::sim {
namespace {

constexpr std::uint32_t kRequestBlockAddress = 0x40;
constexpr std::uint32_t kInterruptStatus = 0x1008;
constexpr std::uint32_t kInterruptEnable = 0x1010;
constexpr std::uint32_t kInterruptEnableClear = 0x1014;
constexpr std::uint32_t kCommandError = 0x1024;
constexpr std::uint32_t kSlotStatus = 0x1800;
constexpr std::uint32_t kActivateLow = 0x1C00;
constexpr std::uint32_t kActivateHigh = 0x1C04;

constexpr std::uint32_t kComplete = 1u << 16;
constexpr std::uint32_t kError = 1u << 17;
constexpr std::uint32_t kDeviceError = 1;     // the drive ended the command with ERR
constexpr std::uint32_t kBadFis = 26;         // not a host-to-device register FIS
constexpr std::uint32_t kLargestTransfer = 0x400000;

}  // namespace

Sil3124Controller::Sil3124Controller(PhysicalMemory& memory, VirtualClock& clock,
                                     std::uint64_t portWindow, std::uint32_t portCount)
    : memory_(memory), clock_(clock), window_(portWindow), ports_(portCount) {
  for (std::uint32_t n = 0; n < portCount; ++n) {
    ports_[n].requestBlockAddress = static_cast<std::uint32_t>(PortBase(n) + kLocalRam);
  }
}

void Sil3124Controller::Attach(std::uint32_t port, std::shared_ptr<AtaLink> drive) {
  ports_.at(port).drive = std::move(drive);
}

Sil3124Controller::Request Sil3124Controller::Decode(std::uint64_t address) {
  std::uint8_t b[48] = {};
  for (std::uint32_t i = 0; i < 48; i += 4) {
    le::Store32(b + i, memory_.Read(address + i, 4));
  }
  Request r;
  r.address = address;
  r.control = le::Load16(b + 0);
  r.protocol = le::Load16(b + 2);
  const std::uint8_t* fis = b + 8;
  r.fisType = fis[0];
  r.fisFlags = fis[1];
  AtaLinkCommand& c = r.command;
  // Features, count, LBA low/mid/high, device, command.
  c.registers = {fis[3], fis[12], fis[4], fis[5], fis[6], fis[7], fis[2]};
  c.previous = {fis[11], fis[13], fis[8], fis[9], fis[10]};
  for (std::uint8_t v : c.previous) c.is48Bit = c.is48Bit || v != 0;
  r.sgAddress = le::Load64(b + 32);
  r.sgCount = le::Load32(b + 40);
  r.sgFlags = le::Load32(b + 44);
  // The drive decides whether its command moves data; the override says which way.
  const AtaProtocol own = ProtocolOf(c.registers[6], c.registers[0], c.registers[1],
                                     c.registers[2], c.previous[1]);
  if (own.direction != AtaLinkDirection::None) {
    if (r.protocol & 0x10) {
      c.direction = AtaLinkDirection::Out;
    } else if (r.protocol & 0x08) {
      c.direction = AtaLinkDirection::In;
    }
  }
  c.length = c.direction == AtaLinkDirection::None ? 0 : r.sgCount;
  return r;
}

void Sil3124Controller::Activate(Port& p, std::uint64_t address) {
  Request r = Decode(address);
  r.interruptEnable = p.interruptEnable;
  p.requests.push_back(r);
  p.slotStatus |= 1;
  p.pending = true;
  p.hung = false;
  p.pendingError = 0;
  p.readsLeft = p.busyReads;
  p.dueTicks = clock_.Ticks() +
               static_cast<std::int64_t>(p.busyMilliseconds) * VirtualClock::kFrequency / 1000;

  const bool validFis = r.fisType == 0x27 && (r.fisFlags & 0x80) && (r.sgFlags & 0x80000000u) &&
                        r.command.length <= kLargestTransfer;
  if (!validFis) {
    p.pendingError = kBadFis;
    return;
  }
  if (!p.drive) {
    p.hung = true;  // no device behind the port: no answer
    return;
  }
  std::vector<std::uint8_t> data;
  if (r.command.direction == AtaLinkDirection::Out) {
    data.resize(r.command.length);
    for (std::uint32_t i = 0; i < r.command.length; i += 4) {
      le::StoreWidth(data.data() + i, std::min(4u, r.command.length - i), memory_.Read(r.sgAddress + i, 4));
    }
  }
  const AtaLinkReply reply = p.drive->Run(r.command, data);
  switch (reply.kind) {
    case AtaLinkReply::Kind::Done:
      if (reply.registers[6] & 0x01) {
        p.pendingError = kDeviceError;
      } else if (r.command.direction == AtaLinkDirection::In) {
        const std::uint32_t n = std::min<std::uint32_t>(r.sgCount, static_cast<std::uint32_t>(data.size()));
        for (std::uint32_t i = 0; i < n; i += 4) {
          memory_.Write(r.sgAddress + i, 4, le::LoadWidth(data.data() + i, std::min(4u, n - i)));
        }
      }
      break;
    case AtaLinkReply::Kind::IoError:
      p.pendingError = kDeviceError;
      break;
    case AtaLinkReply::Kind::Timeout:
    case AtaLinkReply::Kind::NoDevice:
      p.hung = true;
      break;
  }
}

void Sil3124Controller::PollCompletion(Port& p) {
  if (!p.pending || p.hung || p.neverCompletes) return;
  if (p.readsLeft > 0) {
    --p.readsLeft;
    return;
  }
  if (clock_.Ticks() < p.dueTicks) return;
  p.pending = false;
  p.slotStatus &= ~1u;
  const std::uint32_t error = p.forcedError ? p.forcedError : p.pendingError;
  p.interruptStatus |= kComplete;
  if (error != 0) {
    p.commandError = error;
    if (!(p.forcedError && p.errorWithoutInterrupt)) p.interruptStatus |= kError;
  }
}

std::uint32_t Sil3124Controller::Read(std::uint32_t offset, std::uint32_t width) {
  Port& p = ports_.at(offset / kPortBlockSize);
  const std::uint32_t at = offset % kPortBlockSize;
  if (at < kLocalRamEnd && at != kRequestBlockAddress) {
    return le::LoadWidth(p.localRam.data() + at, std::min(width, kLocalRamEnd - at));
  }
  std::uint32_t value = 0;
  switch (at) {
    case kRequestBlockAddress: value = p.requestBlockAddress; break;
    case kInterruptStatus: value = p.interruptStatus; break;
    case kInterruptEnable:
    case kInterruptEnableClear: value = p.interruptEnable; break;
    case kCommandError: value = p.commandError; break;
    case kSlotStatus:
      PollCompletion(p);
      value = p.slotStatus;
      break;
    default: break;
  }
  p.log.push_back({false, at, value});
  return value;
}

void Sil3124Controller::Write(std::uint32_t offset, std::uint32_t width, std::uint32_t value) {
  Port& p = ports_.at(offset / kPortBlockSize);
  const std::uint32_t at = offset % kPortBlockSize;
  if (at < kLocalRamEnd && at != kRequestBlockAddress) {
    le::StoreWidth(p.localRam.data() + at, std::min(width, kLocalRamEnd - at), value);
    return;
  }
  p.log.push_back({true, at, value});
  switch (at) {
    case kInterruptStatus: p.interruptStatus &= ~value; break;  // write one to clear
    case kInterruptEnable: p.interruptEnable |= value; break;   // write one to set
    case kInterruptEnableClear: p.interruptEnable &= ~value; break;
    case kActivateLow: p.activateLow = value; break;
    case kActivateHigh: Activate(p, p.activateLow | (static_cast<std::uint64_t>(value) << 32)); break;
    default: break;
  }
}

std::shared_ptr<Sil3124Controller> AddSil3124Controller(Machine& machine, std::uint64_t portWindow,
                                                        std::uint32_t portCount) {
  auto controller = std::make_shared<Sil3124Controller>(machine.physicalMemory, machine.clock,
                                                        portWindow, portCount);
  machine.physicalMemory.Map(portWindow, portCount * Sil3124Controller::kPortBlockSize, controller);
  return controller;
}

}  // namespace qz::sim
