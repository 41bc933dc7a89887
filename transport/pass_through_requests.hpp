#pragma once
// The requests of the four pass-through transports, built into and read from bytes in their
// 32-bit layouts (the updater is a 32-bit process). Pure functions: no system calls.
#include <cstddef>
#include <cstdint>

#include "platform/types.hpp"
#include "transport/pass_through_codes.hpp"
#include "transport/task_file.hpp"

// In a 64-bit Windows program the system's own structures have other sizes and offsets (the
// pointer-sized fields double): a request built from these layouts would be malformed there.
#if defined(_WIN64)
#error "pass-through requests have the 32-bit layouts: they belong to the 32-bit updater only"
#endif

namespace qz::pass_through {

inline constexpr std::size_t kMaxBufferedData = 512;

// Kind 1: ATA_PASS_THROUGH_EX, 4 bytes of padding, then the data area.
inline constexpr std::size_t kAtaHeaderSize = 40;
inline constexpr std::size_t kAtaDataOffset = 44;
inline constexpr std::size_t kAtaBufferSize = kAtaDataOffset + kMaxBufferedData;  // 556
inline constexpr std::size_t kAtaDirectSize = 40;
inline constexpr std::size_t kAtaCurrentTaskFileOffset = 32;

// Kind 2: IDEREGS, DataBufferSize, then the data area.
inline constexpr std::size_t kIdeDataOffset = 12;
inline constexpr std::size_t kIdeBufferSize = kIdeDataOffset + kMaxBufferedData;  // 524

// Kind 3: SCSI_PASS_THROUGH (44 bytes), sense and padding up to the data at 80.
inline constexpr std::size_t kScsiStructSize = 44;
inline constexpr std::size_t kScsiDataOffset = 80;
inline constexpr std::size_t kScsiBufferSize = kScsiDataOffset + kMaxBufferedData;  // 592
inline constexpr std::size_t kScsiDirectSize = 80;
inline constexpr std::size_t kScsiDirectSenseOffset = 48;
inline constexpr std::uint8_t kVendorAtaCdb = 0xCC;

// Kind 4: SRB_IO_CONTROL (28 bytes), the 44-byte "CMD_IDE " command block, then the data.
inline constexpr std::size_t kSrbHeaderSize = 28;
inline constexpr std::size_t kCmdIdeBlockSize = 44;
inline constexpr std::size_t kMiniportDataOffset = kSrbHeaderSize + kCmdIdeBlockSize;  // 72
inline constexpr std::size_t kMiniportRegistersOffset = 44;
inline constexpr std::size_t kMiniportReturnCodeOffset = 20;
inline constexpr std::uint32_t kMiniportTimeoutSeconds = 120;
inline constexpr char kCmdIdeSignature[8] = {'C', 'M', 'D', '_', 'I', 'D', 'E', ' '};

// One command as the device hands it to a transport.
struct Command {
  TaskFile taskFile;
  const TaskFile* previous = nullptr;  // given: a 48-bit command
  std::uint32_t direction = data_direction::kNone;
  std::uint32_t length = 0;
};

// `CommandTimeout` as the requests carry it: whole seconds, truncated.
std::uint32_t TimeoutSeconds(float seconds);

// Kind 1, buffered: fills all 556 bytes of `buffer`; data-out bytes are taken from `dataOut`.
void BuildAtaPassThrough(Bytes buffer, const Command& command, std::uint32_t timeoutSeconds,
                         ConstBytes dataOut);
// Kind 1, direct: fills the 40-byte header; `dataAddress` is the caller's buffer as the
// 32-bit request carries it.
void BuildAtaPassThroughDirect(Bytes header, const Command& command, std::uint32_t timeoutSeconds,
                               std::uint32_t dataAddress);
TaskFile ReadAtaTaskFile(ConstBytes reply);

// Kind 2: fills all 524 bytes. The previous task file is not sent.
void BuildIdePassThrough(Bytes buffer, const Command& command, ConstBytes dataOut);
TaskFile ReadIdeTaskFile(ConstBytes reply);

// Kind 3, buffered: fills all 592 bytes and returns how many of them are sent.
std::size_t BuildScsiPassThrough(Bytes buffer, const Command& command,
                                 std::uint32_t timeoutSeconds, ConstBytes dataOut);
// Kind 3, direct: fills the 80-byte header.
void BuildScsiPassThroughDirect(Bytes header, const Command& command, std::uint32_t timeoutSeconds,
                                std::uint32_t dataAddress);

// Kind 4: `buffer` is length + 72 bytes; `path`, `target`, `lun` address the drive.
void BuildMiniportCommand(Bytes buffer, const Command& command, std::uint8_t path,
                          std::uint8_t target, std::uint8_t lun, ConstBytes dataOut);
std::uint32_t ReadMiniportReturnCode(ConstBytes reply);
// The device's result for the miniport's ReturnCode.
std::uint8_t MapMiniportReturnCode(std::uint32_t returnCode);

// The miniport's version query: a 72-byte buffer.
void BuildCmdIdeVersionQuery(Bytes buffer);
struct CmdIdeVersion {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  float Value() const { return static_cast<float>(major) + static_cast<float>(minor) / 10.0f; }
  // Compared in tenths, so that 2.2 is not lost to rounding.
  bool AtLeast(unsigned major10, unsigned minor10) const {
    return 10u * major + minor >= 10u * major10 + minor10;
  }
};
CmdIdeVersion ReadCmdIdeVersion(ConstBytes reply);

}  // namespace qz::pass_through
