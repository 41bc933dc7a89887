// Golden bytes of every pass-through request, built into buffers pre-filled with a sentinel
// so that a byte written where it must not be, or left unwritten, shows.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "transport/pass_through_requests.hpp"

namespace qz::pass_through {
namespace {

constexpr std::uint8_t kSentinel = 0xA5;
const TaskFile kIdentify{0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xEC, 0x00};
const TaskFile kRead48{0x11, 0x22, 0x33, 0x44, 0x55, 0x40, 0x25, 0x00};
const TaskFile kRead48Previous{0x66, 0x77, 0x88, 0x99, 0xAA, 0x00, 0x00, 0x00};

std::vector<std::uint8_t> Filled(std::size_t n) { return std::vector<std::uint8_t>(n, kSentinel); }

// Expected bytes: zeros for `size`, then the sentinel for the guard bytes after it.
struct Expect {
  std::vector<std::uint8_t> bytes;
  Expect(std::size_t size, std::size_t guard) : bytes(size, 0) {
    bytes.resize(size + guard, kSentinel);
  }
  Expect& At(std::size_t offset, std::initializer_list<std::uint8_t> values) {
    std::size_t i = offset;
    for (auto v : values) bytes[i++] = v;
    return *this;
  }
};

void ExpectBytes(const std::vector<std::uint8_t>& actual, const Expect& expected) {
  ASSERT_EQ(actual.size(), expected.bytes.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i], expected.bytes[i]) << "at offset " << i;
  }
}

TEST(AtaPassThroughRequest, IdentifyBufferedGoldenBytes) {
  auto buffer = Filled(kAtaBufferSize + 8);
  Command c{kIdentify, nullptr, data_direction::kIn, 512};
  BuildAtaPassThrough(buffer, c, TimeoutSeconds(3.0f), {});
  Expect e(556, 8);
  e.At(0, {40, 0})                               // Length
      .At(2, {0x03, 0x00})                       // data in + DRDY required
      .At(8, {0x00, 0x02, 0, 0})                 // DataTransferLength 512
      .At(12, {3, 0, 0, 0})                      // TimeOutValue
      .At(20, {44, 0, 0, 0})                     // DataBufferOffset
      .At(32, {0x00, 0x01, 0, 0, 0, 0, 0xEC, 0});  // CurrentTaskFile
  ExpectBytes(buffer, e);
}

TEST(AtaPassThroughRequest, DataOutWith48BitCommandAndShortTimeout) {
  auto buffer = Filled(kAtaBufferSize + 4);
  std::vector<std::uint8_t> data{1, 2, 3, 4, 5, 6};
  Command c{kRead48, &kRead48Previous, data_direction::kOut, 4};
  BuildAtaPassThrough(buffer, c, TimeoutSeconds(0.5f), data);
  Expect e(556, 4);
  e.At(0, {40, 0})
      .At(2, {0x0D, 0x00})  // data out + DRDY + 48-bit
      .At(8, {4, 0, 0, 0})
      .At(12, {0, 0, 0, 0})  // half a second truncates to 0
      .At(20, {44, 0, 0, 0})
      .At(24, {0x66, 0x77, 0x88, 0x99, 0xAA, 0, 0, 0})
      .At(32, {0x11, 0x22, 0x33, 0x44, 0x55, 0x40, 0x25, 0})
      .At(44, {1, 2, 3, 4});  // only `length` bytes of the data
  ExpectBytes(buffer, e);
}

TEST(AtaPassThroughRequest, NoDataSetsNoFlags) {
  auto buffer = Filled(kAtaBufferSize);
  Command c{TaskFile{0, 0, 0, 0, 0, 0, 0xE7, 0}, nullptr, data_direction::kNone, 0};
  BuildAtaPassThrough(buffer, c, 20, {});
  EXPECT_EQ(buffer[2], 0);
  EXPECT_EQ(buffer[12], 20);
}

