#include "tools/demo/demo_run.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "bootflash/firmware_file.hpp"
#include "platform/registry_api.hpp"
#include "platform/text.hpp"
#include "sim/devices/ata_drive.hpp"
#include "sim/devices/sample_image_layout.hpp"
#include "sim/machine/boot.hpp"
#include "sim/machine/machine.hpp"
#include "sim/machine/ui.hpp"
#include "sim/os/ferry_launcher.hpp"
#include "sim/os/host_flasher.hpp"
#include "sim/os/sim_win32.hpp"
#include "staging/boot_execute.hpp"
#include "tools/demo/demo_faults.hpp"
#include "tools/demo/demo_transcript.hpp"
#include "tools/demo/eligibility.hpp"
#include "tools/demo/identification.hpp"
#include "tools/demo/simulated_user.hpp"
#include "updater/drive_manager_link.hpp"
#include "updater/drive_match.hpp"
#include "updater/unreached_drives.hpp"
#include "updater/updater_hooks.hpp"

namespace qz::demo {
namespace {

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
  using namespace sim::sample_image;
  if (image.size() < kModelAt ||
      std::memcmp(image.data() + kMagicAt, kMagic.data(), kMagic.size()) != 0) {
    return std::nullopt;
  }
  auto field = [&](std::size_t at) {
    const auto begin = image.begin() + static_cast<std::ptrdiff_t>(at);
    return std::string(begin, std::find(begin, begin + kRevisionSize, std::uint8_t{0}));
  };
  return std::make_pair(field(kRevisionAt), field(kExtensionAt));
}

std::string WindowsLine(const sim::Machine& machine, const DemoMachine& spec) {
  std::string line = ReleaseName(spec.release) + " " + std::to_string(machine.version.majorVersion) + "." +
                     std::to_string(machine.version.minorVersion) + "." + std::to_string(machine.version.buildNumber);
  line += machine.version.csdVersion.empty() ? ", no service pack" : ", " + machine.version.csdVersion;
  line += machine.Is64Bit() ? ", 64-bit" : ", 32-bit";
  line += spec.lowBattery ? ", on a low battery" : ", on AC power";
  return line;
}

// The simulated machine the release is rehearsed on, and the updater's process in it.
struct Rehearsal {
  explicit Rehearsal(const DemoOptions& o)
      : options(o), out(o.transcript), block(o.packageBlock), machine(o.machine.release),
        drives(BuildDemoMachine(machine, o.machine)), updater(machine, sim::Bitness::X86), apis(machine, updater) {}
  std::vector<std::string> Dirs() const { return {machine.SystemDirectory(), machine.Wow64Directory()}; }

