#include "transport/pass_through_transports.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "transport/pass_through_codes.hpp"

namespace qz {

using namespace pass_through;

namespace {

constexpr std::uint32_t kRescanPauseMs = 500;

// Copies min(length, returned) bytes of reply data at `at` into the caller's buffer.
void CopyReplyData(ConstBytes request, std::size_t at, Bytes buffer, std::uint32_t length,
                   std::uint32_t returned) {
  std::size_t n = std::min<std::size_t>(length, returned);
  n = std::min({n, buffer.size(), request.size() - at});
  std::copy_n(request.begin() + static_cast<std::ptrdiff_t>(at), n, buffer.begin());
}

TaskFile AllOnes() { return TaskFile{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}; }

}  // namespace

PassThroughTransports::PassThroughTransports(Win32Api& api, BufferAddressApi& addresses,
                                             HighResTimer& timer, PassThroughOwner& owner)
    : api_(api), addresses_(addresses), timer_(timer), owner_(owner) {}

std::uint32_t PassThroughTransports::Timeout() const {
  return TimeoutSeconds(owner_.CommandTimeoutSeconds());
}

std::uint8_t PassThroughTransports::Send(TransportKind kind, const TaskFile& taskFile, Bytes buffer,
                                         const TaskFile* previous, std::uint32_t direction,
                                         std::uint32_t& length) {
  // A length beyond the caller's buffer would let the driver read or write past it.
  if (length > buffer.size()) return command_result::kFailure;
  const Command c{taskFile, previous, direction, length};
  switch (kind) {
    case TransportKind::AtaPassThrough: return SendAta(c, buffer, length);
    case TransportKind::IdePassThrough:
      return SendIde(Command{taskFile, nullptr, direction, length}, buffer, length);
    case TransportKind::ScsiPassThrough:
      return SendScsi(Command{taskFile, nullptr, direction, length}, buffer, length);
    case TransportKind::Miniport: return SendMiniport(c, buffer, length);
    default: return command_result::kNotSupported;
  }
}

bool PassThroughTransports::Exchange(std::uint32_t code, Bytes request, std::size_t size,
                                     std::uint32_t& returned, std::uint8_t& failure) {
  timer_.StartLap(true);
  if (owner_.DriveHandle() == kInvalidHandle) owner_.Reselect();
  const Bytes sent = request.first(size);
  returned = 0;
  const bool ok = api_.DeviceIoControl(owner_.DriveHandle(), code, sent, sent, returned);
  timer_.StopLap();
  if (!ok) {
    const std::uint32_t error = api_.GetLastError();
    owner_.SetLastSystemError(error);
    failure = MapWindowsError(error);
  }
  return ok;
}

std::uint8_t PassThroughTransports::SendAta(const Command& c, Bytes buffer, std::uint32_t& length) {
  std::uint32_t returned = 0;
  std::uint8_t failure = 0;
  if (c.length <= kMaxBufferedData) {
    BuildAtaPassThrough(AtaBuffer, c, Timeout(), buffer);
    if (!Exchange(ioctl::kAtaPassThrough, AtaBuffer, AtaBuffer.size(), returned, failure)) {
      return failure;
    }
    const TaskFile out = ReadAtaTaskFile(AtaBuffer);
    owner_.SetOutputTaskFile(out);
    if (out.Command & ata_status::kErr) return command_result::kDriveError;
    if (c.direction == data_direction::kIn && !buffer.empty() && returned != 0) {
      CopyReplyData(AtaBuffer, kAtaDataOffset, buffer, c.length, returned);
    }
    length = returned;
    return command_result::kSuccess;
  }
  const std::uint32_t address = addresses_.AddressOf(buffer.first(c.length));
  if (address == 0) return command_result::kFailure;
  BuildAtaPassThroughDirect(AtaDirectHeader, c, Timeout(), address);
  const bool ok =
      Exchange(ioctl::kAtaPassThroughDirect, AtaDirectHeader, AtaDirectHeader.size(), returned, failure);
  addresses_.Release(address);
  if (!ok) return failure;
  const TaskFile out = ReadAtaTaskFile(AtaDirectHeader);
  owner_.SetOutputTaskFile(out);
  if (out.Command & ata_status::kErr) return command_result::kDriveError;
  length = returned;
  return command_result::kSuccess;
}

std::uint8_t PassThroughTransports::SendIde(const Command& c, Bytes buffer, std::uint32_t& length) {
  if (c.length > kMaxBufferedData) return command_result::kFailure;
  BuildIdePassThrough(IdeBuffer, c, buffer);
  if (c.taskFile.Command == ata_command::kIdentifyDevice) {
    // The port driver may not have seen a drive that came up late: rescan, give it time.
    if (owner_.DriveHandle() == kInvalidHandle) owner_.Reselect();
    std::uint32_t ignored = 0;
    api_.DeviceIoControl(owner_.DriveHandle(), ioctl::kScsiRescanBus, {}, {}, ignored);
    api_.Sleep(kRescanPauseMs);
  }
  std::uint32_t returned = 0;
  std::uint8_t failure = 0;
  if (!Exchange(ioctl::kIdePassThrough, IdeBuffer, IdeBuffer.size(), returned, failure)) {
    return failure;
  }
  const TaskFile out = ReadIdeTaskFile(IdeBuffer);
  owner_.SetOutputTaskFile(out);
  if (out.Command & ata_status::kErr) return command_result::kDriveError;
  if (c.direction == data_direction::kIn && !buffer.empty() && returned != 0) {
    CopyReplyData(IdeBuffer, kIdeDataOffset, buffer, c.length, returned);
  }
  length = returned;
  return command_result::kSuccess;
}

std::uint8_t PassThroughTransports::SendScsi(const Command& c, Bytes buffer, std::uint32_t& length) {
  std::uint32_t returned = 0;
  std::uint8_t failure = 0;
  if (c.length <= kMaxBufferedData) {
    const std::size_t size = BuildScsiPassThrough(ScsiBuffer, c, Timeout(), buffer);
    if (!Exchange(ioctl::kScsiPassThrough, ScsiBuffer, size, returned, failure)) return failure;
    owner_.SetOutputTaskFile(AllOnes());
    if (c.direction == data_direction::kIn && !buffer.empty() && returned != 0) {
      CopyReplyData(ScsiBuffer, kScsiDataOffset, buffer, c.length, returned);
    }
    length = returned;
    return command_result::kSuccess;
  }
  const std::uint32_t address = addresses_.AddressOf(buffer.first(c.length));
  if (address == 0) return command_result::kFailure;
  BuildScsiPassThroughDirect(ScsiDirectHeader, c, Timeout(), address);
  const bool ok = Exchange(ioctl::kScsiPassThroughDirect, ScsiDirectHeader, ScsiDirectHeader.size(),
                           returned, failure);
  addresses_.Release(address);
  if (!ok) return failure;
  owner_.SetOutputTaskFile(AllOnes());
  length = returned;
  return command_result::kSuccess;
}

std::uint8_t PassThroughTransports::SendMiniport(const Command& c, Bytes buffer,
                                                 std::uint32_t& length) {
  if (c.length > std::numeric_limits<std::size_t>::max() - kMiniportDataOffset ||
      c.length > std::numeric_limits<std::uint32_t>::max() - kMiniportDataOffset) {
    return command_result::kFailure;
  }
  const std::size_t size = std::size_t{c.length} + kMiniportDataOffset;
  std::unique_ptr<std::uint8_t[]> storage(new (std::nothrow) std::uint8_t[size]);
  if (!storage) return command_result::kFailure;
  const Bytes request(storage.get(), size);
  std::uint8_t path = 0, target = 0, lun = 0;
  owner_.DriveAddress(path, target, lun);
  BuildMiniportCommand(request, c, path, target, lun, buffer);
  std::uint32_t returned = 0;
  std::uint8_t failure = 0;
  if (!Exchange(ioctl::kScsiMiniport, request, size, returned, failure)) {
    owner_.SetOutputTaskFile(AllOnes());
    return failure;
  }
  length = returned;
  owner_.SetOutputTaskFile(TaskFile::FromBytes(request.data() + kMiniportRegistersOffset));
  const std::uint32_t code = ReadMiniportReturnCode(request);
  if (code == 0 && c.direction == data_direction::kIn) {
    const std::size_t n = std::min<std::size_t>(c.length, buffer.size());
    std::copy_n(request.begin() + kMiniportDataOffset, n, buffer.begin());
  }
  return MapMiniportReturnCode(code);
}

CmdIdeVersion PassThroughTransports::QueryCmdIdeVersion() {
  std::array<std::uint8_t, kMiniportDataOffset> query{};
  BuildCmdIdeVersionQuery(query);
  std::uint32_t returned = 0;
  if (!api_.DeviceIoControl(owner_.DriveHandle(), ioctl::kScsiMiniport, query, query, returned)) {
    return CmdIdeVersion{};
  }
  return ReadCmdIdeVersion(query);
}

}  // namespace qz
