#include "platform/little_endian.hpp"
#include "tessel/driver/pci_walk.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "sim/devices/tessel_driver.hpp"

namespace qz::tessel {
namespace {

class PciWalkTest : public ::testing::Test {
 protected:
  PciWalkTest() : access_(pci_, memory_) { access_.logAccesses = true; }
  std::shared_ptr<sim::PciConfigFunction> Add(std::uint32_t b, std::uint32_t d, std::uint32_t f,
                                        std::uint16_t vendor, std::uint16_t device,
                                        std::uint8_t headerType = 0) {
    auto fn = std::make_shared<sim::PciConfigFunction>(vendor, device, 0, headerType);
    pci_.Add(b, d, f, fn);
    return fn;
  }
  bool Find(std::uint16_t vendor, std::uint16_t device, std::uint32_t index, PciFound& found) {
    return FindPciFunction(access_, vendor, device, index, found);
  }

  sim::PciBus pci_;
  sim::PhysicalMemory memory_;
  sim::SimMachineAccess access_;
};

TEST_F(PciWalkTest, AnyVendorWalksBusDeviceFunctionOrder) {
  Add(0, 0, 0, 0x8086, 0x2E10);
  Add(0, 0x1F, 0, 0x8086, 0x27C0, 0x80);
  Add(0, 0x1F, 2, 0x8086, 0x27C4);
  Add(0, 2, 0, 0x10DE, 0x0640);
  Add(3, 0, 0, 0x1095, 0x3124);
  const struct { std::uint32_t b, d, f; std::uint16_t vendor; } order[] = {
      {0, 0, 0, 0x8086}, {0, 2, 0, 0x10DE}, {0, 0x1F, 0, 0x8086}, {0, 0x1F, 2, 0x8086}, {3, 0, 0, 0x1095}};
  for (std::uint32_t i = 0; i < 5; ++i) {
    PciFound found{};
    ASSERT_TRUE(Find(0xFFFF, 0, i, found)) << i;
    EXPECT_EQ(found.bus, order[i].b) << i;
    EXPECT_EQ(found.device, order[i].d) << i;
    EXPECT_EQ(found.function, order[i].f) << i;
    EXPECT_EQ(le::Load16(found.header), order[i].vendor) << i;
  }
  PciFound none{};
  EXPECT_FALSE(Find(0xFFFF, 0, 5, none));
}

TEST_F(PciWalkTest, CountsOnlyMatchingFunctions) {
  Add(0, 1, 0, 0x1095, 0x3124);
  Add(0, 4, 0, 0x8086, 0x27C0);
  Add(1, 0, 0, 0x1095, 0x3124);
  Add(1, 1, 0, 0x1095, 0x3132);
  PciFound found{};
  ASSERT_TRUE(Find(0x1095, 0x3124, 1, found));
  EXPECT_EQ(found.bus, 1u);
  EXPECT_EQ(found.device, 0u);
  EXPECT_FALSE(Find(0x1095, 0x3124, 2, found));
  EXPECT_FALSE(Find(0x1095, 0x0000, 0, found));
}

TEST_F(PciWalkTest, SingleFunctionDeviceEchoesAreNotCounted) {
  // Some single-function devices answer at every function number with the same registers.
  auto fn = Add(0, 5, 0, 0x1106, 0x3149);
  for (std::uint32_t f = 1; f < 8; ++f) pci_.Add(0, 5, f, fn);
  PciFound found{};
  ASSERT_TRUE(Find(0x1106, 0x3149, 0, found));
  EXPECT_FALSE(Find(0x1106, 0x3149, 1, found));
}

TEST_F(PciWalkTest, SizesRegistersAndRestoresThem) {
  auto fn = Add(0, 3, 0, 0x8086, 0x2922);
  fn->SetIoBar(0, 0xD000, 8);
  fn->SetMemoryBar(1, 0xF0000000, 0x100000, true);
  fn->SetMemoryBar(2, 0xE0000000, 0x4000, true, true);  // 64-bit: registers 2 and 3
  fn->SetMemoryBar(5, 0xFEBFF800, 0x800);
  const auto before = fn->config;
  PciFound found{};
  ASSERT_TRUE(Find(0x8086, 0x2922, 0, found));
  EXPECT_EQ(found.barSizes[0] & 0xFFFFu, 8u);
  EXPECT_EQ(found.barSizes[1], 0x100000u);  // prefetchable: type bits are not size bits
  EXPECT_EQ(found.barSizes[2], 0x4000u);
  EXPECT_EQ(found.barSizes[3], 0u);
  EXPECT_EQ(found.barSizes[4], 0u);         // unimplemented
  EXPECT_EQ(found.barSizes[5], 0x800u);
  EXPECT_EQ(fn->config, before);
  EXPECT_GT(fn->writes, 0u);
}

TEST_F(PciWalkTest, WideRegionsFillTheFieldAndTheirUpperHalfIsNeverWritten) {
  const struct {
    std::uint64_t size;
    std::uint32_t reported;
  } cases[] = {
      {0x4000, 0x4000}, {0x80000000u, 0x80000000u}, {1ull << 32, 0xFFFFFFFFu}, {1ull << 36, 0xFFFFFFFFu}};
  std::uint16_t id = 0x1000;
  for (const auto& c : cases) {
    auto fn = Add(0, id - 0x1000, 0, 0x10DE, id);
    fn->SetMemoryBar64(0, 1ull << 37, c.size, true);
    fn->SetMemoryBar(2, 0xFD000000, 0x1000000);
    const auto before = fn->config;
    access_.configWrites.clear();
    PciFound found{};
    ASSERT_TRUE(Find(0x10DE, id, 0, found)) << c.size;
    EXPECT_EQ(found.barSizes[0], c.reported) << c.size;
    EXPECT_EQ(found.barSizes[1], 0u) << c.size;
    EXPECT_EQ(found.barSizes[2], 0x1000000u) << c.size;
    EXPECT_EQ(fn->config, before) << c.size;
    for (const auto& w : access_.configWrites) EXPECT_NE(w.offset, 0x14u) << c.size;
    ++id;
  }
}

TEST_F(PciWalkTest, BridgeWindowsAreNeverWritten) {
  auto bridge = Add(0, 0x1E, 0, 0x8086, 0x244E, 1);
  bridge->SetMemoryBar(0, 0xFE000000, 0x1000);
  // Bus numbers and windows live where a device's registers 2 to 5 would be.
  bridge->config[0x18] = 0;
  bridge->config[0x19] = 5;
  bridge->config[0x1A] = 5;
  const auto before = bridge->config;
  PciFound found{};
  ASSERT_TRUE(Find(0x8086, 0x244E, 0, found));
  EXPECT_EQ(found.barSizes[0], 0x1000u);
  for (int i = 2; i < 6; ++i) EXPECT_EQ(found.barSizes[i], 0u) << i;
  EXPECT_EQ(bridge->config, before);
  EXPECT_EQ(bridge->writes, 16u);  // registers 0 and 1 only: all ones, then the old value
}

}  // namespace
}  // namespace qz::tessel
