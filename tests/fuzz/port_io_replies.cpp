// The port-I/O transport against a channel whose every answer comes from the fuzzer: status
// (busy, error, data request), the other registers and the data words. Each port access
// costs a little machine time, so that waits end with the command timeout. The target aborts
// when the transport touches a port outside the channel's command block, writes the device
// register with anything but the drive select, writes the command while the channel is busy
// or twice, moves more words than the caller's length and buffer hold, changes the caller's
// buffer beyond them, or reports success for a command that did not end cleanly.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/little_endian.hpp"
#include "tests/fuzz/fuzz_input.hpp"
#include "tests/transport/command_rig.hpp"
#include "transport/port_io_transport.hpp"

using namespace qz;

namespace {

[[noreturn]] void Violation(const char* what, std::uint32_t value = 0) {
  std::fprintf(stderr, "port_io_replies: %s (0x%X)\n", what, value);
  std::abort();
}

constexpr std::uint8_t kBsy = 0x80, kDrq = 0x08, kErr = 0x01;

class FuzzedChannel final : public PortIoApi {
 public:
  FuzzedChannel(fuzz::Input& in, sim::VirtualClock& clock) : in_(in), clock_(clock) {}

  void Begin(std::uint16_t base, std::uint8_t select, std::uint32_t direction, std::size_t words,
             const std::uint8_t* out) {
    base_ = base;
    select_ = select;
    direction_ = direction;
    words_ = words;
    out_ = out;
    started_ = true;
    commandWritten_ = readingBack_ = false;
    lastStatus_ = kBsy;
    moved_ = 0;
    given_.clear();
  }
  bool Succeeded() const {
    if (!commandWritten_ || (lastStatus_ & (kBsy | kErr))) return false;
    return direction_ == data_direction::kNone || (moved_ == words_ && !(lastStatus_ & kDrq));
  }
  const std::vector<std::uint16_t>& given() const { return given_; }

  bool Load(const std::string&) override { return true; }
  bool Resolve(const std::string&) override { return true; }
  void Free() override {}
  bool IsLoaded() const override { return true; }

  std::uint8_t Inport(std::uint16_t port) override {
    const std::uint16_t at = Register(port);
    if (at == 0) Violation("byte read of the data port");
    const std::uint8_t value = in_.Byte();
    // The error port is read only by the read-back, which comes after the verdict.
    if (at == 1) readingBack_ = true;
    if (at == 7 && !readingBack_) lastStatus_ = value;
    return value;
  }
  void Outport(std::uint16_t port, std::uint8_t value) override {
    const std::uint16_t at = Register(port);
    if (at == 0) Violation("byte write to the data port");
    if (at == 6 && value != select_) Violation("device register written with", value);
    if (at == 7) {
      if (commandWritten_) Violation("command written twice");
      if (lastStatus_ & kBsy) Violation("command written while the channel is busy", lastStatus_);
      commandWritten_ = true;
      lastStatus_ = kBsy;  // nothing read since
    } else if (at != 6 && commandWritten_) {
      Violation("task-file register written after the command", port);
    }
  }
  std::uint16_t InportW(std::uint16_t port) override {
    if (!started_ && port == 0x71) return 0;  // the loader's probe
    if (readingBack_) Violation("data read during the read-back");
    Data(port, data_direction::kIn);
    const auto word = static_cast<std::uint16_t>(in_.Number(2));
    given_.push_back(word);
    return word;
  }
  void OutportW(std::uint16_t port, std::uint16_t value) override {
    Data(port, data_direction::kOut);
    const std::size_t i = moved_ - 1;
    if (value != le::Load16(&out_[2 * i])) {
      Violation("data word other than the caller's", static_cast<std::uint32_t>(i));
    }
  }
  std::uint32_t InportD(std::uint16_t port) override { Violation("32-bit read", port); }
  void OutportD(std::uint16_t port, std::uint32_t) override { Violation("32-bit write", port); }
  std::int32_t GetLastState(char* text) override {
    if (text) text[0] = '\0';
    return 0;
  }
  std::int32_t GetNTPortVersion() override { return 0; }
  void SetFastMode(std::int32_t) override {}
  std::int32_t GetFastMode() override { return 0; }
  std::uint16_t GetLPTPortAddress(std::uint16_t) override { return 0; }

