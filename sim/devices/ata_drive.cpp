#include "sim/devices/ata_drive.hpp"

#include <algorithm>
#include <cstring>

#include <zlib.h>

#include "platform/little_endian.hpp"
#include "platform/text.hpp"
#include "sim/devices/sample_image_layout.hpp"

namespace qz::sim {
namespace {

constexpr std::uint8_t kStatusOk = 0x50;     // DRDY | DSC
constexpr std::uint8_t kStatusError = 0x51;  // ... | ERR
constexpr std::uint8_t kErrorAbort = 0x04;

constexpr std::uint8_t kCmdIdentify = 0xEC;
constexpr std::uint8_t kCmdDownload = 0x92;
constexpr std::uint8_t kCmdReadBuffer = 0xE4;
constexpr std::uint8_t kCmdWriteBuffer = 0xE8;
constexpr std::uint8_t kCmdVendor = 0xFF;

AtaCompletion Completed(const AtaRegisters& in, std::uint8_t status, std::uint8_t error) {
  AtaCompletion c;
  c.out = in;
  c.out.features = error;
  c.out.command = status;
  return c;
}
AtaCompletion Ok(const AtaRegisters& in) { return Completed(in, kStatusOk, 0); }
AtaCompletion Abort(const AtaRegisters& in) { return Completed(in, kStatusError, kErrorAbort); }


// A NUL-padded text field of the sample image, without its padding.
std::string Field(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t width) {
  std::string s;
  for (std::size_t i = 0; i < width && b[at + i] != 0; ++i) s.push_back(static_cast<char>(b[at + i]));
  return s;
}

// Identify texts end in spaces; the image's model field may end in NULs.
constexpr bool IsFieldPadding(char c) { return c == ' ' || c == '\0'; }

bool IsSignature(const AtaRegisters& in, char a, char b, char c) {
  return in.lbaLow == static_cast<std::uint8_t>(a) && in.lbaMid == static_cast<std::uint8_t>(b) &&
         in.lbaHigh == static_cast<std::uint8_t>(c);
}

}  // namespace

void PutAtaString(std::vector<std::uint8_t>& identify, std::size_t word, std::size_t words,
                  const std::string& text) {
  for (std::size_t i = 0; i < words * 2; ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    identify[word * 2 + (i ^ 1)] = static_cast<std::uint8_t>(c);
  }
}

std::optional<std::uint32_t> EepromPageOf(std::uint8_t selector, std::uint8_t index) {
  if (selector == 0 && index <= 23) return index;
  if (selector == 1 && index <= 7) return 24u + index;
  if (selector == 2 && index <= 7) return 32u + index;
  if (selector >= 3 && selector <= 40 && index == 0) return 37u + selector;
  if (selector == 41 && index <= 79) return 78u + index;
  if (selector == 42 && index <= 127) return 158u + index;
  return std::nullopt;  // selector 43 names pages the EEPROM does not have
}

AtaDrive::AtaDrive(Identity identity) : identity_(std::move(identity)), eeprom_(kEepromSize) {
  for (std::size_t i = 0; i < eeprom_.size(); ++i) {
    eeprom_[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 7));
  }
}

void AtaDrive::PowerCycle() {
  if (pending_) identity_ = *pending_;
  pending_.reset();
  powered_ = true;
  staged_.clear();
  stagedBlocks_.clear();
  blocksAccepted_ = 0;
  eepromReadTriggered_ = false;
  eepromWritePage_.reset();
  vuParameters_.clear();
}

std::size_t AtaDrive::CountCommands(std::uint8_t command, int features) const {
  return static_cast<std::size_t>(std::count_if(log_.begin(), log_.end(), [&](const auto& c) {
    return c.in.command == command && (features < 0 || c.in.features == features);
  }));
}

void AtaDrive::InjectFault(AtaFault fault, std::uint8_t command, int features,
                           unsigned occurrence) {
  faults_.push_back(PendingFault{fault, command, features, occurrence});
}

std::optional<AtaFault> AtaDrive::FaultFor(const AtaRegisters& in) {
  std::optional<AtaFault> hit;
  for (auto& f : faults_) {
    if (f.command != in.command || (f.features >= 0 && f.features != in.features)) continue;
    ++f.seen;
    if (!f.fired && f.seen == f.occurrence && !hit) {
      f.fired = true;
      hit = f.fault;
    }
  }
  return hit;
}

