#include "sim/devices/pass_through_disk.hpp"

#include <algorithm>
#include <cstring>

#include "platform/little_endian.hpp"
#include "platform/types.hpp"
#include "sim/machine/machine.hpp"

namespace qz::sim {
namespace {

// Control codes: CTL_CODE(FILE_DEVICE_CONTROLLER, function, METHOD_BUFFERED, access).
constexpr std::uint32_t Ctl(std::uint32_t function, std::uint32_t access) {
  return (4u << 16) | (access << 14) | (function << 2);
}
constexpr std::uint32_t kReadWrite = 3, kAnyAccess = 0;
constexpr std::uint32_t kScsiPassThrough = Ctl(0x401, kReadWrite);
constexpr std::uint32_t kScsiMiniport = Ctl(0x402, kReadWrite);
constexpr std::uint32_t kScsiPassThroughDirect = Ctl(0x405, kReadWrite);
constexpr std::uint32_t kScsiRescanBus = Ctl(0x407, kAnyAccess);
constexpr std::uint32_t kIdePassThrough = Ctl(0x40A, kReadWrite);
constexpr std::uint32_t kAtaPassThrough = Ctl(0x40B, kReadWrite);
constexpr std::uint32_t kAtaPassThroughDirect = Ctl(0x40C, kReadWrite);

constexpr std::uint32_t kErrorNoAccess = 998;
constexpr std::uint32_t kErrorIoDevice = 1117;
constexpr std::uint32_t kErrorDeviceNotConnected = 1167;


bool Fail(std::uint32_t& lastError, std::uint32_t code) {
  lastError = code;
  return false;
}

// How a port driver reports a drive that did not complete the command.
bool FailFor(AtaLinkReply::Kind kind, std::uint32_t& lastError) {
  switch (kind) {
    case AtaLinkReply::Kind::Timeout: return Fail(lastError, err::kSemTimeout);
    case AtaLinkReply::Kind::NoDevice: return Fail(lastError, kErrorDeviceNotConnected);
    default: return Fail(lastError, kErrorIoDevice);
  }
}

// The input buffer is copied first: METHOD_BUFFERED hands the driver one system buffer.
void EchoInput(ConstBytes in, Bytes out, std::size_t n) {
  n = std::min({n, in.size(), out.size()});
  if (in.data() != out.data()) std::memmove(out.data(), in.data(), n);
}

// The data direction the IDE port driver infers from the command byte.
AtaLinkDirection IdeDirection(std::uint8_t command) {
  switch (command) {
    case 0xEC: case 0xA1: case 0xE4: case 0x20: case 0x24: case 0x25: case 0xC8: case 0xC4:
    case 0xB0: case 0x2F:
      return AtaLinkDirection::In;
    case 0x92: case 0xE8: case 0x30: case 0x34: case 0x35: case 0xCA: case 0xC5: case 0x3F:
      return AtaLinkDirection::Out;
    default:
      return AtaLinkDirection::None;
  }
}

}  // namespace

PassThroughDisk::PassThroughDisk(Machine& machine, std::shared_ptr<AtaLink> drive,
                                 PortDriver portDriver, std::shared_ptr<Device> lower)
    : driver(portDriver), machine_(machine), drive_(std::move(drive)), lower_(std::move(lower)) {}

bool PassThroughDisk::CanOpen(bool administrator) const {
  return lower_ ? lower_->CanOpen(administrator) : administrator;
}

std::size_t PassThroughDisk::CountRequests(std::uint32_t code) const {
  return static_cast<std::size_t>(std::count_if(
      requests_.begin(), requests_.end(), [code](const Request& r) { return r.code == code; }));
}

bool PassThroughDisk::AtaPassThroughAvailable() const {
  const auto& v = machine_.version;
  if (v.platformId != 2) return false;
  if (v.majorVersion > 5 || (v.majorVersion == 5 && v.minorVersion >= 2)) return true;
  return v.majorVersion == 5 && v.minorVersion == 1 && v.servicePackMajor >= 2;
}

AtaLinkReply PassThroughDisk::RunOnDrive(AtaLinkCommand& command, std::vector<std::uint8_t>& data) {
  commands.push_back(command);
  const std::uint32_t code = requests_.empty() ? 0 : requests_.back().code;
  AtaLinkReply reply;
  if (!drive_) {
    reply.kind = AtaLinkReply::Kind::NoDevice;
    carried.push_back({code, reply.kind});
    return reply;
  }
  reply = drive_->Run(command, data);
  carried.push_back({code, reply.kind});
  if (reply.kind == AtaLinkReply::Kind::Timeout) {
    machine_.clock.AdvanceMilliseconds(std::uint64_t{command.timeoutSeconds} * 1000);
  } else {
    machine_.clock.AdvanceMilliseconds(1);
  }
  return reply;
}

bool PassThroughDisk::Control(std::uint32_t code, ConstBytes in, Bytes out,
                              std::uint32_t& returned, std::uint32_t& lastError) {
  returned = 0;
  requests_.push_back({code, machine_.clock.Ticks()});
  switch (code) {
    case kScsiRescanBus:
      return true;
    case kAtaPassThrough:
    case kAtaPassThroughDirect:
      if (!driver.ataPassThrough || !AtaPassThroughAvailable()) {
        return Fail(lastError, err::kInvalidFunction);
      }
      return AtaPassThrough(in, out, code == kAtaPassThroughDirect, returned, lastError);
    case kIdePassThrough:
      if (!driver.idePassThrough) return Fail(lastError, err::kInvalidFunction);
      return IdePassThrough(in, out, returned, lastError);
    case kScsiPassThrough:
    case kScsiPassThroughDirect:
      return ScsiPassThrough(in, out, code == kScsiPassThroughDirect, returned, lastError);
    case kScsiMiniport:
      return Miniport(in, out, returned, lastError);
    default:
      if (lower_) return lower_->Control(code, in, out, returned, lastError);
      return Fail(lastError, err::kInvalidFunction);
  }
}

// ATA_PASS_THROUGH_EX / ATA_PASS_THROUGH_DIRECT of a 32-bit caller: Length 40, AtaFlags at 2,
// DataTransferLength at 8, TimeOutValue at 12, DataBufferOffset or DataBuffer at 20,
// PreviousTaskFile at 24, CurrentTaskFile at 32.
bool PassThroughDisk::AtaPassThrough(ConstBytes in, Bytes out, bool direct,
                                     std::uint32_t& returned, std::uint32_t& lastError) {
  constexpr std::size_t kHeader = 40;
  if (in.size() < kHeader || out.size() < kHeader || le::Load16(in.data()) != kHeader) {
    return Fail(lastError, err::kInvalidParameter);
  }
  const std::uint16_t flags = le::Load16(in.data() + 2);
  const bool dataIn = flags & 0x02, dataOut = flags & 0x04;
  if (dataIn && dataOut) return Fail(lastError, err::kInvalidParameter);
  AtaLinkCommand command;
  command.length = le::Load32(in.data() + 8);
  command.timeoutSeconds = le::Load32(in.data() + 12);
  command.direction = command.length == 0 ? AtaLinkDirection::None
                      : dataIn            ? AtaLinkDirection::In
                      : dataOut           ? AtaLinkDirection::Out
                                          : AtaLinkDirection::None;
  if (command.length != 0 && command.direction == AtaLinkDirection::None) {
    return Fail(lastError, err::kInvalidParameter);
  }
  std::copy_n(in.begin() + 32, 7, command.registers.begin());
  command.is48Bit = flags & 0x08;
  if (command.is48Bit) std::copy_n(in.begin() + 24, 5, command.previous.begin());

  const std::uint32_t where = le::Load32(in.data() + 20);
  Bytes userData;
  if (direct) {
    if (command.length != 0) {
      auto resolved = machine_.userBuffers.Resolve(where, command.length);
      if (!resolved) return Fail(lastError, kErrorNoAccess);
      userData = resolved->first(command.length);
    }
  } else if (command.length != 0) {
    const std::size_t limit = dataOut ? in.size() : out.size();
    if (where < kHeader || std::size_t{where} + command.length > limit) {
      return Fail(lastError, err::kInvalidParameter);
    }
  }

  std::vector<std::uint8_t> data;
  if (command.direction == AtaLinkDirection::Out) {
    if (direct) {
      data.assign(userData.begin(), userData.end());
    } else {
      data.assign(in.begin() + where, in.begin() + where + command.length);
    }
  }
  const AtaLinkReply reply = RunOnDrive(command, data);
  if (reply.kind != AtaLinkReply::Kind::Done) return FailFor(reply.kind, lastError);

  EchoInput(in, out, direct ? kHeader : in.size());
  std::copy(reply.registers.begin(), reply.registers.end(), out.begin() + 32);
  returned = kHeader;
  if (command.direction == AtaLinkDirection::In) {
    data.resize(command.length, 0);
    if (direct) {
      std::copy(data.begin(), data.end(), userData.begin());
    } else {
      std::copy(data.begin(), data.end(), out.begin() + where);
      returned = where + command.length;
    }
  }
  return true;
}

// IDE_PASS_THROUGH: IDEREGS at 0, DataBufferSize at 8, data at 12.
bool PassThroughDisk::IdePassThrough(ConstBytes in, Bytes out, std::uint32_t& returned,
                                     std::uint32_t& lastError) {
  constexpr std::size_t kData = 12;
  if (in.size() < kData || out.size() < kData) return Fail(lastError, err::kInvalidParameter);
  AtaLinkCommand command;
  std::copy_n(in.begin(), 7, command.registers.begin());
  command.length = le::Load32(in.data() + 8);
  command.timeoutSeconds = driver.ideTimeoutSeconds;
  command.direction = command.length ? IdeDirection(command.registers[6]) : AtaLinkDirection::None;
  const std::size_t limit = command.direction == AtaLinkDirection::Out ? in.size() : out.size();
  if (kData + std::size_t{command.length} > limit) return Fail(lastError, err::kInvalidParameter);

  std::vector<std::uint8_t> data;
  if (command.direction == AtaLinkDirection::Out) {
    data.assign(in.begin() + kData, in.begin() + kData + command.length);
  }
  const AtaLinkReply reply = RunOnDrive(command, data);
  if (reply.kind != AtaLinkReply::Kind::Done) return FailFor(reply.kind, lastError);
  EchoInput(in, out, kData);
  std::copy(reply.registers.begin(), reply.registers.end(), out.begin());
  returned = kData;
  if (command.direction == AtaLinkDirection::In) {
    data.resize(command.length, 0);
    std::copy(data.begin(), data.end(), out.begin() + kData);
    returned = static_cast<std::uint32_t>(kData + command.length);
  }
  return true;
}

// SCSI_PASS_THROUGH(_DIRECT) of a 32-bit caller: Length 44, ScsiStatus at 2, CdbLength at 6,
// SenseInfoLength at 7, DataIn at 8, DataTransferLength at 12, TimeOutValue at 16,
// DataBufferOffset or DataBuffer at 20, SenseInfoOffset at 24, Cdb at 28.
bool PassThroughDisk::ScsiPassThrough(ConstBytes in, Bytes out, bool direct,
                                      std::uint32_t& returned, std::uint32_t& lastError) {
  constexpr std::size_t kStruct = 44;
  if (in.size() < kStruct || out.size() < kStruct || le::Load16(in.data()) != kStruct || in[6] > 16) {
    return Fail(lastError, err::kInvalidParameter);
  }
  const std::uint8_t dataIn = in[8];
  const std::uint32_t length = le::Load32(in.data() + 12);
  const std::uint32_t where = le::Load32(in.data() + 20);
  const std::uint32_t senseAt = le::Load32(in.data() + 24);
  const std::uint8_t senseLength = in[7];
  if (dataIn > 2) return Fail(lastError, err::kInvalidParameter);
  Bytes userData;
  if (length != 0) {
    if (direct) {
      auto resolved = machine_.userBuffers.Resolve(where, length);
      if (!resolved) return Fail(lastError, kErrorNoAccess);
      userData = resolved->first(length);
    } else {
      const std::size_t limit = dataIn == 0 ? in.size() : out.size();
      if (where < kStruct || std::size_t{where} + length > limit) {
        return Fail(lastError, err::kInvalidParameter);
      }
    }
  }
  if (senseLength != 0 && std::size_t{senseAt} + senseLength > out.size()) {
    return Fail(lastError, err::kInvalidParameter);
  }

  const std::size_t echo = direct ? kStruct : std::min(in.size(), out.size());
  EchoInput(in, out, echo);
  const bool vendorBlock = driver.vendorAtaCdb && in[28] == 0xCC && in[6] >= 10;
  if (!vendorBlock) {
    // CHECK CONDITION, ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE.
    out[2] = 2;
    if (senseLength >= 14) {
      std::fill_n(out.begin() + senseAt, senseLength, std::uint8_t{0});
      out[senseAt] = 0x70;
      out[senseAt + 2] = 0x05;
      out[senseAt + 7] = 10;
      out[senseAt + 12] = 0x20;
    }
    returned = static_cast<std::uint32_t>(std::max<std::size_t>(kStruct, senseAt + senseLength));
    return true;
  }

  AtaLinkCommand command;
  std::copy_n(in.begin() + 30, 7, command.registers.begin());
  command.length = length;
  command.timeoutSeconds = le::Load32(in.data() + 16);
  command.direction = length == 0   ? AtaLinkDirection::None
                      : dataIn == 1 ? AtaLinkDirection::In
                      : dataIn == 0 ? AtaLinkDirection::Out
                                    : AtaLinkDirection::None;
  std::vector<std::uint8_t> data;
  if (command.direction == AtaLinkDirection::Out) {
    if (direct) {
      data.assign(userData.begin(), userData.end());
    } else {
      data.assign(in.begin() + where, in.begin() + where + length);
    }
  }
  const AtaLinkReply reply = RunOnDrive(command, data);
  if (reply.kind == AtaLinkReply::Kind::Timeout || reply.kind == AtaLinkReply::Kind::NoDevice) {
    return FailFor(reply.kind, lastError);
  }
  const bool driveError =
      reply.kind != AtaLinkReply::Kind::Done || (reply.registers[6] & 0x01) != 0;
  out[2] = driveError ? 2 : 0;  // the bridge reports a failed command as CHECK CONDITION
  returned = direct ? static_cast<std::uint32_t>(kStruct) : where;
  if (command.direction == AtaLinkDirection::In && !driveError) {
    data.resize(length, 0);
    if (direct) {
      std::copy(data.begin(), data.end(), userData.begin());
    } else {
      std::copy(data.begin(), data.end(), out.begin() + where);
      returned = where + length;
    }
  }
  return true;
}

// SRB_IO_CONTROL (HeaderLength, Signature, Timeout, ControlCode, ReturnCode, Length), then
// the "CMD_IDE " command block at 28: block size, flags, path, target, lun, data length,
// data offset (from 28), registers at 44, previous registers at 51, data at 72.
bool PassThroughDisk::Miniport(ConstBytes in, Bytes out, std::uint32_t& returned,
                               std::uint32_t& lastError) {
  constexpr std::size_t kSrb = 28;
  if (in.size() < kSrb || out.size() < kSrb || le::Load32(in.data()) != kSrb) {
    return Fail(lastError, err::kInvalidParameter);
  }
  if (!driver.cmdIde || std::memcmp(in.data() + 4, "CMD_IDE ", 8) != 0) {
    return Fail(lastError, err::kInvalidFunction);
  }
  const std::uint32_t control = le::Load32(in.data() + 16);
  const std::uint32_t length = le::Load32(in.data() + 24);
  if (kSrb + std::size_t{length} > in.size() || kSrb + std::size_t{length} > out.size()) {
    return Fail(lastError, err::kInvalidParameter);
  }
  EchoInput(in, out, kSrb + length);
  returned = static_cast<std::uint32_t>(kSrb + length);
  if (control == 0x42000) {
    if (length < 4) return Fail(lastError, err::kInvalidParameter);
    le::Store16(out.data() + 28, driver.cmdIdeMajor);
    le::Store16(out.data() + 30, driver.cmdIdeMinor);
    le::Store32(out.data() + 20, 0);
    return true;
  }
  if (control != 0x4202C || length < 44) {
    le::Store32(out.data() + 20, 1);  // unknown function
    return true;
  }
  const std::uint16_t flags = le::Load16(in.data() + 30);
  const std::uint32_t dataLength = le::Load32(in.data() + 36);
  const std::uint32_t dataOffset = le::Load32(in.data() + 40);
  if (in[32] != pathId || in[33] != targetId || in[34] != lun) {
    le::Store32(out.data() + 20, 2);  // no drive at that address
    return true;
  }
  if (dataLength != 0 && kSrb + std::size_t{dataOffset} + dataLength > kSrb + length) {
    le::Store32(out.data() + 20, 3);  // bad request
    return true;
  }
  AtaLinkCommand command;
  std::copy_n(in.begin() + 44, 7, command.registers.begin());
  command.is48Bit = flags & 0x04;
  if (command.is48Bit) {
    // Carried as LBA low/mid/high, features, count; the drive takes features first.
    command.previous = {in[54], in[55], in[51], in[52], in[53]};
  }
  command.length = dataLength;
  command.timeoutSeconds = le::Load32(in.data() + 12);
  command.direction = dataLength == 0 ? AtaLinkDirection::None
                      : (flags & 1)   ? AtaLinkDirection::Out
                      : (flags & 2)   ? AtaLinkDirection::In
                                      : AtaLinkDirection::None;
  const std::size_t dataAt = kSrb + dataOffset;
  std::vector<std::uint8_t> data;
  if (command.direction == AtaLinkDirection::Out) {
    data.assign(in.begin() + dataAt, in.begin() + dataAt + dataLength);
  }
  const AtaLinkReply reply = RunOnDrive(command, data);
  std::uint32_t code = 0;
  switch (reply.kind) {
    case AtaLinkReply::Kind::Timeout: code = 6; break;
    case AtaLinkReply::Kind::NoDevice: code = 2; break;
    case AtaLinkReply::Kind::IoError: code = 3; break;
    case AtaLinkReply::Kind::Done: code = (reply.registers[6] & 0x01) ? 9 : 0; break;
  }
  le::Store32(out.data() + 20, code);
  if (reply.kind == AtaLinkReply::Kind::Done) {
    std::copy(reply.registers.begin(), reply.registers.end(), out.begin() + 44);
    if (command.direction == AtaLinkDirection::In && code == 0) {
      data.resize(dataLength, 0);
      std::copy(data.begin(), data.end(), out.begin() + dataAt);
    }
  }
  return true;
}

}  // namespace qz::sim