 private:
  std::uint16_t Register(std::uint16_t port) {
    if (!started_) Violation("channel touched outside a command", port);
    if (port < base_ || port > base_ + 7) Violation("port outside the command block", port);
    clock_.AdvanceTicks(sim::VirtualClock::kFrequency / 50000);  // 20 us an access
    return static_cast<std::uint16_t>(port - base_);
  }
  void Data(std::uint16_t port, std::uint32_t direction) {
    if (Register(port) != 0) Violation("data access to a register port", port);
    if (direction_ != direction) Violation("data moved against the command's direction");
    if (!commandWritten_) Violation("data moved before the command");
    if (!(lastStatus_ & kDrq) || (lastStatus_ & kBsy)) Violation("data moved without DRQ", lastStatus_);
    if (++moved_ > words_) Violation("more words than the caller's length and buffer", moved_);
  }

  fuzz::Input& in_;
  sim::VirtualClock& clock_;
  std::uint16_t base_ = 0;
  std::uint8_t select_ = 0;
  std::uint32_t direction_ = 0;
  std::size_t words_ = 0, moved_ = 0;
  const std::uint8_t* out_ = nullptr;
  bool started_ = false, commandWritten_ = false, readingBack_ = false;
  std::uint8_t lastStatus_ = kBsy;
  std::vector<std::uint16_t> given_;
};

test::CommandRig& Rig() {
  static test::CommandRig rig;
  return rig;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  test::CommandRig& rig = Rig();
  fuzz::Input in(data, size);
  FuzzedChannel channel(in, rig.machine.clock);
  NtPortLoader loader(rig.api, rig.fs, channel, {rig.portDll, rig.portX86, rig.portX64});
  if (!loader.Loaded) return 0;
  HighResTimer timer(rig.api);
  for (int command = 0; command < 3 && !in.empty(); ++command) {
    const std::uint8_t how = in.Byte();
    const std::uint16_t base = (how & 1) ? 0x170 : 0x1F0;
    const std::uint8_t select = (how & 2) ? 0xB0 : 0xA0;
    const std::uint32_t direction = (how >> 2) % 3 * 2;  // 0, 2 or 4
    const std::uint32_t length = static_cast<std::uint32_t>(in.Number(2) & 0xFFF);
    const std::size_t bufferSize = (how & 0x80) ? length : in.Number(2) & 0x7FF;
    const float timeout = 0.001f * static_cast<float>(1 + (in.Byte() & 0x1F));
    std::vector<std::uint8_t> buffer(bufferSize + 16, 0xA5);
    const std::size_t words = std::min<std::size_t>(length / 2, bufferSize / 2);
    TaskFile t{};
    t.Command = direction == data_direction::kNone ? 0xEF : 0xEC;
    t.Device = 0xE0;  // LBA bits that must not reach the device register
    const TaskFile previous{1, 2, 3, 4, 5, 0, 0, 0};
    channel.Begin(base, select, direction, words, buffer.data());
    PortIoTransport transport(&loader, timer, timeout, base, select);
    TaskFile output{};
    const std::uint8_t result = transport.Send(t, Bytes(buffer.data(), bufferSize),
                                               (how & 0x40) ? &previous : nullptr, direction,
                                               length, output);
    if (result == command_result::kSuccess && !channel.Succeeded()) {
      Violation("success reported for a command that did not end cleanly");
    }
    const auto& given = channel.given();
    for (std::size_t i = 0; i < buffer.size(); ++i) {
      const bool read = direction == data_direction::kIn && i / 2 < given.size();
      const std::uint8_t expected =
          read ? static_cast<std::uint8_t>(given[i / 2] >> (8 * (i % 2))) : 0xA5;
      if (buffer[i] != expected) Violation("caller's buffer other than the words read", i);
    }
  }
  return 0;
}