AtaCompletion AtaDrive::Execute(const AtaRegisters& in, AtaDirection direction,
                                std::uint32_t length, std::vector<std::uint8_t>& data,
                                std::uint32_t timeoutSeconds) {
  LoggedCommand entry{in, direction, length, timeoutSeconds, {}};
  if (direction == AtaDirection::Out) entry.data = data;
  log_.push_back(std::move(entry));

  if (!powered_) return AtaCompletion{AtaCompletion::Kind::NoDevice, {}};
  if (staysBusy) return AtaCompletion{AtaCompletion::Kind::Timeout, {}};
  if (auto fault = FaultFor(in)) {
    switch (*fault) {
      case AtaFault::IoError: return AtaCompletion{AtaCompletion::Kind::IoError, {}};
      case AtaFault::Timeout: return AtaCompletion{AtaCompletion::Kind::Timeout, {}};
      case AtaFault::ErrorStatus: return Abort(in);
      case AtaFault::LostReply:
        Run(in, direction, length, data);
        return AtaCompletion{AtaCompletion::Kind::Timeout, {}};
    }
  }
  return Run(in, direction, length, data);
}

AtaCompletion AtaDrive::Run(const AtaRegisters& in, AtaDirection direction, std::uint32_t length,
                            std::vector<std::uint8_t>& data) {
  const bool in512 = direction == AtaDirection::In && length == 512;
  const bool out512 = direction == AtaDirection::Out && length == 512 && data.size() >= 512;
  switch (in.command) {
    case kCmdIdentify:
      return in512 ? Identify(in, data) : Abort(in);
    case kCmdDownload:
      if (direction != AtaDirection::Out) return Abort(in);
      if (in.features == 0x03) return Download(in, data);
      if (in.features == 0x07) return out512 ? Activate(in, data) : Abort(in);
      return Abort(in);
    case kCmdReadBuffer:
      return in512 ? ReadBuffer(in, data) : Abort(in);
    case kCmdWriteBuffer:
      return out512 ? WriteBuffer(in, data) : Abort(in);
    case kCmdVendor:
      if (!(in512 || out512)) return Abort(in);
      return VendorUnique(in, direction, data);
    default:
      return Abort(in);
  }
}

AtaCompletion AtaDrive::Identify(const AtaRegisters& in, std::vector<std::uint8_t>& data) {
  data.assign(512, 0);
  auto word = [&](std::size_t w, std::uint16_t v) { le::Store16(data.data() + w * 2, v); };
  word(0, 0x0040);                 // fixed, non-removable
  PutAtaString(data, 10, 10, identity_.serial);
  PutAtaString(data, 23, 4, identity_.revision);
  PutAtaString(data, 27, 20, identity_.model);
  word(47, 0x8001);
  word(49, 0x0300);                // LBA and DMA
  word(60, 0x0000);
  word(61, 0x0100);                // 16 Mi sectors
  word(80, 0x00F0);                // ATA-4 to ATA-7
  word(83, 0x4000);
  word(86, 0x0000);
  data[510] = 0xA5;                // integrity word: signature and checksum
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < 511; ++i) sum = static_cast<std::uint8_t>(sum + data[i]);
  data[511] = static_cast<std::uint8_t>(-sum);
  return Ok(in);
}

AtaCompletion AtaDrive::Download(const AtaRegisters& in, const std::vector<std::uint8_t>& data) {
  // Subcommand 03h: the block count in Count and LBA(7:0), the offset in LBA(23:8), both in
  // 512-byte blocks.
  const std::uint32_t blocks = in.sectorCount | (static_cast<std::uint32_t>(in.lbaLow) << 8);
  const std::uint32_t offset = in.lbaMid | (static_cast<std::uint32_t>(in.lbaHigh) << 8);
  if (blocks == 0 || data.size() != blocks * 512u) return Abort(in);
  const std::size_t end = (offset + blocks) * 512u;
  if (staged_.size() < end) staged_.resize(end, 0);
  if (stagedBlocks_.size() < offset + blocks) stagedBlocks_.resize(offset + blocks, false);
  std::copy(data.begin(), data.end(), staged_.begin() + static_cast<std::ptrdiff_t>(offset) * 512);
  for (std::uint32_t b = 0; b < blocks; ++b) stagedBlocks_[offset + b] = true;
  blocksAccepted_ += blocks;
  if (powerLossAfterBlock_ && blocksAccepted_ >= *powerLossAfterBlock_) {
    powered_ = false;
    staged_.clear();
    stagedBlocks_.clear();
    if (onPowerLoss) onPowerLoss();
  }
  return Ok(in);
}

std::string AtaDrive::CheckImage(const std::vector<std::uint8_t>& image) const {
  using namespace sample_image;
  if (image.size() < 0x200) return "too short";
  if (std::memcmp(image.data() + kMagicAt, kMagic.data(), kMagic.size()) != 0) return "bad magic";
  const std::uint32_t length = le::Load32(image.data() + kLengthAt);
  // Every block up to the image's end must have arrived, and nothing past its last block.
  const std::size_t received = static_cast<std::size_t>(
      std::find(stagedBlocks_.begin(), stagedBlocks_.end(), false) - stagedBlocks_.begin()) * 512;
  if (length < kHeaderEnd || length % kLengthUnit != 0) return "bad length";
  if (received < length || received - length >= 512 || stagedBlocks_.size() * 512 != received) {
    return "length does not match the blocks received";
  }
  std::vector<std::uint8_t> copy(image.begin(), image.begin() + length);
  std::fill(copy.begin() + kCrcAt, copy.begin() + kCrcAt + kCrcSize, 0);
  const auto crc = static_cast<std::uint32_t>(
      crc32(crc32(0L, Z_NULL, 0), copy.data(), static_cast<uInt>(copy.size())));
  if (crc != le::Load32(image.data() + kCrcAt)) return "bad checksum";
  if (TrimText(Field(image, kModelAt, kModelSize), IsFieldPadding, TrimEnds::kRight) !=
      TrimText(identity_.model, IsFieldPadding, TrimEnds::kRight)) return "other model";
  if (std::memcmp(image.data() + kMarkerAt, kMarker.data(), kMarker.size()) != 0) return "no marker";
  return "";
}

