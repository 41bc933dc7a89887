#include "tools/demo/identification.hpp"

#include <cstdio>

namespace qz::demo {
namespace {

// A request as Windows names it.
std::string RequestName(std::uint32_t code) {
  switch (code) {
    case 0x4D02C: return "IOCTL_ATA_PASS_THROUGH";
    case 0x4D030: return "IOCTL_ATA_PASS_THROUGH_DIRECT";
    case 0x4D028: return "IOCTL_IDE_PASS_THROUGH";
    case 0x4D004: return "IOCTL_SCSI_PASS_THROUGH";
    case 0x4D014: return "IOCTL_SCSI_PASS_THROUGH_DIRECT";
    case 0x4D008: return "IOCTL_SCSI_MINIPORT";
    case 0x2D1400: return "IOCTL_STORAGE_QUERY_PROPERTY";
    case 0x2D1080: return "IOCTL_STORAGE_GET_DEVICE_NUMBER";
    case 0x41018: return "IOCTL_SCSI_GET_ADDRESS";
    case 0x4101C: return "IOCTL_SCSI_RESCAN_BUS";
    default: {
      char hex[32];
      std::snprintf(hex, sizeof hex, "control code 0x%X", static_cast<unsigned>(code));
      return hex;
    }
  }
}

// The command device's transport kind that sends a command with this request.
std::string TransportOf(std::uint32_t code) {
  switch (code) {
    case 0x4D02C: case 0x4D030: return RequestName(code) + " (kind 1)";
    case 0x4D028: return RequestName(code) + " (kind 2)";
    case 0x4D004: case 0x4D014: return RequestName(code) + " (kind 3)";
    case 0x4D008: return RequestName(code) + " \"CMD_IDE \" (kind 4)";
    default: return RequestName(code);
  }
}

// What the updater's IDENTIFY commands found on one drive, from what its port driver carried.
}  // namespace

std::string IdentifiedThrough(const AttachedDrive& d) {
  if (d.usb) return "USB disk: never listed, gets no drive commands";
  if (!d.port) return "no port driver";
  constexpr std::uint8_t kIdentify = 0xEC;
  unsigned timeouts = 0;
  std::uint32_t lastCode = 0;
  for (std::size_t i = 0; i < d.port->commands.size() && i < d.port->carried.size(); ++i) {
    if (d.port->commands[i].registers[6] != kIdentify) continue;
    const auto& c = d.port->carried[i];
    lastCode = c.code;
    if (c.reply == sim::AtaLinkReply::Kind::Done) {
      return "identified through " + TransportOf(c.code) +
             (timeouts ? " after " + std::to_string(timeouts) + " time-out" + (timeouts > 1 ? "s" : "") : "");
    }
    ++timeouts;
  }
  if (timeouts > 0) {
    return "NOT identified: " + std::to_string(timeouts) + " IDENTIFY through " + TransportOf(lastCode) +
           " went unanswered";
  }
  std::string sent;
  for (const auto& r : d.port->Requests()) {
    const std::string name = RequestName(r.code);
    if (sent.find(name) == std::string::npos) sent += (sent.empty() ? "" : ", ") + name;
  }
  return "NOT identified: no IDENTIFY reached the drive (requests it received: " + (sent.empty() ? "none" : sent) + ")";
}

}  // namespace qz::demo
