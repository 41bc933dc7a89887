#pragma once
// Files and devices: everything that is opened with CreateFile and closed with CloseHandle.
#include <cstdint>
#include <string>

#include "platform/types.hpp"

namespace qz {

namespace access {
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
}  // namespace access

namespace share {
inline constexpr std::uint32_t kRead = 1;
inline constexpr std::uint32_t kWrite = 2;
}  // namespace share

namespace disposition {
inline constexpr std::uint32_t kCreateNew = 1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kOpenAlways = 4;
inline constexpr std::uint32_t kTruncateExisting = 5;
}  // namespace disposition

inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

class FileApi {
 public:
  virtual ~FileApi() = default;

  // kInvalidHandle on failure, with the reason in GetLastError.
  virtual Handle CreateFile(const std::string& path, std::uint32_t desiredAccess,
                            std::uint32_t shareMode, std::uint32_t creationDisposition,
                            std::uint32_t flagsAndAttributes) = 0;
  virtual bool ReadFile(Handle file, Bytes buffer, std::uint32_t& read) = 0;
  virtual bool WriteFile(Handle file, ConstBytes data, std::uint32_t& written) = 0;
  virtual bool GetFileSize(Handle file, std::uint64_t& size) = 0;
  // method: 0 begin, 1 current, 2 end.
  virtual bool SetFilePointer(Handle file, std::int64_t distance, std::uint32_t method,
                              std::uint64_t& position) = 0;
  virtual bool CloseHandle(Handle object) = 0;

  virtual std::uint32_t GetFileAttributes(const std::string& path) = 0;
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool CreateDirectory(const std::string& path) = 0;

  // Requests and replies are bytes in the layouts of the control code.
  virtual bool DeviceIoControl(Handle device, std::uint32_t code, ConstBytes in, Bytes out,
                               std::uint32_t& returned) = 0;
};

}  // namespace qz
