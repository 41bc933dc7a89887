// tesselio.dll: the port-I/O entry points, each forwarded to the library's portable code.
#include <cstdint>

#include "platform/win32/windows.hpp"
#include "tessel/portio/library/port_library.hpp"
#include "tessel/win32/direct_device_os.hpp"

namespace {
// Set up by the loader: there is no runtime to run constructors or destructors.
constinit qz::tessel::DirectDeviceOs gOs;
constinit qz::portio::PortLibrary gLibrary(gOs);
}  // namespace

#define QZ_EXPORT extern "C" __declspec(dllexport)

// Values come back zero-extended to 32 bits: callers may declare them as bytes or words.
QZ_EXPORT std::uint32_t __stdcall Inport(std::uint32_t port) {
  return gLibrary.Inport(static_cast<std::uint16_t>(port));
}
QZ_EXPORT std::uint32_t __stdcall InportW(std::uint32_t port) {
  return gLibrary.InportW(static_cast<std::uint16_t>(port));
}
QZ_EXPORT std::uint32_t __stdcall InportD(std::uint32_t port) {
  return gLibrary.InportD(static_cast<std::uint16_t>(port));
}
QZ_EXPORT void __stdcall Outport(std::uint32_t port, std::uint32_t value) {
  gLibrary.Outport(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value));
}
QZ_EXPORT void __stdcall OutportW(std::uint32_t port, std::uint32_t value) {
  gLibrary.OutportW(static_cast<std::uint16_t>(port), static_cast<std::uint16_t>(value));
}
QZ_EXPORT void __stdcall OutportD(std::uint32_t port, std::uint32_t value) {
  gLibrary.OutportD(static_cast<std::uint16_t>(port), value);
}
QZ_EXPORT std::int32_t __stdcall GetLastState(char* text) { return gLibrary.GetLastState(text); }
QZ_EXPORT std::int32_t __stdcall GetNTPortVersion() { return gLibrary.GetNTPortVersion(); }
QZ_EXPORT void __stdcall SetFastMode(std::int32_t fast) { gLibrary.SetFastMode(fast); }
QZ_EXPORT std::int32_t __stdcall GetFastMode() { return gLibrary.GetFastMode(); }
QZ_EXPORT std::uint32_t __stdcall GetLPTPortAddress(std::uint32_t number) {
  return gLibrary.GetLPTPortAddress(static_cast<std::uint16_t>(number));
}

// The image's entry point: the loader calls it directly.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) gLibrary.ProcessDetach();
  return TRUE;
}
