// The simulated drive at the command level: its identity bytes, the download and the checks
// of its activation, the EEPROM pages and the vendor-unique query.
#include <gtest/gtest.h>

#include "sim/devices/ata_drive.hpp"
#include "sim/devices/sample_firmware.hpp"
#include "tools/samplefw/sample_firmware.hpp"

namespace qz::sim {
namespace {

AtaRegisters Regs(unsigned features, unsigned count, unsigned low, std::size_t mid,
                  std::size_t high, unsigned device, unsigned command) {
  auto b = [](std::size_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
  return AtaRegisters{b(features), b(count), b(low), b(mid), b(high), b(device), b(command)};
}

class AtaDriveTest : public ::testing::Test {
 protected:
  AtaCompletion Send(const AtaRegisters& r, AtaDirection d, std::vector<std::uint8_t> data = {}) {
    if (d == AtaDirection::Out && data.empty()) data.assign(512, 0);
    last = data;
    auto done = drive.Execute(r, d, 512, last, 30);
    return done;
  }
  // Downloads an image block by block, then activates with its first block.
  std::uint8_t Flash(const std::vector<std::uint8_t>& bytes, bool bootCode = false) {
    const std::size_t blocks = (bytes.size() + 511) / 512;
    for (std::size_t b = 0; b < blocks; ++b) {
      std::vector<std::uint8_t> block(512, 0);
      std::copy(bytes.begin() + static_cast<long>(b * 512),
                bytes.begin() + static_cast<long>(std::min(bytes.size(), b * 512 + 512)), block.begin());
      EXPECT_EQ(Send(Regs(3, 1, 0, b & 0xFF, b >> 8, 0xA0, 0x92), AtaDirection::Out, block).out.command,
                0x50);
    }
    std::vector<std::uint8_t> first(bytes.begin(), bytes.begin() + 512);
    return Send(Regs(7, 1, 0, bootCode ? 'L' : 0, bootCode ? 'A' : 0, 0xA0, 0x92),
                AtaDirection::Out, first)
        .out.command;
  }

  AtaDrive drive{AtaDrive::Identity{"VORTANIX QRX-480T9A", "SN123", "VRDB", "VRDB-2"}};
  std::vector<std::uint8_t> last;
  std::vector<std::uint8_t> image = MakeSampleFirmware({});
};

TEST_F(AtaDriveTest, IdentifyStringsAreSwappedPerWordWithAValidChecksum) {
  auto done = Send(Regs(0, 1, 0, 0, 0, 0, 0xEC), AtaDirection::In);
  ASSERT_EQ(done.kind, AtaCompletion::Kind::Done);
  EXPECT_EQ(done.out.command, 0x50);
  ASSERT_EQ(last.size(), 512u);
  // Words 27-46: "VO" stored as 'O','V'.
  EXPECT_EQ(last[54], 'O');
  EXPECT_EQ(last[55], 'V');
  std::string revision;
  for (int i = 46; i < 54; ++i) revision.push_back(static_cast<char>(last[i ^ 1]));
  EXPECT_EQ(revision, "VRDB    ");
  std::string serial;
  for (int i = 20; i < 40; ++i) serial.push_back(static_cast<char>(last[i ^ 1]));
  EXPECT_EQ(serial, "SN123               ");
  std::uint8_t sum = 0;
  for (auto b : last) sum = static_cast<std::uint8_t>(sum + b);
  EXPECT_EQ(last[510], 0xA5);
  EXPECT_EQ(sum, 0);
  // The wrong direction is aborted.
  EXPECT_EQ(Send(Regs(0, 1, 0, 0, 0, 0, 0xEC), AtaDirection::Out).out.command, 0x51);
}

TEST_F(AtaDriveTest, AGoodImageIsTakenAtTheNextPowerCycle) {
  EXPECT_EQ(Flash(image, true), 0x50);
  EXPECT_EQ(drive.Revision(), "VRDB");
  EXPECT_TRUE(drive.HasPendingFirmware());
  ASSERT_EQ(drive.Activations().size(), 1u);
  EXPECT_TRUE(drive.Activations()[0].bootCode);
  drive.PowerCycle();
  EXPECT_EQ(drive.Revision(), "VRDC");
  EXPECT_EQ(drive.Extension(), "VRDC-4");
  EXPECT_FALSE(drive.HasPendingFirmware());
}

TEST_F(AtaDriveTest, ActivationRefusesDamagedOrForeignImages) {
  auto expectRefused = [&](const std::vector<std::uint8_t>& bad, const char* why) {
    EXPECT_EQ(Flash(bad), 0x51) << why;
    drive.PowerCycle();
    EXPECT_EQ(drive.Revision(), "VRDB") << why;
  };
  auto flipped = image;
  flipped[5000] ^= 1;
  expectRefused(flipped, "checksum");
  SampleFirmware other;
  other.model = "VORTANIX QRX-240T9A";
  expectRefused(MakeSampleFirmware(other), "model");
  auto magic = image;
  magic[0] = 'X';
  ResealSampleFirmware(magic);
  expectRefused(magic, "magic");
  std::vector<std::uint8_t> shortImage(image.begin(), image.begin() + 131072);
  expectRefused(shortImage, "length");
}

TEST_F(AtaDriveTest, AMissingBlockOrAnotherFirstBlockIsRefused) {
  for (std::size_t b = 0; b < 512; ++b) {
    if (b == 77) continue;
    std::vector<std::uint8_t> block(image.begin() + static_cast<long>(b * 512),
                                    image.begin() + static_cast<long>(b * 512 + 512));
    Send(Regs(3, 1, 0, b & 0xFF, b >> 8, 0xA0, 0x92), AtaDirection::Out, block);
  }
  std::vector<std::uint8_t> first(image.begin(), image.begin() + 512);
  EXPECT_EQ(Send(Regs(7, 1, 0, 0, 0, 0xA0, 0x92), AtaDirection::Out, first).out.command, 0x51);

  std::vector<std::uint8_t> wrongFirst(image.begin() + 512, image.begin() + 1024);
  for (std::size_t b = 0; b < 512; ++b) {
    std::vector<std::uint8_t> block(image.begin() + static_cast<long>(b * 512),
                                    image.begin() + static_cast<long>(b * 512 + 512));
    Send(Regs(3, 1, 0, b & 0xFF, b >> 8, 0xA0, 0x92), AtaDirection::Out, block);
  }
  EXPECT_EQ(Send(Regs(7, 1, 0, 0, 0, 0xA0, 0x92), AtaDirection::Out, wrongFirst).out.command, 0x51);
  // Another letter pair than 'L','A' is not a trigger.
  EXPECT_EQ(Send(Regs(7, 1, 0, 'X', 'A', 0xA0, 0x92), AtaDirection::Out, first).out.command, 0x51);
  drive.PowerCycle();
  EXPECT_EQ(drive.Revision(), "VRDB");
}

TEST_F(AtaDriveTest, TakesTheSampleImageOfTheTools) {
  std::string error;
  const auto tools = samplefw::MakeSampleImage({}, error);
  ASSERT_TRUE(tools.has_value()) << error;
  EXPECT_EQ(Flash(*tools), 0x50);
  drive.PowerCycle();
  EXPECT_EQ(drive.Revision(), "VRDC");
  EXPECT_EQ(drive.Extension(), "VRDC-4");
}

TEST_F(AtaDriveTest, ImmediateActivationSwitchesAtOnce) {
  drive.activatesImmediately = true;
  EXPECT_EQ(Flash(image), 0x50);
  EXPECT_EQ(drive.Revision(), "VRDC");
}

TEST_F(AtaDriveTest, PowerLossLosesTheStagedBlocks) {
  drive.LosePowerAfterBlock(10);
  const std::size_t blocks = 512;
  unsigned answered = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    std::vector<std::uint8_t> block(512, 1);
    if (Send(Regs(3, 1, 0, b & 0xFF, b >> 8, 0xA0, 0x92), AtaDirection::Out, block).kind ==
        AtaCompletion::Kind::Done)
      ++answered;
  }
  EXPECT_EQ(answered, 10u);
  EXPECT_FALSE(drive.Powered());
  EXPECT_EQ(Send(Regs(0, 1, 0, 0, 0, 0, 0xEC), AtaDirection::In).kind, AtaCompletion::Kind::NoDevice);
  drive.PowerCycle();
  EXPECT_TRUE(drive.Powered());
  EXPECT_EQ(drive.Revision(), "VRDB");
  // Nothing staged survives: an activation now has nothing to check.
  std::vector<std::uint8_t> first(image.begin(), image.begin() + 512);
  EXPECT_EQ(Send(Regs(7, 1, 0, 0, 0, 0xA0, 0x92), AtaDirection::Out, first).out.command, 0x51);
}

TEST_F(AtaDriveTest, FaultsHitTheNthMatchingCommandOnce) {
  drive.InjectFault(AtaFault::IoError, 0xEC, -1, 2);
  EXPECT_EQ(Send(Regs(0, 1, 0, 0, 0, 0, 0xEC), AtaDirection::In).kind, AtaCompletion::Kind::Done);
  EXPECT_EQ(Send(Regs(0, 1, 0, 0, 0, 0, 0xEC), AtaDirection::In).kind, AtaCompletion::Kind::IoError);
  EXPECT_EQ(Send(Regs(0, 1, 0, 0, 0, 0, 0xEC), AtaDirection::In).kind, AtaCompletion::Kind::Done);
  drive.InjectFault(AtaFault::Timeout, 0xFF, 0xFC, 1);
  EXPECT_EQ(Send(Regs(0xFC, 1, 0, 0, 0, 0, 0xFF), AtaDirection::Out).kind, AtaCompletion::Kind::Timeout);
  drive.staysBusy = true;
  EXPECT_EQ(Send(Regs(0, 1, 0, 0, 0, 0, 0xEC), AtaDirection::In).kind, AtaCompletion::Kind::Timeout);
  EXPECT_EQ(drive.Log().size(), 5u);
}

TEST_F(AtaDriveTest, EepromNeedsItsTriggersAndSignatures) {
  // A read without READ TRIGGER is refused.
  EXPECT_EQ(Send(Regs(2, 0, 'R', 'P', 'E', 0, 0xE4), AtaDirection::In).out.command, 0x51);
  EXPECT_EQ(Send(Regs(0xFE, 1, 'R', 'P', 'E', 0, 0xE4), AtaDirection::In).out.command, 0x50);
  EXPECT_EQ(Send(Regs(2, 0, 'R', 'P', 'E', 0, 0xE4), AtaDirection::In).out.command, 0x50);
  EXPECT_TRUE(std::equal(last.begin(), last.end(), drive.Eeprom().begin() + 32 * 512));
  // Without its signature READ BUFFER is not an EEPROM access.
  EXPECT_EQ(Send(Regs(0xFE, 1, 0, 0, 0, 0, 0xE4), AtaDirection::In).out.command, 0x51);
  // WRITE EEPROM stages, WRITE TRIGGER commits.
  std::vector<std::uint8_t> page(512, 0xEE);
  EXPECT_EQ(Send(Regs(42, 127, 'W', 'P', 'E', 0, 0xE8), AtaDirection::Out, page).out.command, 0x50);
  EXPECT_NE(drive.Eeprom()[285 * 512], 0xEE);
  EXPECT_EQ(Send(Regs(0xFE, 1, 'W', 'P', 'E', 0, 0xE8), AtaDirection::Out, page).out.command, 0x50);
  EXPECT_EQ(drive.Eeprom()[285 * 512], 0xEE);
  EXPECT_EQ(drive.Eeprom()[285 * 512 + 511], 0xEE);
  // A second trigger has nothing to commit.
  EXPECT_EQ(Send(Regs(0xFE, 1, 'W', 'P', 'E', 0, 0xE8), AtaDirection::Out, page).out.command, 0x51);
}

TEST(EepromPages, TheDrivesTableCoversEveryPageOnce) {
  std::vector<int> seen(AtaDrive::kEepromPages, 0);
  for (int selector = 0; selector < 256; ++selector) {
    for (int index = 0; index < 256; ++index) {
      if (auto page = EepromPageOf(static_cast<std::uint8_t>(selector), static_cast<std::uint8_t>(index))) {
        ASSERT_LT(*page, AtaDrive::kEepromPages);
        ++seen[*page];
      }
    }
  }
  EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
  EXPECT_EQ(EepromPageOf(2, 7), 39u);
  EXPECT_EQ(EepromPageOf(3, 0), 40u);
  EXPECT_EQ(EepromPageOf(40, 0), 77u);
  EXPECT_EQ(EepromPageOf(42, 127), 285u);
  EXPECT_FALSE(EepromPageOf(43, 0).has_value());
}

TEST_F(AtaDriveTest, TheVendorQueryAnswersTheExtension) {
  std::vector<std::uint8_t> params(512, 0);
  params[0] = 0x0A;
  params[1] = 0x07;
  // TRIGGER VUC alone has no query to answer.
  EXPECT_EQ(Send(Regs(0xFD, 1, 0, 0, 0, 0, 0xFF), AtaDirection::In).out.command, 0x51);
  EXPECT_EQ(Send(Regs(0xFC, 1, 0, 0, 0, 0, 0xFF), AtaDirection::Out, params).out.command, 0x50);
  EXPECT_EQ(Send(Regs(0xFD, 1, 0, 0, 0, 0, 0xFF), AtaDirection::In).out.command, 0x50);
  EXPECT_EQ(std::string(last.begin(), last.begin() + 8), "VRDB-2  ");
  params[1] = 0x08;
  Send(Regs(0xFC, 1, 0, 0, 0, 0, 0xFF), AtaDirection::Out, params);
  EXPECT_EQ(Send(Regs(0xFD, 1, 0, 0, 0, 0, 0xFF), AtaDirection::In).out.command, 0x51);
}

}  // namespace
}  // namespace qz::sim
