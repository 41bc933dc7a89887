#include "updater/main_window.hpp"

#include <utility>

#include "platform/text.hpp"
#include "updater/boot_outcome.hpp"
#include "updater/drive_list.hpp"
#include "updater/exit_codes.hpp"
#include "updater/firmware_file.hpp"
#include "updater/last_boot_run.hpp"
#include "updater/unreached_drives.hpp"
#include "updater/ui_texts.hpp"

namespace qz {

namespace {
constexpr int kAccessDeniedError = 5;
// One line of the window's font, with its spacing.
constexpr int kLastRunLineHeight = 18;

int StartupExitCode(StartupEnd end) {
  switch (end) {
    case StartupEnd::NoMatchedDrives: return exit_code::kNothingNeeded;
    case StartupEnd::NoticeDeclined: return exit_code::kDeclined;
    default: return exit_code::kFailure;
  }
}
}  // namespace

TQuenzarMain::TQuenzarMain(UiApi& ui, Win32Api& api, PackageBlock package, MainWindowHooks hooks,
                           std::vector<std::string> arguments)
    : Ui(ui), Api(api), Package(package), Hooks(std::move(hooks)),
      Arguments(std::move(arguments)) {
  Ui.SetEvents(this);
  Startup();
}

TQuenzarMain::~TQuenzarMain() {
  Ui.SetEvents(nullptr);
  Drives.reset();
  SysInfo.reset();
}

std::uint32_t TQuenzarMain::TextCodePage() const {
  return Options.SecondLanguage() ? kCodePageBig5 : kCodePageAnsi;
}

UiText TQuenzarMain::Text(const char* english, const char* secondLanguage) const {
  if (Options.SecondLanguage()) return UiText(secondLanguage, kCodePageBig5);
  return UiText(english);
}

void TQuenzarMain::LoadPackageOptions() {
  ItemToDrive.fill(0);
  Package.TerminateRevisions();
  Options = ReadPackageOptions(Package);
  Options.LongRevisions = HasLongRevisions(Package);
  Ui.SetCaption(UiControl::Form, Package.ProductTitle() + "(" + Package.ProductVersion() + ")");
  CurrentFirmware = Package.FirmwareArea();
  Ui.SetTimerInterval(UiControl::tmrCloseMsg,
                      static_cast<std::uint32_t>(Options.AutoCloseSeconds) * 1000u);
  CurrentImageStart = 0;
  CurrentImageSize = 0;
  ExitCode = 0;
  Drives.reset();
}

void TQuenzarMain::ArmCloseTimer(const UiText& caption) {
  if (!Options.AutoCloseMessages) return;
  MessageTitle = caption;
  Ui.SetTimerEnabled(UiControl::tmrCloseMsg, true);
}

void TQuenzarMain::Finish(StartupEnd end) {
  End = end;
  ExitCode = StartupExitCode(end);
  Ui.Terminate();
}

void TQuenzarMain::SetCaptions() {
  using namespace texts;
  Ui.SetCaption(UiControl::Label1, Text(en::kLabel1, big5::kLabel1));
  Ui.SetCaption(UiControl::lblUpdateMsg, Text(en::kUpdateMsgStartup, big5::kUpdateMsgStartup));
  Ui.SetCaption(UiControl::lblTo, Text(en::kTo, big5::kTo));
  Ui.SetCaption(UiControl::lblMsg, Text(en::kMessage, big5::kMessage));
  const bool start = Options.PackageMode == 3 || Options.PackageMode == 5;
  Ui.SetCaption(UiControl::cmdUpdate, Text(start ? en::kStart : en::kUpdate, big5::kUpdate));
  Ui.SetCaption(UiControl::cmdClose, Text(en::kClose, big5::kClose));
}

bool TQuenzarMain::ParseCommandLine() {
  for (const std::string& argument : Arguments) {
    const std::string upper = ToUpperAscii(argument);
    if (upper == "/S") {
      Options.Silent = true;
      continue;
    }
    if (upper == "/DEBUG") {
      Options.AutoCloseMessages = false;
      continue;
    }
    const std::uint32_t attributes = Api.GetFileAttributes(argument);
    if (attributes == kInvalidFileAttributes || (attributes & kFileAttributeDirectory) != 0) {
      Finish(StartupEnd::BadArgument);
      return false;
    }
    const FirmwareFileStatus status = LoadFirmwareFile(Api, argument, Package, Options);
    if (status == FirmwareFileStatus::Loaded) continue;

    const char* message = texts::en::kFileUnreadable;
    if (status == FirmwareFileStatus::Empty) message = texts::en::kFileEmpty;
    if (status == FirmwareFileStatus::TooLarge) message = texts::en::kFileTooLarge;
    if (status == FirmwareFileStatus::NotMultipleOf16) message = texts::en::kFileNotMultipleOf16;
    ArmCloseTimer(texts::kError);
    if (ErrorBoxesShown()) {
      Ui.MessageBox(message, texts::kError, mb::kIconError | mb::kOk, true);
    }
    Finish(StartupEnd::FirmwareFileRefused);
    return false;
  }
  return true;
}

int TQuenzarMain::CountEligibleDrives() {
  int eligible = 0;
  const unsigned count = Drives->GetCount();
  for (unsigned i = 0; i < count; ++i) {
    const DriveRecord* drive = Drives->GetItem(i);
    if (drive != nullptr && drive->Present == 1 && drive->Eligible == 1) ++eligible;
  }
  return eligible;
}

std::string TQuenzarMain::NoticeText() const {
  using namespace texts;
  const bool zh = Options.SecondLanguage();
  std::string notice = zh ? big5::kNoticeHead : en::kNoticeHead;
  notice += Package.SupportedModelText();
  notice += zh ? big5::kNoticeModelTail : en::kNoticeModelTail;
  notice += zh ? big5::kNoticeTitle : en::kNoticeTitle;
  notice += zh ? big5::kNotice1 : en::kNotice1;
  notice += zh ? big5::kNotice2 : en::kNotice2;
  if (Options.NoticeMode == 2) notice += zh ? big5::kNotice3 : en::kNotice3;
  notice += zh ? big5::kNoticeQuestion : en::kNoticeQuestion;
  return notice;
}

void TQuenzarMain::Startup() {
  // The form exists (the UI); then the system-information object.
  MessageTitle = UiText();
  DetectedDrivesText.clear();
  SysInfo = std::make_unique<SystemInfo>(Api);
  LoadPackageOptions();
  if (!BatteryAllowsUpdate()) return;
  SetCaptions();
  if (!ParseCommandLine()) return;
  if (Options.Silent) Options.AutoUpdate = true;
  if (!PackageHoldsFirmware()) return;
  if (!CreateDriveManager()) return;
  if (!RunsAsAdministrator()) return;
  if (!ListDrives()) return;
  if (!AnyEligibleDrive()) return;
  if (!NoticeAccepted()) return;
  // On the standard menu: the separator, then "Close".
  Ui.RemoveSystemMenuItem(5);
  Ui.RemoveSystemMenuItem(5);
  UpdateNowOrShowWindow();
}

bool TQuenzarMain::BatteryAllowsUpdate() {
  // The command line is not read yet, so "/S" and "/DEBUG" don't apply here.
  PowerStatus power;
  if (Options.CheckBattery && Api.GetSystemPowerStatus(power) && power.acLineStatus == 0 &&
      (power.batteryFlag == 2 || power.batteryFlag == 4)) {
    ArmCloseTimer(texts::kWarning);
    Ui.MessageBox(Text(texts::en::kBatteryLow, texts::big5::kBatteryLow), texts::kWarning,
                  mb::kIconWarning | mb::kOk, true);
    Finish(StartupEnd::BatteryLow);
    return false;
  }
  return true;
}

bool TQuenzarMain::PackageHoldsFirmware() {
  if (Options.PackageCount != 0) return true;
  ArmCloseTimer(texts::kError);
  if (ErrorBoxesShown()) {
    Ui.MessageBox(Text(texts::en::kNoFirmware, texts::big5::kNoFirmware), texts::kError,
                  mb::kIconError | mb::kOk, true);
  }
  Finish(StartupEnd::NoFirmware);
  return false;
}

bool TQuenzarMain::CreateDriveManager() {
  if (Hooks.createDriveManager) Drives = Hooks.createDriveManager(Options.LongRevisions);
  if (Drives) return true;
  const UiText caption = Text(texts::en::kErrorDots, texts::big5::kErrorDots);
  ArmCloseTimer(caption);
  if (ErrorBoxesShown()) {
    Ui.MessageBox(Text(texts::en::kDeviceInitFailed, texts::big5::kDeviceInitFailed), caption,
                  mb::kIconError, true);
  }
  Finish(StartupEnd::DeviceInitFailed);
  return false;
}

bool TQuenzarMain::RunsAsAdministrator() {
  std::uint32_t lastError = Drives->LastError();
  if (SysInfo->IsNtPlatform() && !Options.SkipAdminCheck && !SysInfo->IsAdministrator()) {
    lastError = kAccessDeniedError;
  }
  if (Options.SkipAdminCheck || lastError != kAccessDeniedError) return true;
  const UiText caption = Text(texts::en::kErrorDots, texts::big5::kErrorDots);
  ArmCloseTimer(caption);
  if (ErrorBoxesShown()) {
    Ui.MessageBox(Text(texts::en::kAccessDenied, texts::big5::kAccessDenied), caption, mb::kIconError,
                  true);
  }
  Finish(StartupEnd::AccessDenied);
  return false;
}

bool TQuenzarMain::ListDrives() {
  if (Hooks.buildDriveList) Hooks.buildDriveList(*this);
  if (!ReportUnreachedDrives()) return true;
  Finish(StartupEnd::UnreachableDrive);
  return false;
}

bool TQuenzarMain::AnyEligibleDrive() {
  if (CountEligibleDrives() != 0) return true;
  std::string message;
  if (Options.PackageMode == 0) {
    message = Options.SecondLanguage() ? texts::big5::kNoMatchedDrives : texts::en::kNoMatchedDrives;
    message += texts::kDetectedDrives;
    message += DetectedDrivesText;
  }
  ArmCloseTimer(texts::kError);
  if (!message.empty() && ErrorBoxesShown()) {
    Ui.MessageBox(UiText(message, TextCodePage()), texts::kError, mb::kTopmost | mb::kIconError, true);
  }
  Finish(StartupEnd::NoMatchedDrives);
  return false;
}

bool TQuenzarMain::NoticeAccepted() {
  // "/S" does not suppress the notice.
  if (Options.PackageMode != 0 || (Options.NoticeMode != 1 && Options.NoticeMode != 2)) return true;
  const UiText notice(NoticeText(), TextCodePage());
  if (Options.AutoCloseMessages) {
    ArmCloseTimer(texts::kWarning);
    Ui.MessageBox(notice, texts::kWarning, mb::kTopmost | mb::kIconInformation | mb::kOk, true);
    Ui.SetTimerEnabled(UiControl::tmrCloseMsg, false);
    return true;
  }
  const int answer =
      Ui.MessageBox(notice, texts::kWarning, mb::kTopmost | mb::kIconInformation | mb::kYesNo, true);
  // Only a plain yes lets an update go ahead.
  if (answer == answer::kYes) return true;
  Finish(StartupEnd::NoticeDeclined);
  return false;
}

void TQuenzarMain::UpdateNowOrShowWindow() {
  if (Options.Silent || Options.UnattendedRun) {
    Ui.SetShowMainForm(false);
    End = StartupEnd::UpdateRun;
    RunUpdateCommand();
    return;
  }
  End = StartupEnd::WindowShown;
  // Closing the window without an update is the user's no; the update command says otherwise.
  ExitCode = exit_code::kDeclined;
  ShowLastBootRun();
}

bool TQuenzarMain::ReportUnreachedDrives() {
  using namespace texts;
  const std::vector<UnreachedDrive> unreached =
      UnreachedReleaseDrives(Drives->UnreachedDisks(), ReleaseModels(Package, Options));
  if (unreached.empty()) return false;
  const bool ends = CountEligibleDrives() == 0;
  const UiText caption = ends ? kError : kWarning;
  ArmCloseTimer(caption);
  if (ErrorBoxesShown()) {
    Ui.MessageBox(UiText(UnreachedDrivesText(unreached, Options.SecondLanguage()), TextCodePage()), caption,
                  mb::kTopmost | (ends ? mb::kIconError : mb::kIconWarning), true);
  }
  // A box the user closed before the timer fired must not leave it armed for the notice.
  if (!ends) Ui.SetTimerEnabled(UiControl::tmrCloseMsg, false);
  return ends;
}

void TQuenzarMain::ShowLastBootRun() {
  const std::optional<BootOutcome> outcome = ReadLastBootRun(Api);
  if (!outcome) return;
  CivilTime local;
  const bool converted = outcome->dateKnown && Api.UtcToLocalTime(outcome->utc, local);
  Ui.SetCaption(UiControl::lblLastRun,
                UiText(BootOutcomeLine(*outcome, converted ? &local : nullptr, Options.SecondLanguage()),
                       TextCodePage()));
  const BootRunResult result = outcome->result;
  Ui.SetFontColor(UiControl::lblLastRun, result == BootRunResult::kPassed   ? Rgb(0, 100, 0)
                                         : result == BootRunResult::kFailed ? Rgb(128, 0, 0)
                                                                            : Rgb(0, 0, 128));
  Ui.SetVisible(UiControl::lblLastRun, true);
  // The form grows by the one line the label takes.
  const UiRect form = Ui.GetBounds(UiControl::Form);
  Ui.SetSize(UiControl::Form, form.width, form.height + kLastRunLineHeight);
}

void TQuenzarMain::RunUpdateCommand() {
  if (Hooks.updateCommand) {
    Hooks.updateCommand(*this);
  } else {
    // No update command in this build: end as the command would, with nothing staged.
    Ui.Terminate();
  }
}

void TQuenzarMain::FormShow() {
  const UiRect message = Ui.GetBounds(UiControl::lblUpdateMsg);
  const UiRect oldFw = Ui.GetBounds(UiControl::lblOldFW);
  const UiRect to = Ui.GetBounds(UiControl::lblTo);
  const UiRect newFw = Ui.GetBounds(UiControl::lblNewFW);
  const int middle = message.top + message.height / 2;
  const int oldLeft = message.left + message.width + 10;
  const int toLeft = oldLeft + oldFw.width + 10;
  const int newLeft = toLeft + to.width + 10;
  Ui.SetPosition(UiControl::lblOldFW, oldLeft, middle - oldFw.height / 2);
  Ui.SetPosition(UiControl::lblTo, toLeft, middle - to.height / 2);
  Ui.SetPosition(UiControl::lblNewFW, newLeft, middle - newFw.height / 2);
  if (Options.AutoUpdate) RunUpdateCommand();
}

void TQuenzarMain::FormDestroy() {
  Drives.reset();
  Ui.HideAnimated(120);
}

void TQuenzarMain::tmrCloseMsgTimer() {
  Ui.SetTimerEnabled(UiControl::tmrCloseMsg, false);
  Ui.CloseWindowByCaption(MessageTitle);
}

void TQuenzarMain::OnTimer(UiControl timer) {
  if (timer == UiControl::tmrCloseMsg) tmrCloseMsgTimer();
}

void TQuenzarMain::OnChange(UiControl list) {
  if (list == UiControl::cboDrives && Hooks.driveListChange) Hooks.driveListChange(*this);
}

void TQuenzarMain::OnClick(UiControl button) {
  if (button == UiControl::cmdUpdate) RunUpdateCommand();
}

int TQuenzarMain::ItemImage(UiControl list, int item) {
  if (list != UiControl::cboDrives || item < 0 || item >= kMaxListItems || !Drives) return 0;
  const DriveRecord* drive = Drives->GetItem(static_cast<unsigned>(ItemToDrive[item]));
  return (drive != nullptr && drive->Eligible) ? 1 : 0;
}

bool TQuenzarMain::DrawItem(UiControl list, int item, const DrawRect& rect, bool selected,
                            DrawCanvas& canvas) {
  if (list != UiControl::cboDrives) return false;
  cboDrivesDrawItem(*this, item, rect, selected, canvas);
  return true;
}

}  // namespace qz
