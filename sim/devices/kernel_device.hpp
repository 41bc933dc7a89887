#pragma once
// What the I/O manager does around a METHOD_BUFFERED request: one system buffer as large as
// the larger of input and output, the input copied in, the output copied back, and the
// driver's NTSTATUS turned into the Win32 error that DeviceIoControl reports.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/types.hpp"
#include "tessel/driver/status.hpp"

namespace qz::sim {

inline std::uint32_t Win32ErrorOf(std::int32_t status) {
  switch (status) {
    case kstatus::kBufferTooSmall: return err::kInsufficientBuffer;
    case kstatus::kInvalidParameter: return err::kInvalidParameter;
    case kstatus::kInsufficientResources: return 1450;  // ERROR_NO_SYSTEM_RESOURCES
    case kstatus::kAccessDenied: return err::kAccessDenied;
    default: return 31;                                  // ERROR_GEN_FAILURE
  }
}

template <typename Handler>
bool BufferedRequest(Handler&& handle, ConstBytes in, Bytes out, std::uint32_t& returned,
                     std::uint32_t& lastError) {
  std::vector<std::uint8_t> system(in.size() > out.size() ? in.size() : out.size());
  if (!in.empty()) std::memcpy(system.data(), in.data(), in.size());
  const kstatus::Reply reply = handle(system.empty() ? nullptr : system.data(),
                                      static_cast<std::uint32_t>(in.size()),
                                      static_cast<std::uint32_t>(out.size()));
  if (reply.status < 0) {
    returned = 0;
    lastError = Win32ErrorOf(reply.status);
    return false;
  }
  const std::uint32_t n = reply.information < out.size() ? reply.information
                                                         : static_cast<std::uint32_t>(out.size());
  if (n) std::memcpy(out.data(), system.data(), n);
  returned = n;
  return true;
}

}  // namespace qz::sim
