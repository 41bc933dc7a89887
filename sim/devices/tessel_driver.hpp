#pragma once
// The simulated tessel.sys: the device "\\.\TESSEL" answering through the driver's own request
// handling, over the machine's PCI functions and physical memory.
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "sim/devices/device.hpp"
#include "sim/devices/pci.hpp"
#include "sim/devices/physical_memory.hpp"
#include "tessel/driver/machine_access.hpp"
#include "tessel/driver/tessel_device.hpp"

namespace qz::sim {

class SimMachineAccess final : public tessel::MachineAccess {
 public:
  SimMachineAccess(PciBus& pci, PhysicalMemory& memory) : pci_(pci), memory_(memory) {}
  virtual ~SimMachineAccess() = default;

  bool ReadPhysical(std::uint32_t address, std::uint32_t width, std::uint32_t& value) override;
  bool WritePhysical(std::uint32_t address, std::uint32_t width, std::uint32_t value) override;
  std::uint32_t ReadConfig(std::uint32_t bus, std::uint32_t slot, std::uint32_t function,
                           std::uint32_t offset, std::uint8_t* buffer, std::uint32_t length) override;
  std::uint32_t WriteConfig(std::uint32_t bus, std::uint32_t slot, std::uint32_t function,
                            std::uint32_t offset, const std::uint8_t* buffer,
                            std::uint32_t length) override;
  bool MapView(std::uint32_t physical, std::uint32_t length, std::uint64_t& view,
               std::uint32_t& linear) override;
  void UnmapView(std::uint64_t process, std::uint64_t view) override;
  std::uint64_t CurrentProcess() override { return process; }
  std::uint64_t ReferenceCurrentProcess() override;
  void ReleaseProcess(std::uint64_t process) override;
  bool AllocateCommonBuffer(std::uint32_t size, std::uint64_t& physical,
                            std::uint64_t& kernelAddress) override;
  void FreeCommonBuffer() override;

  // The views made, by their base: the process, physical address and length, and which of
  // the processes that had that identity made it.
  struct View {
    std::uint64_t process;
    std::uint32_t physical, length, linear;
    std::uint32_t generation = 0;
  };
  std::map<std::uint64_t, View> views;
  // The process requests come from, by its identity (the process object's address); a test
  // switches it.
  std::uint64_t process = 0x1F4;
  // Process life: an ended process's views go with it; a new process may get the identity
  // of an ended one that nobody references any more (false when it is still referenced).
  void EndProcess(std::uint64_t id);
  bool StartProcess(std::uint64_t id);
  std::uint32_t references(std::uint64_t id) const;
  // Faults of the driver: an unmap that would reach a view of another process, or an
  // address where no view is, and a reference given back that was never taken.
  int unmapsInWrongProcess = 0;
  int unmapsOfUnknownViews = 0;
  int badReleases = 0;
  // Single physical accesses and configuration writes, in order, when asked for.
  bool logAccesses = false;
  struct Access {
    std::uint32_t address, width;
    bool write;
  };
  std::vector<Access> physicalAccesses;
  struct ConfigWrite {
    std::uint32_t bus, slot, function, offset, length;
  };
  std::vector<ConfigWrite> configWrites;
  // The common buffer's physical address (0: none); allocations over a live buffer and frees
  // of none, which a driver must never make.
  std::uint64_t commonBuffer() const { return common_; }
  static constexpr std::uint32_t kMaxCommonBuffer = 0x100000;
  int commonBufferFaults = 0;
  // A test makes single physical accesses fail (address, true for a write).
  std::function<bool(std::uint32_t, bool)> failAccess;

 private:
  PciBus& pci_;
  PhysicalMemory& memory_;
  std::uint64_t common_ = 0;
  std::uint64_t nextLinear_ = 0x00A00000;
  std::map<std::uint64_t, std::uint32_t> references_;
  std::map<std::uint64_t, std::uint32_t> generation_;
  std::set<std::uint64_t> ended_;
};

class SimTesselDriver final : public Device {
 public:
  SimTesselDriver(PciBus& pci, PhysicalMemory& memory) : access_(pci, memory), device_(access_) {}
  ~SimTesselDriver() override { device_.Release(); }

  bool Control(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned,
               std::uint32_t& lastError) override;
  // The device's security admits SYSTEM and Administrators only.
  bool CanOpen(bool administrator) const override { return administrator; }

  SimMachineAccess& access() { return access_; }
  std::uint32_t requests = 0;

 private:
  SimMachineAccess access_;
  tessel::TesselDevice device_;
};

}  // namespace qz::sim
