#include "tools/demo/demo_run.hpp"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <optional>

#include "bootflash/firmware_file.hpp"
#include "platform/registry_api.hpp"
#include "platform/text.hpp"
#include "sim/devices/ata_drive.hpp"
#include "sim/machine/boot.hpp"
#include "sim/os/ferry_launcher.hpp"
#include "sim/os/host_flasher.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/machine/ui.hpp"
#include "staging/boot_execute.hpp"
#include "tools/demo/demo_faults.hpp"
#include "tools/demo/eligibility.hpp"
#include "tools/demo/identification.hpp"
#include "updater/drive_manager_link.hpp"
#include "updater/drive_match.hpp"
#include "updater/exit_codes.hpp"
#include "updater/unreached_drives.hpp"
#include "updater/updater_hooks.hpp"

namespace qz::demo {
namespace {

class Transcript {
 public:
  explicit Transcript(std::FILE* out) : out_(out) {}
  __attribute__((format(printf, 2, 3))) void operator()(const char* format, ...) {
    if (out_ == nullptr) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(out_, format, args);
    va_end(args);
  }

 private:
  std::FILE* out_;
};

// A box's or a control's text for the terminal: Big5 texts converted to UTF-8, control
// characters escaped.
std::string Printable(const UiText& text) {
  std::string bytes = text.bytes;
  if (text.codePage == kCodePageBig5) {
    iconv_t cd = iconv_open("UTF-8", "BIG5");
    if (cd != reinterpret_cast<iconv_t>(-1)) {
      std::string out(bytes.size() * 4 + 4, '\0');
      char* in = bytes.data();
      char* o = out.data();
      std::size_t inLeft = bytes.size(), outLeft = out.size();
      if (iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1)) {
        out.resize(out.size() - outLeft);
        bytes = out;
      }
      iconv_close(cd);
    }
  }
  std::string out;
  for (char c : bytes) {
    if (c == '\n') {
      out += "\\n";
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
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
    case UpdateEnd::NeedsXpSp2: return "Windows XP before SP2 refused; nothing written";
    case UpdateEnd::ImageRefused: return "image refused";
    case UpdateEnd::FwWriteFailed: return "FW.bin not written";
    case UpdateEnd::StageFailed: return "staging failed";
    case UpdateEnd::CopyFailed: return "copies for 64-bit Windows missing; nothing staged";
    case UpdateEnd::Unstaged: return "an error after staging; the flasher taken off BootExecute again";
    case UpdateEnd::Staged: return "staged, restart declined";
    case UpdateEnd::RestartRequested: return "staged, restart requested";
  }
  return "?";
}

const char* StartupEndName(StartupEnd end) {
  switch (end) {
    case StartupEnd::BatteryLow: return "start-up ended: the battery is low";
    case StartupEnd::BadArgument: return "start-up ended: a command-line argument is neither an option nor a file";
    case StartupEnd::FirmwareFileRefused: return "start-up ended: the firmware file was refused";
    case StartupEnd::NoFirmware: return "start-up ended: the package holds no firmware";
    case StartupEnd::DeviceInitFailed: return "start-up ended: the drive manager could not be created";
    case StartupEnd::AccessDenied: return "start-up ended: no administrator rights";
    case StartupEnd::UnreachableDrive:
      return "start-up ended: the release's drive can't be reached through its controller's driver";
    case StartupEnd::NoMatchedDrives: return "start-up ended: no eligible drive";
    case StartupEnd::NoticeDeclined: return "start-up ended: the notice was declined";
    case StartupEnd::UpdateRun: return "the update command ran at start-up (silent or unattended)";
    case StartupEnd::WindowShown: return "the window was shown";
  }
  return "?";
}

// The flasher builds are not in every release: slots without a configuration block get a
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

DriveFirmware FirmwareOf(const sim::AtaDrive& drive) {
  constexpr std::uint8_t kDownloadMicrocode = 0x92;
  DriveFirmware f{drive.Revision(), drive.Extension(), drive.HasPendingFirmware(), {},
                  drive.CountCommands(kDownloadMicrocode) != 0};
  for (const auto& a : drive.Activations()) {
    if (a.accepted) f.acceptedRevisions.push_back(a.revision);
  }
  return f;
}

bool SameFirmware(const std::vector<AttachedDrive>& drives, const std::vector<DriveFirmware>& before) {
  std::size_t i = 0;
  for (const auto& d : drives) {
    if (!d.drive) continue;
    const DriveFirmware now = FirmwareOf(*d.drive);
    const DriveFirmware& was = before[i++];
    if (now.revision != was.revision || now.extension != was.extension || now.pendingImage != was.pendingImage ||
        now.acceptedRevisions != was.acceptedRevisions) {
      return false;
    }
  }
  return true;
}

std::vector<DriveFirmware> FirmwareOfAll(const std::vector<AttachedDrive>& drives) {
  std::vector<DriveFirmware> all;
  for (const auto& d : drives) {
    if (d.drive) all.push_back(FirmwareOf(*d.drive));
  }
  return all;
}

std::vector<std::string> BootExecute(sim::Machine& machine) {
  return machine.registry.GetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute")
      .value_or(std::vector<std::string>{});
}

void PrintBootExecute(Transcript& out, const std::vector<std::string>& entries) {
  out("   BootExecute:");
  for (const auto& e : entries) out(" \"%s\"", e.c_str());
  if (entries.empty()) out(" (empty)");
  out("\n");
}

void PrintConsole(Transcript& out, const std::string& text) {
  for (std::size_t p = 0, n; p < text.size(); p = n + 1) {
    n = text.find('\n', p);
    if (n == std::string::npos) n = text.size();
    out("   | %s\n", text.substr(p, n - p).c_str());
  }
}

// Boots the machine, running what BootExecute lists, and again while the last boot asked for
// another restart (the flasher does after flashing); bounded so that a flasher that always
// restarts cannot loop forever.
void BootChain(Transcript& out, sim::Machine& machine, int& boots) {
  for (int chain = 0; chain < 4; ++chain) {
    const std::size_t before = machine.restarts.size();
    ++boots;
    out("   -- boot %d\n", boots);
    const std::string logPath = machine.SystemDirectory() + "\\Ombrel.log";
    const auto logBefore = machine.files.Get(logPath);
    for (const auto& run : sim::RebootMachine(machine, bootflash::RunFlasherImage)) {
      out("   BootExecute entry \"%s\": status 0x%08X\n", run.entry.c_str(), static_cast<unsigned>(run.status));
      if (!run.console.empty()) PrintConsole(out, run.console);
    }
    // The transcript the flasher left for support, when this boot wrote one.
    const auto log = machine.files.Get(logPath);
    if (log && log != logBefore) {
      out("   %s as the flasher left it:\n", logPath.c_str());
      std::string text(log->begin(), log->end());
      text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
      PrintConsole(out, text);
    }
    if (machine.restarts.size() == before) break;
  }
}

// The revision (and extension) an image in the simulated drives' format takes the drive to.
std::optional<std::pair<std::string, std::string>> ImageRevision(const std::vector<std::uint8_t>& image) {
  static const char kMagic[] = "QZSIMFW";
  if (image.size() < 0x18 || std::memcmp(image.data(), kMagic, 8) != 0) return std::nullopt;
  auto field = [&](std::size_t at) {
    const auto begin = image.begin() + static_cast<std::ptrdiff_t>(at);
    return std::string(begin, std::find(begin, begin + 8, std::uint8_t{0}));
  };
  return std::make_pair(field(0x008), field(0x010));
}

std::string WindowsLine(const sim::Machine& machine, const DemoMachine& spec) {
  std::string line = ReleaseName(spec.release) + " " + std::to_string(machine.version.majorVersion) + "." +
                     std::to_string(machine.version.minorVersion) + "." + std::to_string(machine.version.buildNumber);
  line += machine.version.csdVersion.empty() ? ", no service pack" : ", " + machine.version.csdVersion;
  line += machine.Is64Bit() ? ", 64-bit" : ", 32-bit";
  line += spec.lowBattery ? ", on a low battery" : ", on AC power";
  return line;
}

}  // namespace

std::vector<std::string> SplitArguments(const std::string& text) {
  std::vector<std::string> args;
  std::string current;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (any) args.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) args.push_back(current);
  return args;
}

