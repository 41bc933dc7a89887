#pragma once
// A disk's storage stack as the pass-through requests meet it: the port driver of its
// controller decodes IOCTL_ATA_PASS_THROUGH(_DIRECT), IOCTL_IDE_PASS_THROUGH,
// IOCTL_SCSI_PASS_THROUGH(_DIRECT), IOCTL_SCSI_MINIPORT and IOCTL_SCSI_RESCAN_BUS from their
// 32-bit layouts and hands the task file to the drive. Every other request goes to the disk
// device below (its storage queries), when there is one.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/devices/ata_link.hpp"
#include "sim/devices/device.hpp"

namespace qz::sim {

class Machine;

// What the controller's Windows driver supports.
struct PortDriver {
  bool ataPassThrough = true;   // only where Windows has it (XP SP2, Server 2003 and later)
  bool idePassThrough = true;
  bool vendorAtaCdb = false;    // carries the task file of the 0xCC descriptor block to the drive
  bool cmdIde = false;          // the "CMD_IDE " miniport interface
  std::uint16_t cmdIdeMajor = 0, cmdIdeMinor = 0;
  std::uint32_t ideTimeoutSeconds = 10;  // IDE pass-through carries no time-out of its own

  static PortDriver StandardSata() { return {}; }
  // A USB-to-SATA bridge: SCSI commands only, the vendor block among them.
  static PortDriver UsbBridge() { return {false, false, true, false, 0, 0, 10}; }
  // A SCSI miniport that knows nothing of ATA.
  static PortDriver ScsiAdapter() { return {false, false, false, false, 0, 0, 10}; }
  static PortDriver SiliconImage(std::uint16_t major, std::uint16_t minor) {
    return {false, false, false, true, major, minor, 10};
  }
};

class PassThroughDisk final : public Device {
 public:
  PassThroughDisk(Machine& machine, std::shared_ptr<AtaLink> drive, PortDriver driver,
                  std::shared_ptr<Device> lower = nullptr);

  bool Control(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned,
               std::uint32_t& lastError) override;
  bool CanOpen(bool administrator) const override;

  // The drive's address on its port (the miniport interface names the drive by it).
  std::uint8_t pathId = 0, targetId = 0, lun = 0;

  struct Request {
    std::uint32_t code = 0;
    std::int64_t ticks = 0;  // the machine's clock when it arrived
  };
  const std::vector<Request>& Requests() const { return requests_; }
  std::size_t CountRequests(std::uint32_t code) const;
  std::vector<AtaLinkCommand> commands;  // what reached the drive, in order
  // For each of `commands`: the request that carried it and how the drive answered.
  struct Carried {
    std::uint32_t code = 0;
    AtaLinkReply::Kind reply = AtaLinkReply::Kind::Done;
  };
  std::vector<Carried> carried;
  PortDriver driver;

 private:
  bool AtaPassThrough(ConstBytes in, Bytes out, bool direct, std::uint32_t& returned,
                      std::uint32_t& lastError);
  bool IdePassThrough(ConstBytes in, Bytes out, std::uint32_t& returned, std::uint32_t& lastError);
  bool ScsiPassThrough(ConstBytes in, Bytes out, bool direct, std::uint32_t& returned,
                       std::uint32_t& lastError);
  bool Miniport(ConstBytes in, Bytes out, std::uint32_t& returned, std::uint32_t& lastError);
  AtaLinkReply RunOnDrive(AtaLinkCommand& command, std::vector<std::uint8_t>& data);
  bool AtaPassThroughAvailable() const;

  Machine& machine_;
  std::shared_ptr<AtaLink> drive_;
  std::shared_ptr<Device> lower_;
  std::vector<Request> requests_;
};

}  // namespace qz::sim
