#pragma once
// The updater's start-up, drive list and update command on a simulated machine with a
// simulated window, over a drive manager that hands out made-up drives and records selects.
#include <algorithm>
#include <cstring>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/devices/stub_image.hpp"
#include "sim/machine/ui.hpp"
#include "staging/pe_image.hpp"
#include "updater/package_block.hpp"
#include "updater/updater_hooks.hpp"

namespace qz::test {

class RecordingDrives final : public DriveManagerApi {
 public:
  std::uint32_t lastError = 0;
  std::vector<DriveRecord> slots;
  std::vector<int> selects;
  std::vector<UnreachedDisk> unreached;
  std::uint32_t LastError() override { return lastError; }
  std::uint16_t GetCount() override { return static_cast<std::uint16_t>(slots.size()); }
  DriveRecord* GetItem(unsigned index) override {
    if (index >= slots.size() || slots[index].Present == 0) return nullptr;
    return &slots[index];
  }
  bool Select(std::int16_t index) override {
    if (!GetItem(static_cast<unsigned>(index))) return false;
    selects.push_back(index);
    return true;
  }
  std::vector<UnreachedDisk> UnreachedDisks() override { return unreached; }
};

// A drive as the scan fills it: model characters 1-24 (cut or blank-padded as given) split
// into head and tail, the revision as reported.
inline DriveRecord MakeDrive(const std::string& model, const std::string& revision, int port = 0) {
  DriveRecord r;
  const std::string m = model.substr(0, 24);
  std::memcpy(r.ModelText.data(), m.data(), m.size());
  const std::string head = m.substr(0, 8), tail = m.size() > 8 ? m.substr(8) : "";
  std::memcpy(r.ModelHead.data(), head.data(), head.size());
  std::memcpy(r.ModelTail.data(), tail.data(), tail.size());
  const std::string rev = revision.substr(0, 8);
  std::memcpy(r.FirmwareRevision.data(), rev.data(), rev.size());
  r.PortNumber = static_cast<std::int16_t>(port);
  r.Present = 1;
  return r;
}

inline const std::string kShippedModel = "VORTANIX QRX-480T9A     ";

// A flasher build stand-in: a native PE header for `machine`, then code bytes (the tag,
// which tells the builds apart at kStandInTagAt) with the configuration block's keys at 0x200.
inline constexpr std::size_t kStandInTagAt = 0x100;
inline std::vector<std::uint8_t> FlasherStandIn(std::uint8_t tag, std::uint16_t machine) {
  std::vector<std::uint8_t> image = sim::StubImage(machine, 4096, tag, pe_subsystem::kNative);
  std::string block = "KEY=" + std::string(16, ' ') + "UPDATEBOOT=0" + "_____FW=" + std::string(8, ' ') +
                      "_FW_EXT=" + std::string(8, ' ') + "DRIVECOUNT=0000" + std::string(1, '\0');
  for (int k = 1; k <= 6; ++k) block += "VENDID" + std::to_string(k) + "=N/A" + std::string(21, ' ');
  std::memcpy(image.data() + 0x200, block.data(), block.size());
  return image;
}

class UpdateRig {
 public:
  explicit UpdateRig(sim::Windows release = sim::Windows::Win7X64)
      : machine(release), api(machine, sim::Bitness::X86) {
    PackageBlock embedded = EmbeddedPackageBlock();
    block.assign(embedded.bytes().begin(), embedded.bytes().end());
    PackageBlock b(block);
    // Flasher slots: a stand-in build each for its slot's processor (odd slots i386, even
    // slots x86-64), told apart by its tag byte.
    for (int s = 1; s <= 10; ++s) {
      const auto image = FlasherStandIn(static_cast<std::uint8_t>(0xA0 + s),
                                        s % 2 == 1 ? pe_machine::kI386 : pe_machine::kAmd64);
      std::memcpy(b.FlasherSlot(s).data(), image.data(), image.size());
      PackageBlock::WriteDecimal10(b.bytes().subspan(pkg::SizeRecordValue(s - 1), pkg::kNumberDigits),
                                   image.size());
    }
    // Copy-helper slots keep their shipped sizes; their bytes tell the builds apart.
    for (int c = 1; c <= 4; ++c) {
      Bytes slot = b.CopySlot(c);
      std::memset(slot.data(), 0xC0 + c, slot.size());
    }
    // Package 1's image: a recognisable pattern.
    Bytes image = b.Image(1);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }

  PackageBlock Block() { return PackageBlock(block); }
  void Digit(int n, char value) { block[pkg::kOptionDigits + static_cast<std::size_t>(n - 1)] = static_cast<std::uint8_t>(value); }
  void Text(std::size_t offset, const std::string& text) {
    std::memcpy(block.data() + offset, text.c_str(), text.size() + 1);
  }
  // Writes model entry (row, entry) of the table.
  void Entry(int row, int entry, const std::string& min, const std::string& max, const std::string& model,
             const std::string& aux = "#") {
    const std::size_t at = pkg::ModelEntry(row, entry);
    std::memset(block.data() + at, 0, pkg::kEntrySize);
    std::memcpy(block.data() + at + pkg::kEntryMinRevision, min.data(), std::min<std::size_t>(min.size(), 8));
    std::memcpy(block.data() + at + pkg::kEntryMaxRevision, max.data(), std::min<std::size_t>(max.size(), 8));
    std::memcpy(block.data() + at + pkg::kEntryModelName, model.data(), std::min<std::size_t>(model.size(), 40));
    std::memcpy(block.data() + at + pkg::kEntryAuxText, aux.data(), std::min<std::size_t>(aux.size(), 16));
  }

  TQuenzarMain& Start(std::vector<DriveRecord> records, std::vector<std::string> args = {}) {
    auto manager = std::make_unique<RecordingDrives>();
    manager->slots = std::move(records);
    manager->unreached = unreached;
    this->drives = manager.get();
    auto pending = std::make_shared<std::unique_ptr<RecordingDrives>>(std::move(manager));
    MainWindowHooks hooks = UpdaterHooks(
        [pending](bool) -> std::unique_ptr<DriveManagerApi> { return std::move(*pending); }, &outcome);
    window.reset();
    window = std::make_unique<TQuenzarMain>(ui, api, PackageBlock(block), hooks, std::move(args));
    return *window;
  }

  // Chooses list item n as the user would.
  void Choose(int n) {
    ui.SetItemIndex(UiControl::cboDrives, n);
    window->OnChange(UiControl::cboDrives);
  }

  std::optional<std::vector<std::string>> BootExecute() {
    return machine.registry.GetMultiString(hkey::kLocalMachine,
                                           "SYSTEM\\CurrentControlSet\\Control\\Session Manager", "BootExecute");
  }

  sim::Machine machine;
  sim::SimWin32 api;
  sim::SimUi ui;
  std::vector<std::uint8_t> block;
  RecordingDrives* drives = nullptr;
  std::vector<UnreachedDisk> unreached;  // what the drive manager reports it could not identify
  UpdateOutcome outcome;
  std::unique_ptr<TQuenzarMain> window;
};

}  // namespace qz::test
