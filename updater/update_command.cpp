#include "updater/update_command.hpp"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

#include "bootflash/firmware_cipher.hpp"
#include "platform/text.hpp"
#include "platform/whole_file.hpp"
#include "staging/firmware_transform.hpp"
#include "staging/pe_image.hpp"
#include "staging/stage_boot_update.hpp"
#include "staging/unstage_boot_update.hpp"
#include "updater/drive_match.hpp"
#include "updater/exit_codes.hpp"
#include "updater/fast_startup.hpp"
#include "updater/main_window.hpp"
#include "updater/update_texts.hpp"
#include "updater/ui_texts.hpp"

namespace qz {
namespace {

constexpr char kFlasherName[] = "Ombrel.exe";
constexpr char kFlasherProgram[] = "Ombrel";
constexpr char kFirmwareFile[] = "FW.bin";
constexpr int kHidden = 0;  // SW_HIDE

// Flasher slot (1-10) of each table entry.
constexpr int kTableSlots[10] = {7, 8, 9, 10, 5, 6, 3, 4, 1, 2};

bool HoldsExactly(Win32Api& api, const std::string& path, ConstBytes expected) {
  Handle file = api.CreateFile(path, access::kGenericRead, share::kRead, disposition::kOpenExisting, 0);
  if (file == kInvalidHandle) return false;
  std::uint64_t size = 0;
  bool same = api.GetFileSize(file, size) && size == expected.size();
  if (same && size != 0) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    std::uint32_t read = 0;
    same = api.ReadFile(file, data, read) && read == size &&
           std::equal(data.begin(), data.end(), expected.begin());
  }
  api.CloseHandle(file);
  return same;
}

// The drive to stage for. With AutoUpdate: the first eligible drive in list order; otherwise
// the selected item's drive. Null when there is none.
const DriveRecord* ChooseDrive(TQuenzarMain& w) {
  if (!w.Drives) return nullptr;
  auto driveOfItem = [&](int item) -> const DriveRecord* {
    if (item < 0 || item >= TQuenzarMain::kMaxListItems) return nullptr;
    const int slot = w.ItemToDrive[static_cast<std::size_t>(item)];
    w.Drives->Select(static_cast<std::int16_t>(slot));
    return w.Drives->GetItem(static_cast<unsigned>(slot));
  };
  if (w.Options.AutoUpdate) {
    const int items = w.Ui.GetItemCount(UiControl::cboDrives);
    for (int n = 0; n < items; ++n) {
      const DriveRecord* drive = driveOfItem(n);
      if (drive != nullptr && drive->Eligible == 1) return drive;
    }
    return nullptr;
  }
  return driveOfItem(w.Ui.GetItemIndex(UiControl::cboDrives));
}

// The copy helper's two copies in the 64-bit system directory, compared with what was staged.
bool CopiesArrived(Win32Api& api, ConstBytes flasher, ConstBytes firmware) {
  if (!api.SetWow64FsRedirection(false)) return false;
  const std::string system = api.GetSystemDirectory();
  const bool arrived = !system.empty() &&
                       HoldsExactly(api, system + "\\" + kFlasherName, flasher) &&
                       HoldsExactly(api, system + "\\" + kFirmwareFile, firmware);
  api.SetWow64FsRedirection(true);
  return arrived;
}

void ShowError(TQuenzarMain& w, const std::string& text) {
  w.Ui.MessageBox(text, texts::kError, mb::kIconError, true);
}

void ShowStageFailure(TQuenzarMain& w, std::uint32_t result) {
  char text[96];
  std::snprintf(text, sizeof text, texts::update::kStageFailed, static_cast<unsigned>(result));
  ShowError(w, text);
}

void EnableShutdownPrivilege(Win32Api& api) {
  Handle token = kNullHandle;
  if (!api.OpenProcessToken(token_access::kAdjustPrivileges | token_access::kQuery, token)) return;
  std::uint64_t luid = 0;
  if (api.LookupPrivilegeValue("SeShutdownPrivilege", luid)) api.AdjustTokenPrivilege(token, luid, true);
  api.CloseToken(token);
}

}  // namespace