  const DemoOptions& options;
  Transcript out;
  std::vector<std::uint8_t> block;     // the updater's run changes it in memory
  std::vector<std::uint8_t> pristine;  // as shipped, with any stand-in flashers
  bool standIns = false;
  sim::Machine machine;
  std::vector<AttachedDrive> drives;
  sim::SimWin32 updater;
  DriveApis apis;
  std::vector<std::string> arguments;  // the updater's command line
  int helperRuns = 0, helperExit = -1;
};

// What the user's run of the updater left.
struct UserRun {
  sim::SimUi ui;
  UpdateOutcome outcome;
  bool updateRan = false;
  PackageOptions used;
  StartupEnd end = StartupEnd::WindowShown;
};

// Which package the run is judged by, and which drives the flasher may flash.
struct Stakes {
  std::vector<int> packages;  // each drive's package, counted from 0; -1 for none
  int judged = -1;            // the package judged, counted from 0
  std::string target, targetExtension;
  std::vector<bool> allowed;
  PromiseFacts facts;
};

bool SetUpMachine(Rehearsal& run, DemoResult& result) {
  PackageBlock shipped(run.block);
  run.standIns = FillMissingFlashers(shipped);
  run.pristine = run.block;
  ferry::RunCopyHelperOnLaunch(run.machine, &run.helperRuns, &run.helperExit);
  const DemoOptions& o = run.options;
  if (!o.fault.empty() && !ApplyFault(o.fault, run.machine)) {
    result.badFault = true;
    return false;
  }
  run.arguments = o.arguments;
  if (o.firmwareFile) {
    run.machine.files.Put(kFirmwareFileInMachine, *o.firmwareFile);
    const bool named = std::any_of(run.arguments.begin(), run.arguments.end(),
                                   [](const std::string& a) { return EqualsIgnoreCase(a, kFirmwareFileInMachine); });
    if (!named) run.arguments.push_back(kFirmwareFileInMachine);
  }
  result.bootExecuteBefore = BootExecute(run.machine);
  return true;
}

void PrintMachine(Rehearsal& run, const DemoResult& result) {
  Transcript& out = run.out;
  const DemoOptions& o = run.options;
  out("== Machine: %s (%s)%s%s\n", o.machine.title.c_str(), o.machine.name.c_str(), o.fault.empty() ? "" : ", fault ",
      o.fault.c_str());
  out("   %s\n", WindowsLine(run.machine, o.machine).c_str());
  for (const auto& d : run.drives) {
    out("   disk %u: %-24s %-8s %s\n", static_cast<unsigned>(d.deviceNumber), d.before.model.c_str(),
        d.before.revision.c_str(), d.usb ? "(USB, no drive commands)" : d.where.c_str());
  }
  PrintBootExecute(out, result.bootExecuteBefore);
  out(run.standIns ? "   flasher builds: missing from this release; stand-in images with the flasher's configuration\n"
                     "   block are staged and the boot runs the flasher's host build with that block\n"
                   : "   flasher builds: from the release; the boot runs the flasher's host build with the\n"
                     "   configuration block of the staged image\n");
  std::string commandLine;
  for (const auto& a : run.arguments) commandLine += (commandLine.empty() ? "" : " ") + a;
  out("   command line: Quenzar.exe %s\n", commandLine.c_str());
}

// The updater as the user starts it: every notice and box accepted, and the restart unless
// told otherwise.
void RunUpdaterAsUser(Rehearsal& run, UserRun& user, DemoResult& result) {
  MainWindowHooks hooks = UpdaterHooks(MakeDriveManagerFactory(run.apis.system), &user.outcome);
  auto command = hooks.updateCommand;
  hooks.updateCommand = [&](TQuenzarMain& w) {
    user.updateRan = true;
    command(w);
  };
  const bool answerNo = run.options.answerNo;
  user.ui.answerer = [answerNo](const sim::ShownBox& box) {
    if ((box.style & 0xF) != mb::kYesNo) return answer::kOk;
    const bool restartQuestion = box.text.bytes.find("Reboot") != std::string::npos;
    return restartQuestion && answerNo ? answer::kNo : answer::kYes;
  };
  run.out("\n== Updater start-up\n");
  {
    TQuenzarMain window(user.ui, run.updater, PackageBlock(run.block), hooks, run.arguments);
    PlayTheUser(run.out, user.ui, window);
    user.end = window.End;
    user.used = window.Options;
    result.updaterExitCode = window.ExitCode;
  }
  result.updaterEnd = user.updateRan ? std::string("update command: ") + EndName(user.outcome.end)
                                     : StartupEndName(user.end);
}

void PrintUpdaterRun(Rehearsal& run, const UserRun& user, DemoResult& result) {
  Transcript& out = run.out;
  out("\n== Message boxes\n");
  if (user.ui.boxes.empty()) out("   none\n");
  for (const auto& box : user.ui.boxes) {
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
  for (const auto& d : run.drives) {
    out("   disk %u: %s\n", static_cast<unsigned>(d.deviceNumber), IdentifiedThrough(d).c_str());
  }
}

// What the release covers on this machine: the package staged, or else the one the release
// gives the first eligible drive that answers, and the drives the flasher may flash.
Stakes WhatTheReleaseCovers(Rehearsal& run, const UserRun& user, DemoResult& result) {
  const DemoOptions& o = run.options;
  const PackageBlock package(run.block);
  Stakes s;
  std::vector<DriveTexts> texts;
  for (const auto& d : run.drives) texts.push_back({d.before.model, d.before.revision});
  s.packages = PackagesOfDrives(package, user.used, texts);
  std::string identity, stagedRevision;
  if (user.updateRan && user.outcome.package >= 0) {
    s.judged = user.outcome.package;
    identity = user.outcome.identity;
    stagedRevision = user.outcome.driveRevision;
  }
  const std::vector<std::string> models = ReleaseModels(package, user.used);
  for (std::size_t i = 0; i < run.drives.size(); ++i) {
    const auto& d = run.drives[i];
    // Behind a driver that refuses pass-through no command reaches the drive.
    const bool reachable = d.drive && o.machine.controllers[o.machine.disks[i].controller].passThrough;
    const bool releaseModel = std::find(models.begin(), models.end(), TrimText(d.before.model)) != models.end();
    if (!reachable && releaseModel) s.facts.anyUnreachable = true;
    if (!reachable || d.drive->staysBusy || s.packages[i] < 0) continue;
    s.facts.anyEligible = true;
    if (s.judged < 0) {
      s.judged = s.packages[i];
      identity = FlasherIdentity(d.before.model);
    }
  }
  s.facts.fault = !o.fault.empty();
  s.facts.lowBatteryRefused = user.end == StartupEnd::BatteryLow && o.machine.lowBattery;
  s.facts.commandLineRefused = user.end == StartupEnd::BadArgument || user.end == StartupEnd::FirmwareFileRefused;
  const auto& v = run.machine.version;
  s.facts.xpBeforeSp2 = v.majorVersion == 5 && v.minorVersion == 1 && v.servicePackMajor < 2;
  if (s.judged >= 0) {
    result.stagedPackage = user.updateRan && user.outcome.package >= 0 ? s.judged + 1 : 0;
    s.target = TrimText(package.NewRevision(s.judged + 1));
    s.targetExtension = TrimText(package.Extension(s.judged + 1));
    if (o.firmwareFile) {
      // The file's image decides what the drive takes on.
      const auto image = ImageRevision(*o.firmwareFile);
      s.target = image ? image->first : s.target;
      s.targetExtension = image ? image->second : "";
    }
  }
  result.target = s.target;
  // A USB disk gets no drive commands, whatever the release says of its model.
  s.allowed = FlashableDrives(s.packages, texts, s.judged, identity, stagedRevision);
  for (std::size_t i = 0; i < run.drives.size(); ++i) s.allowed[i] = s.allowed[i] && run.drives[i].drive != nullptr;
  return s;
}

void PrintWhatTheMachineHolds(Rehearsal& run) {
  Transcript& out = run.out;
  out("\n== What the machine holds\n");
  for (const auto& dir : run.Dirs()) {
    for (const char* name : {"FW.bin", "Ombrel.exe", "Ferryman.exe"}) {
      const auto data = run.machine.files.Get(dir + "\\" + name);
      if (data) out("   %s\\%s  %zu bytes\n", dir.c_str(), name, data->size());
    }
  }
  PrintBootExecute(out, BootExecute(run.machine));
  for (const auto& l : run.machine.launches) {
    out("   started: %s %s (copy helper runs: %d, exit %d)\n", l.file.c_str(), l.parameters.c_str(), run.helperRuns,
        run.helperExit);
  }
  for (const auto& r : run.machine.restarts) out("   restart requested: ExitWindowsEx flags %u\n", r.flags);
}

// The restarts the updater asked for, with a drive fault striking while the flasher downloads.
void RestartChain(Rehearsal& run, const Stakes& stakes, DemoResult& result) {
  Transcript& out = run.out;
  out("\n== Restart\n");
  if (run.machine.restarts.empty()) out("   no restart\n");
  if (IsDriveFault(run.options.fault)) {
    out("   (fault: %s strikes the drive while the flasher downloads)\n", run.options.fault.c_str());
    for (std::size_t i = 0; i < run.drives.size(); ++i) {
      if (stakes.allowed[i]) ApplyDriveFault(run.options.fault, *run.drives[i].drive);
    }
  }
  if (!run.machine.restarts.empty()) BootChain(out, run.machine, result.boots);
  result.restarts = run.machine.restarts.size();
  PrintBootExecute(out, BootExecute(run.machine));
}

MachineState StateOf(Rehearsal& run) {
  MachineState state{FirmwareOfAll(run.drives), BootExecute(run.machine), {}, run.machine.restarts.size()};
  for (const auto& dir : run.Dirs()) state.fwBins.push_back(run.machine.files.Get(dir + "\\FW.bin"));
  return state;
}

// The user restarts Windows once more, later: whatever is still staged runs now; after a
// finished update nothing may change.
void LaterRestart(Rehearsal& run, DemoResult& result) {
  Transcript& out = run.out;
  sim::Machine& machine = run.machine;
  out("\n== Later, the user restarts Windows\n");
  const MachineState before = StateOf(run);
  BootChain(out, machine, result.boots);
  result.extraBootChangedNothing = RestartChangedNothing(before, StateOf(run));
  out("   %s\n", result.extraBootChangedNothing ? "nothing changed" : "the machine changed");
  result.bootExecuteAfter = BootExecute(machine);
  PrintBootExecute(out, result.bootExecuteAfter);
  for (const auto& dir : run.Dirs()) {
    const auto data = machine.files.Get(dir + "\\FW.bin");
    const std::string mark = bootflash::kDoneMark;
    if (data && std::search(data->begin(), data->end(), mark.begin(), mark.end()) != data->end()) {
      result.fwBinWithDoneMark.push_back(dir + "\\FW.bin");
      out("   %s\\FW.bin carries the done-mark\n", dir.c_str());
    }
  }
}

// Each SATA drive before and after, in the result and as a table.
std::vector<JudgedDrive> DrivesBeforeAndAfter(Rehearsal& run, const Stakes& stakes, DemoResult& result) {
  Transcript& out = run.out;
  out("\n== Drives before and after\n");
  out("   %-6s %-24s %-8s %-8s | %-8s %-8s  %s\n", "disk", "model", "revision", "ext", "revision", "ext", "package");
  std::vector<JudgedDrive> judged;
  for (std::size_t i = 0; i < run.drives.size(); ++i) {
    const auto& d = run.drives[i];
    if (!d.drive) continue;
    DemoDriveResult r;
    r.name = "disk " + std::to_string(d.deviceNumber) + " (" + d.before.model + ")";
    r.model = d.before.model;
    r.revisionBefore = d.before.revision;
    r.extensionBefore = d.before.extension;
    r.revisionAfter = d.drive->Revision();
    r.extensionAfter = d.drive->Extension();
    r.identifiedThrough = IdentifiedThrough(d);
    r.allowed = stakes.allowed[i];
    out("   %-6u %-24s %-8s %-8s | %-8s %-8s  %s\n", static_cast<unsigned>(d.deviceNumber), r.model.c_str(),
        r.revisionBefore.c_str(), r.extensionBefore.c_str(), r.revisionAfter.c_str(), r.extensionAfter.c_str(),
        stakes.packages[i] < 0 ? "-" : std::to_string(stakes.packages[i] + 1).c_str());
    judged.push_back({r.name, {d.before.revision, d.before.extension, false, {}}, FirmwareOf(*d.drive), r.allowed});
    result.drives.push_back(r);
  }
  return judged;
}

void Judge(const Rehearsal& run, const UserRun& user, const Stakes& stakes, VerdictInput verdict, DemoResult& result) {
  const PromiseOfRun promise = PromiseOf(stakes.facts);
  result.promise = promise.promise;
  result.promiseReason = promise.reason;
  verdict.promise = promise.promise;
  verdict.target = stakes.target;
  verdict.targetExtension = stakes.targetExtension;
  verdict.bootExecuteBefore = result.bootExecuteBefore;
  verdict.bootExecuteAfter = result.bootExecuteAfter;
  verdict.unreachableDriveDue = run.options.fault.empty() && !stakes.facts.anyEligible && stakes.facts.anyUnreachable;
  verdict.updaterEnd = result.updaterEnd;
  verdict.updaterExitCode = result.updaterExitCode;
  verdict.endedAtUnreachableDrive = user.end == StartupEnd::UnreachableDrive;
  result.verdict = JudgeRun(verdict);
  result.reached = result.verdict.targetReached;
  result.noHalfWrittenImage = !result.verdict.halfWritten;
}

void PrintVerdict(Rehearsal& run, const Stakes& stakes, const DemoResult& result) {
  Transcript& out = run.out;
  const std::string& fault = run.options.fault;
  out("\n== Verdict%s%s\n", fault.empty() ? "" : ", fault ", fault.c_str());
  out("   %s\n", result.updaterEnd.c_str());
  if (stakes.judged >= 0) {
    out("   package %d judged (%s), target %s\n", stakes.judged + 1,
        result.stagedPackage ? "the one staged" : "the one the release gives the eligible drive", result.target.c_str());
  }
  out("   the release promises: %s\n", result.promiseReason.c_str());
  for (const auto& line : result.verdict.lines) out("   %s\n", line.c_str());
  out("   a later restart %s\n", result.extraBootChangedNothing ? "changed nothing" : "changed the machine");
  out("\n%s\n", result.verdict.pass ? "PASS: the run did what the release promises"
                                    : "FAIL: the run did not do what the release promises");
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

DemoResult RunDemo(const DemoOptions& options) {
  DemoResult result;
  Rehearsal run(options);
  if (!SetUpMachine(run, result)) return result;
  PrintMachine(run, result);
  UserRun user;
  RunUpdaterAsUser(run, user, result);
  PrintUpdaterRun(run, user, result);
  const Stakes stakes = WhatTheReleaseCovers(run, user, result);
  PrintWhatTheMachineHolds(run);
  RestartChain(run, stakes, result);
  LaterRestart(run, result);
  VerdictInput verdict;
  result.lastRunLine = LaterStart(run.out, run.updater, run.apis, run.pristine, verdict.lastRun);
  verdict.drives = DrivesBeforeAndAfter(run, stakes, result);
  Judge(run, user, stakes, verdict, result);
  PrintVerdict(run, stakes, result);
  return result;
}

}  // namespace qz::demo
