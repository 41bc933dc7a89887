#include "sim/devices/legacy_ata_channel.hpp"

#include "platform/little_endian.hpp"
#include "sim/devices/ata_protocol.hpp"
#include "sim/machine/machine.hpp"

namespace qz::sim {
namespace {

constexpr std::uint8_t kBsy = 0x80;
constexpr std::uint8_t kReady = 0x50;  // DRDY, DSC
constexpr std::uint8_t kDrq = 0x08;
constexpr std::uint8_t kErr = 0x01;
constexpr std::uint8_t kSoftReset = 0x04;

}  // namespace

LegacyAtaChannel::LegacyAtaChannel(VirtualClock& clock, std::uint16_t commandBase,
                                   std::uint16_t altStatusPort)
    : clock_(clock), base_(commandBase), altStatus_(altStatusPort) {}

void LegacyAtaChannel::Attach(unsigned unit, std::shared_ptr<AtaLink> drive) {
  units_[unit & 1].drive = std::move(drive);
}

void LegacyAtaChannel::StartBusy(Next next) {
  phase_ = Phase::Busy;
  next_ = next;
  busyReadsLeft_ = busyReads;
  busyUntil_ = clock_.Ticks() +
               static_cast<std::int64_t>(busyMilliseconds) * VirtualClock::kFrequency / 1000;
}

std::uint8_t LegacyAtaChannel::ReadStatus(bool consumeBusy) {
  if (stuckBusy || phase_ == Phase::Hung) return kBsy;
  Unit& unit = Selected();
  if (!unit.drive) return 0;  // nothing answers for an absent drive
  if (phase_ == Phase::Busy) {
    if (busyReadsLeft_ > 0) {
      if (consumeBusy) --busyReadsLeft_;
      return kBsy;
    }
    if (clock_.Ticks() < busyUntil_) return kBsy;
    if (withholdsData && next_ != Next::Done) {
      phase_ = Phase::Idle;
      unit.status = kReady;
      return unit.status;
    }
    switch (next_) {
      case Next::DataIn:
        phase_ = data_.empty() ? Phase::Idle : Phase::DataIn;
        break;
      case Next::DataOut:
        phase_ = Phase::DataOut;
        break;
      case Next::Done:
        phase_ = Phase::Idle;
        break;
    }
    unit.status = phase_ == Phase::Idle ? finalStatus_ : static_cast<std::uint8_t>(kReady | kDrq);
  }
  return unit.status;
}

void LegacyAtaChannel::Complete(const AtaLinkReply& reply) {
  Unit& unit = Selected();
  switch (reply.kind) {
    case AtaLinkReply::Kind::Done:
      error_ = reply.registers[0];
      for (std::size_t i = 0; i < 4; ++i) regs_[1 + i][0] = reply.registers[1 + i];
      finalStatus_ = reply.registers[6];
      break;
    case AtaLinkReply::Kind::IoError:
      error_ = 0x84;  // interface CRC, aborted
      finalStatus_ = kReady | kErr;
      break;
    case AtaLinkReply::Kind::Timeout:
    case AtaLinkReply::Kind::NoDevice:
      phase_ = Phase::Hung;  // the drive never answers this command
      return;
  }
  unit.status = kBsy;
  if (finalStatus_ & kErr) data_.clear();
}

void LegacyAtaChannel::Issue(std::uint8_t command) {
  Unit& unit = Selected();
  if (!unit.drive || stuckBusy || Busy() || phase_ == Phase::DataIn || phase_ == Phase::DataOut) {
    return;  // no drive to take it, or one that cannot take a command now
  }
  AtaLinkCommand c;
  c.registers = {regs_[0][0], regs_[1][0], regs_[2][0], regs_[3][0], regs_[4][0], device_, command};
  const AtaProtocol protocol = ProtocolOf(command, regs_[0][0], regs_[1][0], regs_[2][0], regs_[1][1]);
  if (protocol.is48Bit) {
    c.is48Bit = true;
    c.previous = {regs_[0][1], regs_[1][1], regs_[2][1], regs_[3][1], regs_[4][1]};
  }
  c.direction = protocol.direction;
  c.length = protocol.length;
  c.timeoutSeconds = 0;
  data_.clear();
  position_ = 0;
  if (c.direction == AtaLinkDirection::Out) {
    pending_ = c;
    data_.assign(c.length, 0);
    StartBusy(Next::DataOut);
    return;
  }
  commands.push_back({static_cast<unsigned>((device_ >> 4) & 1), c, {}});
  std::vector<std::uint8_t> data;
  const AtaLinkReply reply = unit.drive->Run(c, data);
  if (c.direction == AtaLinkDirection::In) {
    data.resize(c.length, 0);
    data_ = std::move(data);
  }
  StartBusy(c.direction == AtaLinkDirection::In ? Next::DataIn : Next::Done);
  Complete(reply);
}

void LegacyAtaChannel::RunDataOut() {
  Unit& unit = Selected();
  commands.push_back({static_cast<unsigned>((device_ >> 4) & 1), pending_, data_});
  std::vector<std::uint8_t> data = data_;
  const AtaLinkReply reply = unit.drive->Run(pending_, data);
  data_.clear();
  StartBusy(Next::Done);
  Complete(reply);
}

std::uint32_t LegacyAtaChannel::In(std::uint16_t port, std::uint32_t width) {
  if (port == altStatus_) return ReadStatus(false);
  switch (port - base_) {
    case 0: {
      if (phase_ != Phase::DataIn) return 0xFFFF;
      const std::size_t left = data_.size() - position_;
      const auto n = static_cast<unsigned>(width < left ? width : left);
      const std::uint32_t value = le::LoadWidth(data_.data() + position_, n);
      position_ += n;
      if (position_ >= data_.size()) {
        phase_ = Phase::Idle;
        Selected().status = finalStatus_;
      }
      return value;
    }
    case 1: return error_;
    case 2: case 3: case 4: case 5: return regs_[port - base_ - 1][0];
    case 6: return device_;
    case 7: return ReadStatus(true);
    default: return 0xFF;
  }
}

void LegacyAtaChannel::Out(std::uint16_t port, std::uint32_t width, std::uint32_t value) {
  const auto byte = static_cast<std::uint8_t>(value);
  if (port == altStatus_) {
    if (byte & kSoftReset) {
      phase_ = Phase::Idle;
      data_.clear();
      finalStatus_ = kReady;
      for (Unit& u : units_) u.status = kReady;
    }
    return;
  }
  switch (port - base_) {
    case 0:
      if (phase_ != Phase::DataOut) return;
      {
        const std::size_t left = data_.size() - position_;
        const auto n = static_cast<unsigned>(width < left ? width : left);
        le::StoreWidth(data_.data() + position_, n, value);
        position_ += n;
      }
      if (position_ >= data_.size()) RunDataOut();
      return;
    case 1: case 2: case 3: case 4: case 5: {
      std::uint8_t* reg = regs_[port - base_ - 1];
      reg[1] = reg[0];
      reg[0] = byte;
      return;
    }
    case 6:
      // The selection cannot change under a command in progress.
      if (!Busy() && phase_ != Phase::DataIn && phase_ != Phase::DataOut) device_ = byte;
      return;
    case 7:
      Issue(byte);
      return;
    default:
      return;
  }
}

std::shared_ptr<LegacyAtaChannel> AddLegacyAtaChannel(Machine& machine, std::uint16_t commandBase,
                                                      std::uint16_t altStatusPort) {
  auto channel = std::make_shared<LegacyAtaChannel>(machine.clock, commandBase, altStatusPort);
  machine.ioPorts.Claim(commandBase, 8, channel);
  machine.ioPorts.Claim(altStatusPort, 1, channel);
  return channel;
}

}  // namespace qz::sim
