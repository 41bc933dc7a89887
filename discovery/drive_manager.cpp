#include "discovery/drive_manager.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "platform/little_endian.hpp"
#include "transport/pass_through_codes.hpp"

namespace qz {

namespace {

constexpr std::uint8_t kBusUsb = 7;

template <std::size_t N>
void Clear(std::array<char, N>& text) {
  text.fill('\0');
}

// Copies `count` ATA text bytes at `at`, swapping the two bytes of every word.
template <std::size_t N>
void CopySwapped(std::array<char, N>& text, ConstBytes block, std::size_t at, std::size_t count) {
  for (std::size_t i = 0; i < count && i + 1 < N; ++i) {
    text[i] = static_cast<char>(block[at + (i ^ 1)]);
  }
}

template <std::size_t N, std::size_t M>
void CopyText(std::array<char, N>& to, std::size_t at, const std::array<char, M>& from) {
  const std::size_t length = strnlen(from.data(), M);
  for (std::size_t i = 0; i < length && at + i + 1 < N; ++i) to[at + i] = from[i];
}

}  // namespace

DriveManager::DriveManager(Win32Api& os) : os_(os), System(os) {}

std::unique_ptr<DriveManager> DriveManager::Create(const CommandDeviceSystem& system, bool flag) {
  std::unique_ptr<DriveManager> manager(new (std::nothrow) DriveManager(system.os));
  if (!manager) return nullptr;
  manager->Enumerator = std::make_unique<DeviceEnumerator>(system.os, system.setup, system.wmi);
  manager->Enumerator->Enumerate();
  manager->CommandDevice.reset(
      new (std::nothrow) AtaCommandDevice(system, manager->Enumerator->ListedDisks()));
  if (!manager->CommandDevice) return nullptr;
  manager->CreateFlag = flag ? 1 : 0;
  manager->Scan();
  return manager;
}

DriveManager::~DriveManager() {
  CommandDevice.reset();
  Enumerator.reset();
  Deselect();
}

DriveRecord* DriveManager::GetItem(unsigned index) {
  if (index >= DriveCount || index >= kDriveSlots || !Drives[index].Present) return nullptr;
  return &Drives[index];
}

bool DriveManager::IsPresent(int index) const {
  return index >= 0 && index < static_cast<int>(kDriveSlots) && Drives[index].Present != 0;
}

bool DriveManager::Select(std::int16_t index) {
  if (!IsPresent(index)) return false;
  const DriveRecord& r = Drives[index];
  SelectedIndex = index;
  PortNumber = r.PortNumber;
  TargetId = r.TargetId;
  Lun = r.Lun;
  PathId = r.PathId;
  CurrentModelHead = r.ModelHead;
  CurrentModelTail = r.ModelTail;
  CurrentRevision = r.FirmwareRevision;
  // The slot's own device entry: the slot index need not be the entry's.
  CommandDevice->SelectDrive(r.DeviceIndex);
  return true;
}

void DriveManager::Deselect() {
  PortNumber = TargetId = Lun = PathId = -1;
  SelectedIndex = kNoSelection;
}

std::vector<UnreachedDisk> DriveManager::UnreachedDisks() {
  std::vector<const DiskRegData*> entries;
  for (int i = 0; i < CommandDevice->GetDeviceCount(); ++i) entries.push_back(CommandDevice->GetDeviceEntry(i));
  return ListUnreachedDisks(entries, IdentifiedEntries);
}

void DriveManager::Scan() {
  Drives = DriveTable{};
  IdentifiedEntries.assign(static_cast<std::size_t>(std::max(CommandDevice->GetDeviceCount(), 0)), false);
  CollectAddresses();
  const std::size_t examined = std::min<std::size_t>(
      static_cast<std::size_t>(std::max(CommandDevice->GetDeviceCount(), 0)), kDriveSlots);
  AssignUnknownPorts(Drives, examined);
  DriveCount = static_cast<std::uint16_t>(
      std::count_if(Drives.begin(), Drives.end(), [](const DriveRecord& r) { return r.Present; }));
  OrderByAddress(Drives);
  IdentifyAll();
}

void DriveManager::CollectAddresses() {
  const int count = std::min(CommandDevice->GetDeviceCount(), static_cast<int>(kDriveSlots));
  for (int i = 0; i < count; ++i) {
    const DiskRegData* entry = CommandDevice->GetDeviceEntry(i);
    if (!entry) continue;
    const std::string path(entry->DevicePath.data(),
                           strnlen(entry->DevicePath.data(), entry->DevicePath.size()));
    const Handle h = os_.CreateFile(path, access::kGenericRead | access::kGenericWrite,
                                    share::kRead | share::kWrite, disposition::kOpenExisting, 0);
    if (h == kInvalidHandle) {
      LastError = os_.GetLastError();
      continue;
    }
    // SCSI_ADDRESS: Length, PortNumber, PathId, TargetId, Lun.
    std::array<std::uint8_t, 8> address{};
    std::uint32_t returned = 0;
    const bool known = os_.DeviceIoControl(h, ioctl::kScsiGetAddress, address, address, returned);
    os_.CloseHandle(h);
    const std::uint32_t length = le::Load32(address.data());
    if (known && length == 0) continue;
    if (entry->BusType == kBusUsb) continue;
    DriveRecord& r = Drives[static_cast<std::size_t>(i)];
    r.Present = 1;
    r.DeviceIndex = i;
    if (known) {
      r.PortNumber = address[4];
      r.PathId = address[5];
      r.TargetId = address[6];
      r.Lun = address[7];
    } else {
      r.PortNumber = -1;
      r.TargetId = r.Lun = r.PathId = 0;
    }
  }
}

void DriveManager::IdentifyAll() {
  IdentifyAttempts = 0;
  for (std::size_t j = 0; j < kDriveSlots && Drives[j].Present; ++j) {
    Select(static_cast<std::int16_t>(j));
    bool identified = false;
    while (!identified && IdentifyAttempts < kIdentifyBudget) {
      ++IdentifyAttempts;
      identified = IdentifyCurrent();
    }
    DriveRecord& r = Drives[j];
    if (identified) {
      if (r.DeviceIndex >= 0 && static_cast<std::size_t>(r.DeviceIndex) < IdentifiedEntries.size()) {
        IdentifiedEntries[static_cast<std::size_t>(r.DeviceIndex)] = true;
      }
      Clear(r.ModelText);
      Clear(r.ModelHead);
      Clear(r.ModelTail);
      Clear(r.FirmwareRevision);
      r.FirmwareRevision = CurrentRevision;
      r.ModelHead = CurrentModelHead;
      r.ModelTail = CurrentModelTail;
      CopyText(r.ModelText, 0, CurrentModelHead);
      CopyText(r.ModelText, strnlen(CurrentModelHead.data(), CurrentModelHead.size()),
               CurrentModelTail);
    }
    Deselect();
  }
}

bool DriveManager::IdentifyCurrent() {
  CommandDevice->SetTimeout(kIdentifyTimeout);
  if (CommandDevice->Identify() != command_result::kSuccess) return false;
  const Bytes block = CommandDevice->GetDataBuffer();
  Clear(CurrentRevision);
  Clear(CurrentModelHead);
  Clear(CurrentModelTail);
  CopySwapped(CurrentRevision, block, 46, 8);
  CopySwapped(CurrentModelHead, block, 54, 8);
  CopySwapped(CurrentModelTail, block, 62, 16);
  return true;
}

}  // namespace qz
