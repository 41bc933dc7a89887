// The simulated update, run on the host: a simulated machine with its drives, the updater's
// start-up, drive list and update command on a simulated window, the answers a user would
// give, and what ends up on the machine. Prints a transcript; the exit status is 0 only when
// every eligible drive reached the package's revision.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry_api.hpp"
#include "sim/machine.hpp"
#include "sim/sim_win32.hpp"
#include "sim/ui.hpp"
#include "staging/boot_execute.hpp"
#include "staging/ferryman/sim_launcher.hpp"
#include "tools/demo/demo_machine.hpp"
#include "tools/packer/packer.hpp"
#include "updater/drive_match.hpp"
#include "updater/updater_hooks.hpp"

namespace {

using namespace qz;

// The drive table the discovery subsystem would build for this machine: present disks that
// are not on USB, in address order. A stand-in until the drive manager of the discovery
// subsystem runs over the simulated storage stack here.
class DiskTable final : public DriveManagerApi {
 public:
  explicit DiskTable(const std::vector<demo::DemoDisk>& disks) {
    for (const auto& d : disks) {
      if (d.usb || slots_.size() >= 16) continue;
      DriveRecord r;
      std::string model = d.model;
      model.resize(24, ' ');
      std::memcpy(r.ModelText.data(), model.data(), 24);
      std::memcpy(r.ModelHead.data(), model.data(), 8);
      std::memcpy(r.ModelTail.data(), model.data() + 8, 16);
      std::string revision = d.revision;
      revision.resize(8, ' ');
      std::memcpy(r.FirmwareRevision.data(), revision.data(), 8);
      r.PortNumber = static_cast<std::int16_t>(d.port);
      r.TargetId = static_cast<std::int16_t>(slots_.size());
      r.Present = 1;
      slots_.push_back(r);
    }
  }
  std::uint32_t LastError() override { return 0; }
  std::uint16_t GetCount() override { return static_cast<std::uint16_t>(slots_.size()); }
  DriveRecord* GetItem(unsigned index) override { return index < slots_.size() ? &slots_[index] : nullptr; }
  bool Select(std::int16_t index) override { return index >= 0 && static_cast<std::size_t>(index) < slots_.size(); }

 private:
  std::vector<DriveRecord> slots_;
};

std::vector<std::uint8_t> ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

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
    case UpdateEnd::ImageRefused: return "image refused";
    case UpdateEnd::FwWriteFailed: return "FW.bin not written";
    case UpdateEnd::StageFailed: return "staging failed";
    case UpdateEnd::CopyFailed: return "copies for 64-bit Windows missing; nothing staged";
    case UpdateEnd::Staged: return "staged, restart declined";
    case UpdateEnd::RestartRequested: return "staged, restart requested";
  }
  return "?";
}

// The flasher builds are carried by the release once they are built; until then a stand-in
// with the flasher's configuration keys lets staging run (the boot does not run it).
bool FillMissingFlashers(PackageBlock& package) {
  const std::string key = "VENDID1=";
  bool filled = false;
  for (int s = 1; s <= pkg::kFlasherSlots; ++s) {
    Bytes slot = package.FlasherSlot(s);
    if (std::search(slot.begin(), slot.end(), key.begin(), key.end()) != slot.end()) continue;
    std::string image(4096, '\0');
    std::string block = "KEY=" + std::string(16, ' ') + "UPDATEBOOT=0" + "_____FW=" + std::string(8, ' ') +
                        "_FW_EXT=" + std::string(8, ' ') + "DRIVECOUNT=0000" + std::string(1, '\0');
    for (int k = 1; k <= 6; ++k) block += "VENDID" + std::to_string(k) + "=N/A" + std::string(21, ' ');
    image.replace(0x200, block.size(), block);
    std::memcpy(slot.data(), image.data(), image.size());
    PackageBlock::WriteDecimal10(package.bytes().subspan(pkg::SizeRecordValue(s - 1), pkg::kNumberDigits),
                                 image.size());
    filled = true;
  }
  return filled;
}

