#include "transport/ata_command_device.hpp"

#include <algorithm>
#include <string_view>

#include "transport/inbox_ide.hpp"
#include "transport/port_io_transport.hpp"
#include "transport/sil3124_transport.hpp"
#include "transport/transport_choice.hpp"

namespace qz {

namespace {

constexpr std::uint32_t kAhciPortRegisters = 0x100;
constexpr std::uint32_t kAhciPortStride = 0x80;
constexpr std::uint32_t kSil3124PortStride = 0x2000;
constexpr std::uint32_t kAhciEnable = 0x80000000u;

std::string_view Text(const PropertyText& text) {
  return std::string_view(text.data(), std::find(text.begin(), text.end(), '\0') - text.begin());
}

}  // namespace

AtaCommandDevice::AtaCommandDevice(const CommandDeviceSystem& system, DiskList disks)
    : CommandTimer(system.os),
      System(system.os),
      Transports(system.os, system.addresses, CommandTimer, *this),
      os_(system.os),
      disks_(disks) {
  DataBuffer = std::make_unique<std::uint8_t[]>(kDataBufferSize);
  PortIoLoader = std::make_unique<NtPortLoader>(system.os, system.fsRedirection, system.portIo,
                                                system.portIoImages);
  PhysicalLoader = std::make_unique<TesselLoader>(system.os, system.fsRedirection,
                                                  system.physicalAccess, system.tesselImages);
}

AtaCommandDevice::~AtaCommandDevice() {
  if (DeviceHandle != kInvalidHandle) os_.CloseHandle(DeviceHandle);
  DeviceHandle = kInvalidHandle;
  CurrentEntry = nullptr;
  CurrentWmiInfo = nullptr;
  disks_ = {};
  PhysicalLoader.reset();
  PortIoLoader.reset();
  DataBuffer.reset();
}

DiskRegData* AtaCommandDevice::GetDeviceEntry(int index) {
  if (index < 0) index = CurrentIndex;
  if (index < 0 || index >= GetDeviceCount()) return nullptr;
  return &disks_[static_cast<std::size_t>(index)];
}

std::uint8_t AtaCommandDevice::GetBusType(int index) {
  const DiskRegData* entry = GetDeviceEntry(index);
  return entry ? entry->BusType : 0;
}

bool AtaCommandDevice::IsAhciEnabled(int index) {
  const DiskRegData* entry = GetDeviceEntry(index);
  if (!entry || !entry->HasMem || entry->MemRangeCount == 0) return false;
  if (entry->VendorId != pci_vendor::kIntel) return false;
  if (!PhysicalLoader || !PhysicalLoader->Loaded) return false;
  if ((entry->MemRanges[0].Length & 0xFF) != 0) return false;
  // The entry's own register window: at the first test MemBase still belongs to the drive
  // selected before.
  const std::uint32_t ghc = PhysicalLoader->library().maPeekD(entry->MemRanges[0].Base + 4);
  return (ghc & kAhciEnable) != 0;
}

void AtaCommandDevice::ComputeDirectMode(const DiskRegData& e, int index) {
  directMode_ = TransportKind::None;
  if (e.HasIo) {
    directMode_ = TransportKind::PortIo;
    ioBase_ = static_cast<std::uint16_t>(e.CmdBase);
    driveSelect_ = e.Address.TargetId == 0 ? 0xA0 : 0xB0;
    // A controller in AHCI mode does not serve the legacy ports.
    if (e.VendorId == pci_vendor::kIntel && IsAhciEnabled(index)) directMode_ = TransportKind::None;
  }
  if (e.HasMem && e.MemRangeCount > 0 && directMode_ == TransportKind::None) {
    directMode_ = TransportKind::Sil3124;
    if (e.VendorId == pci_vendor::kSiliconImage && e.DeviceId == kSil3124DeviceId) {
      // Without a WMI record the port is unknown; port 0 is the card's first.
      const std::uint32_t port = e.WmiInfo ? static_cast<std::uint32_t>(e.WmiInfo->SCSIBus) : 0;
      memBase_ = e.MemRanges[0].Base;
      if (e.MemRangeCount >= 2 && port < e.MemRanges[1].Length / kSil3124PortStride) {
        portRegBase_ = e.MemRanges[1].Base + port * kSil3124PortStride;
      } else {
        directMode_ = TransportKind::None;  // no port register window to reach
      }
    } else {
      const std::uint32_t port = LocationPortNumber(Text(e.LocationInformation));
      memBase_ = e.MemRanges[0].Base;
      portRegBase_ = memBase_ + kAhciPortRegisters + port * kAhciPortStride;
      if (e.VendorId == pci_vendor::kIntel && !IsAhciEnabled(index)) {
        directMode_ = TransportKind::None;
      }
    }
  }
}

bool AtaCommandDevice::SelectDrive(int index) {
  if (index < 0 || index >= GetDeviceCount()) return false;
  CurrentIndex = index;
  DiskRegData& e = disks_[static_cast<std::size_t>(index)];
  VendorId = e.VendorId;
  DeviceId = e.DeviceId;
  ComputeDirectMode(e, index);
  CurrentEntry = &e;
  CurrentWmiInfo = e.WmiInfo.get();

  if (DeviceHandle != kInvalidHandle) os_.CloseHandle(DeviceHandle);
  const std::string path(e.DevicePath.data(),
                         std::find(e.DevicePath.begin(), e.DevicePath.end(), '\0'));
  DeviceHandle = os_.CreateFile(path, access::kGenericRead | access::kGenericWrite,
                                share::kRead | share::kWrite, disposition::kOpenExisting, 0);
  ChooseTransport();
  return kind_ == TransportKind::PortIo || kind_ == TransportKind::Sil3124 ||
         DeviceHandle != kInvalidHandle;
}

void AtaCommandDevice::ChooseTransport() {
  std::optional<pass_through::CmdIdeVersion> miniport;
  if (DeviceHandle != kInvalidHandle && VendorId == pci_vendor::kSiliconImage) {
    miniport = Transports.QueryCmdIdeVersion();
  }
  kind_ = ChooseTransportKind(System.GetOsVersionCode(), GetBusType(CurrentIndex), miniport);
}

float AtaCommandDevice::GetCmdIdeVersion() { return Transports.QueryCmdIdeVersion().Value(); }

void AtaCommandDevice::DriveAddress(std::uint8_t& pathId, std::uint8_t& targetId,
                                    std::uint8_t& lun) const {
  pathId = targetId = lun = 0;
  if (CurrentEntry == nullptr) return;
  pathId = CurrentEntry->Address.PathId;
  targetId = CurrentEntry->Address.TargetId;
  lun = CurrentEntry->Address.Lun;
}

std::uint8_t AtaCommandDevice::SendDirect(TransportKind kind, const TaskFile& taskFile,
                                          Bytes buffer, const TaskFile* previous,
                                          std::uint32_t direction, std::uint32_t length) {
  if (kind == TransportKind::PortIo) {
    PortIoTransport transport(PortIoLoader.get(), CommandTimer, CommandTimeout, ioBase_,
                              driveSelect_);
    return transport.Send(taskFile, buffer, previous, direction, length, OutputTaskFile);
  }
  Sil3124Transport transport(PhysicalLoader.get(), CommandTimer, os_, CommandTimeout,
                             portRegBase_);
  return transport.Send(taskFile, buffer, previous, direction, length);
}

std::uint8_t AtaCommandDevice::Dispatch(TransportKind kind, const TaskFile& taskFile, Bytes buffer,
                                        const TaskFile* previous, std::uint32_t direction,
                                        std::uint32_t& length) {
  switch (kind) {
    case TransportKind::AtaPassThrough:
    case TransportKind::IdePassThrough:
    case TransportKind::ScsiPassThrough:
    case TransportKind::Miniport:
      return Transports.Send(kind, taskFile, buffer, previous, direction, length);
    case TransportKind::PortIo:
      if (!PortIoLoader || !PortIoLoader->Loaded) return command_result::kNotSupported;
      return SendDirect(kind, taskFile, buffer, previous, direction, length);
    case TransportKind::Sil3124:
      if (!PhysicalLoader || !PhysicalLoader->Loaded) return command_result::kNotSupported;
      if (VendorId != pci_vendor::kSiliconImage || DeviceId != kSil3124DeviceId) {
        return command_result::kNotSupported;
      }
      return SendDirect(kind, taskFile, buffer, previous, direction, length);
    default:
      return command_result::kNotSupported;
  }
}

std::uint8_t AtaCommandDevice::SendCommand(const TaskFile& taskFile, Bytes buffer,
                                           const TaskFile* previous, std::uint32_t direction,
                                           std::uint32_t& length) {
  return Dispatch(kind_, taskFile, buffer, previous, direction, length);
}

std::uint8_t AtaCommandDevice::Identify() {
  constexpr std::uint32_t kSector = 512;
  TaskFile tf;
  tf.SectorCount = static_cast<std::uint8_t>(kSector / 512);
  tf.Device = 0;
  tf.Command = ata_command::kIdentifyDevice;
  std::uint32_t length = kSector;
  const std::uint8_t result = SendCommand(tf, GetDataBuffer(), nullptr, data_direction::kIn, length);
  // A storage stack that cannot pass the command through leaves the drive's own registers as
  // the only way to identify it. Only this read-only command takes that way, and only behind
  // the inbox IDE drivers: any other driver of the controller may have a command of its own in
  // flight that a raw register sequence would race.
  if (result != command_result::kNotSupported || !IsPassThrough(kind_) ||
      directMode_ == TransportKind::None) {
    return result;
  }
  if (CurrentEntry == nullptr || !ServedByInboxIdeDrivers(*CurrentEntry)) return result;
  length = kSector;
  return Dispatch(directMode_, tf, GetDataBuffer(), nullptr,
                  data_direction::kIn, length);
}

}  // namespace qz
