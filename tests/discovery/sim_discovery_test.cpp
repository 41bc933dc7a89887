// The simulated side that discovery runs against: the storage queries as bytes, the Setup
// API's buffer rules, the device paths.
#include <gtest/gtest.h>

#include "discovery/storage_queries.hpp"
#include "discovery_rig.hpp"

namespace qz {
namespace {

using testing::DiscoveryRig;

TEST(SimStorageDisk, AnswersInTheSystemLayouts) {
  sim::StorageDisk disk;
  disk.portNumber = 3;
  disk.pathId = 1;
  disk.targetId = 2;
  disk.lun = 4;
  disk.deviceNumber = 9;
  disk.busType = 8;
  disk.product = "MODEL";
  std::uint32_t returned = 0, error = 0;

  std::vector<std::uint8_t> address(2048, 0xEE);
  ASSERT_TRUE(disk.Control(0x00041018, {}, address, returned, error));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ((std::vector<std::uint8_t>(address.begin(), address.begin() + 9)),
            (std::vector<std::uint8_t>{8, 0, 0, 0, 3, 1, 2, 4, 0xEE}));

  std::vector<std::uint8_t> number(12, 0xEE);
  ASSERT_TRUE(disk.Control(0x002D1080, {}, number, returned, error));
  EXPECT_EQ(number, (std::vector<std::uint8_t>{7, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0}));
  std::vector<std::uint8_t> shortNumber(11);
  EXPECT_FALSE(disk.Control(0x002D1080, {}, shortNumber, returned, error));
  EXPECT_EQ(error, err::kInsufficientBuffer);

  std::vector<std::uint8_t> query(40, 0), descriptor(40, 0);
  ASSERT_TRUE(disk.Control(0x002D1400, query, descriptor, returned, error));
  EXPECT_EQ(returned, 40u);  // cut to the buffer; the size field tells the whole
  EXPECT_EQ(descriptor[28], 8);
  EXPECT_EQ(descriptor[4], 40 + 6);
  EXPECT_EQ(descriptor[16], 40);  // product id offset
  // Another property is not served.
  query[0] = 1;
  EXPECT_FALSE(disk.Control(0x002D1400, query, descriptor, returned, error));
}

TEST(SimStorageDisk, QueriesThroughTheSeam) {
  DiscoveryRig rig;
  sim::BuildSil3124Machine(rig.machine);
  const auto& disk = rig.machine.deviceTree.disks[3];
  const std::string path = rig.machine.deviceTree.interfaces[static_cast<std::size_t>(disk.interface)].path;
  ScsiAddress a;
  ASSERT_TRUE(GetScsiAddr(rig.api, path, a));
  EXPECT_EQ(a.Length, 8u);
  EXPECT_EQ(a.PortNumber, 3);
  EXPECT_EQ(a.PathId, 3);
  EXPECT_EQ(QueryDeviceNumber(rig.api, path), 3);
  EXPECT_EQ(QueryBusType(rig.api, path), 1);
  EXPECT_FALSE(GetScsiAddr(rig.api, path + "x", a));
  EXPECT_EQ(QueryBusType(rig.api, path + "x"), 0);
  EXPECT_EQ(rig.api.OpenHandleCount(), 0u);
}

TEST(SimDeviceTree, DiskInterfacePathsLookLikeTheSystems) {
  EXPECT_EQ(sim::DeviceTree::DiskInterfacePath("IDE\\DiskX___V1\\5&1&0&0.0.0"),
            "\\\\?\\ide#diskx___v1#5&1&0&0.0.0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}");
}

TEST(SimSetupApi, PropertyBufferRules) {
  DiscoveryRig rig;
  sim::BuildIntelAhciDesktop(rig.machine);
  Handle lib = rig.setup.LoadLibrary("C:\\WINDOWS\\system32\\Setupapi.dll");
  for (const char* f : {"SetupDiGetClassDevsA", "SetupDiEnumDeviceInfo",
                        "SetupDiGetDeviceRegistryPropertyA", "SetupDiDestroyDeviceInfoList"}) {
    ASSERT_TRUE(rig.setup.Bind(lib, f));
  }
  const Handle set = rig.setup.SetupDiGetClassDevs(&guids::kDiskDriveClass, digcf::kPresent);
  ASSERT_NE(set, kInvalidHandle);
  DeviceInfoData d;
  ASSERT_TRUE(rig.setup.SetupDiEnumDeviceInfo(set, 0, d));
  std::uint32_t type = 0, required = 0;
  std::vector<std::uint8_t> none;
  EXPECT_FALSE(rig.setup.SetupDiGetDeviceRegistryProperty(set, d, spdrp::kHardwareId, type, none, required));
  EXPECT_EQ(rig.api.GetLastError(), err::kInsufficientBuffer);
  std::vector<std::uint8_t> ids(required);
  ASSERT_TRUE(rig.setup.SetupDiGetDeviceRegistryProperty(set, d, spdrp::kHardwareId, type, ids, required));
  EXPECT_EQ(type, 7u);
  EXPECT_EQ(ids.back(), 0);
  EXPECT_EQ(ids[ids.size() - 2], 0);  // a multi-string ends with two terminators
  EXPECT_FALSE(rig.setup.SetupDiEnumDeviceInfo(set, 2, d));
  EXPECT_EQ(rig.api.GetLastError(), err::kNoMoreItems);
  // Functions that were not bound cannot be called.
  EXPECT_EQ(rig.setup.CM_Get_Parent(d.devInst, d.devInst), cr::kFailure);
  EXPECT_TRUE(rig.setup.SetupDiDestroyDeviceInfoList(set));
  rig.setup.FreeLibrary(lib);
  EXPECT_EQ(rig.setup.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace qz
