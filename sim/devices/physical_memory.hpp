#pragma once
// The machine's physical address space: RAM regions, device registers behind handlers, and
// the allocations that drivers make in it. Unbacked addresses read all ones and drop writes.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace qz::sim {

class MemoryHandler {
 public:
  virtual ~MemoryHandler() = default;
  virtual std::uint32_t Read(std::uint32_t offset, std::uint32_t width) = 0;
  virtual void Write(std::uint32_t offset, std::uint32_t width, std::uint32_t value) = 0;
};

class PhysicalMemory {
 public:
  void AddRam(std::uint64_t base, std::uint32_t size);
  void Map(std::uint64_t base, std::uint32_t size, std::shared_ptr<MemoryHandler> handler);

  std::uint32_t Read(std::uint64_t address, std::uint32_t width);
  void Write(std::uint64_t address, std::uint32_t width, std::uint32_t value);

  // Physically contiguous RAM for a driver; 0 when the pool is exhausted or failing.
  std::uint64_t AllocateContiguous(std::uint32_t size);
  void FreeContiguous(std::uint64_t base);
  bool failAllocations = false;
  std::size_t allocations() const { return allocated_.size(); }

 private:
  struct Region {
    std::uint32_t size = 0;
    std::vector<std::uint8_t> ram;            // RAM, or
    std::shared_ptr<MemoryHandler> handler;   // device registers
  };
  Region* Find(std::uint64_t address, std::uint64_t& base);
  std::map<std::uint64_t, Region> regions_;
  std::map<std::uint64_t, std::uint32_t> allocated_;
  std::uint64_t nextPool_ = 0x1F000000;
};

}  // namespace qz::sim