bool FlasherBuildRunsOn(const FlasherImage& build, std::uint16_t machine) {
  if (build.start == nullptr || build.length == 0) return false;
  const auto kind = ReadPeImageKind(ConstBytes(build.start, build.length));
  return kind && kind->machine == machine;
}

int UpdateExitCode(const UpdateOutcome& outcome) {
  switch (outcome.end) {
    case UpdateEnd::Staged: return exit_code::kRestartNeeded;
    case UpdateEnd::RestartRequested:
      return outcome.restartStarted ? exit_code::kRestartStarted : exit_code::kRestartNeeded;
    default: return exit_code::kFailure;
  }
}

FlasherImageTable BuildFlasherImageTable(const PackageBlock& package) {
  FlasherImageTable table{};
  for (std::size_t i = 0; i < table.size(); ++i) {
    const int slot = kTableSlots[i];
    const Bytes area = package.FlasherSlot(slot);
    const std::uint64_t size = package.FlasherSize(slot);
    table[i].start = area.data();
    // A size past its slot would hand over the next build as well: staging refuses length 0.
    table[i].length = size <= area.size() ? static_cast<std::uint32_t>(size) : 0;
  }
  return table;
}

std::string RawRevision(const DriveRecord& drive) {
  return std::string(drive.FirmwareRevision.data(), kDriveRevisionBytes);
}

std::string DriveIdentity(const DriveRecord& drive) {
  char identity[64];
  std::snprintf(identity, sizeof identity, "%8s%16s", FieldText(drive.ModelHead).c_str(),
                FieldText(drive.ModelTail).c_str());
  return identity;
}

int CopyHelperSlot(std::uint8_t osFamily) {
  switch (osFamily) {
    case os_family::kWindows7:
    case os_family::kWindows8:
    case os_family::kWindows81:
    case os_family::kWindows10:
    case os_family::kWindows11: return 1;
    case os_family::kWindowsXp: return 4;
    case os_family::kServer2003:
    case os_family::kServer2003R2: return 2;
    default: return 3;
  }
}

