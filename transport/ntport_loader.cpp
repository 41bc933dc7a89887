#include "transport/ntport_loader.hpp"

#include "transport/driver_installation.hpp"

namespace qz {
namespace {

const DriverInstallation kNtPort = {
    "ntport.dll", "zntport.sys", "zntport", "SYSTEM\\CurrentControlSet\\Services\\zntport",
    "NTPort Library Driver", true,
};

constexpr const char* kRequired[] = {"Inport", "Outport", "InportW", "OutportW",
                                     "InportD", "OutportD", "GetLastState"};
constexpr const char* kOptional[] = {"GetNTPortVersion", "SetFastMode", "GetFastMode",
                                     "GetLPTPortAddress"};

}  // namespace

NtPortLoader::NtPortLoader(Win32Api& os, FsRedirectionApi& fs, PortIoApi& library,
                           const LibraryImages& images)
    : os_(os), library_(library) {
  Load(RunDriverInstallation(os, fs, kNtPort, images));
}

void NtPortLoader::Load(bool installed) {
  Loaded = 0;
  if (!installed) return;
  // By full path, so that a planted ntport.dll beside the program is never loaded.
  if (!library_.Load(SystemPath(os_, kNtPort.libraryFile))) return;
  for (const char* name : kRequired) {
    if (!library_.Resolve(name)) return;
  }
  for (const char* name : kOptional) library_.Resolve(name);
  // The probe: one word from the real-time clock's data port, then the library's verdict.
  library_.InportW(0x71);
  char text[292] = {};
  if (library_.GetLastState(text) == 0) Loaded = 1;
}

NtPortLoader::~NtPortLoader() {
  if (library_.IsLoaded()) library_.Free();
}

}  // namespace qz
