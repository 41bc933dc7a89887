#include "transport/port_request_block.hpp"

#include <algorithm>

#include "platform/little_endian.hpp"

namespace qz {

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
  le::Store16(&block[prb::kControl], prb::kProtocolOverride);
  le::Store16(&block[prb::kProtocol],
        direction == data_direction::kOut ? prb::kProtocolWrite : prb::kProtocolRead);
  le::Store32(&block[prb::kReceivedCount], 0);
  const auto fis = BuildRegisterFis(t, previous);
  std::copy(fis.begin(), fis.end(), block.begin() + prb::kFis);
  le::Store32(&block[prb::kSgAddress], dataAddress);
  le::Store32(&block[prb::kSgAddress + 4], 0);
  le::Store32(&block[prb::kSgCount], length);
  le::Store32(&block[prb::kSgFlags], prb::kLastEntry);
  return block;
}

}  // namespace qz
