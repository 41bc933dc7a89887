#include "transport/pass_through_requests.hpp"

#include <algorithm>
#include <cstring>

#include "platform/little_endian.hpp"
namespace qz::pass_through {
namespace {

void PutTaskFile(Bytes b, std::size_t at, const TaskFile& tf) {
  const auto bytes = tf.Bytes();
  std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}
void Zero(Bytes b) { std::fill(b.begin(), b.end(), std::uint8_t{0}); }
// Copies at most `limit` data-out bytes (never more than given) to `at`.
void PutData(Bytes b, std::size_t at, ConstBytes data, std::size_t length, std::size_t limit) {
  const std::size_t n = std::min({length, data.size(), limit, b.size() - at});
  std::copy_n(data.begin(), n, b.begin() + static_cast<std::ptrdiff_t>(at));
}

std::uint16_t AtaFlags(const Command& c, bool drdyAlways) {
  std::uint32_t flags = c.direction;
  if (drdyAlways || c.direction != data_direction::kNone) flags |= 1;  // ATA_FLAGS_DRDY_REQUIRED
  if (c.previous) flags |= 8;                                          // ATA_FLAGS_48BIT_COMMAND
  return static_cast<std::uint16_t>(flags);
}

void PutAtaHeader(Bytes b, const Command& c, std::uint32_t timeoutSeconds, bool direct) {
  le::Store16(b.data(), static_cast<std::uint16_t>(kAtaHeaderSize));
  le::Store16(b.data() + 2, static_cast<std::uint16_t>(AtaFlags(c, direct)));
  // PathId, TargetId, Lun, ReservedAsUchar stay 0: the handle names the drive.
  le::Store32(b.data() + 8, c.length);
  le::Store32(b.data() + 12, timeoutSeconds);
  PutTaskFile(b, 24, c.previous ? *c.previous : TaskFile{});
  PutTaskFile(b, kAtaCurrentTaskFileOffset, c.taskFile);
}

std::uint8_t ScsiDataIn(std::uint32_t direction) {
  if (direction == data_direction::kIn) return 1;   // SCSI_IOCTL_DATA_IN
  if (direction == data_direction::kOut) return 0;  // SCSI_IOCTL_DATA_OUT
  return 2;                                         // SCSI_IOCTL_DATA_UNSPECIFIED
}
bool MovesData(std::uint32_t direction) {
  return direction == data_direction::kIn || direction == data_direction::kOut;
}

void PutScsiHeader(Bytes b, const Command& c, std::uint32_t timeoutSeconds) {
  le::Store16(b.data(), static_cast<std::uint16_t>(kScsiStructSize));
  b[4] = 1;  // TargetId: the vendor interface answers on target 1
  b[6] = 10;  // CdbLength
  b[7] = 24;  // SenseInfoLength
  b[8] = ScsiDataIn(c.direction);
  le::Store32(b.data() + 12, MovesData(c.direction) ? c.length : 0);
  le::Store32(b.data() + 16, timeoutSeconds);
  b[28] = kVendorAtaCdb;
  PutTaskFile(b, 30, c.taskFile);
}

}  // namespace

std::uint32_t TimeoutSeconds(float seconds) {
  if (!(seconds > 0.0f)) return 0;
  if (seconds >= 4294967295.0f) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(seconds);
}

void BuildAtaPassThrough(Bytes buffer, const Command& command, std::uint32_t timeoutSeconds,
                         ConstBytes dataOut) {
  Bytes b = buffer.first(kAtaBufferSize);
  Zero(b);
  PutAtaHeader(b, command, timeoutSeconds, false);
  le::Store32(b.data() + 20, kAtaDataOffset);
  if (command.direction == data_direction::kOut) {
    PutData(b, kAtaDataOffset, dataOut, command.length, kMaxBufferedData);
  }
}

void BuildAtaPassThroughDirect(Bytes header, const Command& command, std::uint32_t timeoutSeconds,
                               std::uint32_t dataAddress) {
  Bytes b = header.first(kAtaDirectSize);
  Zero(b);
  PutAtaHeader(b, command, timeoutSeconds, true);
  le::Store32(b.data() + 20, dataAddress);
}

TaskFile ReadAtaTaskFile(ConstBytes reply) {
  return TaskFile::FromBytes(reply.data() + kAtaCurrentTaskFileOffset);
}

void BuildIdePassThrough(Bytes buffer, const Command& command, ConstBytes dataOut) {
  Bytes b = buffer.first(kIdeBufferSize);
  Zero(b);
  PutTaskFile(b, 0, command.taskFile);
  le::Store32(b.data() + 8, command.length);
  if (command.direction == data_direction::kOut) {
    PutData(b, kIdeDataOffset, dataOut, command.length, kMaxBufferedData);
  }
}

TaskFile ReadIdeTaskFile(ConstBytes reply) { return TaskFile::FromBytes(reply.data()); }

std::size_t BuildScsiPassThrough(Bytes buffer, const Command& command,
                                 std::uint32_t timeoutSeconds, ConstBytes dataOut) {
  Bytes b = buffer.first(kScsiBufferSize);
  Zero(b);
  PutScsiHeader(b, command, timeoutSeconds);
  le::Store32(b.data() + 20, kScsiDataOffset);  // DataBufferOffset
  le::Store32(b.data() + 24, kScsiDataOffset);  // SenseInfoOffset: sense lands where the data would
  if (command.direction == data_direction::kOut) {
    PutData(b, kScsiDataOffset, dataOut, command.length, kMaxBufferedData);
  }
  if (command.direction == data_direction::kNone) return kScsiDataOffset;
  return kScsiDataOffset + std::min<std::size_t>(command.length, kMaxBufferedData);
}

void BuildScsiPassThroughDirect(Bytes header, const Command& command, std::uint32_t timeoutSeconds,
                                std::uint32_t dataAddress) {
  Bytes b = header.first(kScsiDirectSize);
  Zero(b);
  PutScsiHeader(b, command, timeoutSeconds);
  le::Store32(b.data() + 20, dataAddress);
  le::Store32(b.data() + 24, kScsiDirectSenseOffset);
}

void BuildMiniportCommand(Bytes buffer, const Command& command, std::uint8_t path,
                          std::uint8_t target, std::uint8_t lun, ConstBytes dataOut) {
  Zero(buffer);
  Bytes b = buffer;
  le::Store32(b.data(), kSrbHeaderSize);
  std::memcpy(b.data() + 4, kCmdIdeSignature, sizeof kCmdIdeSignature);
  le::Store32(b.data() + 12, kMiniportTimeoutSeconds);
  le::Store32(b.data() + 16, cmd_ide_code::kExecute);
  le::Store32(b.data() + 24, static_cast<std::uint32_t>(b.size() - kSrbHeaderSize));
  le::Store16(b.data() + 28, static_cast<std::uint16_t>(kCmdIdeBlockSize));
  std::uint32_t flags = 0;
  if (command.direction == data_direction::kOut) flags = 1;
  if (command.direction == data_direction::kIn) flags = 2;
  if (command.previous) flags |= 4;
  le::Store16(b.data() + 30, static_cast<std::uint16_t>(flags));
  b[32] = path;
  b[33] = target;
  b[34] = lun;
  le::Store32(b.data() + 36, command.length);
  le::Store32(b.data() + 40, kCmdIdeBlockSize);  // from the start of the command block
  const auto regs = command.taskFile.Bytes();
  std::copy_n(regs.begin(), 7, b.begin() + kMiniportRegistersOffset);
  if (command.previous) {
    const TaskFile& p = *command.previous;
    b[51] = p.LbaLow;
    b[52] = p.LbaMid;
    b[53] = p.LbaHigh;
    b[54] = p.Features;
    b[55] = p.SectorCount;
  }
  if (command.direction == data_direction::kOut) {
    PutData(b, kMiniportDataOffset, dataOut, command.length, command.length);
  }
}

std::uint32_t ReadMiniportReturnCode(ConstBytes reply) {
  return le::Load32(reply.data() + kMiniportReturnCodeOffset);
}

std::uint8_t MapMiniportReturnCode(std::uint32_t returnCode) {
  if (returnCode == 0) return command_result::kSuccess;
  if (returnCode <= 5) return command_result::kFailure;
  if (returnCode == 6) return command_result::kTimeout;
  if (returnCode == 7 || returnCode == 8) return command_result::kNotSupported;
  return command_result::kDriveError;
}

void BuildCmdIdeVersionQuery(Bytes buffer) {
  Bytes b = buffer.first(kMiniportDataOffset);
  Zero(b);
  le::Store32(b.data(), kSrbHeaderSize);
  std::memcpy(b.data() + 4, kCmdIdeSignature, sizeof kCmdIdeSignature);
  le::Store32(b.data() + 12, kMiniportTimeoutSeconds);
  le::Store32(b.data() + 16, cmd_ide_code::kGetVersion);
  le::Store32(b.data() + 24, kCmdIdeBlockSize);
}

CmdIdeVersion ReadCmdIdeVersion(ConstBytes reply) {
  CmdIdeVersion v;
  v.major = le::Load16(reply.data() + 28);
  v.minor = le::Load16(reply.data() + 30);
  return v;
}

}  // namespace qz::pass_through
