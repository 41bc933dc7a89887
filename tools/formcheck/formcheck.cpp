// Shows the real main window as a start-up that reached the drive list would leave it, with
// two made-up drives, then closes it after a few seconds. For looking at the window's layout
// (the Wine smoke test takes a screenshot); the shipped updater does not contain this.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/real_win32.hpp"
#include "updater/main_window.hpp"
#include "updater/updater_hooks.hpp"
#include "updater/win32/main_form.hpp"

namespace {

class TwoDrives final : public qz::DriveManagerApi {
 public:
  TwoDrives() {
    Fill(drives_[0], "OTHER DRIVE 120G        ", "1.02    ", 0);
    Fill(drives_[1], "VORTANIX QRX-480T9A     ", "VRD5    ", 1);
  }
  std::uint32_t LastError() override { return 0; }
  std::uint16_t GetCount() override { return 2; }
  qz::DriveRecord* GetItem(unsigned index) override { return index < 2 ? &drives_[index] : nullptr; }
  bool Select(std::int16_t index) override { return index >= 0 && index < 2; }

 private:
  static void Fill(qz::DriveRecord& r, const char* model, const char* revision, int port) {
    std::memcpy(r.ModelText.data(), model, 24);
    std::memcpy(r.ModelHead.data(), model, 8);
    std::memcpy(r.ModelTail.data(), model + 8, 16);
    std::memcpy(r.FirmwareRevision.data(), revision, 8);
    r.PortNumber = static_cast<std::int16_t>(port);
    r.Present = 1;
  }
  qz::DriveRecord drives_[2];
};

void CALLBACK EndPreview(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  qz::RealWin32 api;
  qz::Win32Ui form(instance);
  // The updater's own drive list over two made-up drives; the update command is left out.
  qz::MainWindowHooks hooks = qz::UpdaterHooks([](bool) { return std::make_unique<TwoDrives>(); });
  hooks.updateCommand = nullptr;
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
  qz::TQuenzarMain window(form, api, qz::EmbeddedPackageBlock(), hooks, arguments);
  if (!form.Terminated() && form.ShowMainForm()) {
    form.Show();
    SetTimer(nullptr, 0, 4000, EndPreview);
  }
  form.RunMessageLoop();
  window.FormDestroy();
  return 0;
}
