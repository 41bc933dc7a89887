#pragma once
// The simulated drive behind the storage stack: decoded task files go to its command level.
#include <memory>
#include <vector>

#include "sim/devices/ata_drive.hpp"
#include "sim/devices/ata_link.hpp"

namespace qz::sim {

class AtaDriveLink final : public AtaLink {
 public:
  explicit AtaDriveLink(std::shared_ptr<AtaDrive> drive) : drive_(std::move(drive)) {}

  AtaLinkReply Run(const AtaLinkCommand& c, std::vector<std::uint8_t>& data) override {
    // The drive has no 48-bit commands: the previous registers do not reach it.
    const AtaRegisters in{c.registers[0], c.registers[1], c.registers[2], c.registers[3],
                          c.registers[4], c.registers[5], c.registers[6]};
    const AtaDirection direction = c.direction == AtaLinkDirection::In    ? AtaDirection::In
                                   : c.direction == AtaLinkDirection::Out ? AtaDirection::Out
                                                                          : AtaDirection::None;
    const AtaCompletion done = drive_->Execute(in, direction, c.length, data, c.timeoutSeconds);
    AtaLinkReply reply;
    switch (done.kind) {
      case AtaCompletion::Kind::Done: reply.kind = AtaLinkReply::Kind::Done; break;
      case AtaCompletion::Kind::IoError: reply.kind = AtaLinkReply::Kind::IoError; break;
      case AtaCompletion::Kind::Timeout: reply.kind = AtaLinkReply::Kind::Timeout; break;
      case AtaCompletion::Kind::NoDevice: reply.kind = AtaLinkReply::Kind::NoDevice; break;
    }
    reply.registers = {done.out.features, done.out.sectorCount, done.out.lbaLow, done.out.lbaMid,
                       done.out.lbaHigh,  done.out.device,      done.out.command};
    return reply;
  }

 private:
  std::shared_ptr<AtaDrive> drive_;
};

}  // namespace qz::sim
