// The register transports stand in for a storage stack that cannot pass commands through,
// for IDENTIFY DEVICE only and only behind the inbox IDE drivers.
#include <gtest/gtest.h>

#include <algorithm>

#include "discovery/fixed_text.hpp"
#include "tests/transport/direct_rig.hpp"
#include "transport/inbox_ide.hpp"

namespace qz {
namespace {

using test::LegacyIdeRig;
using test::Sil3124Rig;

TEST(DirectFallback, IdentifyGoesThroughTheChannelWhenPassThroughIsUnsupported) {
  LegacyIdeRig rig(sim::PortDriver::ScsiAdapter());
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_TRUE(device.SelectDrive(1));
  ASSERT_EQ(device.Kind(), TransportKind::AtaPassThrough);
  ASSERT_EQ(device.DirectMode(), TransportKind::PortIo);
  const auto expected = test::IdentifyOf(*rig.ataDrives[1]);
  ASSERT_EQ(device.Identify(), command_result::kSuccess);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), device.GetDataBuffer().begin()));
  // The pass-through was asked first; the kind stays what was chosen.
  EXPECT_EQ(rig.ports[1]->commands.size(), 0u);
  EXPECT_GE(rig.ports[1]->Requests().size(), 1u);
  EXPECT_EQ(rig.secondary->commands.size(), 1u);
  EXPECT_EQ(device.Kind(), TransportKind::AtaPassThrough);
}

TEST(DirectFallback, CommandsOtherThanIdentifyNeverFallBack) {
  LegacyIdeRig rig(sim::PortDriver::ScsiAdapter());
  AtaCommandDevice device(rig.System(), rig.Disks());
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
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_TRUE(device.SelectDrive(0));
  rig.ataDrives[0]->InjectFault(sim::AtaFault::ErrorStatus, 0xEC, -1, 1);
  EXPECT_EQ(device.Identify(), command_result::kDriveError);
  EXPECT_TRUE(rig.primary->commands.empty());
}

TEST(DirectFallback, WithoutDirectAccessNotSupportedStands) {
  LegacyIdeRig rig(sim::PortDriver::ScsiAdapter());
  rig.machine.files.FailCreate(rig.machine.SystemDirectory() + "\\tesselio.dll");
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_TRUE(device.SelectDrive(0));
  EXPECT_EQ(device.Identify(), command_result::kNotSupported);
  device.ForgoDirectMode();
  EXPECT_EQ(device.Identify(), command_result::kNotSupported);
  EXPECT_TRUE(rig.primary->commands.empty());
}

TEST(DirectFallback, ChannelBehindAnotherControllerDriverIsLeftAlone) {
  LegacyIdeRig rig(sim::PortDriver::ScsiAdapter());
  auto& tree = rig.machine.deviceTree;
  const int channel = tree.nodes[static_cast<std::size_t>(tree.disks[1].node)].parent;
  tree.SetText(tree.nodes[static_cast<std::size_t>(channel)].parent, spdrp::kService, "vendorata");
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_TRUE(device.SelectDrive(1));
  ASSERT_EQ(device.DirectMode(), TransportKind::PortIo);
  EXPECT_EQ(device.Identify(), command_result::kNotSupported);
  EXPECT_TRUE(rig.secondary->commands.empty());
  EXPECT_TRUE(rig.AccessesTo(0x170).empty());
}

TEST(DirectFallback, Sil3124PortIsNeverDrivenBehindItsOwnDriver) {
  Sil3124Rig rig(sim::PortDriver::ScsiAdapter());
  AtaCommandDevice device(rig.System(), rig.Disks());
  ASSERT_GE(rig.SelectCardDrive(device, 3), 0);
  ASSERT_EQ(device.DirectMode(), TransportKind::Sil3124);
  // The IDE pass-through, which this driver lacks, answers "not supported"; the card's own
  // driver may be running a command on slot 0 all the same.
  device.UseTransport(TransportKind::IdePassThrough);
  EXPECT_EQ(device.Identify(), command_result::kNotSupported);
  EXPECT_TRUE(rig.controller->port(3).requests.empty());
  EXPECT_TRUE(rig.controller->port(3).log.empty());
}

// The chain above a disk, from its parent up: services, and whether the node is the PCI
// controller.
DiskRegData DiskUnder(std::initializer_list<std::pair<const char*, bool>> chain) {
  DiskRegData d;
  std::unique_ptr<ParentNode>* link = &d.Parent;
  for (const auto& [service, pci] : chain) {
    *link = std::make_unique<ParentNode>();
    SetText((*link)->Service, service);
    if (pci) {
      (*link)->VendorId = 0x8086;
      (*link)->DeviceId = 0x27C0;
    }
    link = &(*link)->next;
  }
  return d;
}

TEST(InboxIdeDrivers, OnlyTheirOwnChainCounts) {
  EXPECT_TRUE(ServedByInboxIdeDrivers(DiskUnder({{"atapi", false}, {"intelide", true}, {"pci", false}})));
  EXPECT_TRUE(ServedByInboxIdeDrivers(DiskUnder({{"atapi", false}, {"pciide", true}})));
  EXPECT_TRUE(ServedByInboxIdeDrivers(DiskUnder({{"ATAPI", false}, {"ViaIde", true}})));
  // Another controller driver, another channel driver, or a controller never reached.
  EXPECT_FALSE(ServedByInboxIdeDrivers(DiskUnder({{"atapi", false}, {"nvgts", true}})));
  EXPECT_FALSE(ServedByInboxIdeDrivers(DiskUnder({{"nvata", false}, {"pciide", true}})));
  EXPECT_FALSE(ServedByInboxIdeDrivers(DiskUnder({{"SI3124r5", true}})));
  EXPECT_FALSE(ServedByInboxIdeDrivers(DiskUnder({{"msahci", true}})));
  EXPECT_FALSE(ServedByInboxIdeDrivers(DiskUnder({{"atapi", false}, {"pciide", false}})));
  EXPECT_FALSE(ServedByInboxIdeDrivers(DiskUnder({{"", false}, {"intelide", true}})));
  EXPECT_FALSE(ServedByInboxIdeDrivers(DiskUnder({})));
}

}  // namespace
}  // namespace qz
