#pragma once
// What the driver's request handling needs of the machine. The kernel glue implements it with
// the HAL and memory-manager calls; the host tests and the simulated machine with models.
#include <cstdint>

namespace qz::tessel {

class MachineAccess {
 public:
  // One register-sized access to physical memory (width 1, 2 or 4).
  virtual bool ReadPhysical(std::uint32_t address, std::uint32_t width, std::uint32_t& value) = 0;
  virtual bool WritePhysical(std::uint32_t address, std::uint32_t width, std::uint32_t value) = 0;

  // PCI configuration space, as the HAL's bus-data calls: the number of bytes moved, 0 when
  // the bus does not exist; a read of an empty slot gives vendor id 0xFFFF.
  virtual std::uint32_t ReadConfig(std::uint32_t bus, std::uint32_t slot, std::uint32_t function,
                                   std::uint32_t offset, std::uint8_t* buffer,
                                   std::uint32_t length) = 0;
  virtual std::uint32_t WriteConfig(std::uint32_t bus, std::uint32_t slot, std::uint32_t function,
                                    std::uint32_t offset, const std::uint8_t* buffer,
                                    std::uint32_t length) = 0;

  // A view of physical memory in the calling process: `view` names it for the unmap (the
  // base of its pages), `linear` is where `physical` lies in it. The caller has checked that
  // the page offset plus the length fits 32 bits.
  virtual bool MapView(std::uint32_t physical, std::uint32_t length, std::uint64_t& view,
                       std::uint32_t& linear) = 0;
  // Removes a view from `process` (one that ReferenceCurrentProcess gave), also when the call
  // comes from another process; nothing when that process has ended, its views with it.
  virtual void UnmapView(std::uint64_t process, std::uint64_t view) = 0;
  // The process the current request or clean-up runs in, as its object: unlike a process
  // number, an identity cannot name another process while a reference to it is held.
  virtual std::uint64_t CurrentProcess() = 0;
  // CurrentProcess with a reference taken, which keeps the identity from being reused;
  // ReleaseProcess gives it back.
  virtual std::uint64_t ReferenceCurrentProcess() = 0;
  virtual void ReleaseProcess(std::uint64_t process) = 0;

  // The one common DMA buffer.
  virtual bool AllocateCommonBuffer(std::uint32_t size, std::uint64_t& physical,
                                    std::uint64_t& kernelAddress) = 0;
  virtual void FreeCommonBuffer() = 0;

 protected:
  ~MachineAccess() = default;
};

}  // namespace qz::tessel
