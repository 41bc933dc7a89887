// Quenzar.exe: the updater's entry. The main window's construction runs the whole start-up;
// then the message loop runs until the program is told to end.
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/win32/fs_redirection.hpp"
#include "platform/win32/physical_access_library.hpp"
#include "platform/win32/port_io_library.hpp"
#include "platform/win32/real_buffer_address.hpp"
#include "platform/win32/real_setup_api.hpp"
#include "platform/win32/real_win32.hpp"
#include "platform/win32/real_wmi.hpp"
#include "updater/drive_manager_link.hpp"
#include "updater/exit_codes.hpp"
#include "updater/main_window.hpp"
#include "updater/updater_hooks.hpp"
#include "updater/win32/access_images.hpp"
#include "updater/win32/main_form.hpp"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int exitCode = qz::exit_code::kFailure;
  try {
    qz::RealWin32 api;
    qz::Win32Ui form(instance);
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);

    qz::RealSetupApi setup;
    qz::RealWmi wmi;
    qz::Win32FsRedirection fsRedirection;
    qz::PortIoLibrary portIo;
    qz::PhysicalAccessLibrary physicalAccess;
    qz::RealBufferAddress addresses;
    const qz::CommandDeviceSystem system{api, setup, wmi, fsRedirection, portIo, physicalAccess,
                                         addresses, qz::CarriedPortIoImages(),
                                         qz::CarriedTesselImages()};
    qz::MainWindowHooks hooks = qz::UpdaterHooks(qz::MakeDriveManagerFactory(system));
    qz::TQuenzarMain window(form, api, qz::EmbeddedPackageBlock(), hooks, arguments);
    if (!form.Terminated() && form.ShowMainForm()) form.Show();
    form.RunMessageLoop();
    window.FormDestroy();
    exitCode = window.ExitCode;
  } catch (const std::exception& error) {
    MessageBoxA(nullptr, error.what(), "Quenzar", MB_OK | MB_ICONERROR);
  }
  // Deployment tools judge a silent run by this code alone.
  return exitCode;
}
