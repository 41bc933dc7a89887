#pragma once
// The one object through which the updater sends ATA commands to a drive. It is handed the
// machine's disks (discovery builds the list) and loads the two register-access libraries at
// construction; it is pointed at one drive at a time by SelectDrive and sends each command
// over the transport chosen for that drive.
#include <cstdint>
#include <memory>
#include <vector>

#include "transport/disk_reg_data.hpp"
#include "platform/buffer_address_api.hpp"
#include "platform/fs_redirection_api.hpp"
#include "platform/physical_access_api.hpp"
#include "platform/port_io_api.hpp"
#include "platform/setup_api.hpp"
#include "platform/win32_api.hpp"
#include "platform/wmi_api.hpp"
#include "transport/high_res_timer.hpp"
#include "transport/library_images.hpp"
#include "transport/ntport_loader.hpp"
#include "transport/pass_through_transports.hpp"
#include "transport/system_info.hpp"
#include "transport/task_file.hpp"
#include "transport/tessel_loader.hpp"
#include "transport/transport_kind.hpp"

namespace qz {

// Everything of the system the device and what it creates talk to.
struct CommandDeviceSystem {
  Win32Api& os;
  SetupApi& setup;
  WmiApi& wmi;
  FsRedirectionApi& fsRedirection;
  PortIoApi& portIo;
  PhysicalAccessApi& physicalAccess;
  BufferAddressApi& addresses;
  LibraryImages portIoImages;
  LibraryImages tesselImages;
};

class AtaCommandDevice final : private PassThroughOwner {
 public:
  static constexpr std::size_t kDataBufferSize = 0x40000;
  static constexpr float kDefaultTimeout = 20.0f;

  // `disks` must outlive the device.
  AtaCommandDevice(const CommandDeviceSystem& system, DiskList disks);
  ~AtaCommandDevice() override;
  AtaCommandDevice(const AtaCommandDevice&) = delete;
  AtaCommandDevice& operator=(const AtaCommandDevice&) = delete;

  int GetDeviceCount() const { return static_cast<int>(disks_.size()); }
  // The entry at `index`, or at CurrentIndex when `index` is negative; null outside the list.
  DiskRegData* GetDeviceEntry(int index);
  std::uint8_t GetBusType(int index);
  void SetTimeout(float seconds) { CommandTimeout = seconds; }
  Bytes GetDataBuffer() { return Bytes(DataBuffer.get(), kDataBufferSize); }

  bool SelectDrive(int index);
  // `length`: the buffer's byte count on entry; for the pass-through kinds the count the
  // system reported on return.
  std::uint8_t SendCommand(const TaskFile& taskFile, Bytes buffer, const TaskFile* previous,
                           std::uint32_t direction, std::uint32_t& length);
  std::uint8_t Identify();
  float GetCmdIdeVersion();
  bool IsAhciEnabled(int index);

  // The transport of the selected drive, and the register way its controller offers.
  TransportKind Kind() const { return kind_; }
  TransportKind DirectMode() const { return directMode_; }
  // The legacy command block and drive select of the port-I/O way.
  std::uint16_t IoBase() const { return ioBase_; }
  std::uint8_t DriveSelect() const { return driveSelect_; }
  // The controller's register window and the drive's port registers in it.
  std::uint32_t MemBase() const { return memBase_; }
  std::uint32_t PortRegBase() const { return portRegBase_; }
  // Sends the following commands over `kind` until the next selection chooses again.
  void UseTransport(TransportKind kind) { kind_ = kind; }
  // Leaves the register ways out of this selection, as a controller without them would.
  void ForgoDirectMode() { directMode_ = TransportKind::None; }

  // Fields, in the order they are built.
  HighResTimer CommandTimer;
  SystemInfo System;
  std::unique_ptr<std::uint8_t[]> DataBuffer;
  float CommandTimeout = kDefaultTimeout;
  std::uint16_t VendorId = 0;
  std::uint16_t DeviceId = 0;
  Handle DeviceHandle = kInvalidHandle;
  PassThroughTransports Transports;  // holds the request buffers
  std::uint32_t LastSystemError = 0;
  int CurrentIndex = -1;
  std::unique_ptr<NtPortLoader> PortIoLoader;
  std::unique_ptr<TesselLoader> PhysicalLoader;
  TaskFile OutputTaskFile{};
  DiskRegData* CurrentEntry = nullptr;
  WmiDiskInfo* CurrentWmiInfo = nullptr;

 private:
  void ChooseTransport();
  void ComputeDirectMode(const DiskRegData& entry, int index);
  // The register ways after their dispatch checks.
  std::uint8_t SendDirect(TransportKind kind, const TaskFile& taskFile, Bytes buffer,
                          const TaskFile* previous, std::uint32_t direction, std::uint32_t length);
  std::uint8_t Dispatch(TransportKind kind, const TaskFile& taskFile, Bytes buffer,
                        const TaskFile* previous, std::uint32_t direction, std::uint32_t& length);

  // PassThroughOwner
  Handle DriveHandle() const override { return DeviceHandle; }
  void Reselect() override { SelectDrive(CurrentIndex); }
  float CommandTimeoutSeconds() const override { return CommandTimeout; }
  void DriveAddress(std::uint8_t& pathId, std::uint8_t& targetId, std::uint8_t& lun) const override;
  void SetOutputTaskFile(const TaskFile& registers) override { OutputTaskFile = registers; }
  void SetLastSystemError(std::uint32_t error) override { LastSystemError = error; }

  Win32Api& os_;
  DiskList disks_;
  TransportKind kind_ = TransportKind::AtaPassThrough;
  TransportKind directMode_ = TransportKind::None;
  std::uint16_t ioBase_ = 0;
  std::uint8_t driveSelect_ = 0xA0;
  std::uint32_t memBase_ = 0;
  std::uint32_t portRegBase_ = 0;
};

}  // namespace qz
