#include "sim/devices/physical_memory.hpp"

#include "platform/little_endian.hpp"

namespace qz::sim {

void PhysicalMemory::AddRam(std::uint64_t base, std::uint32_t size) {
  Region r;
  r.size = size;
  r.ram.assign(size, 0);
  regions_[base] = std::move(r);
}

void PhysicalMemory::Map(std::uint64_t base, std::uint32_t size, std::shared_ptr<MemoryHandler> handler) {
  Region r;
  r.size = size;
  r.handler = std::move(handler);
  regions_[base] = std::move(r);
}

PhysicalMemory::Region* PhysicalMemory::Find(std::uint64_t address, std::uint64_t& base) {
  auto it = regions_.upper_bound(address);
  if (it == regions_.begin()) return nullptr;
  --it;
  if (address >= it->first + it->second.size) return nullptr;
  base = it->first;
  return &it->second;
}

std::uint32_t PhysicalMemory::Read(std::uint64_t address, std::uint32_t width) {
  std::uint64_t base = 0;
  Region* r = Find(address, base);
  const std::uint32_t allOnes = width >= 4 ? 0xFFFFFFFFu : ((1u << (8 * width)) - 1);
  if (!r || address + width > base + r->size) return allOnes;
  const auto offset = static_cast<std::uint32_t>(address - base);
  if (r->handler) return r->handler->Read(offset, width) & allOnes;
  return le::LoadWidth(r->ram.data() + offset, width);
}

void PhysicalMemory::Write(std::uint64_t address, std::uint32_t width, std::uint32_t value) {
  std::uint64_t base = 0;
  Region* r = Find(address, base);
  if (!r || address + width > base + r->size) return;
  const auto offset = static_cast<std::uint32_t>(address - base);
  if (r->handler) {
    r->handler->Write(offset, width, value);
    return;
  }
  le::StoreWidth(r->ram.data() + offset, width, value);
}

std::uint64_t PhysicalMemory::AllocateContiguous(std::uint32_t size) {
  if (failAllocations || size == 0) return 0;
  const std::uint64_t base = nextPool_;
  nextPool_ += (static_cast<std::uint64_t>(size) + 0xFFF) & ~std::uint64_t{0xFFF};
  AddRam(base, size);
  allocated_[base] = size;
  return base;
}

void PhysicalMemory::FreeContiguous(std::uint64_t base) {
  if (allocated_.erase(base)) regions_.erase(base);
}

}  // namespace qz::sim
