#pragma once
// The four transports that hand a task-file command to the Windows storage stack with
// DeviceIoControl on the selected drive's handle. They keep their request buffers and use
// the state of the command device that owns them through PassThroughOwner.
#include <array>
#include <cstdint>

#include "platform/buffer_address_api.hpp"
#include "platform/win32_api.hpp"
#include "transport/high_res_timer.hpp"
#include "transport/pass_through_requests.hpp"
#include "transport/task_file.hpp"
#include "transport/transport_kind.hpp"

namespace qz {

// What a transport needs of the command device.
class PassThroughOwner {
 public:
  virtual ~PassThroughOwner() = default;
  virtual Handle DriveHandle() const = 0;
  // Selects the current drive again (reopening its handle and choosing the kind anew).
  virtual void Reselect() = 0;
  virtual float CommandTimeoutSeconds() const = 0;
  // The selected drive's SCSI address (the miniport interface names the drive by it).
  virtual void DriveAddress(std::uint8_t& pathId, std::uint8_t& targetId,
                            std::uint8_t& lun) const = 0;
  virtual void SetOutputTaskFile(const TaskFile& registers) = 0;
  virtual void SetLastSystemError(std::uint32_t error) = 0;
};

class PassThroughTransports {
 public:
  PassThroughTransports(Win32Api& api, BufferAddressApi& addresses, HighResTimer& timer,
                        PassThroughOwner& owner);

  // The pass-through kinds. `buffer` is the caller's data buffer; `length` is its byte count
  // on entry and the count the system reported on success.
  std::uint8_t Send(TransportKind kind, const TaskFile& taskFile, Bytes buffer,
                    const TaskFile* previous, std::uint32_t direction, std::uint32_t& length);

  // The "CMD_IDE " miniport driver's version, 0.0 when the query fails.
  pass_through::CmdIdeVersion QueryCmdIdeVersion();

  // The requests as last built (they live here and are rebuilt for every request).
  std::array<std::uint8_t, pass_through::kIdeBufferSize> IdeBuffer{};
  std::array<std::uint8_t, pass_through::kAtaDirectSize> AtaDirectHeader{};
  std::array<std::uint8_t, pass_through::kAtaBufferSize> AtaBuffer{};
  std::array<std::uint8_t, pass_through::kScsiBufferSize> ScsiBuffer{};
  std::array<std::uint8_t, pass_through::kScsiDirectSize> ScsiDirectHeader{};

 private:
  std::uint8_t SendAta(const pass_through::Command& c, Bytes buffer, std::uint32_t& length);
  std::uint8_t SendIde(const pass_through::Command& c, Bytes buffer, std::uint32_t& length);
  std::uint8_t SendScsi(const pass_through::Command& c, Bytes buffer, std::uint32_t& length);
  std::uint8_t SendMiniport(const pass_through::Command& c, Bytes buffer, std::uint32_t& length);
  // The common frame: timer, re-selection of an invalid handle, the request, the error.
  bool Exchange(std::uint32_t code, Bytes request, std::size_t size, std::uint32_t& returned,
                std::uint8_t& failure);
  std::uint32_t Timeout() const;

  Win32Api& api_;
  BufferAddressApi& addresses_;
  HighResTimer& timer_;
  PassThroughOwner& owner_;
};

}  // namespace qz
