// The drive table's made-up ports and its address order, on tables built by hand.
#include <gtest/gtest.h>

#include "discovery/drive_table.hpp"

namespace qz {
namespace {

DriveRecord Slot(int port, int path, int target, int lun, int device) {
  DriveRecord r;
  r.Present = 1;
  r.PortNumber = static_cast<std::int16_t>(port);
  r.PathId = static_cast<std::int16_t>(path);
  r.TargetId = static_cast<std::int16_t>(target);
  r.Lun = static_cast<std::int16_t>(lun);
  r.DeviceIndex = device;
  return r;
}

TEST(DriveTable, UnknownPortsFollowTheLargestSeen) {
  DriveTable t{};
  t[0] = Slot(-1, 0, 0, 0, 0);
  t[1] = Slot(3, 0, 0, 0, 1);
  t[3] = Slot(-1, 0, 0, 0, 3);
  t[5] = Slot(-1, 0, 0, 0, 5);  // beyond the examined slots
  AssignUnknownPorts(t, 4);
  EXPECT_EQ(t[0].PortNumber, 4);
  EXPECT_EQ(t[1].PortNumber, 3);
  EXPECT_EQ(t[3].PortNumber, 5);
  EXPECT_EQ(t[5].PortNumber, -1);
}

TEST(DriveTable, OrderByKeyWithTiesInSlotOrder) {
  DriveTable t{};
  t[0] = Slot(1, 0, 1, 0, 0);
  t[1] = Slot(0, 2, 0, 0, 1);
  t[2] = Slot(1, 0, 1, 0, 2);  // same key as slot 0
  t[4] = Slot(0, 0, 0, 1, 4);
  t[5] = Slot(15, 15, 15, 15, 5);  // key 65535: never picked
  t[6] = Slot(0, 0, 0, 0, 6);
  t[6].Present = 0;
  OrderByAddress(t);
  ASSERT_TRUE(t[0].Present && t[1].Present && t[2].Present && t[3].Present);
  EXPECT_EQ(t[0].DeviceIndex, 4);
  EXPECT_EQ(t[1].DeviceIndex, 1);
  EXPECT_EQ(t[2].DeviceIndex, 0);
  EXPECT_EQ(t[3].DeviceIndex, 2);
  for (std::size_t i = 4; i < kDriveSlots; ++i) {
    EXPECT_EQ(t[i].Present, 0) << i;
    EXPECT_EQ(t[i].DeviceIndex, -1) << i;
  }
}

TEST(DriveTable, KeyJustBelowTheLimitIsListed) {
  DriveTable t{};
  t[0] = Slot(15, 15, 15, 14, 0);  // 65534
  OrderByAddress(t);
  EXPECT_EQ(t[0].Present, 1);
}

}  // namespace
}  // namespace qz
