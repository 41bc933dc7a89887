#include "sim/devices/tessel_driver.hpp"

#include <iterator>

#include "sim/devices/kernel_device.hpp"

namespace qz::sim {

bool SimMachineAccess::ReadPhysical(std::uint32_t address, std::uint32_t width, std::uint32_t& value) {
  if (logAccesses) physicalAccesses.push_back({address, width, false});
  if (failAccess && failAccess(address, false)) return false;
  value = memory_.Read(address, width);
  return true;
}

bool SimMachineAccess::WritePhysical(std::uint32_t address, std::uint32_t width, std::uint32_t value) {
  if (logAccesses) physicalAccesses.push_back({address, width, true});
  if (failAccess && failAccess(address, true)) return false;
  memory_.Write(address, width, value);
  return true;
}

std::uint32_t SimMachineAccess::ReadConfig(std::uint32_t bus, std::uint32_t slot, std::uint32_t function,
                                           std::uint32_t offset, std::uint8_t* buffer,
                                           std::uint32_t length) {
  return pci_.ReadConfig(bus, slot, function, offset, buffer, length);
}

std::uint32_t SimMachineAccess::WriteConfig(std::uint32_t bus, std::uint32_t slot,
                                            std::uint32_t function, std::uint32_t offset,
                                            const std::uint8_t* buffer, std::uint32_t length) {
  if (logAccesses) configWrites.push_back({bus, slot, function, offset, length});
  return pci_.WriteConfig(bus, slot, function, offset, buffer, length);
}

bool SimMachineAccess::MapView(std::uint32_t physical, std::uint32_t length,
                              std::uint64_t& view, std::uint32_t& linear) {
  // Bases only grow, in 64 bits, so that no two views ever share one.
  view = nextLinear_;
  linear = static_cast<std::uint32_t>(nextLinear_ + (physical & 0xFFFu));
  nextLinear_ += (static_cast<std::uint64_t>(length) + (physical & 0xFFFu) + 0xFFFu) & ~std::uint64_t{0xFFF};
  views[view] = View{process, physical, length, linear, generation_[process]};
  return true;
}

void SimMachineAccess::UnmapView(std::uint64_t inProcess, std::uint64_t view) {
  // An ended process has no address space left to unmap from.
  if (ended_.count(inProcess)) return;
  auto it = views.find(view);
  if (it == views.end()) {
    ++unmapsOfUnknownViews;
    return;
  }
  // In another process the address names something else, or nothing: a driver's fault.
  if (it->second.process != inProcess || it->second.generation != generation_[inProcess]) {
    ++unmapsInWrongProcess;
    return;
  }
  views.erase(it);
}

std::uint64_t SimMachineAccess::ReferenceCurrentProcess() {
  ++references_[process];
  return process;
}

void SimMachineAccess::ReleaseProcess(std::uint64_t id) {
  auto it = references_.find(id);
  if (it == references_.end() || it->second == 0) {
    ++badReleases;
    return;
  }
  --it->second;
}

std::uint32_t SimMachineAccess::references(std::uint64_t id) const {
  auto it = references_.find(id);
  return it == references_.end() ? 0 : it->second;
}

void SimMachineAccess::EndProcess(std::uint64_t id) {
  for (auto it = views.begin(); it != views.end();) {
    it = it->second.process == id ? views.erase(it) : std::next(it);
  }
  ended_.insert(id);
}

bool SimMachineAccess::StartProcess(std::uint64_t id) {
  if (references(id) != 0) return false;
  ended_.erase(id);
  ++generation_[id];
  return true;
}

bool SimMachineAccess::AllocateCommonBuffer(std::uint32_t size, std::uint64_t& physical,
                                            std::uint64_t& kernelAddress) {
  if (common_ != 0) ++commonBufferFaults;
  // The kernel glue's adapter gives at most 1 MiB.
  if (size > kMaxCommonBuffer) return false;
  common_ = memory_.AllocateContiguous(size);
  if (common_ == 0) return false;
  physical = common_;
  kernelAddress = 0x80000000u | (common_ & 0x0FFFFFFFu);
  return true;
}

void SimMachineAccess::FreeCommonBuffer() {
  if (common_ == 0) ++commonBufferFaults;
  if (common_) memory_.FreeContiguous(common_);
  common_ = 0;
}

bool SimTesselDriver::Control(std::uint32_t code, ConstBytes in, Bytes out,
                              std::uint32_t& returned, std::uint32_t& lastError) {
  ++requests;
  return BufferedRequest(
      [&](std::uint8_t* buffer, std::uint32_t inLength, std::uint32_t outLength) {
        return device_.Handle(code, buffer, inLength, outLength);
      },
      in, out, returned, lastError);
}

}  // namespace qz::sim
