#include "tessel/win32/direct_device_os.hpp"

#include "platform/win32/handle_cast.hpp"
#include "platform/win32/windows.hpp"

namespace qz::tessel {

using win32::AsHandle;
using win32::FromHandle;

template <class View>
std::uint32_t DirectDevice<View>::GetLastError() {
  return ::GetLastError();
}

template <class View>
Handle DirectDevice<View>::CreateFile(const char* path, std::uint32_t desiredAccess,
                                      std::uint32_t shareMode, std::uint32_t creationDisposition,
                                      std::uint32_t flagsAndAttributes) {
  return FromHandle(::CreateFileA(path, desiredAccess, shareMode, nullptr, creationDisposition,
                                  flagsAndAttributes, nullptr));
}

template <class View>
bool DirectDevice<View>::CloseHandle(Handle object) {
  return ::CloseHandle(AsHandle(object)) != FALSE;
}

template <class View>
bool DirectDevice<View>::DeviceIoControl(Handle device, std::uint32_t code, ConstBytes in,
                                         Bytes out, std::uint32_t& returned) {
  DWORD got = 0;
  const BOOL ok = ::DeviceIoControl(AsHandle(device), code, const_cast<std::uint8_t*>(in.data()),
                                    static_cast<DWORD>(in.size()), out.data(),
                                    static_cast<DWORD>(out.size()), &got, nullptr);
  returned = got;
  return ok != FALSE;
}

template class DirectDevice<DeviceOs>;
template class DirectDevice<LibraryOs>;

}  // namespace qz::tessel
