#pragma once
// The command device on machines whose drives can also be reached through their controller's
// registers: a legacy IDE channel behind I/O ports, a SiI3124 card behind physical memory.
// The same simulated drive answers through the storage stack and through the registers.
#include <cstdint>
#include <memory>
#include <vector>

#include "sim/devices/ata_drive.hpp"
#include "sim/devices/ata_drive_link.hpp"
#include "sim/devices/legacy_ata_channel.hpp"
#include "sim/devices/sil3124_controller.hpp"
#include "sim/devices/tessel_driver.hpp"
#include "tests/transport/command_rig.hpp"

namespace qz::test {

// A drive link that keeps the data-out bytes it was given and answers data-in with a pattern.
class RecordingLink final : public sim::AtaLink {
 public:
  std::vector<sim::AtaLinkCommand> seen;
  std::vector<std::vector<std::uint8_t>> received;
  sim::AtaLinkReply Run(const sim::AtaLinkCommand& c, std::vector<std::uint8_t>& data) override {
    seen.push_back(c);
    received.push_back(c.direction == sim::AtaLinkDirection::Out ? data
                                                                 : std::vector<std::uint8_t>{});
    sim::AtaLinkReply reply;
    reply.registers = c.registers;
    reply.registers[0] = 0;
    reply.registers[6] = 0x50;
    if (c.direction == sim::AtaLinkDirection::In) {
      data.assign(c.length, 0);
      for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13 + 1);
    }
    return reply;
  }
};

inline std::shared_ptr<sim::AtaDrive> MakeDrive(const sim::DiskDescription& d) {
  return std::make_shared<sim::AtaDrive>(
      sim::AtaDrive::Identity{d.model, d.serial, d.firmware, "EXT1"});
}

// What the drive itself answers to IDENTIFY DEVICE.
inline std::vector<std::uint8_t> IdentifyOf(sim::AtaDrive& drive) {
  std::vector<std::uint8_t> data;
  sim::AtaRegisters in;
  in.sectorCount = 1;
  in.command = 0xEC;
  drive.Execute(in, sim::AtaDirection::In, 512, data, 0);
  drive.ClearLog();
  return data;
}

// The IDE machine with both channels' ports: the primary channel at 0x1F0, the secondary at
// 0x170, a drive on the master of each, reached through the storage stack as well.
struct LegacyIdeRig : CommandRig {
  explicit LegacyIdeRig(sim::PortDriver driver = sim::PortDriver::StandardSata()) {
    sim::BuildLegacyIdeMachine(machine);
    primary = sim::AddLegacyAtaChannel(machine, 0x1F0, 0x3F6);
    secondary = sim::AddLegacyAtaChannel(machine, 0x170, 0x376);
    for (auto& disk : machine.deviceTree.disks) {
      auto drive = MakeDrive(disk.description);
      auto link = std::make_shared<sim::AtaDriveLink>(drive);
      ataDrives.push_back(drive);
      ports.push_back(sim::AttachDrive(machine, disk, link, driver));
    }
    primary->Attach(0, std::make_shared<sim::AtaDriveLink>(ataDrives[0]));
    secondary->Attach(0, std::make_shared<sim::AtaDriveLink>(ataDrives[1]));
  }

  // The port accesses to one channel's command block and its alternate status port.
  std::vector<sim::IoPorts::Access> AccessesTo(std::uint16_t base, std::size_t from = 0) const {
    std::vector<sim::IoPorts::Access> out;
    for (std::size_t i = from; i < machine.ioPorts.log.size(); ++i) {
      const auto& a = machine.ioPorts.log[i];
      if ((a.port >= base && a.port < base + 8) || a.port == base + 0x206) out.push_back(a);
    }
    return out;
  }

  std::vector<std::shared_ptr<sim::AtaDrive>> ataDrives;
  std::shared_ptr<sim::LegacyAtaChannel> primary, secondary;
};

// The SiI3124 card beside the Intel desktop, its port registers live in physical memory and
// its two drives reached through them as well as through the storage stack.
struct Sil3124Rig : CommandRig {
  static constexpr std::uint32_t kPortWindow = 0xFEAF8000;

  explicit Sil3124Rig(sim::PortDriver driver = sim::PortDriver::SiliconImage(2, 2)) {
    sim::BuildSil3124Machine(machine);
    controller = sim::AddSil3124Controller(machine, kPortWindow);
    for (auto& disk : machine.deviceTree.disks) {
      auto drive = MakeDrive(disk.description);
      auto link = std::make_shared<sim::AtaDriveLink>(drive);
      ataDrives.push_back(drive);
      ports.push_back(sim::AttachDrive(machine, disk, link, driver));
      if (disk.device->portNumber == 3) {
        controller->Attach(disk.device->pathId, std::make_shared<sim::AtaDriveLink>(drive));
      }
    }
  }

  // Selects the card's drive on `port` and sends over its registers; its index in the device list.
  int SelectCardDrive(AtaCommandDevice& device, std::uint32_t port) {
    for (int i = 0; i < device.GetDeviceCount(); ++i) {
      const DiskRegData* e = device.GetDeviceEntry(i);
      if (e->VendorId == 0x1095 && e->WmiInfo && e->WmiInfo->SCSIBus == static_cast<int>(port)) {
        if (!device.SelectDrive(i)) return -1;
        device.UseTransport(TransportKind::Sil3124);
        return i;
      }
    }
    return -1;
  }

  // The drive behind the card's port.
  std::shared_ptr<sim::AtaDrive> CardDrive(std::uint32_t port) {
    for (std::size_t i = 0; i < machine.deviceTree.disks.size(); ++i) {
      const auto& d = machine.deviceTree.disks[i].device;
      if (d->portNumber == 3 && d->pathId == port) return ataDrives[i];
    }
    return nullptr;
  }

  sim::SimMachineAccess& access() { return machine.accessDrivers.tessel->access(); }

  std::vector<std::shared_ptr<sim::AtaDrive>> ataDrives;
  std::shared_ptr<sim::Sil3124Controller> controller;
};

}  // namespace qz::test