// The user starts the updater again after the restarts, with no argument, and reads the window:
// the line under the version line tells what the last boot-time run did. Nothing is updated.
std::string LaterStart(Transcript& out, sim::SimWin32& updater, DriveApis& apis, std::vector<std::uint8_t> block,
                       LastRunSays& says) {
  out("\n== Later, the user starts the updater again\n");
  sim::SimUi ui;
  ui.answerer = [](const sim::ShownBox& box) { return (box.style & 0xF) == mb::kYesNo ? answer::kNo : answer::kOk; };
  MainWindowHooks hooks = UpdaterHooks(MakeDriveManagerFactory(apis.system), nullptr);
  hooks.updateCommand = [&](TQuenzarMain&) {
    out("   (the release updates at start-up; not run again here)\n");
    ui.Terminate();
  };
  std::string line;
  {
    TQuenzarMain window(ui, updater, PackageBlock(block), hooks, {});
    says = LastRunSays::Nothing;
    if (ui.IsVisible(UiControl::lblLastRun)) {
      line = Printable(ui.GetCaption(UiControl::lblLastRun));
      says = LastRunOf(ui.GetCaption(UiControl::lblLastRun).bytes);
    }
  }
  if (!line.empty()) {
    out("   under the version line: %s\n", line.c_str());
  } else {
    out("   no last boot-time run shown%s\n", ui.terminated ? " (the window was not shown)" : "");
  }
  for (const auto& box : ui.boxes) out("   [%s] %s\n", Printable(box.caption).c_str(), Printable(box.text).c_str());
  return line;
}

