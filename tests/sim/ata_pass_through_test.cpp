// IOCTL_ATA_PASS_THROUGH as the simulator decodes it, from requests written here byte by byte
// in each layout.
#include <gtest/gtest.h>

#include "sim/devices/ata_pass_through.hpp"

namespace qz::sim {
namespace {

struct Layout {
  CallerBits bits;
  std::size_t header, offsetField, taskFile;
};
const Layout k32{CallerBits::X86, 40, 20, 32};
const Layout k64{CallerBits::X64, 48, 24, 40};

std::vector<std::uint8_t> Request(const Layout& l, std::uint16_t flags, std::uint32_t length,
                                  std::vector<std::uint8_t> taskFile) {
  std::vector<std::uint8_t> r(l.header + 512, 0);
  r[0] = static_cast<std::uint8_t>(l.header);
  r[2] = static_cast<std::uint8_t>(flags);
  r[8] = static_cast<std::uint8_t>(length);
  r[9] = static_cast<std::uint8_t>(length >> 8);
  r[12] = 30;
  if (length) r[l.offsetField] = static_cast<std::uint8_t>(l.header);
  std::copy(taskFile.begin(), taskFile.end(), r.begin() + static_cast<long>(l.taskFile));
  return r;
}

class PassThrough : public ::testing::TestWithParam<Layout> {
 protected:
  NtStatus Call(std::vector<std::uint8_t>& r) {
    return AtaPassThrough(drive, GetParam().bits, r, r, returned, clock);
  }
  AtaDrive drive{AtaDrive::Identity{"VORTANIX QRX-480T9A", "S", "VRDB", "X"}};
  VirtualClock clock;
  std::uint32_t returned = 0;
};

TEST_P(PassThrough, IdentifyRepliesWithRegistersAndData) {
  const Layout& l = GetParam();
  auto r = Request(l, 3, 512, {0, 1, 0, 0, 0, 0, 0xEC, 0});
  ASSERT_EQ(Call(r), 0);
  EXPECT_EQ(returned, l.header + 512);
  EXPECT_EQ(r[l.taskFile + 6], 0x50);  // status
  EXPECT_EQ(r[l.taskFile], 0);         // error
  EXPECT_EQ(r[l.header + 54], 'O');    // model word 27, swapped
  ASSERT_EQ(drive.Log().size(), 1u);
  EXPECT_EQ(drive.Log()[0].in.command, 0xEC);
  EXPECT_EQ(drive.Log()[0].direction, AtaDirection::In);
  EXPECT_EQ(drive.Log()[0].timeoutSeconds, 30u);
}

TEST_P(PassThrough, DataOutComesFromAfterTheHeader) {
  const Layout& l = GetParam();
  auto r = Request(l, 5, 512, {3, 1, 0, 9, 0, 0xA0, 0x92, 0});
  for (std::size_t i = 0; i < 512; ++i) r[l.header + i] = static_cast<std::uint8_t>(i * 3);
  ASSERT_EQ(Call(r), 0);
  const auto& logged = drive.Log().at(0);
  EXPECT_EQ(logged.in.features, 3);
  EXPECT_EQ(logged.in.lbaMid, 9);
  EXPECT_EQ(logged.in.device, 0xA0);
  ASSERT_EQ(logged.data.size(), 512u);
  EXPECT_EQ(logged.data[1], 3);
  EXPECT_EQ(logged.data[511], static_cast<std::uint8_t>(511 * 3));
}

TEST_P(PassThrough, MalformedRequestsAreRefusedBeforeTheDrive) {
  const Layout& l = GetParam();
  const Layout& other = l.header == 40 ? k64 : k32;
  auto wrongLength = Request(other, 3, 512, {0, 1, 0, 0, 0, 0, 0xEC, 0});
  EXPECT_EQ(Call(wrongLength), nt_status::kInvalidParameter);
  auto bothWays = Request(l, 7, 512, {0, 1, 0, 0, 0, 0, 0xEC, 0});
  EXPECT_EQ(Call(bothWays), nt_status::kInvalidParameter);
  auto overrun = Request(l, 3, 1024, {0, 1, 0, 0, 0, 0, 0xEC, 0});
  EXPECT_EQ(Call(overrun), nt_status::kInvalidParameter);
  auto intoHeader = Request(l, 3, 512, {0, 1, 0, 0, 0, 0, 0xEC, 0});
  intoHeader[l.offsetField] = 8;
  EXPECT_EQ(Call(intoHeader), nt_status::kInvalidParameter);
  std::vector<std::uint8_t> tooShort(l.header - 1, 0);
  EXPECT_EQ(AtaPassThrough(drive, l.bits, tooShort, tooShort, returned, clock),
            nt_status::kInvalidParameter);
  EXPECT_TRUE(drive.Log().empty());
}

TEST_P(PassThrough, FailuresBecomeNtStatusesAndTimeOutsCostTheirTime) {
  const Layout& l = GetParam();
  drive.InjectFault(AtaFault::Timeout, 0xEC, -1, 1);
  drive.InjectFault(AtaFault::IoError, 0xEC, -1, 2);
  auto r = Request(l, 3, 512, {0, 1, 0, 0, 0, 0, 0xEC, 0});
  const auto before = clock.Uptime100ns();
  EXPECT_EQ(Call(r), nt_status::kIoTimeout);
  EXPECT_GE(clock.Uptime100ns() - before, 300000000);
  EXPECT_EQ(Call(r), nt_status::kIoDeviceError);
  // An aborted command still succeeds as a request; its status register tells.
  drive.InjectFault(AtaFault::ErrorStatus, 0xEC, -1, 1);
  EXPECT_EQ(Call(r), 0);
  EXPECT_EQ(r[l.taskFile + 6], 0x51);
  EXPECT_EQ(r[l.taskFile], 0x04);
}

void PrintTo(const Layout& l, std::ostream* out) { *out << CallerBitsName(l.bits) << " caller"; }

INSTANTIATE_TEST_SUITE_P(Layouts, PassThrough, ::testing::Values(k32, k64),
                         [](const auto& param) { return std::string(CallerBitsName(param.param.bits)); });

}  // namespace
}  // namespace qz::sim
