#pragma once
// The one object through which the main window sees drives: it enumerates the disks, hands
// their list to the command device it builds, keeps the disks it can open that are not on
// USB, orders them by SCSI address and identifies each one.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "discovery/device_enumerator.hpp"
#include "discovery/drive_record.hpp"
#include "discovery/drive_table.hpp"
#include "discovery/unreached_disks.hpp"
#include "transport/ata_command_device.hpp"
#include "transport/system_info.hpp"

namespace qz {

class DriveManager {
 public:
  static constexpr std::int16_t kNoSelection = 127;
  static constexpr int kIdentifyBudget = 10;
  static constexpr float kIdentifyTimeout = 3.0f;

  // Builds everything and runs the scan; null only when the command device cannot be built.
  static std::unique_ptr<DriveManager> Create(const CommandDeviceSystem& system, bool flag);
  ~DriveManager();
  DriveManager(const DriveManager&) = delete;
  DriveManager& operator=(const DriveManager&) = delete;

  std::uint16_t GetCount() const { return DriveCount; }
  // The listed drive at `index`; null when there is none.
  DriveRecord* GetItem(unsigned index);
  bool IsPresent(int index) const;
  bool Select(std::int16_t index);
  void Deselect();
  // The system error of the last failed open during the scan (5: no administrator rights).
  std::uint32_t GetLastError() const { return LastError; }
  AtaCommandDevice& Device() { return *CommandDevice; }
  // The enumerated disks that no transport identified, listed or not.
  std::vector<UnreachedDisk> UnreachedDisks();

  std::uint8_t CreateFlag = 0;
  std::int16_t PortNumber = -1, TargetId = -1, Lun = -1, PathId = -1;
  std::int16_t SelectedIndex = kNoSelection;
  DriveTable Drives{};
  std::uint16_t DriveCount = 0;
  std::uint32_t LastError = 0;
  std::array<char, 9> CurrentRevision{};
  std::array<char, 9> CurrentModelHead{};
  std::array<char, 17> CurrentModelTail{};
  // Identify attempts the scan spent (at most the budget).
  int IdentifyAttempts = 0;
  // Per entry of the command device's list: the scan identified the drive it holds.
  std::vector<bool> IdentifiedEntries;

 private:
  explicit DriveManager(Win32Api& os);
  void Scan();
  void CollectAddresses();
  void IdentifyAll();
  bool IdentifyCurrent();

  Win32Api& os_;
  SystemInfo System;
  // Declared before the device, which reads its list: the device goes first.
  std::unique_ptr<DeviceEnumerator> Enumerator;
  std::unique_ptr<AtaCommandDevice> CommandDevice;
};

}  // namespace qz
