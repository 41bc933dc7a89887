#include "tools/demo/demo_run.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "bootflash/firmware_file.hpp"
#include "bootflash/host_flasher.hpp"
#include "platform/registry_api.hpp"
#include "sim/ata_drive.hpp"
#include "sim/boot.hpp"
#include "sim/machine.hpp"
#include "sim/sim_win32.hpp"
#include "sim/ui.hpp"
#include "staging/boot_execute.hpp"
#include "staging/ferryman/sim_launcher.hpp"
#include "updater/drive_manager_link.hpp"
#include "updater/drive_match.hpp"
#include "updater/updater_hooks.hpp"

namespace qz::demo {
namespace {

std::string Printable(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

const char* AnswerName(int answer) {
  switch (answer) {
    case answer::kOk: return "OK";
    case answer::kCancel: return "Cancel";
    case answer::kYes: return "Yes";
    case answer::kNo: return "No";
    default: return "?";
  }
}

const char* EndName(UpdateEnd end) {
  switch (end) {
    case UpdateEnd::NoDrive: return "no eligible drive";
    case UpdateEnd::NoFlasherBuild: return "no flasher build for this processor; nothing written";
    case UpdateEnd::ImageRefused: return "image refused";
    case UpdateEnd::FwWriteFailed: return "FW.bin not written";
    case UpdateEnd::StageFailed: return "staging failed";
    case UpdateEnd::CopyFailed: return "copies for 64-bit Windows missing; nothing staged";
    case UpdateEnd::Staged: return "staged, restart declined";
    case UpdateEnd::RestartRequested: return "staged, restart requested";
  }
  return "?";
}

// The flasher builds are not in the release yet: slots without a configuration block get a
// stand-in image (PE header of the slot's processor and the block as built), which the boot
// runs with the host build of the flasher. Slots 2, 4, 6, 8, 10 are 64-bit, XP x64's too.
bool FillMissingFlashers(PackageBlock& package) {
  const std::string key = "VENDID1=";
  bool filled = false;
  for (int s = 1; s <= pkg::kFlasherSlots; ++s) {
    Bytes slot = package.FlasherSlot(s);
    if (std::search(slot.begin(), slot.end(), key.begin(), key.end()) != slot.end()) continue;
    const bool x64 = s % 2 == 0;
    const auto image = bootflash::MakeFlasherStandIn(x64 ? sim::CallerBits::X64 : sim::CallerBits::X86);
    if (image.size() > slot.size()) continue;
    std::fill(slot.begin(), slot.end(), std::uint8_t{0});
    std::memcpy(slot.data(), image.data(), image.size());
    PackageBlock::WriteDecimal10(package.bytes().subspan(pkg::SizeRecordValue(s - 1), pkg::kNumberDigits),
                                 image.size());
    filled = true;
  }
  return filled;
}

bool ApplyFault(const std::string& fault, sim::Machine& machine) {
  const std::string system32 = machine.windowsDirectory + "\\system32\\";
  const std::string updaterSystem = machine.Is64Bit() ? machine.Wow64Directory() + "\\" : system32;
  if (fault == "fw-create") {
    machine.files.FailCreate(updaterSystem + "FW.bin");
  } else if (fault == "flasher-create") {
    machine.files.FailCreate(updaterSystem + "Ombrel.exe");
  } else if (fault == "session-key") {
    machine.registry.FailOpen(hkey::kLocalMachine, kSessionManagerKey);
  } else if (fault == "copy-hang") {
    machine.launchOutcome.hangs = true;
  } else if (fault == "copy-missing") {
    machine.onShellExecute = nullptr;
  } else if (fault == "disk-full") {
    machine.files.SetCapacity(machine.files.UsedBytes() + 4096);
  } else {
    return IsDriveFault(fault);
  }
  return true;
}

// Faults of the drive itself strike while the flasher downloads, after a clean staging.
void ApplyDriveFault(const std::string& fault, sim::AtaDrive& drive) {
  constexpr std::uint8_t kDownload = 0x92, kOffsets = 0x03;
  if (fault == "power-loss") {
    drive.LosePowerAfterBlock(100);
  } else if (fault == "download-error") {
    drive.InjectFault(sim::AtaFault::ErrorStatus, kDownload, kOffsets, 10);
  } else if (fault == "download-timeout") {
    drive.InjectFault(sim::AtaFault::Timeout, kDownload, kOffsets, 10);
  }
}

struct DriveState {
  std::string revision, extension;
  bool pending = false;
};

std::vector<DriveState> DriveStates(const std::vector<AttachedDrive>& drives) {
  std::vector<DriveState> states;
  for (const auto& d : drives) {
    if (d.drive) states.push_back({d.drive->Revision(), d.drive->Extension(), d.drive->HasPendingFirmware()});
  }
  return states;
}

bool SameStates(const std::vector<DriveState>& a, const std::vector<DriveState>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].revision != b[i].revision || a[i].extension != b[i].extension || a[i].pending != b[i].pending) {
      return false;
    }
  }
  return true;
}

