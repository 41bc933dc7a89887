#pragma once
// The machine's PCI functions: 256 bytes of configuration space each, with base address
// registers that answer a write of all ones with their size mask, as hardware does.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <tuple>

namespace qz::sim {

class PciConfigFunction {
 public:
  PciConfigFunction(std::uint16_t vendorId, std::uint16_t deviceId, std::uint32_t classCode = 0,
              std::uint8_t headerType = 0);

  // A memory (or I/O) region of a power-of-two size behind register index (0 to 5).
  void SetMemoryBar(int index, std::uint32_t base, std::uint32_t size, bool prefetchable = false,
                    bool is64Bit = false);
  // A 64-bit memory region in registers index and index + 1, of any power-of-two size.
  void SetMemoryBar64(int index, std::uint64_t base, std::uint64_t size, bool prefetchable = false);
  void SetIoBar(int index, std::uint32_t base, std::uint32_t size);

  std::uint32_t Read(std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length) const;
  void Write(std::uint32_t offset, const std::uint8_t* buffer, std::uint32_t length);

  std::array<std::uint8_t, 256> config{};
  std::uint32_t writes = 0;  // configuration writes received (bytes)

 private:
  void StoreDword(std::uint32_t offset, std::uint32_t value);
  std::uint32_t LoadDword(std::uint32_t offset) const;
  std::array<std::uint32_t, 6> barMask_{};  // writable bits of each register (0: none)
};

class PciBus {
 public:
  void Add(std::uint32_t bus, std::uint32_t device, std::uint32_t function,
           std::shared_ptr<PciConfigFunction> f);
  PciConfigFunction* Find(std::uint32_t bus, std::uint32_t device, std::uint32_t function) const;

  // As the HAL's bus-data calls: bytes moved, 0 beyond the last bus; an empty slot reads
  // all ones.
  std::uint32_t ReadConfig(std::uint32_t bus, std::uint32_t device, std::uint32_t function,
                           std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length) const;
  std::uint32_t WriteConfig(std::uint32_t bus, std::uint32_t device, std::uint32_t function,
                            std::uint32_t offset, const std::uint8_t* buffer,
                            std::uint32_t length);

  std::uint32_t lastBus = 0;  // buses 0..lastBus exist

 private:
  std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::shared_ptr<PciConfigFunction>>
      functions_;
};

}  // namespace qz::sim
