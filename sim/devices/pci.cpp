#include "sim/devices/pci.hpp"

#include "platform/little_endian.hpp"

namespace qz::sim {

PciConfigFunction::PciConfigFunction(std::uint16_t vendorId, std::uint16_t deviceId, std::uint32_t classCode,
                         std::uint8_t headerType) {
  le::Store16(config.data(), vendorId);
  le::Store16(config.data() + 2, deviceId);
  le::StoreWidth(config.data() + 9, 3, classCode);
  config[14] = headerType;
}

std::uint32_t PciConfigFunction::LoadDword(std::uint32_t offset) const {
  return le::Load32(config.data() + offset);
}

void PciConfigFunction::StoreDword(std::uint32_t offset, std::uint32_t value) {
  le::Store32(config.data() + offset, value);
}

void PciConfigFunction::SetMemoryBar(int index, std::uint32_t base, std::uint32_t size, bool prefetchable,
                               bool is64Bit) {
  const std::uint32_t flags = (prefetchable ? 8u : 0u) | (is64Bit ? 4u : 0u);
  barMask_[index] = ~(size - 1);
  StoreDword(0x10 + 4 * index, (base & ~(size - 1)) | flags);
  if (is64Bit) {
    barMask_[index + 1] = 0xFFFFFFFFu;  // the upper half takes any value
    StoreDword(0x10 + 4 * (index + 1), 0);
  }
}

void PciConfigFunction::SetMemoryBar64(int index, std::uint64_t base, std::uint64_t size,
                                       bool prefetchable) {
  const std::uint64_t mask = ~(size - 1);
  const std::uint64_t value = (base & mask) | (prefetchable ? 8u : 0u) | 4u;
  barMask_[index] = static_cast<std::uint32_t>(mask) & ~15u;
  barMask_[index + 1] = static_cast<std::uint32_t>(mask >> 32);
  StoreDword(0x10 + 4 * index, static_cast<std::uint32_t>(value));
  StoreDword(0x10 + 4 * (index + 1), static_cast<std::uint32_t>(value >> 32));
}

void PciConfigFunction::SetIoBar(int index, std::uint32_t base, std::uint32_t size) {
  // An I/O register decodes 16 address bits; its upper half reads back as zero.
  barMask_[index] = ~(size - 1) & 0xFFFFu;
  StoreDword(0x10 + 4 * index, (base & ~(size - 1)) | 1u);
}

std::uint32_t PciConfigFunction::Read(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length) const {
  std::uint32_t n = 0;
  for (; n < length && offset + n < config.size(); ++n) buffer[n] = config[offset + n];
  return n;
}

void PciConfigFunction::Write(std::uint32_t offset, const std::uint8_t* buffer, std::uint32_t length) {
  writes += length;
  for (std::uint32_t n = 0; n < length && offset + n < config.size(); ++n) {
    const std::uint32_t at = offset + n;
    if (at >= 0x10 && at < 0x28) {
      const std::uint32_t index = (at - 0x10) / 4;
      const std::uint32_t shift = 8 * ((at - 0x10) % 4);
      const auto mask = static_cast<std::uint8_t>(barMask_[index] >> shift);
      config[at] = static_cast<std::uint8_t>((config[at] & ~mask) | (buffer[n] & mask));
    } else if (at == 4 || at == 5 || at == 0x0C || at == 0x0D || at == 0x3C) {
      config[at] = buffer[n];  // command, cache line, latency, interrupt line
    }
  }
}

void PciBus::Add(std::uint32_t bus, std::uint32_t device, std::uint32_t function,
                 std::shared_ptr<PciConfigFunction> f) {
  if (bus > lastBus) lastBus = bus;
  functions_[{bus, device, function}] = std::move(f);
}

PciConfigFunction* PciBus::Find(std::uint32_t bus, std::uint32_t device, std::uint32_t function) const {
  auto it = functions_.find({bus, device, function});
  return it == functions_.end() ? nullptr : it->second.get();
}

std::uint32_t PciBus::ReadConfig(std::uint32_t bus, std::uint32_t device, std::uint32_t function,
                                 std::uint32_t offset, std::uint8_t* buffer,
                                 std::uint32_t length) const {
  if (bus > lastBus || device > 31 || function > 7) return 0;
  const PciConfigFunction* f = Find(bus, device, function);
  if (!f) {
    if (length >= 2) buffer[0] = buffer[1] = 0xFF;
    return 2;
  }
  return f->Read(offset, buffer, length);
}

std::uint32_t PciBus::WriteConfig(std::uint32_t bus, std::uint32_t device, std::uint32_t function,
                                  std::uint32_t offset, const std::uint8_t* buffer,
                                  std::uint32_t length) {
  if (bus > lastBus || device > 31 || function > 7) return 0;
  PciConfigFunction* f = Find(bus, device, function);
  if (!f) return 0;
  f->Write(offset, buffer, length);
  return length;
}

}  // namespace qz::sim
