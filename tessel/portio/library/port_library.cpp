#include "tessel/portio/library/port_library.hpp"

#include "platform/little_endian.hpp"
#include "tessel/library/fixed_text.hpp"
#include "tessel/portio/port_codes.hpp"

namespace qz::portio {

void PortLibrary::ProcessDetach() {
  if (device_ != kInvalidHandle) os_.CloseHandle(device_);
  device_ = kInvalidHandle;
}

bool PortLibrary::EnsureOpen() {
  if (device_ != kInvalidHandle) return true;
  char path[sizeof("\\\\.\\") + sizeof(kDeviceName)];
  tessel::FixedText(path, sizeof(path)).Add("\\\\.\\").Add(kDeviceName);
  device_ = os_.CreateFile(path, access::kGenericRead | access::kGenericWrite, 0,
                           disposition::kOpenExisting, kFileAttributeNormal);
  if (device_ != kInvalidHandle) return true;
  lastError_ = os_.GetLastError();
  state_ = kStateNoDriver;
  return false;
}

bool PortLibrary::Request(std::uint32_t code, ConstBytes in, Bytes out) {
  if (!EnsureOpen()) return false;
  std::uint32_t returned = 0;
  if (!os_.DeviceIoControl(device_, code, in, out, returned) || returned != out.size()) {
    lastError_ = os_.GetLastError();
    state_ = lastError_ != 0 ? static_cast<std::int32_t>(lastError_) : static_cast<std::int32_t>(err::kInvalidFunction);
    return false;
  }
  state_ = 0;
  lastError_ = 0;
  return true;
}

std::uint32_t PortLibrary::In(std::uint16_t port, std::uint32_t width) {
  std::uint8_t in[8] = {};
  le::Store32(in, port);
  le::Store32(in + 4, width);
  std::uint8_t out[4] = {};
  if (!Request(kIoctlReadPort, in, out)) return 0;
  return le::Load32(out);
}

void PortLibrary::Out(std::uint16_t port, std::uint32_t width, std::uint32_t value) {
  std::uint8_t in[12] = {};
  le::Store32(in, port);
  le::Store32(in + 4, width);
  le::Store32(in + 8, value);
  Request(kIoctlWritePort, in, Bytes());
}

std::uint16_t PortLibrary::GetLPTPortAddress(std::uint16_t portNumber) {
  std::uint8_t in[4] = {};
  le::Store32(in, portNumber);
  std::uint8_t out[4] = {};
  if (!Request(kIoctlLptAddress, in, out)) return 0;
  return static_cast<std::uint16_t>(le::Load32(out));
}

std::int32_t PortLibrary::GetLastState(char* text) {
  if (!text) return state_;
  tessel::FixedText line(text, kStateTextSize);
  if (state_ == 0) {
    line.Add("The operation completed successfully");
  } else {
    line.Add(state_ == kStateNoDriver ? "Can't open the port driver (error "
                                      : "The port driver failed the request (error ")
        .Decimal(lastError_)
        .Add(")");
  }
  return state_;
}

}  // namespace qz::portio
