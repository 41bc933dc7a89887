// The register transports stand in for a storage stack that cannot pass commands through,
// for IDENTIFY DEVICE only.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/transport/direct_rig.hpp"

namespace qz {
namespace {

using test::LegacyIdeRig;
using test::Sil3124Rig;

TEST(DirectFallback, IdentifyGoesThroughTheChannelWhenPassThroughIsUnsupported) {
  LegacyIdeRig rig(sim::PortDriver::ScsiAdapter());
  AtaCommandDevice device(rig.System());
  ASSERT_TRUE(device.SelectDrive(1));
  ASSERT_EQ(device.Kind, 1);
  ASSERT_EQ(device.DirectMode, 5u);
  const auto expected = test::IdentifyOf(*rig.ataDrives[1]);
  ASSERT_EQ(device.Identify(), command_result::kSuccess);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), device.GetDataBuffer().begin()));
  // The pass-through was asked first; the kind stays what was chosen.
  EXPECT_EQ(rig.ports[1]->commands.size(), 0u);
  EXPECT_GE(rig.ports[1]->Requests().size(), 1u);
  EXPECT_EQ(rig.secondary->commands.size(), 1u);
  EXPECT_EQ(device.Kind, 1);
}

TEST(DirectFallback, CommandsOtherThanIdentifyNeverFallBack) {
  LegacyIdeRig rig(sim::PortDriver::ScsiAdapter());
  AtaCommandDevice device(rig.System());
  ASSERT_TRUE(device.SelectDrive(0));
  std::vector<std::uint8_t> block(512, 0x42);
  TaskFile t;
  t.Command = 0xE8;
  std::uint32_t length = 512;
  EXPECT_EQ(device.SendCommand(t, Bytes(block), nullptr, 4, length), command_result::kNotSupported);
  t.Command = 0xEC;  // even IDENTIFY sent as a plain command
  EXPECT_EQ(device.SendCommand(t, device.GetDataBuffer(), nullptr, 2, length),
            command_result::kNotSupported);
  EXPECT_TRUE(rig.primary->commands.empty());
  EXPECT_TRUE(rig.AccessesTo(0x1F0).empty());
}

TEST(DirectFallback, OtherFailuresOfThePassThroughAreNotRetried) {
  LegacyIdeRig rig;
  AtaCommandDevice device(rig.System());
  ASSERT_TRUE(device.SelectDrive(0));
  rig.ataDrives[0]->InjectFault(sim::AtaFault::ErrorStatus, 0xEC, -1, 1);
  EXPECT_EQ(device.Identify(), command_result::kDriveError);
  EXPECT_TRUE(rig.primary->commands.empty());
}

TEST(DirectFallback, WithoutDirectAccessNotSupportedStands) {
  LegacyIdeRig rig(sim::PortDriver::ScsiAdapter());
  rig.machine.files.FailCreate(rig.machine.SystemDirectory() + "\\ntport.dll");
  AtaCommandDevice device(rig.System());
  ASSERT_TRUE(device.SelectDrive(0));
  EXPECT_EQ(device.Identify(), command_result::kNotSupported);
  device.DirectMode = 0;
  EXPECT_EQ(device.Identify(), command_result::kNotSupported);
  EXPECT_TRUE(rig.primary->commands.empty());
}

TEST(DirectFallback, Sil3124PortServesIdentifyWhenItsDriverCannot) {
  Sil3124Rig rig(sim::PortDriver::ScsiAdapter());
  AtaCommandDevice device(rig.System());
  ASSERT_GE(rig.SelectCardDrive(device, 3), 0);
  ASSERT_EQ(device.DirectMode, 6u);
  // The SCSI bus type's kind 3 never reports "not supported" (it does not look at the SCSI
  // status); the IDE pass-through, which this driver lacks, does.
  device.Kind = 2;
  const auto expected = test::IdentifyOf(*rig.CardDrive(3));
  ASSERT_EQ(device.Identify(), command_result::kSuccess);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), device.GetDataBuffer().begin()));
  EXPECT_EQ(rig.controller->port(3).requests.size(), 1u);
}

}  // namespace
}  // namespace qz
