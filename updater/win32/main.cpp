// Quenzar.exe: the updater's entry. The main window's construction runs the whole start-up;
// then the message loop runs until the program is told to end.
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "platform/win32/real_win32.hpp"
#include "updater/main_window.hpp"
#include "updater/updater_hooks.hpp"
#include "updater/win32/main_form.hpp"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    qz::RealWin32 api;
    qz::Win32Ui form(instance);
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);

    // The drive list and the update command are wired; the drive manager of the discovery
    // subsystem is not part of this build yet, so start-up still ends at its creation.
    qz::MainWindowHooks hooks = qz::UpdaterHooks(nullptr);
    qz::TQuenzarMain window(form, api, qz::EmbeddedPackageBlock(), hooks, arguments);
    if (!form.Terminated() && form.ShowMainForm()) form.Show();
    form.RunMessageLoop();
    window.FormDestroy();
  } catch (const std::exception& error) {
    MessageBoxA(nullptr, error.what(), "Quenzar", MB_OK | MB_ICONERROR);
  }
  return 0;
}
