// Shows the real main window as a start-up that reached the drive list would leave it, with
// two made-up drives, then closes it after a few seconds. For looking at the window's layout
// (the Wine smoke test takes a screenshot); the shipped updater does not contain this.
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/real_win32.hpp"
#include "updater/main_window.hpp"
#include "updater/win32/main_form.hpp"

namespace {

class TwoDrives final : public qz::DriveManagerApi {
 public:
  TwoDrives() {
    drives_[0].Present = 1;
    drives_[1].Present = 1;
    drives_[1].Eligible = 1;
  }
  std::uint32_t LastError() override { return 0; }
  std::uint16_t GetCount() override { return 2; }
  qz::DriveRecord* GetItem(unsigned index) override { return index < 2 ? &drives_[index] : nullptr; }
  bool Select(std::int16_t index) override { return index >= 0 && index < 2; }

 private:
  qz::DriveRecord drives_[2];
};

void CALLBACK EndPreview(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  qz::RealWin32 api;
  qz::Win32Ui form(instance);
  qz::MainWindowHooks hooks;
  hooks.createDriveManager = [](bool) { return std::make_unique<TwoDrives>(); };
  hooks.buildDriveList = [](qz::TQuenzarMain& w) {
    w.Ui.AddItem(qz::UiControl::cboDrives, " 0-0-0-0   OTHER DRIVE 120G         1.02");
    w.Ui.AddItem(qz::UiControl::cboDrives, " 1-0-0-0   VORTANIX QRX-480T9A      VRD5");
    w.ItemToDrive[0] = 0;
    w.ItemToDrive[1] = 1;
    w.Ui.SetItemIndex(qz::UiControl::cboDrives, 1);
    w.Ui.SetCaption(qz::UiControl::lblOldFW, "VRD5");
    w.Ui.SetCaption(qz::UiControl::lblNewFW, "VRDC");
  };
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
