#include "sim/devices/ata_pass_through.hpp"

#include <algorithm>
#include <vector>

#include "platform/little_endian.hpp"

namespace qz::sim {
namespace {

// ATA_PASS_THROUGH_EX, read as the port driver reads it.
struct HeaderShape {
  std::uint32_t size, dataBufferOffset, dataBufferOffsetWidth, currentTaskFile;
};
constexpr HeaderShape kX86{40, 20, 4, 32};
constexpr HeaderShape kX64{48, 24, 8, 40};

}  // namespace

bool DecodeAtaPassThrough(CallerBits bits, ConstBytes in, std::uint32_t outLength,
                          DecodedAtaRequest& request) {
  const HeaderShape& shape = bits == CallerBits::X64 ? kX64 : kX86;
  if (in.size() < shape.size || le::Load16(in.data() + 0) != shape.size) return false;
  const std::uint16_t flags = le::Load16(in.data() + 2);
  const bool dataIn = (flags & 0x02) != 0, dataOut = (flags & 0x04) != 0;
  if (dataIn && dataOut) return false;
  request.transferLength = le::Load32(in.data() + 8);
  request.timeoutSeconds = le::Load32(in.data() + 12);
  std::uint64_t offset = le::Load32(in.data() + shape.dataBufferOffset);
  if (shape.dataBufferOffsetWidth == 8) {
    offset |= static_cast<std::uint64_t>(le::Load32(in.data() + shape.dataBufferOffset + 4)) << 32;
  }
  request.direction = dataIn ? AtaDirection::In : dataOut ? AtaDirection::Out : AtaDirection::None;
  if (request.transferLength != 0) {
    if (request.direction == AtaDirection::None) return false;
    // The data lies in the same buffer, after the header.
    const std::uint64_t limit = dataOut ? in.size() : outLength;
    if (offset < shape.size || offset + request.transferLength > limit) return false;
    request.dataOffset = static_cast<std::uint32_t>(offset);
  } else {
    request.direction = AtaDirection::None;  // a direction flag with nothing to move
  }
  const std::size_t tf = shape.currentTaskFile;
  request.regs.features = in[tf];
  request.regs.sectorCount = in[tf + 1];
  request.regs.lbaLow = in[tf + 2];
  request.regs.lbaMid = in[tf + 3];
  request.regs.lbaHigh = in[tf + 4];
  request.regs.device = in[tf + 5];
  request.regs.command = in[tf + 6];
  return true;
}

NtStatus AtaPassThrough(AtaDrive& drive, CallerBits bits, ConstBytes in, Bytes out,
                        std::uint32_t& returned, VirtualClock& clock) {
  returned = 0;
  DecodedAtaRequest request;
  const HeaderShape& shape = bits == CallerBits::X64 ? kX64 : kX86;
  if (!DecodeAtaPassThrough(bits, in, static_cast<std::uint32_t>(out.size()), request) ||
      out.size() < shape.size) {
    return nt_status::kInvalidParameter;
  }
  std::vector<std::uint8_t> data;
  if (request.direction == AtaDirection::Out) {
    data.assign(in.begin() + request.dataOffset,
                in.begin() + request.dataOffset + request.transferLength);
  }
  const AtaCompletion done =
      drive.Execute(request.regs, request.direction, request.transferLength, data,
                    request.timeoutSeconds);
  switch (done.kind) {
    case AtaCompletion::Kind::Timeout:
      clock.AdvanceMilliseconds(std::uint64_t{request.timeoutSeconds} * 1000);
      return nt_status::kIoTimeout;
    case AtaCompletion::Kind::IoError:
      clock.AdvanceMilliseconds(1);
      return nt_status::kIoDeviceError;
    case AtaCompletion::Kind::NoDevice:
      return nt_status::kNoSuchDevice;
    case AtaCompletion::Kind::Done:
      break;
  }
  clock.AdvanceMilliseconds(1);
  if (in.data() != out.data()) std::copy_n(in.begin(), shape.size, out.begin());
  const std::size_t tf = shape.currentTaskFile;
  out[tf] = done.out.features;
  out[tf + 1] = done.out.sectorCount;
  out[tf + 2] = done.out.lbaLow;
  out[tf + 3] = done.out.lbaMid;
  out[tf + 4] = done.out.lbaHigh;
  out[tf + 5] = done.out.device;
  out[tf + 6] = done.out.command;
  returned = shape.size;
  if (request.direction == AtaDirection::In) {
    data.resize(request.transferLength, 0);
    std::copy(data.begin(), data.end(), out.begin() + request.dataOffset);
    returned = request.dataOffset + request.transferLength;
  }
  return nt_status::kSuccess;
}

}  // namespace qz::sim
