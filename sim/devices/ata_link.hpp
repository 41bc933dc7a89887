#pragma once
// What the simulated storage stack needs of a drive: run one decoded task-file command.
#include <array>
#include <cstdint>
#include <vector>

namespace qz::sim {

enum class AtaLinkDirection { None, In, Out };

struct AtaLinkCommand {
  // Features, sector count, LBA low/mid/high, device, command.
  std::array<std::uint8_t, 7> registers{};
  std::array<std::uint8_t, 5> previous{};  // features, count, LBA low/mid/high (48-bit only)
  bool is48Bit = false;
  AtaLinkDirection direction = AtaLinkDirection::None;
  std::uint32_t length = 0;
  std::uint32_t timeoutSeconds = 0;
};

struct AtaLinkReply {
  enum class Kind { Done, IoError, Timeout, NoDevice };
  Kind kind = Kind::Done;
  // Error, sector count, LBA low/mid/high, device, status.
  std::array<std::uint8_t, 7> registers{};
};

class AtaLink {
 public:
  virtual ~AtaLink() = default;
  // `data` holds the data-out bytes on entry and receives the data-in bytes.
  virtual AtaLinkReply Run(const AtaLinkCommand& command, std::vector<std::uint8_t>& data) = 0;
};

}  // namespace qz::sim
