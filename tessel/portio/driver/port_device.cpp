#include "tessel/portio/driver/port_device.hpp"

#include "platform/little_endian.hpp"
#include "tessel/portio/port_codes.hpp"

namespace qz::portio {
namespace {

kstatus::Reply Status(std::int32_t status, std::uint32_t information = 0) {
  kstatus::Reply r;
  r.status = status;
  r.information = information;
  return r;
}

// The BIOS data area lists the parallel ports' base addresses from 0x408.
constexpr std::uint32_t kBiosLptTable = 0x408;

// The PCI configuration mechanism (address and data ports, and the reset control at 0xCF9):
// the HAL owns it, and a stray byte there resets the machine.
constexpr std::uint32_t kConfigPortsFirst = 0xCF8, kConfigPortsLast = 0xCFF;

bool TouchesConfigPorts(std::uint32_t port, std::uint32_t width) {
  return port <= kConfigPortsLast && port + width - 1 >= kConfigPortsFirst;
}

}  // namespace

kstatus::Reply PortDevice::Handle(std::uint32_t code, std::uint8_t* buffer, std::uint32_t inLength,
                                  std::uint32_t outLength) {
  std::uint32_t needIn = 0, needOut = 0;
  switch (code) {
    case kIoctlReadPort: needIn = 8; needOut = 4; break;
    case kIoctlWritePort: needIn = 12; needOut = 0; break;
    case kIoctlLptAddress: needIn = 4; needOut = 4; break;
    default: return Status(kstatus::kInvalidParameter);
  }
  if (buffer == nullptr || inLength < needIn || outLength < needOut) {
    return Status(kstatus::kBufferTooSmall);
  }
  if (code == kIoctlLptAddress) {
    const std::uint32_t number = le::Load32(buffer);
    if (number < 1 || number > 3) return Status(kstatus::kInvalidParameter);
    std::uint16_t address = 0;
    if (!machine_.ReadLowMemoryWord(kBiosLptTable + 2 * (number - 1), address)) {
      return Status(kstatus::kInsufficientResources);
    }
    le::Store32(buffer, address);
    return Status(kstatus::kSuccess, 4);
  }
  const std::uint32_t port = le::Load32(buffer);
  const std::uint32_t width = le::Load32(buffer + 4);
  if (port > 0xFFFF || (width != 1 && width != 2 && width != 4)) {
    return Status(kstatus::kInvalidParameter);
  }
  if (TouchesConfigPorts(port, width)) return Status(kstatus::kAccessDenied);
  const auto p = static_cast<std::uint16_t>(port);
  if (code == kIoctlWritePort) {
    machine_.WritePort(p, width, le::Load32(buffer + 8));
    return Status(kstatus::kSuccess, 0);
  }
  std::uint32_t value = machine_.ReadPort(p, width);
  if (width == 1) value &= 0xFFu;
  if (width == 2) value &= 0xFFFFu;
  le::Store32(buffer, value);
  return Status(kstatus::kSuccess, 4);
}

}  // namespace qz::portio
