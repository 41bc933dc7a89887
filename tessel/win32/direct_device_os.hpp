#pragma once
// A driver's device inside the DLLs: each call straight to kernel32, with no C or C++ runtime
// underneath. Its own file, so that the port-I/O library imports nothing more.
#include "tessel/library/library_os.hpp"

namespace qz::tessel {

template <class View>
class DirectDevice : public View {
 public:
  constexpr DirectDevice() = default;

  std::uint32_t GetLastError() override;
  Handle CreateFile(const char* path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                    std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
  bool CloseHandle(Handle object) override;
  bool DeviceIoControl(Handle device, std::uint32_t code, ConstBytes in, Bytes out,
                       std::uint32_t& returned) override;
};

extern template class DirectDevice<DeviceOs>;
extern template class DirectDevice<LibraryOs>;

using DirectDeviceOs = DirectDevice<DeviceOs>;

}  // namespace qz::tessel
