#pragma once
// The main window's logic: the whole start-up sequence (run by the constructor, before the
// message loop), the layout of the version line, the close timer and the window's end. It
// drives the window only through the UI seam and the system only through the Win32 seam.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui_api.hpp"
#include "platform/win32_api.hpp"
#include "transport/system_info.hpp"
#include "updater/drive_manager_api.hpp"
#include "updater/package_block.hpp"
#include "updater/package_options.hpp"

namespace qz {

class TQuenzarMain;

// The parts of the window's work that other subsystems provide. An empty hook means that part
// is not there: no drive manager fails start-up at step 8, and without an update command the
// program ends where the update would have run.
struct MainWindowHooks {
  DriveManagerFactory createDriveManager;
  // BuildDriveList, then the list's change handler for the selected item.
  std::function<void(TQuenzarMain&)> buildDriveList;
  // The list's change handler (selection changed by the user).
  std::function<void(TQuenzarMain&)> driveListChange;
  // The update command; it always ends the program.
  std::function<void(TQuenzarMain&)> updateCommand;
};

// Where the start-up stopped.
enum class StartupEnd {
  BatteryLow,          // step 3
  BadArgument,         // step 5: neither an option nor an existing file
  FirmwareFileRefused, // step 5: the file can't be taken
  NoFirmware,          // step 7
  DeviceInitFailed,    // step 8
  AccessDenied,        // step 9
  UnreachableDrive,    // after step 10: only drives of the release's models that no transport reached
  NoMatchedDrives,     // step 12
  NoticeDeclined,      // step 13
  UpdateRun,           // step 15: silent or unattended, the update command ran
  WindowShown,         // step 15: the window is to be shown and waits for the user
};

class TQuenzarMain final : public UiEvents {
 public:
  static constexpr int kMaxListItems = 16;

  // Runs the start-up sequence; `arguments` are the command-line arguments without the
  // program name.
  TQuenzarMain(UiApi& ui, Win32Api& api, PackageBlock package, MainWindowHooks hooks,
               std::vector<std::string> arguments);
  ~TQuenzarMain() override;
  TQuenzarMain(const TQuenzarMain&) = delete;
  TQuenzarMain& operator=(const TQuenzarMain&) = delete;

  void LoadPackageOptions();
  // False when the program is to end.
  bool ParseCommandLine();
  void FormShow();
  void FormDestroy();
  void tmrCloseMsgTimer();
  void RunUpdateCommand();

  // The code page of the texts of the current language.
  std::uint32_t TextCodePage() const;

  // UiEvents
  void OnTimer(UiControl timer) override;
  void OnShow() override { FormShow(); }
  void OnDestroy() override { FormDestroy(); }
  void OnChange(UiControl list) override;
  void OnClick(UiControl button) override;
  int ItemImage(UiControl list, int item) override;
  bool DrawItem(UiControl list, int item, const DrawRect& rect, bool selected,
                DrawCanvas& canvas) override;

  UiApi& Ui;
  Win32Api& Api;
  PackageBlock Package;
  PackageOptions Options;
  MainWindowHooks Hooks;
  std::vector<std::string> Arguments;

  std::unique_ptr<SystemInfo> SysInfo;
  std::unique_ptr<DriveManagerApi> Drives;
  std::array<int, kMaxListItems> ItemToDrive{};
  int SelectedPackage = 0;
  UiText MessageTitle;
  std::string DetectedDrivesText;
  Bytes CurrentFirmware;  // the firmware area
  std::uint64_t CurrentImageStart = 0;
  std::uint64_t CurrentImageSize = 0;
  int ExitCode = 0;  // what the program returns (updater/exit_codes.hpp)
  StartupEnd End = StartupEnd::WindowShown;

 private:
  void Startup();
  // Ends the start-up: the program is to terminate.
  void Finish(StartupEnd end);
  // Starts the close timer for a box with this caption when boxes close themselves.
  void ArmCloseTimer(const UiText& caption);
  // Start-up's stages, in order; each that can end the start-up returns false when it did.
  bool BatteryAllowsUpdate();
  bool PackageHoldsFirmware();
  bool CreateDriveManager();
  bool RunsAsAdministrator();
  bool ListDrives();
  bool AnyEligibleDrive();
  bool NoticeAccepted();
  // A silent or unattended run updates now; otherwise the window waits for the user.
  void UpdateNowOrShowWindow();
  // The boxes from the firmware check to the drive count are not shown in a silent run unless
  // it is also unattended.
  bool ErrorBoxesShown() const { return !(Options.Silent && !Options.UnattendedRun); }
  UiText Text(const char* english, const char* secondLanguage) const;
  void SetCaptions();
  int CountEligibleDrives();
  // The box naming drives of the release's models that no transport reached; true when the
  // start-up is to end there (no other drive is eligible).
  bool ReportUnreachedDrives();
  std::string NoticeText() const;
  // The flasher's last run, from its transcript, in the line under the version line.
  void ShowLastBootRun();
};

}  // namespace qz
