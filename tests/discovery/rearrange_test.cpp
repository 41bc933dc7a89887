#include <gtest/gtest.h>

#include "discovery/fixed_text.hpp"
#include "discovery/rearrange.hpp"

namespace qz {
namespace {

DiskRegData Entry(const char* name, bool hasAddress, int port = 0, int path = 0, int target = 0,
                  int lun = 0) {
  DiskRegData d;
  SetText(d.FriendlyName, name);
  d.HasScsiAddress = hasAddress ? 1 : 0;
  d.Address.PortNumber = static_cast<std::uint8_t>(port);
  d.Address.PathId = static_cast<std::uint8_t>(path);
  d.Address.TargetId = static_cast<std::uint8_t>(target);
  d.Address.Lun = static_cast<std::uint8_t>(lun);
  return d;
}

std::vector<std::string> Names(const std::vector<DiskRegData>& v, std::size_t count) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < count; ++i) names.push_back(GetText(v[i].FriendlyName));
  return names;
}

TEST(Rearrange, AddressOrderThenTheRestInEnumerationOrder) {
  std::vector<DiskRegData> v;
  v.push_back(Entry("none1", false));
  v.push_back(Entry("p1", true, 1, 0, 0, 0));
  v.push_back(Entry("p0t1", true, 0, 0, 1, 0));
  v.push_back(Entry("none2", false));
  v.push_back(Entry("p0b1", true, 0, 1, 0, 0));
  v.push_back(Entry("p0l1", true, 0, 0, 0, 1));
  RearrangeByScsiAddress(v, v.size());
  EXPECT_EQ(Names(v, v.size()),
            (std::vector<std::string>{"p0l1", "p0t1", "p0b1", "p1", "none1", "none2"}));
  for (const auto& e : v) EXPECT_EQ(e.Taken, 1);
}

TEST(Rearrange, SameAddressPutsTheLaterEntryFirst) {
  std::vector<DiskRegData> v;
  v.push_back(Entry("first", true, 2, 0, 0, 0));
  v.push_back(Entry("second", true, 2, 0, 0, 0));
  v.push_back(Entry("third", true, 2, 0, 0, 0));
  RearrangeByScsiAddress(v, v.size());
  EXPECT_EQ(Names(v, 3), (std::vector<std::string>{"third", "second", "first"}));
}

TEST(Rearrange, OnlyTheCountedEntriesMove) {
  std::vector<DiskRegData> v;
  v.push_back(Entry("b", true, 1));
  v.push_back(Entry("a", true, 0));
  v.push_back(Entry("unused", true, 0));
  RearrangeByScsiAddress(v, 2);
  EXPECT_EQ(Names(v, 3), (std::vector<std::string>{"a", "b", "unused"}));
  RearrangeByScsiAddress(v, 10);  // a count beyond the array is held to it
  EXPECT_EQ(Names(v, 3), (std::vector<std::string>{"unused", "a", "b"}));
}

TEST(Rearrange, KeyWeighsPortAbovePathAboveTargetAboveLun) {
  // Port 0 path 15 target 15 lun 15 is still below port 1.
  std::vector<DiskRegData> v;
  v.push_back(Entry("p1", true, 1, 0, 0, 0));
  v.push_back(Entry("p0max", true, 0, 15, 15, 15));
  RearrangeByScsiAddress(v, 2);
  EXPECT_EQ(Names(v, 2), (std::vector<std::string>{"p0max", "p1"}));
}

}  // namespace
}  // namespace qz