namespace {

// The Session Manager runs the flasher from the 64-bit system directory: the copy helper moves
// the staged files there, and they must have arrived before a restart is offered.
bool CopiesFor64BitWindows(TQuenzarMain& w, OsVersionCode code, const FlasherImageTable& table, ConstBytes image) {
  Win32Api& api = w.Api;
  const int slot = CopyHelperSlot(OsFamily(code));
  const Bytes helper = w.Package.CopySlot(slot);
  const std::uint64_t helperSize = w.Package.CopySize(slot);
  const std::string windows = api.GetWindowsDirectory();
  const std::string helperPath = windows + "\\SysWOW64\\Ferryman.exe";
  if (windows.empty() || helperSize == 0 || helperSize > helper.size() ||
      !WriteWhole(api, helperPath, helper.first(static_cast<std::size_t>(helperSize)))) {
    return false;
  }
  std::uint32_t exitCode = 1;
  const LaunchEnd ran =
      api.ShellExecuteWait(kNullHandle, "open", "cmd.exe", "/c " + helperPath, "", kHidden, kCopyHelperWaitMs, exitCode);
  const int entry = FlasherEntryFor(OsFamily(code), true);
  if (ran != LaunchEnd::Finished || exitCode != 0 || entry < 0) return false;
  const FlasherImage& flasher = table[static_cast<std::size_t>(entry)];
  return CopiesArrived(api, ConstBytes(flasher.start, flasher.length), image);
}

// The box that the update runs at the next start, then the restart question.
UpdateEnd OfferRestart(TQuenzarMain& w, UpdateOutcome& out, OsVersionCode code) {
  EnableShutdownPrivilege(w.Api);
  std::string nextReboot = texts::update::kNextReboot;
  if (FastStartupOn(w.Api, code)) {
    nextReboot += w.Options.SecondLanguage() ? texts::update::big5::kFastStartup : texts::update::kFastStartup;
  }
  w.Ui.MessageBox(UiText(nextReboot, w.TextCodePage()), texts::update::kInformation, mb::kIconInformation, true);
  const int answer = w.Ui.MessageBox(texts::update::kRebootNow, texts::update::kQuestion,
                                     mb::kYesNo | mb::kIconQuestion, true);
  if (answer == answer::kYes) {
    out.restartStarted = w.SysInfo->RestartNow();
    return UpdateEnd::RestartRequested;
  }
  return UpdateEnd::Staged;
}

// Staging, the copies for 64-bit Windows and the restart question, once FW.bin is written.
UpdateEnd StageAndOfferRestart(TQuenzarMain& w, UpdateOutcome& out, OsVersionCode code, ConstBytes image) {
  const int package = out.package + 1;
  FlasherImageTable table = BuildFlasherImageTable(w.Package);
  BootUpdateRequest request;
  request.flashers = &table;
  request.flasherName = kFlasherName;
  request.updateBoot = w.Options.UpdateBoot;
  request.newRevision = TrimText(w.Package.NewRevision(package));
  request.newExtension = TrimText(w.Package.Extension(package));
  request.model = out.identity;
  request.argument = kFirmwareFile;
  request.driveRevision = out.driveRevision;
  out.stageResult = StageBootUpdate(w.Api, *w.SysInfo, request);
  if (!IsStaged(out.stageResult)) {
    ShowStageFailure(w, out.stageResult);
    return UpdateEnd::StageFailed;
  }
  if (w.SysInfo->IsWow64Process32() && !CopiesFor64BitWindows(w, code, table, image)) {
    // Nothing half-staged may run at the next start.
    UnstageBootUpdate(w.Api, kFlasherProgram);
    ShowError(w, texts::update::kNot64BitStaged);
    return UpdateEnd::CopyFailed;
  }
  return OfferRestart(w, out, code);
}

// An exception once staging began: the flasher is taken off BootExecute again, so that the run
// may end as failed; only when that fails does it end as staged, since the flasher then runs
// at the next start.
UpdateEnd EndAfterException(TQuenzarMain& w, const std::string& what) {
  const bool unstaged = UnstageBootUpdate(w.Api, kFlasherProgram);
  try {
    ShowError(w, what);
  } catch (...) {
    // The box is a courtesy; the exit code is what deployment tools read.
  }
  return unstaged ? UpdateEnd::Unstaged : UpdateEnd::Staged;
}

// The drive comes first: its own package is the one enciphered and staged, so that a drive
// never receives the image meant for another model.
bool TakeChosenDrive(TQuenzarMain& w, UpdateOutcome& out) {
  const DriveRecord* drive = ChooseDrive(w);
  if (drive == nullptr || drive->Eligible != 1 || drive->PackageIndex >= w.Options.PackageCount) {
    ShowError(w, texts::update::kNoEligibleDrive);
    return false;
  }
  out.identity = DriveIdentity(*drive);
  out.driveRevision = RawRevision(*drive);
  out.package = drive->PackageIndex;
  return true;
}

// The flasher sends its commands with IOCTL_ATA_PASS_THROUGH, which 32-bit XP has only from
// Service Pack 2: an update staged before it would be promised and never carried out.
bool PassThroughAtBoot(TQuenzarMain& w, OsVersionCode code) {
  if (OsFamily(code) != os_family::kWindowsXp || (code & os_processor::kAmd64) != 0 || OsServicePack(code) >= 2) {
    return true;
  }
  const bool zh = w.Options.SecondLanguage();
  const std::string text = zh ? texts::update::big5::kNeedsXpSp2 : texts::update::kNeedsXpSp2;
  w.Ui.MessageBox(UiText(text, w.TextCodePage()), texts::kError, mb::kIconError, true);
  return false;
}

// A drive without a revision of its own can't be told from its twins at boot: staging would
// refuse it, and nothing is written for it, FW.bin included.
bool DriveTellsTwinsApart(TQuenzarMain& w, UpdateOutcome& out) {
  if (RevisionTellsTwinsApart(out.driveRevision)) return true;
  out.stageResult = stage_result::kRevisionUnknown;
  ShowStageFailure(w, out.stageResult);
  return false;
}

// The Session Manager starts only a native program of the machine's own processor (a 32-bit
// build fails with 0xC000007B at every boot): a build that can't run is never staged.
bool FlasherBuildRuns(TQuenzarMain& w, OsVersionCode code) {
  const bool wow64 = w.SysInfo->IsWow64Process32();
  const int stagedEntry = FlasherEntryFor(OsFamily(code), wow64);
  if (stagedEntry < 0 ||
      FlasherBuildRunsOn(BuildFlasherImageTable(w.Package)[static_cast<std::size_t>(stagedEntry)],
                         NativeFlasherMachine(wow64))) {
    return true;
  }
  const bool zh = w.Options.SecondLanguage();
  std::string text = zh ? texts::update::big5::kNoFlasherHead : texts::update::kNoFlasherHead;
  text += wow64 ? "x64" : "x86";
  text += zh ? texts::update::big5::kNoFlasherTail : texts::update::kNoFlasherTail;
  w.Ui.MessageBox(UiText(text, w.TextCodePage()), texts::kError, mb::kIconError, true);
  return false;
}

// The image is enciphered in place; the block after it gives the transform its extra block.
bool EncipherImage(TQuenzarMain& w, int package) {
  const std::uint64_t length = w.Package.ImageSizeValue(package);
  const Bytes image = w.Package.Image(package);
  const Bytes block = w.Package.bytes();
  const auto offset = static_cast<std::size_t>(image.data() - block.data());
  if (!staging::FirmwareImageLengthAccepted(static_cast<std::size_t>(length)) || image.size() != length ||
      offset + bootflash::ProcessedLength(image.size()) > block.size()) {
    ShowError(w, texts::update::kImageRefused);
    return false;
  }
  staging::TransformFirmware(image.data(), image.size(), false);
  return true;
}

bool WriteFirmwareFile(TQuenzarMain& w, ConstBytes image) {
  const std::string system = w.Api.GetSystemDirectory();
  if (!system.empty() && WriteWhole(w.Api, system + "\\" + kFirmwareFile, image)) return true;
  ShowError(w, texts::update::kFwWriteFailed);
  return false;
}

// Staging and what follows it; an exception there unstages again where it can.
UpdateEnd StageGuarded(TQuenzarMain& w, UpdateOutcome& out, OsVersionCode code, ConstBytes image) {
  try {
    return StageAndOfferRestart(w, out, code, image);
  } catch (const std::exception& e) {
    return EndAfterException(w, e.what());
  } catch (...) {
    return EndAfterException(w, "Unknown exception");
  }
}

UpdateEnd RunUpdate(TQuenzarMain& w, UpdateOutcome& out, OsVersionCode code) {
  if (!TakeChosenDrive(w, out)) return UpdateEnd::NoDrive;
  if (!PassThroughAtBoot(w, code)) return UpdateEnd::NeedsXpSp2;
  if (!DriveTellsTwinsApart(w, out)) return UpdateEnd::StageFailed;
  if (!FlasherBuildRuns(w, code)) return UpdateEnd::NoFlasherBuild;
  const int package = out.package + 1;
  if (!EncipherImage(w, package)) return UpdateEnd::ImageRefused;
  const Bytes image = w.Package.Image(package);
  if (!WriteFirmwareFile(w, image)) return UpdateEnd::FwWriteFailed;
  return StageGuarded(w, out, code, image);
}

}  // namespace

UpdateOutcome cmdUpdateClick(TQuenzarMain& w) {
  UpdateOutcome out;
  const OsVersionCode code = w.SysInfo->GetOsVersionCode();
  w.Ui.SetEnabled(UiControl::cboDrives, false);
  out.end = RunUpdate(w, out, code);
  w.ExitCode = UpdateExitCode(out);
  w.Ui.SetEnabled(UiControl::cboDrives, true);
  w.Ui.Terminate();
  return out;
}

}  // namespace qz
