#pragma once
// The driver's request handling (the device "TESSEL"): each METHOD_BUFFERED request decoded
// from its bytes, checked for length, carried out through the machine accessor and answered
// in the same buffer. Kernel-safe: no library calls, no allocation, no exceptions.
#include <cstdint>

#include "tessel/driver/machine_access.hpp"
#include "tessel/driver/status.hpp"

namespace qz::tessel {

class TesselDevice {
 public:
  constexpr explicit TesselDevice(MachineAccess& machine) : machine_(machine) {}

  // buffer holds inLength bytes of input and has room for outLength bytes of output.
  kstatus::Reply Handle(std::uint32_t code, std::uint8_t* buffer, std::uint32_t inLength,
                        std::uint32_t outLength);

  // The driver is unloading: give the common buffer back.
  void Release();

  std::uint32_t bufferSize() const { return bufferSize_; }

 private:
  kstatus::Reply ReadMemory(std::uint8_t* buffer);
  kstatus::Reply WriteMemory(std::uint8_t* buffer);
  kstatus::Reply MapMemory(std::uint8_t* buffer);
  kstatus::Reply UnmapMemory(std::uint8_t* buffer);
  kstatus::Reply FindDevice(std::uint8_t* buffer, std::uint32_t outLength);
  kstatus::Reply DmaAlloc(std::uint8_t* buffer);

  MachineAccess& machine_;
  std::uint32_t bufferSize_ = 0;
  std::uint64_t bufferPhysical_ = 0;
  std::uint64_t bufferKernel_ = 0;
};

}  // namespace qz::tessel