TEST(AtaPassThroughRequest, DirectHeaderCarriesTheAddressAndAlwaysDrdy) {
  auto header = Filled(kAtaDirectSize + 8);
  Command c{kIdentify, nullptr, data_direction::kNone, 0x800};
  BuildAtaPassThroughDirect(header, c, 7, 0x12345678);
  Expect e(40, 8);
  e.At(0, {40, 0})
      .At(2, {0x01, 0x00})  // DRDY even without data
      .At(8, {0x00, 0x08, 0, 0})
      .At(12, {7, 0, 0, 0})
      .At(20, {0x78, 0x56, 0x34, 0x12})  // DataBuffer
      .At(32, {0x00, 0x01, 0, 0, 0, 0, 0xEC, 0});
  ExpectBytes(header, e);

  Command c48{kRead48, &kRead48Previous, data_direction::kIn, 0x400};
  BuildAtaPassThroughDirect(header, c48, 7, 1);
  EXPECT_EQ(header[2], 0x0B);
  EXPECT_EQ(header[24], 0x66);
}

TEST(AtaPassThroughRequest, ReadsTheReturnedRegisters) {
  std::vector<std::uint8_t> reply(kAtaBufferSize, 0);
  for (std::uint8_t i = 0; i < 8; ++i) reply[32 + i] = static_cast<std::uint8_t>(0xB0 + i);
  reply[24] = 0xEE;  // previous task file is not what comes back
  const TaskFile out = ReadAtaTaskFile(reply);
  EXPECT_EQ(out, (TaskFile{0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7}));
}

TEST(IdePassThroughRequest, GoldenBytesAndNoPreviousRegisters) {
  auto buffer = Filled(kIdeBufferSize + 4);
  std::vector<std::uint8_t> data(600, 0x5A);
  Command c{kRead48, &kRead48Previous, data_direction::kOut, 512};
  BuildIdePassThrough(buffer, c, data);
  Expect e(524, 4);
  e.At(0, {0x11, 0x22, 0x33, 0x44, 0x55, 0x40, 0x25, 0}).At(8, {0x00, 0x02, 0, 0});
  for (std::size_t i = 12; i < 524; ++i) e.bytes[i] = 0x5A;
  ExpectBytes(buffer, e);
  EXPECT_EQ(ReadIdeTaskFile(buffer), kRead48);
}

TEST(IdePassThroughRequest, DataInLeavesTheDataAreaZero) {
  auto buffer = Filled(kIdeBufferSize);
  Command c{kIdentify, nullptr, data_direction::kIn, 512};
  BuildIdePassThrough(buffer, c, std::vector<std::uint8_t>(512, 0x77));
  Expect e(524, 0);
  e.At(0, {0, 1, 0, 0, 0, 0, 0xEC, 0}).At(8, {0, 2, 0, 0});
  ExpectBytes(buffer, e);
}

TEST(ScsiPassThroughRequest, IdentifyInTheVendorBlock) {
  auto buffer = Filled(kScsiBufferSize + 4);
  Command c{kIdentify, nullptr, data_direction::kIn, 512};
  EXPECT_EQ(BuildScsiPassThrough(buffer, c, 3, {}), 592u);
  Expect e(592, 4);
  e.At(0, {44, 0})
      .At(2, {0, 0, 1, 0, 10, 24, 1})  // status, path, target 1, lun, cdb length, sense, DataIn
      .At(12, {0x00, 0x02, 0, 0})
      .At(16, {3, 0, 0, 0})
      .At(20, {80, 0, 0, 0})
      .At(24, {80, 0, 0, 0})
      .At(28, {0xCC, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0xEC, 0x00});
  ExpectBytes(buffer, e);
}

TEST(ScsiPassThroughRequest, NoDataSendsTheHeaderOnly) {
  auto buffer = Filled(kScsiBufferSize);
  Command c{TaskFile{0, 0, 0, 0, 0, 0, 0xE7, 0}, nullptr, data_direction::kNone, 512};
  EXPECT_EQ(BuildScsiPassThrough(buffer, c, 3, {}), 80u);
  EXPECT_EQ(buffer[8], 2);   // SCSI_IOCTL_DATA_UNSPECIFIED
  EXPECT_EQ(buffer[12], 0);  // no transfer length without a direction
  EXPECT_EQ(buffer[13], 0);
}

