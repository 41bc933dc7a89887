#include "transport/tessel_loader.hpp"

#include "transport/driver_installation.hpp"
#include "transport/driver_refusal.hpp"

namespace qz {
namespace {

const DriverInstallation kTessel = {
    "tessel.dll", "tessel.sys", "tessel", "SYSTEM\\CurrentControlSet\\Services\\TESSEL",
    "Tessel Library Driver", false,
};

constexpr const char* kEntryPoints[] = {
    "maOpenLibrary", "maCloseLibrary", "maPeekB", "maPeekW", "maPeekD", "maPokeB", "maPokeW",
    "maPokeD", "maUnmapPhysicalMemory", "maMapPhysToLinear", "maGetLastState", "maGetVersion",
    "maGetDeviceBaseAddress", "maGetPCIDeviceInfo", "maAllocSystemBuffer", "maFreeSystemBuffer",
};

}  // namespace

TesselLoader::TesselLoader(Win32Api& os, FsRedirectionApi& fs, PhysicalAccessApi& library,
                           const LibraryImages& images)
    : os_(os), library_(library) {
  NotLoadedReason = RegisterAccessRefusal(os);
  Load(NotLoadedReason.empty() && RunDriverInstallation(os, fs, kTessel, images));
}

void TesselLoader::Load(bool installed) {
  Loaded = 0;
  if (!installed) return;
  // By full path: a tessel.dll beside the program must not be the one loaded.
  if (!library_.Load(SystemPath(os_, kTessel.libraryFile))) return;
  for (const char* name : kEntryPoints) {
    if (!library_.Resolve(name)) return;
  }
  if (library_.maOpenLibrary() != 0) Loaded = 1;
}

TesselLoader::~TesselLoader() {
  if (Loaded) library_.maCloseLibrary();
  if (library_.IsLoaded()) library_.Free();
  // With the device's handle closed the driver can unload.
  StopDriverOnRelease(os_, kTessel);
}

}  // namespace qz