std::vector<std::string> BootExecute(sim::Machine& machine) {
  return machine.registry.GetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute")
      .value_or(std::vector<std::string>{});
}

void PrintBootExecute(const std::vector<std::string>& entries) {
  std::printf("   BootExecute:");
  for (const auto& e : entries) std::printf(" \"%s\"", e.c_str());
  if (entries.empty()) std::printf(" (empty)");
  std::printf("\n");
}

void PrintConsole(const std::string& text) {
  for (std::size_t p = 0, n; p < text.size(); p = n + 1) {
    n = text.find('\n', p);
    if (n == std::string::npos) n = text.size();
    std::printf("   | %s\n", text.substr(p, n - p).c_str());
  }
}

// Boots the machine, running what BootExecute lists, and again while the last boot asked for
// another restart (the flasher does after flashing); bounded so that a flasher that always
// restarts cannot loop forever.
void BootChain(sim::Machine& machine, int& boots) {
  for (int chain = 0; chain < 4; ++chain) {
    const std::size_t before = machine.restarts.size();
    ++boots;
    std::printf("   -- boot %d\n", boots);
    for (const auto& run : sim::RebootMachine(machine, bootflash::RunFlasherImage)) {
      std::printf("   BootExecute entry \"%s\": status 0x%08X\n", run.entry.c_str(),
                  static_cast<unsigned>(run.status));
      if (!run.console.empty()) PrintConsole(run.console);
    }
    if (machine.restarts.size() == before) break;
  }
}

}  // namespace

const std::vector<std::string>& FaultNames() {
  static const std::vector<std::string> names = {
      "fw-create", "flasher-create", "session-key",    "copy-hang",      "copy-missing",
      "disk-full", "power-loss",     "download-error", "download-timeout"};
  return names;
}

bool IsDriveFault(const std::string& fault) {
  return fault == "power-loss" || fault == "download-error" || fault == "download-timeout";
}

