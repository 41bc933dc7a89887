#pragma once
// Types at the operating-system seam. Portable code sees these, never <windows.h>.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qz {

// An opaque kernel or library handle. 0 is "none", kInvalidHandle mirrors INVALID_HANDLE_VALUE.
using Handle = std::uint64_t;
inline constexpr Handle kNullHandle = 0;
inline constexpr Handle kInvalidHandle = ~Handle{0};

using Bytes = std::span<std::uint8_t>;
using ConstBytes = std::span<const std::uint8_t>;

// Win32 error codes the code base names (values are the system's own).
namespace err {
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kInvalidFunction = 1;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kWriteFault = 29;
inline constexpr std::uint32_t kReadFault = 30;
inline constexpr std::uint32_t kNotSupported = 50;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kInsufficientBuffer = 122;
inline constexpr std::uint32_t kProcNotFound = 127;
inline constexpr std::uint32_t kSemTimeout = 121;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kMoreData = 234;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kNoMoreItems = 259;
inline constexpr std::uint32_t kNotAllAssigned = 1300;
inline constexpr std::uint32_t kPrivilegeNotHeld = 1314;
inline constexpr std::uint32_t kTimeout = 1460;
}  // namespace err

}  // namespace qz