void Usage() {
  std::printf(
      "usage: quenzar-demo [--machine NAME] [--firmware FILE] [--fault NAME] [--answer-no]\n"
      "machines:");
  for (const auto& m : demo::BuiltInMachines()) std::printf(" %s", m.name.c_str());
  std::printf(
      "\nfaults: fw-create flasher-create session-key copy-hang copy-missing disk-full\n");
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
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string machineName = "win7x64", firmwareFile, fault;
  bool answerNo = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--machine" && i + 1 < argc) {
      machineName = argv[++i];
    } else if (a == "--firmware" && i + 1 < argc) {
      firmwareFile = argv[++i];
    } else if (a == "--fault" && i + 1 < argc) {
      fault = argv[++i];
    } else if (a == "--answer-no") {
      answerNo = true;
    } else {
      Usage();
      return 2;
    }
  }
  demo::DemoMachine chosen;
  bool found = false;
  for (const auto& m : demo::BuiltInMachines()) {
    if (m.name == machineName) {
      chosen = m;
      found = true;
    }
  }
  if (!found) {
    Usage();
    return 2;
  }

  // The package as shipped: the block of the packed release Quenzar.exe.
  std::vector<std::uint8_t> exe = ReadHostFile(QZ_DEMO_PACKED_EXE);
  std::string error;
  const auto base = packer::LocateBlock(exe, error);
  if (exe.empty() || !base) {
    std::printf("no packed Quenzar.exe at %s (%s)\n", QZ_DEMO_PACKED_EXE, error.c_str());
    return 2;
  }
  std::vector<std::uint8_t> block(exe.begin() + static_cast<std::ptrdiff_t>(*base),
                                  exe.begin() + static_cast<std::ptrdiff_t>(*base + pkg::kBlockSize));

  PackageBlock shipped(block);
  const bool standIns = FillMissingFlashers(shipped);

  sim::Machine machine(chosen.release);
  sim::SimWin32 updater(machine, sim::Bitness::X86);
  sim::SimUi ui;
  int helperRuns = 0, helperExit = -1;
  ferry::RunCopyHelperOnLaunch(machine, &helperRuns, &helperExit);
  if (!fault.empty() && !ApplyFault(fault, machine)) {
    Usage();
    return 2;
  }
  std::vector<std::string> arguments;
  if (!firmwareFile.empty()) {
    const std::string inMachine = "C:\\FIRMWARE.BIN";
    machine.files.Put(inMachine, ReadHostFile(firmwareFile));
    arguments.push_back(inMachine);
  }

  std::printf("== Machine: %s (%s)%s%s\n", chosen.title.c_str(), chosen.name.c_str(),
              fault.empty() ? "" : ", fault ", fault.c_str());
  for (const auto& d : chosen.disks) {
    std::printf("   disk: %-24s %-8s%s\n", d.model.c_str(), d.revision.c_str(), d.usb ? "  (USB)" : "");
  }
  std::printf("   drive table: the disks as the drive scan lists them (stand-in for the discovery drive manager)\n");
  if (standIns) std::printf("   flasher builds: not in this release; stand-ins with the configuration keys are staged\n");

  UpdateOutcome outcome;
  bool updateRan = false;
  MainWindowHooks hooks = UpdaterHooks(
      [&chosen](bool) -> std::unique_ptr<DriveManagerApi> { return std::make_unique<DiskTable>(chosen.disks); },
      &outcome);
  auto command = hooks.updateCommand;
  hooks.updateCommand = [&](TQuenzarMain& w) {
    updateRan = true;
    command(w);
  };
  // The user: accepts every notice and box, and the restart unless told otherwise.
  ui.answers = {answer::kOk, answerNo ? answer::kNo : answer::kYes};
  ui.unanswered = answer::kCancel;

  std::printf("\n== Updater start-up\n");
  TQuenzarMain window(ui, updater, PackageBlock(block), hooks, arguments);
  std::printf("   caption: %s\n", ui.GetCaption(UiControl::Form).bytes.c_str());
  for (int i = 0; i < ui.GetItemCount(UiControl::cboDrives); ++i) {
    std::printf("   list item %d%s: %s\n", i, i == ui.GetItemIndex(UiControl::cboDrives) ? " (selected)" : "",
                ui.GetItem(UiControl::cboDrives, i).bytes.c_str());
  }
  std::printf("   version line: %s %s %s %s\n", Printable(ui.GetCaption(UiControl::lblUpdateMsg).bytes).c_str(),
              ui.IsVisible(UiControl::lblOldFW) ? ui.GetCaption(UiControl::lblOldFW).bytes.c_str() : "",
              ui.IsVisible(UiControl::lblTo) ? ui.GetCaption(UiControl::lblTo).bytes.c_str() : "",
              ui.IsVisible(UiControl::lblNewFW) ? ui.GetCaption(UiControl::lblNewFW).bytes.c_str() : "");
  std::printf("   update button: %s\n", ui.IsEnabled(UiControl::cmdUpdate) ? "enabled" : "disabled");
  if (!ui.terminated) {
    std::printf("\n== The user presses \"%s\"\n", ui.GetCaption(UiControl::cmdUpdate).bytes.c_str());
    window.OnClick(UiControl::cmdUpdate);
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
  const auto boot = machine.registry.GetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute");
  std::printf("   BootExecute:");
  if (boot) {
    for (const auto& e : *boot) std::printf(" \"%s\"", e.c_str());
  } else {
    std::printf(" (not set)");
  }
  std::printf("\n");
  for (const auto& l : machine.launches) {
    std::printf("   started: %s %s (copy helper runs: %d, exit %d)\n", l.file.c_str(), l.parameters.c_str(),
                helperRuns, helperExit);
  }
  for (const auto& r : machine.restarts) std::printf("   restart requested: ExitWindowsEx flags %u\n", r.flags);

  // The restart and the boot-time flasher: the simulated boot is not part of this build yet,
  // so the drives keep their revisions.
  std::printf("\n== Restart\n");
  if (machine.restarts.empty()) {
    std::printf("   no restart\n");
  } else {
    std::printf("   the simulated boot through BootExecute is not part of this build: nothing flashed\n");
  }

  std::printf("\n== Drives before and after\n");
  const PackageBlock package(block);
  bool reached = true;
  std::printf("   %-24s %-8s %-8s | %-8s %-8s\n", "model", "revision", "ext", "revision", "ext");
  for (const auto& d : chosen.disks) {
    std::printf("   %-24s %-8s %-8s | %-8s %-8s\n", d.model.c_str(), d.revision.c_str(), d.extension.c_str(),
                d.revision.c_str(), d.extension.c_str());
    if (!d.usb && TrimText(d.model) == TrimText(package.SupportedModelText()) &&
        TrimText(d.revision) != TrimText(package.NewRevision(1))) {
      reached = false;
    }
  }
  std::printf("\n%s\n", reached ? "target revision reached" : "target revision NOT reached");
  return reached ? 0 : 1;
}
