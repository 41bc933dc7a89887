#pragma once
// The port register blocks of a SiI3124 SATA controller in the machine's physical memory
// (0x2000 bytes per port). Activating slot 0 makes the port fetch the 48-byte request block
// from physical memory, decode its FIS, run the command on the attached drive, move the data
// through the scatter-gather entry and report through slot status, interrupt status and the
// command error register. Completion can be made slow or never to come, and errors forced.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "sim/devices/ata_link.hpp"
#include "sim/machine/clock.hpp"
#include "sim/devices/physical_memory.hpp"

namespace qz::sim {

class Machine;

class Sil3124Controller final : public MemoryHandler {
 public:
  static constexpr std::uint32_t kPortBlockSize = 0x2000;
  // Port-local RAM where the port places its request block by default; the command-slot
  // memory ends where the port's registers begin.
  static constexpr std::uint32_t kLocalRam = 0x100;
  static constexpr std::uint32_t kLocalRamEnd = 0x1000;

  // A request block as the port decoded it.
  struct Request {
    std::uint64_t address = 0;
    std::uint16_t control = 0, protocol = 0;
    std::uint8_t fisType = 0, fisFlags = 0;
    AtaLinkCommand command;
    std::uint64_t sgAddress = 0;
    std::uint32_t sgCount = 0, sgFlags = 0;
    // The port's interrupt-enable mask when the command was activated.
    std::uint32_t interruptEnable = 0;
  };

  struct Access {
    bool write;
    std::uint32_t offset, value;
  };

  struct Port {
    std::shared_ptr<AtaLink> drive;
    // What + 0x40 reads: where software is to place the request block.
    std::uint32_t requestBlockAddress = 0;
    std::uint32_t interruptStatus = 0;
    std::uint32_t interruptEnable = 0x000F0001;
    std::uint32_t commandError = 0;
    std::uint32_t slotStatus = 0;
    std::uint32_t activateLow = 0;
    // Completion comes after this many slot-status readings and this much machine time.
    unsigned busyReads = 0;
    std::uint32_t busyMilliseconds = 0;
    bool neverCompletes = false;
    // Every command ends with this command error code (0: none); the raw error interrupt
    // (bit 17) is raised with it unless `errorWithoutInterrupt`.
    std::uint32_t forcedError = 0;
    bool errorWithoutInterrupt = false;
    std::array<std::uint8_t, kLocalRamEnd> localRam{};
    std::vector<Access> log;  // register accesses outside the local RAM, in order
    std::vector<Request> requests;

    // The command in flight.
    bool pending = false;
    bool hung = false;
    std::uint32_t pendingError = 0;
    unsigned readsLeft = 0;
    std::int64_t dueTicks = 0;
  };

  Sil3124Controller(PhysicalMemory& memory, VirtualClock& clock, std::uint64_t portWindow,
                    std::uint32_t portCount);

  void Attach(std::uint32_t port, std::shared_ptr<AtaLink> drive);
  Port& port(std::uint32_t n) { return ports_.at(n); }
  std::uint64_t PortBase(std::uint32_t n) const { return window_ + n * kPortBlockSize; }

  std::uint32_t Read(std::uint32_t offset, std::uint32_t width) override;
  void Write(std::uint32_t offset, std::uint32_t width, std::uint32_t value) override;

 private:
  void Activate(Port& p, std::uint64_t address);
  void PollCompletion(Port& p);
  Request Decode(std::uint64_t address);

  PhysicalMemory& memory_;
  VirtualClock& clock_;
  std::uint64_t window_;
  std::vector<Port> ports_;
};

// The controller's port registers mapped at `portWindow` in the machine's physical memory.
std::shared_ptr<Sil3124Controller> AddSil3124Controller(Machine& machine, std::uint64_t portWindow,
                                                        std::uint32_t portCount = 4);

}  // namespace qz::sim
