#pragma once
// The SiI3124 transport: one command through slot 0 of a SiI3124 port. The request block goes
// into physical memory at the address the port names, the data through the library's system
// buffer; the slot is polled with 1 ms sleeps against the command timeout. After a time-out
// the port may still be working on the command and may still write into the system buffer:
// the buffer is kept, and no SiI3124 command is sent again in that run (see
// TesselLoader::PortGivenUp).
#include <cstdint>

#include "platform/system_api.hpp"
#include "platform/types.hpp"
#include "transport/high_res_timer.hpp"
#include "transport/port_request_block.hpp"
#include "transport/task_file.hpp"
#include "transport/tessel_loader.hpp"

namespace qz {

// Offsets in a port's register block.
namespace sil_port {
inline constexpr std::uint32_t kRequestBlockAddress = 0x40;
inline constexpr std::uint32_t kInterruptStatus = 0x1008;
inline constexpr std::uint32_t kInterruptEnable = 0x1010;
inline constexpr std::uint32_t kInterruptEnableClear = 0x1014;
inline constexpr std::uint32_t kCommandError = 0x1024;
inline constexpr std::uint32_t kSlotStatus = 0x1800;
inline constexpr std::uint32_t kActivateLow = 0x1C00;
inline constexpr std::uint32_t kActivateHigh = 0x1C04;

inline constexpr std::uint32_t kCommandComplete = 0x10000;  // interrupt status bit 16
inline constexpr std::uint32_t kCommandErrorBit = 0x20000;  // interrupt status bit 17
inline constexpr std::uint32_t kSlot0Busy = 1;
inline constexpr std::uint32_t kSystemBufferSize = 0x10000;
inline constexpr std::uint32_t kPortWindowSize = 0x2000;
// The port's command-slot memory; the port's own registers follow it.
inline constexpr std::uint32_t kSlotMemorySize = 0x1000;
}  // namespace sil_port

class Sil3124Transport {
 public:
  // The request block may only be placed inside the port's command-slot memory (clear of the
  // register at + 0x40) or inside the system buffer behind the data.
  Sil3124Transport(TesselLoader* loader, HighResTimer& timer, SystemApi& system,
                   float timeoutSeconds, std::uint32_t portRegBase)
      : loader_(loader), timer_(timer), system_(system), timeout_(timeoutSeconds),
        port_(portRegBase) {}

  // The length is not changed; no registers are returned.
  std::uint8_t Send(const TaskFile& taskFile, Bytes buffer, const TaskFile* previous,
                    std::uint32_t direction, std::uint32_t length);

 private:
  std::uint32_t Peek(std::uint32_t offset);
  void Poke(std::uint32_t offset, std::uint32_t value);
  bool RequestBlockPlaceIsSafe(std::uint32_t address, std::uint32_t buffer,
                               std::uint32_t bufferSize, std::uint32_t length) const;
  std::uint8_t Release(std::uint8_t result);
  // False when the command time ran out with slot 0 still busy.
  bool WaitForSlot0();
  // The request block at `a` run on slot 0, the data staged in the system buffer at `b`.
  std::uint8_t Execute(const PortRequestBlock& block, std::uint32_t a, std::uint32_t b,
                       Bytes buffer, std::uint32_t direction, std::uint32_t length);
  // The result of a completed command, its data-in copied out.
  std::uint8_t Outcome(std::uint32_t interrupts, std::uint32_t systemBuffer, Bytes buffer,
                       std::uint32_t direction, std::uint32_t length);

  TesselLoader* loader_;
  HighResTimer& timer_;
  SystemApi& system_;
  float timeout_;
  std::uint32_t port_;
};

}  // namespace qz
