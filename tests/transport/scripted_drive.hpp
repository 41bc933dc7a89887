#pragma once
// A drive for the storage-stack tests: answers IDENTIFY DEVICE with its model and revision,
// fills other data-in commands with a counting pattern, and fails the commands a test names.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/devices/ata_link.hpp"

namespace qz::test {

class ScriptedDrive final : public sim::AtaLink {
 public:
  explicit ScriptedDrive(std::string model = "VORTANIX QRX-480T9A", std::string revision = "VRD5")
      : model_(std::move(model)), revision_(std::move(revision)) {}

  // Outcomes for the next commands, in order; an empty queue completes them normally.
  std::deque<sim::AtaLinkReply::Kind> outcomes;
  // Completes commands with ERR set and the error register 0x04 (aborted).
  bool rejectCommands = false;
  std::vector<sim::AtaLinkCommand> seen;

  sim::AtaLinkReply Run(const sim::AtaLinkCommand& c, std::vector<std::uint8_t>& data) override {
    seen.push_back(c);
    sim::AtaLinkReply reply;
    if (!outcomes.empty()) {
      reply.kind = outcomes.front();
      outcomes.pop_front();
      if (reply.kind != sim::AtaLinkReply::Kind::Done) return reply;
    }
    reply.registers = c.registers;
    reply.registers[0] = 0;
    reply.registers[6] = 0x50;  // DRDY, DSC
    if (rejectCommands) {
      reply.registers[0] = 0x04;
      reply.registers[6] = 0x51;
      return reply;
    }
    if (c.direction == sim::AtaLinkDirection::In) {
      data.assign(c.length, 0);
      if (c.registers[6] == 0xEC) {
        PutText(data, 23, 4, revision_);
        PutText(data, 27, 20, model_);
      } else {
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
      }
    }
    return reply;
  }

  // ATA text: blank-padded, first character of each word in its high byte.
  static void PutText(std::vector<std::uint8_t>& block, std::size_t word, std::size_t words,
                      const std::string& text) {
    for (std::size_t i = 0; i < words * 2 && word * 2 + i < block.size(); ++i) {
      const char ch = i < text.size() ? text[i] : ' ';
      block[word * 2 + (i ^ 1)] = static_cast<std::uint8_t>(ch);
    }
  }

 private:
  std::string model_, revision_;
};

}  // namespace qz::test
