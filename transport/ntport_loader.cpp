#include "transport/ntport_loader.hpp"

#include "transport/driver_installation.hpp"
#include "transport/driver_refusal.hpp"

namespace qz {
namespace {

// Our own names: a machine that also has the outside port-I/O library keeps its files and
// its service untouched.
const DriverInstallation kNtPort = {
    "tesselio.dll", "tesselio.sys", "tesselio", "SYSTEM\\CurrentControlSet\\Services\\tesselio",
    "Tessel Port I/O Driver", true,
};

constexpr const char* kRequired[] = {"Inport", "Outport", "InportW", "OutportW",
                                     "InportD", "OutportD", "GetLastState"};
constexpr const char* kOptional[] = {"GetNTPortVersion", "SetFastMode", "GetFastMode",
                                     "GetLPTPortAddress"};

}  // namespace

NtPortLoader::NtPortLoader(Win32Api& os, FsRedirectionApi& fs, PortIoApi& library,
                           const LibraryImages& images)
    : os_(os), library_(library) {
  NotLoadedReason = RegisterAccessRefusal(os);
  Load(NotLoadedReason.empty() && RunDriverInstallation(os, fs, kNtPort, images));
}

void NtPortLoader::Load(bool installed) {
  Loaded = 0;
  if (!installed) return;
  // By full path, so that a planted tesselio.dll beside the program is never loaded.
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
  StopDriverOnRelease(os_, kNtPort);
}

}  // namespace qz