DemoResult RunDemo(const DemoOptions& options) {
  Transcript out(options.transcript);
  DemoResult result;
  std::vector<std::uint8_t> block = options.packageBlock;
  PackageBlock shipped(block);
  const bool standIns = FillMissingFlashers(shipped);
  const std::vector<std::uint8_t> pristine = block;  // the run changes its block in memory

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
  std::vector<std::string> arguments = options.arguments;
  if (options.firmwareFile) {
    machine.files.Put(kFirmwareFileInMachine, *options.firmwareFile);
    const bool named = std::any_of(arguments.begin(), arguments.end(),
                                   [](const std::string& a) { return EqualsIgnoreCase(a, kFirmwareFileInMachine); });
    if (!named) arguments.push_back(kFirmwareFileInMachine);
  }
  result.bootExecuteBefore = BootExecute(machine);

  out("== Machine: %s (%s)%s%s\n", options.machine.title.c_str(), options.machine.name.c_str(),
      options.fault.empty() ? "" : ", fault ", options.fault.c_str());
  out("   %s\n", WindowsLine(machine, options.machine).c_str());
  for (const auto& d : drives) {
    out("   disk %u: %-24s %-8s %s\n", static_cast<unsigned>(d.deviceNumber), d.before.model.c_str(),
        d.before.revision.c_str(), d.usb ? "(USB, no drive commands)" : d.where.c_str());
  }
  PrintBootExecute(out, result.bootExecuteBefore);
  out(standIns ? "   flasher builds: missing from this release; stand-in images with the flasher's configuration\n"
                 "   block are staged and the boot runs the flasher's host build with that block\n"
               : "   flasher builds: from the release; the boot runs the flasher's host build with the\n"
                 "   configuration block of the staged image\n");
  std::string commandLine;
  for (const auto& a : arguments) commandLine += (commandLine.empty() ? "" : " ") + a;
  out("   command line: Quenzar.exe %s\n", commandLine.c_str());

  UpdateOutcome outcome;
  bool updateRan = false;
  MainWindowHooks hooks = UpdaterHooks(MakeDriveManagerFactory(apis.system), &outcome);
  auto command = hooks.updateCommand;
  hooks.updateCommand = [&](TQuenzarMain& w) {
    updateRan = true;
    command(w);
  };
  // The user: accepts every notice and box, and the restart unless told otherwise.
  ui.answerer = [&](const sim::ShownBox& box) {
    if ((box.style & 0xF) != mb::kYesNo) return answer::kOk;
    const bool restartQuestion = box.text.bytes.find("Reboot") != std::string::npos;
    return restartQuestion && options.answerNo ? answer::kNo : answer::kYes;
  };

  out("\n== Updater start-up\n");
  PackageOptions used;
  StartupEnd end = StartupEnd::WindowShown;
  {
    TQuenzarMain window(ui, updater, PackageBlock(block), hooks, arguments);
    out("   caption: %s\n", Printable(ui.GetCaption(UiControl::Form)).c_str());
    for (int i = 0; i < ui.GetItemCount(UiControl::cboDrives); ++i) {
      out("   list item %d%s%s: %s\n", i, i == ui.GetItemIndex(UiControl::cboDrives) ? " (selected)" : "",
          window.ItemImage(UiControl::cboDrives, i) ? " [eligible]" : "",
          Printable(ui.GetItem(UiControl::cboDrives, i)).c_str());
    }
    if (!ui.terminated && ui.showMainForm) {
      window.FormShow();  // the window appears; with automatic update the command runs now
    }
    if (ui.terminated) {
      out("   the program ended without waiting for the user\n");
    } else {
      // The user picks a drive that the list marks eligible when another is selected; with a
      // firmware file every listed drive is eligible, and the user picks the package's model.
      const std::string model = TrimText(window.Package.SupportedModelText());
      const int selected = ui.GetItemIndex(UiControl::cboDrives);
      const auto eligible = [&](int i) { return window.ItemImage(UiControl::cboDrives, i) != 0; };
      const auto shows = [&](int i) {
        return !model.empty() && ui.GetItem(UiControl::cboDrives, i).bytes.find(model) != std::string::npos;
      };
      int pick = selected;
      for (int i = ui.GetItemCount(UiControl::cboDrives) - 1; i >= 0; --i) {
        if (eligible(i) && (shows(i) || !(pick >= 0 && eligible(pick) && shows(pick)))) pick = i;
      }
      if (pick >= 0 && eligible(pick) && !shows(pick) && selected >= 0 && eligible(selected)) pick = selected;
      if (pick != selected && pick >= 0) {
        out("   the user selects list item %d\n", pick);
        ui.SetItemIndex(UiControl::cboDrives, pick);
        window.OnChange(UiControl::cboDrives);
      }
      out("   version line: %s %s %s %s\n", Printable(ui.GetCaption(UiControl::lblUpdateMsg)).c_str(),
          ui.IsVisible(UiControl::lblOldFW) ? Printable(ui.GetCaption(UiControl::lblOldFW)).c_str() : "",
          ui.IsVisible(UiControl::lblTo) ? Printable(ui.GetCaption(UiControl::lblTo)).c_str() : "",
          ui.IsVisible(UiControl::lblNewFW) ? Printable(ui.GetCaption(UiControl::lblNewFW)).c_str() : "");
      out("   update button: %s\n", ui.IsEnabled(UiControl::cmdUpdate) ? "enabled" : "disabled");
      out("\n== The user presses \"%s\"\n", Printable(ui.GetCaption(UiControl::cmdUpdate)).c_str());
      window.OnClick(UiControl::cmdUpdate);
    }
    end = window.End;
    used = window.Options;
    result.updaterExitCode = window.ExitCode;
  }
  result.updaterEnd = updateRan ? std::string("update command: ") + EndName(outcome.end) : StartupEndName(end);

  out("\n== Message boxes\n");
  if (ui.boxes.empty()) out("   none\n");
  for (const auto& box : ui.boxes) {
    std::string who;
    if (box.closedByTimer) {
      who = "closed itself after " + std::to_string(box.timerInterval / 1000) + " s (" + AnswerName(box.answer) + ")";
    } else {
      who = std::string("the simulated user answered ") + AnswerName(box.answer);
    }
    result.messageBoxes.push_back("[" + Printable(box.caption) + "] " + Printable(box.text));
    out("   %s\n      -> %s\n", result.messageBoxes.back().c_str(), who.c_str());
  }
  out("   %s\n", result.updaterEnd.c_str());
  out("   updater exit code: %d\n", result.updaterExitCode);

  out("\n== How the updater identified each disk\n");
  for (const auto& d : drives) {
    out("   disk %u: %s\n", static_cast<unsigned>(d.deviceNumber), IdentifiedThrough(d).c_str());
  }

  // What the release promises here, and for which drives.
  std::vector<DriveTexts> texts;
  for (const auto& d : drives) texts.push_back({d.before.model, d.before.revision});
  const std::vector<int> packages = PackagesOfDrives(PackageBlock(block), used, texts);
  int judged = -1;
  std::string identity, stagedRevision;
  if (updateRan && outcome.package >= 0) {
    judged = outcome.package;
    identity = outcome.identity;
    stagedRevision = outcome.driveRevision;
  }
  bool anyEligible = false, anyUnreachable = false;
  const std::vector<std::string> models = ReleaseModels(PackageBlock(block), used);
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const auto& d = drives[i];
    const DemoDisk& disk = options.machine.disks[i];
    // Behind a driver that refuses pass-through no command reaches the drive.
    const bool reachable = d.drive && options.machine.controllers[disk.controller].passThrough;
    const bool releaseModel =
        std::find(models.begin(), models.end(), TrimText(d.before.model)) != models.end();
    if (!reachable && releaseModel) anyUnreachable = true;
    const bool answers = reachable && !d.drive->staysBusy;
    if (!answers || packages[i] < 0) continue;
    anyEligible = true;
    if (judged < 0) {
      judged = packages[i];
      identity = FlasherIdentity(d.before.model);
    }
  }
  if (!options.fault.empty()) {
    result.promise = Promise::KeepWhole;
    result.promiseReason = "a fault struck: every drive ends at the target or keeps its old firmware whole";
  } else if (end == StartupEnd::BatteryLow && options.machine.lowBattery) {
    result.promise = Promise::Untouched;
    result.promiseReason = "the battery is low and the release checks it: nothing is to change";
  } else if (end == StartupEnd::BadArgument || end == StartupEnd::FirmwareFileRefused) {
    result.promise = Promise::Untouched;
    result.promiseReason = "the command line was refused: nothing is to change";
  } else if (!anyEligible && anyUnreachable) {
    result.promise = Promise::Untouched;
    result.promiseReason = "the release's drive can't be reached through its controller's driver: nothing is to "
                           "change, and the updater says so and ends with exit code 1603";
  } else if (machine.version.majorVersion == 5 && machine.version.minorVersion == 1 &&
             machine.version.servicePackMajor < 2) {
    result.promise = Promise::Untouched;
    result.promiseReason =
        "32-bit Windows XP before Service Pack 2 has no ATA pass-through for the flasher at boot: "
        "the update is refused and nothing is to change";
  } else if (!anyEligible) {
    result.promise = Promise::Untouched;
    result.promiseReason = "no drive of this machine that answers is eligible: nothing is to change";
  } else {
    result.promise = Promise::Update;
    result.promiseReason = "every drive the flasher may flash ends at the target";
  }
  VerdictInput verdict;
  verdict.promise = result.promise;
  if (judged >= 0) {
    result.stagedPackage = updateRan && outcome.package >= 0 ? judged + 1 : 0;
    verdict.target = TrimText(PackageBlock(block).NewRevision(judged + 1));
    verdict.targetExtension = TrimText(PackageBlock(block).Extension(judged + 1));
    if (options.firmwareFile) {
      // The file's image decides what the drive takes on.
      const auto image = ImageRevision(*options.firmwareFile);
      verdict.target = image ? image->first : verdict.target;
      verdict.targetExtension = image ? image->second : "";
    }
  }
  result.target = verdict.target;
  // A USB disk gets no drive commands, whatever the release says of its model.
  std::vector<bool> allowed = FlashableDrives(packages, texts, judged, identity, stagedRevision);
  for (std::size_t i = 0; i < drives.size(); ++i) allowed[i] = allowed[i] && drives[i].drive != nullptr;

  out("\n== What the machine holds\n");
  const std::string dirs[] = {machine.SystemDirectory(), machine.Wow64Directory()};
  for (const auto& dir : dirs) {
    for (const char* name : {"FW.bin", "Ombrel.exe", "Ferryman.exe"}) {
      const auto data = machine.files.Get(dir + "\\" + name);
      if (data) out("   %s\\%s  %zu bytes\n", dir.c_str(), name, data->size());
    }
  }
  PrintBootExecute(out, BootExecute(machine));
  for (const auto& l : machine.launches) {
    out("   started: %s %s (copy helper runs: %d, exit %d)\n", l.file.c_str(), l.parameters.c_str(), helperRuns,
        helperExit);
  }
  for (const auto& r : machine.restarts) out("   restart requested: ExitWindowsEx flags %u\n", r.flags);

  out("\n== Restart\n");
  if (machine.restarts.empty()) out("   no restart\n");
  if (IsDriveFault(options.fault)) {
    out("   (fault: %s strikes the drive while the flasher downloads)\n", options.fault.c_str());
    for (std::size_t i = 0; i < drives.size(); ++i) {
      if (allowed[i]) ApplyDriveFault(options.fault, *drives[i].drive);
    }
  }
  if (!machine.restarts.empty()) BootChain(out, machine, result.boots);
  result.restarts = machine.restarts.size();
  PrintBootExecute(out, BootExecute(machine));

  // The user restarts Windows once more, later: whatever is still staged runs now; after a
  // finished update nothing may change.
  out("\n== Later, the user restarts Windows\n");
  const auto firmwareBefore = FirmwareOfAll(drives);
  const auto bootExecuteBefore = BootExecute(machine);
  std::vector<std::optional<std::vector<std::uint8_t>>> filesBefore, filesAfter;
  for (const auto& dir : dirs) filesBefore.push_back(machine.files.Get(dir + "\\FW.bin"));
  const std::size_t restartsBefore = machine.restarts.size();
  BootChain(out, machine, result.boots);
  for (const auto& dir : dirs) filesAfter.push_back(machine.files.Get(dir + "\\FW.bin"));
  result.extraBootChangedNothing = SameFirmware(drives, firmwareBefore) && BootExecute(machine) == bootExecuteBefore &&
                                   filesAfter == filesBefore && machine.restarts.size() == restartsBefore;
  out("   %s\n", result.extraBootChangedNothing ? "nothing changed" : "the machine changed");
  result.bootExecuteAfter = BootExecute(machine);
  PrintBootExecute(out, result.bootExecuteAfter);
  for (const auto& dir : dirs) {
    const auto data = machine.files.Get(dir + "\\FW.bin");
    const std::string mark = bootflash::kDoneMark;
    if (data && std::search(data->begin(), data->end(), mark.begin(), mark.end()) != data->end()) {
      result.fwBinWithDoneMark.push_back(dir + "\\FW.bin");
      out("   %s\\FW.bin carries the done-mark\n", dir.c_str());
    }
  }
  result.lastRunLine = LaterStart(out, updater, apis, pristine, verdict.lastRun);

  out("\n== Drives before and after\n");
  out("   %-6s %-24s %-8s %-8s | %-8s %-8s  %s\n", "disk", "model", "revision", "ext", "revision", "ext", "package");
  for (std::size_t i = 0; i < drives.size(); ++i) {
    const auto& d = drives[i];
    if (!d.drive) continue;
    DemoDriveResult r;
    r.name = "disk " + std::to_string(d.deviceNumber) + " (" + d.before.model + ")";
    r.model = d.before.model;
    r.revisionBefore = d.before.revision;
    r.extensionBefore = d.before.extension;
    r.revisionAfter = d.drive->Revision();
    r.extensionAfter = d.drive->Extension();
    r.identifiedThrough = IdentifiedThrough(d);
    r.allowed = allowed[i];
    out("   %-6u %-24s %-8s %-8s | %-8s %-8s  %s\n", static_cast<unsigned>(d.deviceNumber), r.model.c_str(),
        r.revisionBefore.c_str(), r.extensionBefore.c_str(), r.revisionAfter.c_str(), r.extensionAfter.c_str(),
        packages[i] < 0 ? "-" : std::to_string(packages[i] + 1).c_str());
    JudgedDrive j;
    j.name = r.name;
    j.before = {d.before.revision, d.before.extension, false, {}};
    j.after = FirmwareOf(*d.drive);
    j.allowed = allowed[i];
    verdict.drives.push_back(j);
    result.drives.push_back(r);
  }
  result.verdict = JudgeRun(verdict);
  // Whatever happened, the next start of Windows must not run the flasher again.
  if (result.bootExecuteAfter != result.bootExecuteBefore) {
    std::string line = "BootExecute left as";
    for (const auto& e : result.bootExecuteAfter) line += " \"" + e + "\"";
    result.verdict.lines.push_back(line + ": every start of Windows runs it");
    result.verdict.failures.push_back(result.verdict.lines.back());
    result.verdict.pass = false;
  }
  // A drive the updater could not reach is not "nothing to update".
  if (options.fault.empty() && !anyEligible && anyUnreachable &&
      (end != StartupEnd::UnreachableDrive || result.updaterExitCode != exit_code::kFailure)) {
    result.verdict.lines.push_back("the updater ended with \"" + result.updaterEnd + "\" and exit code " +
                                   std::to_string(result.updaterExitCode) +
                                   ", not at the box naming the drive it can't reach with exit code 1603");
    result.verdict.failures.push_back(result.verdict.lines.back());
    result.verdict.pass = false;
  }
  result.reached = result.verdict.targetReached;
  result.noHalfWrittenImage = !result.verdict.halfWritten;

  out("\n== Verdict%s%s\n", options.fault.empty() ? "" : ", fault ", options.fault.c_str());
  out("   %s\n", result.updaterEnd.c_str());
  if (judged >= 0) {
    out("   package %d judged (%s), target %s\n", judged + 1,
        result.stagedPackage ? "the one staged" : "the one the release gives the eligible drive", result.target.c_str());
  }
  out("   the release promises: %s\n", result.promiseReason.c_str());
  for (const auto& line : result.verdict.lines) out("   %s\n", line.c_str());
  out("   a later restart %s\n", result.extraBootChangedNothing ? "changed nothing" : "changed the machine");
  out("\n%s\n", result.verdict.pass ? "PASS: the run did what the release promises"
                                    : "FAIL: the run did not do what the release promises");
  return result;
}

}  // namespace qz::demo
