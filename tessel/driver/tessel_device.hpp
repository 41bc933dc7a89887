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

  static constexpr std::uint32_t kMaxViews = 16;

  // buffer holds inLength bytes of input and has room for outLength bytes of output. `owner`
  // names the open handle (the file object) the request came through.
  kstatus::Reply Handle(std::uint64_t owner, std::uint32_t code, std::uint8_t* buffer,
                        std::uint32_t inLength, std::uint32_t outLength);
  kstatus::Reply Handle(std::uint32_t code, std::uint8_t* buffer, std::uint32_t inLength,
                        std::uint32_t outLength) {
    return Handle(0, code, buffer, inLength, outLength);
  }

  // The last handle of `owner` was closed (in any process, also when a process ends): the
  // views made through it are unmapped in the processes they live in and their slots freed,
  // so that no view outlives its handle. A system buffer it allocated stays allocated (a
  // command may still be writing into it) and no other handle gets it.
  void Cleanup(std::uint64_t owner);

  // The driver is unloading: give the common buffer back.
  void Release();

  std::uint32_t bufferSize() const { return bufferSize_; }
  std::uint32_t viewsInUse() const;

 private:
  kstatus::Reply ReadMemory(std::uint8_t* buffer);
  kstatus::Reply WriteMemory(std::uint8_t* buffer);
  kstatus::Reply MapMemory(std::uint8_t* buffer);
  kstatus::Reply UnmapMemory(std::uint8_t* buffer);
  kstatus::Reply FindDevice(std::uint8_t* buffer, std::uint32_t outLength);
  kstatus::Reply DmaAlloc(std::uint8_t* buffer);
  void FreeBuffer();

  // One view given out: its handle is the slot's index + 1.
  struct View {
    bool used = false;
    std::uint64_t owner = 0;
    std::uint64_t process = 0;  // referenced while the slot is used
    std::uint64_t view = 0;
    std::uint32_t linear = 0;
  };
  // Unmaps a used slot's view where it lives and frees the slot.
  void Drop(View& v);

  MachineAccess& machine_;
  View views_[kMaxViews] = {};
  std::uint64_t owner_ = 0;  // of the request being handled
  std::uint32_t bufferSize_ = 0;
  // The handle that allocated the buffer; once it is closed, no handle may touch the buffer.
  std::uint64_t bufferOwner_ = 0;
  bool bufferOwnerOpen_ = false;
  std::uint64_t bufferPhysical_ = 0;
};

}  // namespace qz::tessel