DemoResult RunDemo(const DemoOptions& options) {
  DemoResult result;
  std::vector<std::uint8_t> block = options.packageBlock;
  PackageBlock shipped(block);
  const bool standIns = FillMissingFlashers(shipped);
  const PackageBlock package(block);

  sim::Machine machine(options.machine.release);
  const auto drives = BuildDemoMachine(machine, options.machine);
  sim::SimWin32 updater(machine, sim::Bitness::X86);
  DriveApis apis(machine, updater);
  sim::SimUi ui;
  int helperRuns = 0, helperExit = -1;
  ferry::RunCopyHelperOnLaunch(machine, &helperRuns, &helperExit);
  if (!options.fault.empty() && !ApplyFault(options.fault, machine)) {
    result.badFault = true;
    return result;
  }
  std::vector<std::string> arguments;
  if (options.firmwareFile) {
    const std::string inMachine = "C:\\FIRMWARE.BIN";
    machine.files.Put(inMachine, *options.firmwareFile);
    arguments.push_back(inMachine);
  }
  result.bootExecuteBefore = BootExecute(machine);

  std::printf("== Machine: %s (%s)%s%s\n", options.machine.title.c_str(), options.machine.name.c_str(),
              options.fault.empty() ? "" : ", fault ", options.fault.c_str());
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const auto& disk = machine.deviceTree.disks[i];
    std::printf("   disk %u: %-24s %-8s %s\n", static_cast<unsigned>(disk.device->deviceNumber),
                (drives[i].drive ? drives[i].drive->identity().model : disk.description.model).c_str(),
                disk.description.firmware.c_str(),
                drives[i].usb ? "(USB, no drive commands)" : "(simulated ATA drive behind the port driver)");
  }
  PrintBootExecute(result.bootExecuteBefore);
  if (standIns) {
    std::printf("   flasher builds: not in this release; stand-in images with the flasher's configuration\n"
                "   block are staged and the boot runs the flasher's host build with that block\n");
  } else {
    std::printf("   flasher builds: from the release; the boot runs the flasher's host build with the\n"
                "   configuration block of the staged image\n");
  }

  UpdateOutcome outcome;
  bool updateRan = false;
  std::string stagedRevision;  // the chosen drive's, as the version line shows it
  MainWindowHooks hooks = UpdaterHooks(MakeDriveManagerFactory(apis.system), &outcome);
  auto command = hooks.updateCommand;
  hooks.updateCommand = [&](TQuenzarMain& w) {
    updateRan = true;
    command(w);
  };
  // The user: accepts every notice and box, and the restart unless told otherwise.
  ui.answers = {answer::kOk, options.answerNo ? answer::kNo : answer::kYes};
  ui.unanswered = answer::kCancel;

  std::printf("\n== Updater start-up\n");
  {
    TQuenzarMain window(ui, updater, PackageBlock(block), hooks, arguments);
    std::printf("   caption: %s\n", ui.GetCaption(UiControl::Form).bytes.c_str());
    for (int i = 0; i < ui.GetItemCount(UiControl::cboDrives); ++i) {
      std::printf("   list item %d%s: %s\n", i, i == ui.GetItemIndex(UiControl::cboDrives) ? " (selected)" : "",
                  ui.GetItem(UiControl::cboDrives, i).bytes.c_str());
    }
    if (ui.terminated) {
      std::printf("   the start-up ended the program; the window was never shown\n");
    } else {
      // The user picks a drive of the package's model when another one is selected (with a
      // firmware file every listed drive is eligible and the last one is selected).
      const std::string model = TrimText(package.SupportedModelText());
      const int selected = ui.GetItemIndex(UiControl::cboDrives);
      const auto shows = [&](int i) { return ui.GetItem(UiControl::cboDrives, i).bytes.find(model) != std::string::npos; };
      if (!model.empty() && selected >= 0 && !shows(selected)) {
        for (int i = 0; i < ui.GetItemCount(UiControl::cboDrives); ++i) {
          if (!shows(i)) continue;
          std::printf("   the user selects list item %d\n", i);
          ui.SetItemIndex(UiControl::cboDrives, i);
          window.OnChange(UiControl::cboDrives);
          break;
        }
      }
      std::printf("   version line: %s %s %s %s\n", Printable(ui.GetCaption(UiControl::lblUpdateMsg).bytes).c_str(),
                  ui.IsVisible(UiControl::lblOldFW) ? ui.GetCaption(UiControl::lblOldFW).bytes.c_str() : "",
                  ui.IsVisible(UiControl::lblTo) ? ui.GetCaption(UiControl::lblTo).bytes.c_str() : "",
                  ui.IsVisible(UiControl::lblNewFW) ? ui.GetCaption(UiControl::lblNewFW).bytes.c_str() : "");
      std::printf("   update button: %s\n", ui.IsEnabled(UiControl::cmdUpdate) ? "enabled" : "disabled");
      std::printf("\n== The user presses \"%s\"\n", ui.GetCaption(UiControl::cmdUpdate).bytes.c_str());
      if (ui.IsVisible(UiControl::lblOldFW)) stagedRevision = TrimText(ui.GetCaption(UiControl::lblOldFW).bytes);
      window.OnClick(UiControl::cmdUpdate);
    }
  }
  std::printf("\n== Message boxes\n");
  for (const auto& box : ui.boxes) {
    std::printf("   [%s] %s -> %s\n", Printable(box.caption.bytes).c_str(), Printable(box.text.bytes).c_str(),
                AnswerName(box.answer));
  }
  if (updateRan) std::printf("   update command: %s (staging result %u)\n", EndName(outcome.end), outcome.stageResult);

  std::printf("\n== What the machine holds\n");
  const std::string dirs[] = {machine.SystemDirectory(), machine.Wow64Directory()};
  for (const auto& dir : dirs) {
    for (const char* name : {"FW.bin", "Ombrel.exe", "Ferryman.exe"}) {
      const auto data = machine.files.Get(dir + "\\" + name);
      if (data) std::printf("   %s\\%s  %zu bytes\n", dir.c_str(), name, data->size());
    }
  }
  PrintBootExecute(BootExecute(machine));
  for (const auto& l : machine.launches) {
    std::printf("   started: %s %s (copy helper runs: %d, exit %d)\n", l.file.c_str(), l.parameters.c_str(),
                helperRuns, helperExit);
  }
  for (const auto& r : machine.restarts) std::printf("   restart requested: ExitWindowsEx flags %u\n", r.flags);

  std::printf("\n== Restart\n");
  if (machine.restarts.empty()) std::printf("   no restart\n");
  if (IsDriveFault(options.fault)) {
    std::printf("   (fault: %s strikes the drive while the flasher downloads)\n", options.fault.c_str());
    for (const auto& d : drives) {
      if (d.drive && TrimText(d.drive->identity().model) == TrimText(package.SupportedModelText())) {
        ApplyDriveFault(options.fault, *d.drive);
      }
    }
  }
  if (!machine.restarts.empty()) BootChain(machine, result.boots);
  result.restarts = machine.restarts.size();
  PrintBootExecute(BootExecute(machine));

  // The user restarts Windows once more, later: whatever is still staged runs now; after a
  // finished update nothing may change.
  std::printf("\n== Later, the user restarts Windows\n");
  const auto statesBefore = DriveStates(drives);
  const auto bootExecuteBefore = BootExecute(machine);
  std::vector<std::optional<std::vector<std::uint8_t>>> filesBefore;
  for (const auto& dir : dirs) filesBefore.push_back(machine.files.Get(dir + "\\FW.bin"));
  const std::size_t restartsBefore = machine.restarts.size();
  BootChain(machine, result.boots);
  std::vector<std::optional<std::vector<std::uint8_t>>> filesAfter;
  for (const auto& dir : dirs) filesAfter.push_back(machine.files.Get(dir + "\\FW.bin"));
  result.extraBootChangedNothing = SameStates(statesBefore, DriveStates(drives)) &&
                                   BootExecute(machine) == bootExecuteBefore && filesAfter == filesBefore &&
                                   machine.restarts.size() == restartsBefore;
  std::printf("   %s\n", result.extraBootChangedNothing ? "nothing changed" : "the machine changed");
  result.bootExecuteAfter = BootExecute(machine);
  PrintBootExecute(result.bootExecuteAfter);
  for (const auto& dir : dirs) {
    const auto data = machine.files.Get(dir + "\\FW.bin");
    const std::string mark = bootflash::kDoneMark;
    if (data && std::search(data->begin(), data->end(), mark.begin(), mark.end()) != data->end()) {
      result.fwBinWithDoneMark.push_back(dir + "\\FW.bin");
      std::printf("   %s\\FW.bin carries the done-mark\n", dir.c_str());
    }
  }

  std::printf("\n== Drives before and after\n");
  std::printf("   %-24s %-8s %-8s | %-8s %-8s\n", "model", "revision", "ext", "revision", "ext");
  // The revision the update brings: the package's, or with a firmware file the revision
  // that the file's image carries (the simulated drives' image format, at 0x008).
  std::string target = TrimText(package.NewRevision(1));
  if (options.firmwareFile && options.firmwareFile->size() >= 0x10) {
    const auto field = options.firmwareFile->begin() + 0x008;
    target = TrimText(std::string(field, std::find(field, field + 8, std::uint8_t{0})));
  }
  result.reached = true;
  result.noHalfWrittenImage = true;
  bool anyEligible = false;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    if (!drives[i].drive) continue;
    DemoDriveResult d;
    d.model = drives[i].drive->identity().model;
    d.revisionBefore = drives[i].before.revision;
    d.extensionBefore = drives[i].before.extension;
    d.revisionAfter = drives[i].drive->Revision();
    d.extensionAfter = drives[i].drive->Extension();
    d.eligibleModel = TrimText(d.model) == TrimText(package.SupportedModelText());
    std::printf("   %-24s %-8s %-8s | %-8s %-8s\n", d.model.c_str(), d.revisionBefore.c_str(),
                d.extensionBefore.c_str(), d.revisionAfter.c_str(), d.extensionAfter.c_str());
    if (d.eligibleModel) {
      anyEligible = true;
      // The flasher leaves a drive of the model at another revision than the chosen one alone.
      const bool chosen = stagedRevision.empty() || TrimText(d.revisionBefore) == stagedRevision;
      if (chosen && TrimText(d.revisionAfter) != target) result.reached = false;
    }
    // Only the old firmware or the whole new one: no other revision, nothing accepted that
    // did not take over, no accepted image of another revision.
    const bool known = d.revisionAfter == d.revisionBefore || (d.eligibleModel && TrimText(d.revisionAfter) == target);
    bool activationsSound = !drives[i].drive->HasPendingFirmware();
    for (const auto& a : drives[i].drive->Activations()) {
      if (a.accepted && TrimText(a.revision) != target) activationsSound = false;
    }
    if (!known || !activationsSound) result.noHalfWrittenImage = false;
    result.drives.push_back(d);
  }
  result.reached = result.reached && anyEligible;
  std::printf("\n== Outcome%s%s\n", options.fault.empty() ? "" : ", fault ", options.fault.c_str());
  if (updateRan) std::printf("   update command: %s\n", EndName(outcome.end));
  std::printf("   drives hold %s\n", result.noHalfWrittenImage ? "their old firmware or the whole new one"
                                                                : "A HALF-WRITTEN OR UNKNOWN IMAGE");
  std::printf("   a later restart %s\n", result.extraBootChangedNothing ? "changed nothing" : "changed the machine");
  std::printf("\n%s\n", result.reached ? "target revision reached" : "target revision NOT reached");
  return result;
}

}  // namespace qz::demo