TEST(ScsiPassThroughRequest, DataOutIsCappedAndPreviousIsDropped) {
  auto buffer = Filled(kScsiBufferSize + 2);
  std::vector<std::uint8_t> data{9, 8, 7};
  Command c{kRead48, &kRead48Previous, data_direction::kOut, 3};
  EXPECT_EQ(BuildScsiPassThrough(buffer, c, 1, data), 83u);
  Expect e(592, 2);
  e.At(0, {44, 0})
      .At(4, {1, 0, 10, 24, 0})  // DataIn 0: data out
      .At(12, {3, 0, 0, 0})
      .At(16, {1, 0, 0, 0})
      .At(20, {80, 0, 0, 0})
      .At(24, {80, 0, 0, 0})
      .At(28, {0xCC, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x40, 0x25, 0x00})
      .At(80, {9, 8, 7});
  ExpectBytes(buffer, e);
}

TEST(ScsiPassThroughRequest, DirectHeader) {
  auto header = Filled(kScsiDirectSize + 4);
  Command c{kIdentify, nullptr, data_direction::kIn, 0x1000};
  BuildScsiPassThroughDirect(header, c, 20, 0xCAFEF00D);
  Expect e(80, 4);
  e.At(0, {44, 0})
      .At(2, {0, 0, 1, 0, 10, 24, 1})
      .At(12, {0x00, 0x10, 0, 0})
      .At(16, {20, 0, 0, 0})
      .At(20, {0x0D, 0xF0, 0xFE, 0xCA})
      .At(24, {48, 0, 0, 0})
      .At(28, {0xCC, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0xEC, 0x00});
  ExpectBytes(header, e);
}

TEST(MiniportRequest, IdentifyGoldenBytes) {
  std::vector<std::uint8_t> buffer(512 + 72, kSentinel);
  Command c{kIdentify, nullptr, data_direction::kIn, 512};
  BuildMiniportCommand(buffer, c, 2, 1, 0, {});
  Expect e(584, 0);
  e.At(0, {28, 0, 0, 0})
      .At(4, {'C', 'M', 'D', '_', 'I', 'D', 'E', ' '})
      .At(12, {120, 0, 0, 0})
      .At(16, {0x2C, 0x20, 0x04, 0x00})
      .At(24, {0x2C, 0x02, 0, 0})  // 584 - 28 = 556
      .At(28, {44, 0})
      .At(30, {2, 0})  // data in is flag 2
      .At(32, {2, 1, 0, 0})
      .At(36, {0x00, 0x02, 0, 0})
      .At(40, {44, 0, 0, 0})
      .At(44, {0x00, 0x01, 0, 0, 0, 0, 0xEC});
  ExpectBytes(buffer, e);
}

TEST(MiniportRequest, DataOutAnd48BitRegisters) {
  std::vector<std::uint8_t> buffer(4 + 72, kSentinel);
  std::vector<std::uint8_t> data{0xD1, 0xD2, 0xD3, 0xD4};
  Command c{kRead48, &kRead48Previous, data_direction::kOut, 4};
  BuildMiniportCommand(buffer, c, 0, 0, 0, data);
  Expect e(76, 0);
  e.At(0, {28, 0, 0, 0})
      .At(4, {'C', 'M', 'D', '_', 'I', 'D', 'E', ' '})
      .At(12, {120, 0, 0, 0})
      .At(16, {0x2C, 0x20, 0x04, 0x00})
      .At(24, {48, 0, 0, 0})
      .At(28, {44, 0})
      .At(30, {5, 0})  // data out is flag 1, 48-bit adds 4
      .At(36, {4, 0, 0, 0})
      .At(40, {44, 0, 0, 0})
      .At(44, {0x11, 0x22, 0x33, 0x44, 0x55, 0x40, 0x25})
      .At(51, {0x88, 0x99, 0xAA, 0x66, 0x77})  // previous LBA low/mid/high, features, count
      .At(72, {0xD1, 0xD2, 0xD3, 0xD4});
  ExpectBytes(buffer, e);
}

