// Smoke check under Wine: runs the real library loaders on the images named on the command
// line (read into memory, as the updater carries them), then talks to the installed driver
// through tessel.dll and directly, and prints one "Name=value" line per finding; last, whether
// the drivers still run once the loaders have let go.
// usage: access_check tessel.dll tessel-x86.sys tessel-x64.sys tesselio.dll tesselio-x86.sys
//                     tesselio-x64.sys
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/win32/fs_redirection.hpp"
#include "platform/win32/physical_access_library.hpp"
#include "platform/win32/port_io_library.hpp"
#include "platform/win32/real_win32.hpp"
#include "platform/win32/windows.hpp"
#include "transport/ntport_loader.hpp"
#include "transport/service_helpers.hpp"
#include "transport/tessel_loader.hpp"

namespace {

// The report keeps the numbers its readers match: 1 running, 0 not, -1 failed, -2 missing.
int RunningCode(qz::Win32Api& os, const char* service) {
  switch (qz::IsServiceRunning(os, service)) {
    case qz::ServiceState::Running: return 1;
    case qz::ServiceState::NotRunning: return 0;
    case qz::ServiceState::Failed: return -1;
    case qz::ServiceState::Missing: return -2;
  }
  return -1;
}

std::vector<std::uint8_t> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// One request straight to the device: the Win32 error, 0 when it succeeded.
DWORD Raw(HANDLE device, DWORD code, DWORD inLength, DWORD outLength) {
  std::uint8_t in[16] = {0x00, 0x00, 0x0F, 0x00, 4, 0, 0, 0};  // address 0xF0000, width 4
  std::uint8_t out[128] = {};
  DWORD returned = 0;
  if (::DeviceIoControl(device, code, in, inLength, out, outLength, &returned, nullptr)) return 0;
  return ::GetLastError();
}

// 64-bit Windows Vista and 7 load only signed kernel drivers, and ours are unsigned: there the
// services do not start and both loaders report 0; the updater goes on without them.
bool UnsignedDriversRefused() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  BOOL wow64 = FALSE;
  return ::GetVersionExA(&info) && info.dwMajorVersion >= 6 &&
         ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: access_check tessel.dll tessel-x86.sys tessel-x64.sys "
                         "tesselio.dll tesselio-x86.sys tesselio-x64.sys\n");
    return 2;
  }
  std::vector<std::uint8_t> files[6];
  for (int i = 0; i < 6; ++i) {
    files[i] = ReadAll(argv[i + 1]);
    if (files[i].empty()) {
      std::fprintf(stderr, "cannot read %s\n", argv[i + 1]);
      return 2;
    }
  }
  qz::RealWin32 os;
  qz::Win32FsRedirection fs;
  qz::PhysicalAccessLibrary tesselLib;
  qz::PortIoLibrary portLib;
  {
    qz::NtPortLoader ntport(os, fs, portLib, {files[3], files[4], files[5]});
    qz::TesselLoader tessel(os, fs, tesselLib, {files[0], files[1], files[2]});
    std::printf("NtPortLoaded=%d\n", ntport.Loaded);
    std::printf("TesselLoaded=%d\n", tessel.Loaded);
    if (UnsignedDriversRefused()) {
      std::printf("Note=64-bit Windows Vista and 7 refuse unsigned drivers: 0 is expected here\n");
    }
    std::printf("TesselRunning=%d\nPortRunning=%d\n", RunningCode(os, "tessel"),
                RunningCode(os, "tesselio"));
    if (portLib.IsLoaded()) {
      char text[292] = {};
      const int state = portLib.GetLastState(text);
      std::printf("PortState=%d\nPortStateText=%s\n", state, text);
      std::printf("PortVersion=%d\n", portLib.GetNTPortVersion());
    }
    if (tessel.Loaded) {
      std::printf("Version=%u\n", tesselLib.maGetVersion());
      std::printf("FreeNoBuffer=%d\n", tesselLib.maFreeSystemBuffer());
      char text[52] = {};
      std::printf("StateAfterFree=%u\n", tesselLib.maGetLastState(text));
      std::printf("StateAfterFreeText=%s\n", text);

      HANDLE device = ::CreateFileA("\\\\.\\TESSEL", GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
      std::printf("DeviceOpen=%d\n", device != INVALID_HANDLE_VALUE ? 1 : 0);
      if (device != INVALID_HANDLE_VALUE) {
        std::printf("ShortOutputError=%lu\n", Raw(device, 0x222000, 12, 2));
        std::printf("ShortInputError=%lu\n", Raw(device, 0x222000, 8, 4));
        std::printf("ShortPciOutputError=%lu\n", Raw(device, 0x222010, 8, 87));
        std::printf("UnknownCodeError=%lu\n", Raw(device, 0x222014, 16, 16));
        std::printf("ReadError=%lu\n", Raw(device, 0x222000, 12, 4));
        ::CloseHandle(device);
      }

      std::printf("Close=%d\n", tesselLib.maCloseLibrary());
      std::printf("PeekClosed=%u\n", tesselLib.maPeekD(0xF0000));
      std::printf("StateClosed=%u\n", tesselLib.maGetLastState(text));
      std::printf("StateClosedText=%s\n", text);
      std::printf("Reopen=%d\n", tesselLib.maOpenLibrary());
      std::printf("StateReopened=%u\n", tesselLib.maGetLastState(nullptr));
    }
    std::fflush(stdout);
  }
  // Letting go of the libraries stops both drivers.
  std::printf("Released=1\n");
  std::printf("TesselRunningAfterRelease=%d\nPortRunningAfterRelease=%d\n",
              RunningCode(os, "tessel"), RunningCode(os, "tesselio"));
  return 0;
}
