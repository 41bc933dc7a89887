// tessel.dll: each export forwards to the library's portable code over the real system.
#include <cstdint>

#include "platform/win32/windows.hpp"
#include "tessel/library/tessel_library.hpp"
#include "tessel/win32/direct_library_os.hpp"

namespace {
// Set up by the loader: there is no runtime to run constructors or destructors.
constinit qz::tessel::DirectLibraryOs gOs;
constinit qz::tessel::TesselLibrary gLibrary(gOs);
}  // namespace

#define QZ_EXPORT extern "C" __declspec(dllexport)

QZ_EXPORT std::int32_t __stdcall maOpenLibrary() { return gLibrary.maOpenLibrary(); }
QZ_EXPORT std::int32_t __stdcall maCloseLibrary() { return gLibrary.maCloseLibrary(); }
QZ_EXPORT std::uint32_t __stdcall maPeekB(std::uint32_t a) { return gLibrary.maPeekB(a); }
QZ_EXPORT std::uint32_t __stdcall maPeekW(std::uint32_t a) { return gLibrary.maPeekW(a); }
QZ_EXPORT std::uint32_t __stdcall maPeekD(std::uint32_t a) { return gLibrary.maPeekD(a); }
QZ_EXPORT std::int32_t __stdcall maPokeB(std::uint32_t a, std::uint32_t v) { return gLibrary.maPokeB(a, v); }
QZ_EXPORT std::int32_t __stdcall maPokeW(std::uint32_t a, std::uint32_t v) { return gLibrary.maPokeW(a, v); }
QZ_EXPORT std::int32_t __stdcall maPokeD(std::uint32_t a, std::uint32_t v) { return gLibrary.maPokeD(a, v); }
QZ_EXPORT std::uint32_t __stdcall maMapPhysToLinear(std::uint32_t p, std::uint32_t n, std::uint32_t* h) {
  return gLibrary.maMapPhysToLinear(p, n, h);
}
QZ_EXPORT std::int32_t __stdcall maUnmapPhysicalMemory(std::uint32_t h, std::uint32_t linear) {
  return gLibrary.maUnmapPhysicalMemory(h, linear);
}
QZ_EXPORT std::int32_t __stdcall maFindPCIDevice(std::uint32_t v, std::uint32_t d, std::uint32_t i,
                                                 std::uint8_t* record) {
  return gLibrary.maFindPCIDevice(v, d, i, record);
}
QZ_EXPORT std::int32_t __stdcall maGetPCIDeviceInfo(std::uint16_t* v, std::uint16_t* d, std::uint32_t i,
                                                    std::uint32_t* bus, std::uint32_t* dev,
                                                    std::uint32_t* fn, std::uint8_t* header) {
  return gLibrary.maGetPCIDeviceInfo(v, d, i, bus, dev, fn, header);
}
QZ_EXPORT std::int32_t __stdcall maGetDeviceBaseAddress(std::uint16_t* v, std::uint16_t* d,
                                                        std::uint32_t i, std::uint8_t* records) {
  return gLibrary.maGetDeviceBaseAddress(v, d, i, records);
}
QZ_EXPORT std::uint32_t __stdcall maAllocSystemBuffer(std::uint32_t size, std::uint32_t* physical) {
  return gLibrary.maAllocSystemBuffer(size, physical);
}
QZ_EXPORT std::int32_t __stdcall maFreeSystemBuffer() { return gLibrary.maFreeSystemBuffer(); }
QZ_EXPORT std::uint32_t __stdcall maGetLastState(char* text) { return gLibrary.maGetLastState(text); }
// A 16-bit version, returned zero-extended so that 16- and 32-bit declarations read it alike.
QZ_EXPORT std::uint32_t __stdcall maGetVersion() { return gLibrary.maGetVersion(); }
QZ_EXPORT std::int32_t __stdcall maIsWinNT() { return gLibrary.maIsWinNT(); }
QZ_EXPORT std::int32_t __stdcall maIsWin64() { return gLibrary.maIsWin64(); }
QZ_EXPORT std::int32_t __stdcall maInstallService() { return gLibrary.maInstallService(); }
QZ_EXPORT std::int32_t __stdcall maRemoveService() { return gLibrary.maRemoveService(); }
QZ_EXPORT std::int32_t __stdcall maControlService() { return gLibrary.maControlService(); }

// The image's entry point: the loader calls it directly.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) gLibrary.ProcessAttach();
  if (reason == DLL_PROCESS_DETACH) gLibrary.ProcessDetach();
  return TRUE;
}