AtaCompletion AtaDrive::Activate(const AtaRegisters& in, const std::vector<std::uint8_t>& data) {
  Activation record;
  if (IsSignature(in, '\0', 'L', 'A')) {
    record.bootCode = true;
  } else if (!(in.lbaMid == 0 && in.lbaHigh == 0)) {
    return Abort(in);
  }
  // The activation carries the image's first block again; it must be the one staged.
  const bool firstMatches =
      staged_.size() >= 512 && std::equal(data.begin(), data.begin() + 512, staged_.begin());
  const bool good = in.sectorCount == 1 &&
                    (!validatesImages || (firstMatches && CheckImage(staged_).empty()));
  record.image = staged_;
  if (good) {
    Identity next = identity_;
    std::vector<std::uint8_t> header(staged_);
    header.resize(std::max<std::size_t>(header.size(), sample_image::kExtensionAt + sample_image::kRevisionSize), 0);
    next.revision = Field(header, sample_image::kRevisionAt, sample_image::kRevisionSize);
    next.extension = Field(header, sample_image::kExtensionAt, sample_image::kRevisionSize);
    record.accepted = true;
    record.revision = next.revision;
    record.extension = next.extension;
    if (activatesImmediately) {
      identity_ = next;
      pending_.reset();
    } else {
      pending_ = next;
    }
  }
  activations_.push_back(record);
  staged_.clear();
  stagedBlocks_.clear();
  return good ? Ok(in) : Abort(in);
}

AtaCompletion AtaDrive::ReadBuffer(const AtaRegisters& in, std::vector<std::uint8_t>& data) {
  if (!IsSignature(in, 'R', 'P', 'E') || in.device != 0) return Abort(in);
  data.assign(512, 0);
  if (in.features == 0xFE && in.sectorCount == 1) {
    eepromReadTriggered_ = true;
    return Ok(in);
  }
  const auto page = EepromPageOf(in.features, in.sectorCount);
  if (!eepromReadTriggered_ || !page) return Abort(in);
  eepromReadTriggered_ = false;
  std::copy_n(eeprom_.begin() + static_cast<std::ptrdiff_t>(*page) * 512, 512, data.begin());
  return Ok(in);
}

AtaCompletion AtaDrive::WriteBuffer(const AtaRegisters& in, const std::vector<std::uint8_t>& data) {
  if (!IsSignature(in, 'W', 'P', 'E') || in.device != 0) return Abort(in);
  if (in.features == 0xFE && in.sectorCount == 1) {
    if (!eepromWritePage_) return Abort(in);
    std::copy(eepromWriteData_.begin(), eepromWriteData_.end(),
              eeprom_.begin() + static_cast<std::ptrdiff_t>(*eepromWritePage_) * 512);
    eepromWritePage_.reset();
    return Ok(in);
  }
  const auto page = EepromPageOf(in.features, in.sectorCount);
  if (!page) return Abort(in);
  eepromWritePage_ = *page;
  eepromWriteData_.assign(data.begin(), data.begin() + 512);
  return Ok(in);
}

AtaCompletion AtaDrive::VendorUnique(const AtaRegisters& in, AtaDirection direction,
                                     std::vector<std::uint8_t>& data) {
  if (in.lbaLow != 0 || in.lbaMid != 0 || in.lbaHigh != 0) return Abort(in);
  if (in.features == 0xFC && direction == AtaDirection::Out && in.sectorCount == 1) {
    vuParameters_.assign(data.begin(), data.begin() + 10);
    return Ok(in);
  }
  if (in.features == 0xFD && direction == AtaDirection::In) {
    const std::vector<std::uint8_t> params = std::move(vuParameters_);
    vuParameters_.clear();
    if (params.size() != 10 || params[0] != 0x0A || params[1] != 0x07) return Abort(in);
    data.assign(512, 0);
    // The extension comes blank-padded to 8 bytes, like the drive's other identity texts.
    for (std::size_t i = 0; i < 8; ++i) {
      data[i] = static_cast<std::uint8_t>(i < identity_.extension.size() ? identity_.extension[i] : ' ');
    }
    return Ok(in);
  }
  return Abort(in);
}

}  // namespace qz::sim
