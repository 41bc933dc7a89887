#pragma once
// A legacy ATA channel behind the machine's I/O ports: the command block (eight ports at its
// base) and the control block's alternate status / device control port, with a master and a
// slave drive chosen by bit 4 of the device register. Commands run on the attached drives;
// BSY, DRQ and ERR follow the PIO protocol, and BSY can be made slow or stuck.
#include <cstdint>
#include <memory>
#include <vector>

#include "sim/devices/ata_link.hpp"
#include "sim/machine/clock.hpp"
#include "sim/devices/io_ports.hpp"

namespace qz::sim {

class Machine;

class LegacyAtaChannel final : public PortHandler {
 public:
  LegacyAtaChannel(VirtualClock& clock, std::uint16_t commandBase, std::uint16_t altStatusPort);

  // unit 0: master, 1: slave.
  void Attach(unsigned unit, std::shared_ptr<AtaLink> drive);

  std::uint32_t In(std::uint16_t port, std::uint32_t width) override;
  void Out(std::uint16_t port, std::uint32_t width, std::uint32_t value) override;

  // Timing. BSY shows for `busyReads` status readings and for `busyMilliseconds` of the
  // machine's time after every command (and after the data of a data-out command).
  unsigned busyReads = 0;
  std::uint32_t busyMilliseconds = 0;
  // BSY never clears, before or after any command.
  bool stuckBusy = false;
  // A data command's BSY clears but DRQ never comes.
  bool withholdsData = false;

  // What reached a drive, in order (with the data-out bytes).
  struct Command {
    unsigned unit = 0;
    AtaLinkCommand command;
    std::vector<std::uint8_t> data;
  };
  std::vector<Command> commands;
  std::uint16_t commandBase() const { return base_; }

 private:
  enum class Phase { Idle, Busy, DataIn, DataOut, Hung };
  enum class Next { Done, DataIn, DataOut };
  struct Unit {
    std::shared_ptr<AtaLink> drive;
    std::uint8_t status = 0x50;  // DRDY, DSC
  };

  std::uint8_t ReadStatus(bool consumeBusy);
  void StartBusy(Next next);
  void Issue(std::uint8_t command);
  void Complete(const AtaLinkReply& reply);
  void RunDataOut();
  Unit& Selected() { return units_[(device_ >> 4) & 1]; }
  bool Busy() const { return phase_ == Phase::Busy || phase_ == Phase::Hung; }

  VirtualClock& clock_;
  std::uint16_t base_, altStatus_;
  Unit units_[2];
  // Each of features, count and the three LBA registers holds its last two writes:
  // [0] the current byte, [1] the previous (high-order) one.
  std::uint8_t regs_[5][2] = {};
  std::uint8_t error_ = 0;
  std::uint8_t device_ = 0xA0;
  Phase phase_ = Phase::Idle;
  Next next_ = Next::Done;
  unsigned busyReadsLeft_ = 0;
  std::int64_t busyUntil_ = 0;
  AtaLinkCommand pending_;
  std::vector<std::uint8_t> data_;
  std::size_t position_ = 0;
  std::uint8_t finalStatus_ = 0x50;
};

// The channel in the machine's port space: the command block at `commandBase` and the
// alternate status / device control port.
std::shared_ptr<LegacyAtaChannel> AddLegacyAtaChannel(Machine& machine, std::uint16_t commandBase,
                                                      std::uint16_t altStatusPort);

}  // namespace qz::sim