TEST(MiniportRequest, VersionQueryAndReply) {
  auto buffer = Filled(72 + 4);
  BuildCmdIdeVersionQuery(buffer);
  Expect e(72, 4);
  e.At(0, {28, 0, 0, 0})
      .At(4, {'C', 'M', 'D', '_', 'I', 'D', 'E', ' '})
      .At(12, {120, 0, 0, 0})
      .At(16, {0x00, 0x20, 0x04, 0x00})
      .At(24, {44, 0, 0, 0});
  ExpectBytes(buffer, e);

  buffer[28] = 2;
  buffer[30] = 2;
  CmdIdeVersion v = ReadCmdIdeVersion(buffer);
  EXPECT_EQ(v.major, 2);
  EXPECT_EQ(v.minor, 2);
  EXPECT_FLOAT_EQ(v.Value(), 2.2f);
  EXPECT_TRUE(v.AtLeast(2, 2));
  buffer[30] = 1;
  EXPECT_FALSE(ReadCmdIdeVersion(buffer).AtLeast(2, 2));
  buffer[28] = 3;
  buffer[30] = 0;
  EXPECT_TRUE(ReadCmdIdeVersion(buffer).AtLeast(2, 2));
  buffer[29] = 1;  // the major number is 16 bits wide
  EXPECT_EQ(ReadCmdIdeVersion(buffer).major, 0x103);
}

TEST(MiniportRequest, ReturnCodeMapping) {
  std::vector<std::uint8_t> reply(72, 0);
  reply[20] = 0x07;
  reply[21] = 0x01;
  EXPECT_EQ(ReadMiniportReturnCode(reply), 0x107u);
  EXPECT_EQ(MapMiniportReturnCode(0), command_result::kSuccess);
  for (std::uint32_t code : {1u, 2u, 5u}) EXPECT_EQ(MapMiniportReturnCode(code), 254) << code;
  EXPECT_EQ(MapMiniportReturnCode(6), command_result::kTimeout);
  EXPECT_EQ(MapMiniportReturnCode(7), command_result::kNotSupported);
  EXPECT_EQ(MapMiniportReturnCode(8), command_result::kNotSupported);
  EXPECT_EQ(MapMiniportReturnCode(9), command_result::kDriveError);
  EXPECT_EQ(MapMiniportReturnCode(255), command_result::kDriveError);
}

TEST(WindowsErrorMapping, TimeoutsUnsupportedAndTheRest) {
  EXPECT_EQ(MapWindowsError(121), command_result::kTimeout);
  EXPECT_EQ(MapWindowsError(258), command_result::kTimeout);
  EXPECT_EQ(MapWindowsError(1460), command_result::kTimeout);
  EXPECT_EQ(MapWindowsError(1), command_result::kNotSupported);
  EXPECT_EQ(MapWindowsError(50), command_result::kNotSupported);
  for (std::uint32_t code : {0u, 5u, 6u, 87u, 122u, 998u, 1117u}) {
    EXPECT_EQ(MapWindowsError(code), command_result::kFailure) << code;
  }
}

TEST(Timeout, TruncatesToWholeSeconds) {
  EXPECT_EQ(TimeoutSeconds(3.0f), 3u);
  EXPECT_EQ(TimeoutSeconds(20.0f), 20u);
  EXPECT_EQ(TimeoutSeconds(2.99f), 2u);
  EXPECT_EQ(TimeoutSeconds(0.5f), 0u);
  EXPECT_EQ(TimeoutSeconds(-1.0f), 0u);
}

}  // namespace
}  // namespace qz::pass_through
