#pragma once
// A simulated machine, a simulated window, a copy of the shipped package block and a fake
// drive manager, for running the start-up sequence on the host.
#include <memory>
#include <string>
#include <vector>

#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/machine/ui.hpp"
#include "updater/main_window.hpp"
#include "updater/package_block.hpp"

namespace qz::test {

class FakeDriveManager final : public DriveManagerApi {
 public:
  std::uint32_t lastError = 0;
  std::vector<DriveRecord> slots;  // a slot with Present 0 is not handed out
  std::uint32_t LastError() override { return lastError; }
  std::uint16_t GetCount() override { return static_cast<std::uint16_t>(slots.size()); }
  DriveRecord* GetItem(unsigned index) override {
    if (index >= slots.size() || slots[index].Present == 0) return nullptr;
    return &slots[index];
  }
  bool Select(std::int16_t index) override { return GetItem(static_cast<unsigned>(index)); }
};

inline DriveRecord Drive(bool present, bool eligible) {
  DriveRecord r;
  r.Present = present ? 1 : 0;
  r.Eligible = eligible ? 1 : 0;
  return r;
}

class StartupRun {
 public:
  StartupRun() : api(machine, sim::Bitness::X86) {
    PackageBlock embedded = EmbeddedPackageBlock();
    block.assign(embedded.bytes().begin(), embedded.bytes().end());
  }

  // Option digit n (1-31) of the block copy.
  void Digit(int n, char value) { block[pkg::kOptionDigits + static_cast<std::size_t>(n - 1)] = static_cast<std::uint8_t>(value); }
  void Mode(std::int8_t mode) { block[pkg::kPackageMode] = static_cast<std::uint8_t>(mode); }
  void AutoClose(char seconds = '1') {
    Digit(25, '1');
    Digit(28, seconds);
  }

  // A drive manager with these drives (none: creation fails).
  void Drives(std::vector<DriveRecord> drives, std::uint32_t lastError = 0) {
    withManager = true;
    fakeDrives = std::move(drives);
    fakeLastError = lastError;
  }

  TQuenzarMain& Run(std::vector<std::string> args = {}) {
    MainWindowHooks hooks;
    if (withManager) {
      hooks.createDriveManager = [this](bool flag) -> std::unique_ptr<DriveManagerApi> {
        createFlags.push_back(flag);
        auto manager = std::make_unique<FakeDriveManager>();
        manager->slots = fakeDrives;
        manager->lastError = fakeLastError;
        return manager;
      };
    } else {
      hooks.createDriveManager = [this](bool flag) -> std::unique_ptr<DriveManagerApi> {
        createFlags.push_back(flag);
        return nullptr;
      };
    }
    hooks.buildDriveList = [this](TQuenzarMain& w) {
      ++driveListBuilds;
      w.DetectedDrivesText = detectedText;
    };
    hooks.updateCommand = [this](TQuenzarMain& w) {
      ++updates;
      w.Ui.Terminate();
    };
    // The window is still being constructed while its boxes are up: read it as the events sink.
    ui.messageTitleProbe = [](UiEvents* events) {
      return static_cast<TQuenzarMain*>(events)->MessageTitle;
    };
    window.reset();
    window = std::unique_ptr<TQuenzarMain>(new TQuenzarMain(ui, api, PackageBlock(block), hooks, std::move(args)));
    return *window;
  }

  sim::Machine machine;
  sim::SimWin32 api;
  sim::SimUi ui;
  std::vector<std::uint8_t> block;
  bool withManager = false;
  std::vector<DriveRecord> fakeDrives;
  std::uint32_t fakeLastError = 0;
  std::string detectedText;
  std::vector<bool> createFlags;
  int driveListBuilds = 0;
  int updates = 0;
  std::unique_ptr<TQuenzarMain> window;
};

}  // namespace qz::test
