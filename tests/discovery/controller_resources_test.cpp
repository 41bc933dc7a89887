// Reading a controller's allocated resources: which descriptors become command blocks,
// control blocks and memory ranges.
#include <gtest/gtest.h>

#include "discovery/device_enumerator.hpp"
#include "discovery_rig.hpp"

namespace qz {
namespace {

using testing::DiscoveryRig;

// One disk under a controller whose resources the test lays out.
struct OneController {
  DiscoveryRig rig;
  int controller = -1;

  OneController() {
    const int bus = sim::InstallDiscoveryBasics(rig.machine);
    controller = sim::AddPciController(
        rig.machine, bus, guids::kHdcClass,
        {"PCI\\VEN_197B&DEV_2363&SUBSYS_2363197B&REV_02\\4&1A2B3C4D&0&00E5", "Other controller",
         "pciide", 0, 0, -1});
    sim::DiskSpec d;
    d.parent = controller;
    d.instanceId = "IDE\\DiskX\\5&1&0&0.0.0";
    d.hardwareIds = {"IDE\\DiskX"};
    d.description.letters = {'C'};
    sim::AddDisk(rig.machine, d);
  }
  sim::DeviceTree& tree() { return rig.machine.deviceTree; }
  DiskRegData Run() {
    DeviceEnumerator e(rig.api, rig.setup, rig.wmi);
    EXPECT_TRUE(e.Enumerate());
    EXPECT_EQ(e.GetCount(), 1);
    DiskRegData d = std::move(e.GetList()[0]);
    e.Destroy();
    EXPECT_EQ(rig.setup.OpenHandleCount(), 0u) << "every configuration and descriptor freed";
    return d;
  }
};

TEST(ControllerResources, OtherVendorControllerWithOneChannel) {
  OneController c;
  c.tree().AddIrq(c.controller, 17);
  c.tree().AddIo(c.controller, 0xB000, 8);
  c.tree().AddIo(c.controller, 0xB100, 4);
  c.tree().AddMemory(c.controller, 0xFD000000, 0x1000);
  const DiskRegData d = c.Run();
  EXPECT_EQ(d.VendorId, 0x197B);
  EXPECT_EQ(d.DeviceId, 0x2363);
  EXPECT_EQ(d.HasIo, 1);
  EXPECT_EQ(d.CmdBase, 0xB000u);
  EXPECT_EQ(d.CtlBase, 0xB100u);
  EXPECT_EQ(d.CtlLength, 4u);
  EXPECT_EQ(d.MemRangeCount, 1u);
  EXPECT_EQ(d.MemRanges[0].Length, 0x1000u);
}

TEST(ControllerResources, ControlBlockBeforeAnyCommandBlockIsIgnored) {
  OneController c;
  c.tree().AddIo(c.controller, 0xB100, 2);
  c.tree().AddIo(c.controller, 0xB000, 8);
  const DiskRegData d = c.Run();
  EXPECT_EQ(d.HasIo, 0) << "the command block found no control block after it";
}

TEST(ControllerResources, OddLengthsAreSkippedAndSeventhRangesDropped) {
  OneController c;
  c.tree().AddIo(c.controller, 0xA000, 16);  // neither kind
  c.tree().AddIo(c.controller, 0xA100, 5);   // neither kind
  for (int k = 0; k < 7; ++k) {
    c.tree().AddIo(c.controller, 0xC000 + 0x10u * static_cast<unsigned>(k), 8);
    c.tree().AddIo(c.controller, 0xC008 + 0x10u * static_cast<unsigned>(k), 1);
  }
  for (int k = 0; k < 7; ++k) c.tree().AddMemory(c.controller, 0xE0000000 + 0x1000u * static_cast<unsigned>(k), 0x100);
  // A disk on the sixth channel.
  const int disk = c.rig.machine.deviceTree.disks[0].node;
  c.tree().SetText(disk, spdrp::kEnumeratorName, "SCSI");
  c.rig.machine.deviceTree.disks[0].device->pathId = 5;
  const DiskRegData d = c.Run();
  EXPECT_EQ(d.UIAddress, 5u);
  EXPECT_EQ(d.CmdBase, 0xC050u);
  EXPECT_EQ(d.CtlBase, 0xC058u);
  EXPECT_EQ(d.CtlLength, 1u);
  EXPECT_EQ(d.MemRangeCount, 6u);
  EXPECT_EQ(d.MemRanges[5].Base, 0xE0005000u);
}

TEST(ControllerResources, MemoryRangeEndingBelowItsStartKeepsNoMemoryRanges) {
  OneController c;
  c.tree().AddMemory(c.controller, 0xFEAFFC00, 0x80);
  c.tree().AddMemory(c.controller, 0xFEAF8000, 0x8000);
  c.tree().nodes[static_cast<std::size_t>(c.controller)].allocated.back().end = 0x00000FFF;
  c.tree().AddIo(c.controller, 0xB000, 8);
  c.tree().AddIo(c.controller, 0xB100, 4);
  const DiskRegData d = c.Run();
  // As a 32-bit length, end - start + 1 would be 0x01508000: past 4 GiB, round to 0.
  EXPECT_EQ(d.HasMem, 0);
  EXPECT_EQ(d.MemRangeCount, 0u);
  EXPECT_EQ(d.HasIo, 1) << "the ports are another matter";
}

TEST(ControllerResources, SeventhChannelIsBeyondTheTable) {
  OneController c;
  for (int k = 0; k < 7; ++k) {
    c.tree().AddIo(c.controller, 0xC000 + 0x10u * static_cast<unsigned>(k), 8);
    c.tree().AddIo(c.controller, 0xC008 + 0x10u * static_cast<unsigned>(k), 1);
  }
  c.tree().SetText(c.rig.machine.deviceTree.disks[0].node, spdrp::kEnumeratorName, "SCSI");
  c.rig.machine.deviceTree.disks[0].device->pathId = 6;
  EXPECT_EQ(c.Run().HasIo, 0);
}

TEST(ControllerResources, EnumeratorBeginningWithScsiTakesThePathId) {
  OneController c;
  c.tree().AddIo(c.controller, 0xC000, 8);
  c.tree().AddIo(c.controller, 0xC008, 1);
  c.tree().AddIo(c.controller, 0xC010, 8);
  c.tree().AddIo(c.controller, 0xC018, 1);
  c.tree().SetText(c.rig.machine.deviceTree.disks[0].node, spdrp::kEnumeratorName, "SCSIADAPTERX");
  c.rig.machine.deviceTree.disks[0].device->pathId = 1;
  EXPECT_EQ(c.Run().CmdBase, 0xC010u);
}

TEST(ControllerResources, ResourcesOnlyOnTheGrandparentAreFound) {
  OneController c;
  // A bridge between the disk and the controller with the resources.
  auto& t = c.tree();
  const int bridge = t.Add("PCIIDE\\IDECHANNEL\\4&9&0&0", c.controller, guids::kHdcClass);
  t.nodes[static_cast<std::size_t>(c.rig.machine.deviceTree.disks[0].node)].parent = bridge;
  t.AddIo(c.controller, 0xC000, 8);
  t.AddIo(c.controller, 0xC008, 1);
  const DiskRegData d = c.Run();
  EXPECT_EQ(d.CmdBase, 0xC000u);
  EXPECT_EQ(d.VendorId, 0x197B);
}

TEST(ControllerResources, UnreadableDescriptorEndsTheWalk) {
  OneController c;
  c.tree().AddIo(c.controller, 0xC000, 8);
  c.tree().AddIo(c.controller, 0xC008, 1);
  // An unknown descriptor type is larger than the buffer the walk reads into.
  c.tree().nodes[static_cast<std::size_t>(c.controller)].allocated.push_back({0xFFFF, 0, 0, 0});
  c.tree().AddMemory(c.controller, 0xE0000000, 0x100);
  const DiskRegData d = c.Run();
  EXPECT_EQ(d.HasIo, 1);
  EXPECT_EQ(d.HasMem, 0);
}

}  // namespace
}  // namespace qz
