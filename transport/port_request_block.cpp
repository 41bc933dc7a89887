#include "transport/port_request_block.hpp"

#include <algorithm>

namespace qz {
namespace {

void Put16(std::uint8_t* at, std::uint16_t v) {
  at[0] = static_cast<std::uint8_t>(v);
  at[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::array<std::uint8_t, prb::kFisSize> BuildRegisterFis(const TaskFile& t, const TaskFile* previous) {
  const TaskFile p = previous ? *previous : TaskFile{};
  std::array<std::uint8_t, prb::kFisSize> fis{};
  fis[0] = prb::kFisRegisterHostToDevice;
  fis[1] = prb::kFisCommandBit;
  fis[2] = t.Command;
  fis[3] = t.Features;
  fis[4] = t.LbaLow;
  fis[5] = t.LbaMid;
  fis[6] = t.LbaHigh;
  fis[7] = t.Device;
  fis[8] = p.LbaLow;
  fis[9] = p.LbaMid;
  fis[10] = p.LbaHigh;
  fis[11] = p.Features;
  fis[12] = t.SectorCount;
  fis[13] = p.SectorCount;
  return fis;
}

PortRequestBlock BuildPortRequestBlock(const TaskFile& t, const TaskFile* previous,
                                       std::uint32_t direction, std::uint32_t dataAddress,
                                       std::uint32_t length) {
  PortRequestBlock block{};
  Put16(&block[prb::kControl], prb::kProtocolOverride);
  Put16(&block[prb::kProtocol],
        direction == data_direction::kOut ? prb::kProtocolWrite : prb::kProtocolRead);
  Put32(&block[prb::kReceivedCount], 0);
  const auto fis = BuildRegisterFis(t, previous);
  std::copy(fis.begin(), fis.end(), block.begin() + prb::kFis);
  Put32(&block[prb::kSgAddress], dataAddress);
  Put32(&block[prb::kSgAddress + 4], 0);
  Put32(&block[prb::kSgCount], length);
  Put32(&block[prb::kSgFlags], prb::kLastEntry);
  return block;
}

}  // namespace qz
