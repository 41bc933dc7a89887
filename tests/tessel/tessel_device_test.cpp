#include "tessel/driver/tessel_device.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "request_bytes.hpp"
#include "sim/tessel_driver.hpp"

namespace qz::tessel {
namespace {

using test::At32;
using test::Fields;

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kTooSmall = static_cast<std::int32_t>(0xC0000023u);
constexpr std::int32_t kInvalid = static_cast<std::int32_t>(0xC000000Du);

class TesselDeviceTest : public ::testing::Test {
 protected:
  TesselDeviceTest() : access_(pci_, memory_), device_(access_) { memory_.AddRam(0x1000, 0x1000); }

  // One buffered request: the system buffer holds the input and receives the output.
  kstatus::Reply Call(std::uint32_t code, std::vector<std::uint8_t> in, std::uint32_t outLength,
                      std::vector<std::uint8_t>* out = nullptr) {
    std::vector<std::uint8_t> buffer(std::max<std::size_t>(in.size(), outLength), 0xCC);
    std::copy(in.begin(), in.end(), buffer.begin());
    const auto reply = device_.Handle(code, buffer.data(), static_cast<std::uint32_t>(in.size()), outLength);
    if (out) {
      buffer.resize(reply.information);
      *out = buffer;
    }
    return reply;
  }

  sim::PciBus pci_;
  sim::PhysicalMemory memory_;
  sim::SimMachineAccess access_;
  TesselDevice device_;
};

TEST_F(TesselDeviceTest, ReadsOnlyTheWidthAskedFor) {
  memory_.Write(0x1010, 4, 0x44332211);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(Call(0x222000, Fields({0x1010, 1, 0}), 4, &out).status, kOk);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(At32(out, 0), 0x11u);
  Call(0x222000, Fields({0x1011, 2, 0}), 4, &out);
  EXPECT_EQ(At32(out, 0), 0x3322u);
  Call(0x222000, Fields({0x1010, 4, 0}), 4, &out);
  EXPECT_EQ(At32(out, 0), 0x44332211u);
}

TEST_F(TesselDeviceTest, WritesTheWidthAskedForAndOtherWidthsMoveNothing) {
  ASSERT_EQ(Call(0x222004, Fields({0x1020, 4, 0xA1B2C3D4}), 4).status, kOk);
  EXPECT_EQ(memory_.Read(0x1020, 4), 0xA1B2C3D4u);
  Call(0x222004, Fields({0x1020, 1, 0x55}), 4);
  EXPECT_EQ(memory_.Read(0x1020, 4), 0xA1B2C355u);
  Call(0x222004, Fields({0x1020, 2, 0x7788}), 4);
  EXPECT_EQ(memory_.Read(0x1020, 4), 0xA1B27788u);
  auto r = Call(0x222004, Fields({0x1020, 3, 0}), 4);
  EXPECT_EQ(r.status, kOk);
  EXPECT_EQ(memory_.Read(0x1020, 4), 0xA1B27788u);
  std::vector<std::uint8_t> out;
  Call(0x222000, Fields({0x1020, 8, 0}), 4, &out);
  EXPECT_EQ(At32(out, 0), 0u);
}

TEST_F(TesselDeviceTest, ShortBuffersAndUnknownCodesFail) {
  EXPECT_EQ(Call(0x222000, Fields({0x1000, 4}), 4).status, kTooSmall);   // 8-byte input
  EXPECT_EQ(Call(0x222000, Fields({0x1000, 4, 0}), 2).status, kTooSmall);
  EXPECT_EQ(Call(0x222004, Fields({0x1000, 4, 0}), 0).status, kTooSmall);
  EXPECT_EQ(Call(0x222008, Fields({0, 0x1000, 0}), 16).status, kTooSmall);
  EXPECT_EQ(Call(0x222008, Fields({0, 0x1000, 0, 16}), 12).status, kTooSmall);
  EXPECT_EQ(Call(0x22200C, Fields({1, 0, 0}), 4).status, kTooSmall);
  EXPECT_EQ(Call(0x222010, Fields({0xFFFF}), 100).status, kTooSmall);
  EXPECT_EQ(Call(0x222010, Fields({0xFFFF, 0}), 87).status, kTooSmall);
  EXPECT_EQ(Call(0x222018, Fields({0, 0, 4096}), 16).status, kTooSmall);
  EXPECT_EQ(Call(0x222018, Fields({0, 0, 4096, 0}), 15).status, kTooSmall);
  EXPECT_EQ(Call(0x222014, Fields({0, 0, 0, 0}), 16).status, kInvalid);
  EXPECT_EQ(Call(0x222001, Fields({0x1000, 4, 0}), 4).status, kInvalid);
  EXPECT_EQ(Call(0x220000, {}, 0).status, kInvalid);
  EXPECT_EQ(memory_.allocations(), 0u);
}

TEST_F(TesselDeviceTest, SystemBufferIsKeptReplacedAndFreed) {
  std::vector<std::uint8_t> out;
  ASSERT_EQ(Call(0x222018, Fields({0, 0, 0x10000, 0}), 16, &out).status, kOk);
  ASSERT_EQ(out.size(), 16u);
  const std::uint32_t first = At32(out, 0);
  EXPECT_NE(first, 0u);
  EXPECT_EQ(At32(out, 4), 0u);  // high half of the physical address
  EXPECT_EQ(At32(out, 8), 0x10000u);
  EXPECT_EQ(memory_.allocations(), 1u);
  // The same size again keeps the buffer.
  Call(0x222018, Fields({0, 0, 0x10000, 0}), 16, &out);
  EXPECT_EQ(At32(out, 0), first);
  EXPECT_EQ(memory_.allocations(), 1u);
  // A different size replaces it.
  Call(0x222018, Fields({0, 0, 0x2000, 0}), 16, &out);
  EXPECT_EQ(At32(out, 8), 0x2000u);
  EXPECT_EQ(memory_.allocations(), 1u);
  // The buffer is physical memory the device can reach.
  memory_.Write(At32(out, 0) + 0x10, 4, 0x12345678);
  EXPECT_EQ(memory_.Read(At32(out, 0) + 0x10, 4), 0x12345678u);
  // Size 0 frees it; freeing with none is fine.
  ASSERT_EQ(Call(0x222018, Fields({0, 0, 0, 0}), 16, &out).status, kOk);
  EXPECT_EQ(At32(out, 8), 0u);
  EXPECT_EQ(memory_.allocations(), 0u);
  EXPECT_EQ(Call(0x222018, Fields({0, 0, 0, 0}), 16).status, kOk);
}

TEST_F(TesselDeviceTest, FailedAllocationReportsAndKeepsNothing) {
  memory_.failAllocations = true;
  EXPECT_EQ(Call(0x222018, Fields({0, 0, 0x1000, 0}), 16).status,
            static_cast<std::int32_t>(0xC000009Au));
  EXPECT_EQ(device_.bufferSize(), 0u);
}

TEST_F(TesselDeviceTest, MapsAndUnmapsOnlyRealViews) {
  std::vector<std::uint8_t> out;
  ASSERT_EQ(Call(0x222008, Fields({0, 0xFEBF0123, 0, 0x100}), 16, &out).status, kOk);
  const std::uint32_t handle = At32(out, 0);
  const std::uint32_t linear = At32(out, 8);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(linear & 0xFFFu, 0x123u);
  ASSERT_EQ(access_.views.size(), 1u);
  EXPECT_EQ(access_.views.begin()->second.physical, 0xFEBF0123u);
  // A wrong address or a handle that was never given out is refused.
  EXPECT_EQ(Call(0x22200C, Fields({handle, 0, linear + 4, 0}), 4).status, kInvalid);
  EXPECT_EQ(Call(0x22200C, Fields({handle + 7, 0, linear, 0}), 4).status, kInvalid);
  EXPECT_EQ(Call(0x22200C, Fields({handle, 0, linear, 0}), 4).status, kOk);
  EXPECT_TRUE(access_.views.empty());
  // Handle 0 unmaps nothing and succeeds.
  EXPECT_EQ(Call(0x22200C, Fields({0, 0, 0x1234, 0}), 4).status, kOk);
}

TEST_F(TesselDeviceTest, PciRecordCarriesHeaderSizesAndLocation) {
  auto f = std::make_shared<sim::PciConfigFunction>(0x1095, 0x3124, 0x010400);
  f->SetMemoryBar(0, 0xFEBFFC00, 0x80, false, true);
  f->SetMemoryBar(2, 0xFEBF8000, 0x8000, false, true);
  f->SetIoBar(4, 0xEC00, 0x10);
  pci_.Add(2, 3, 0, f);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(Call(0x222010, Fields({0x31241095, 0}), 100, &out).status, kOk);
  ASSERT_EQ(out.size(), 100u);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 64, f->config.begin()));
  EXPECT_EQ(At32(out, 64), 0x80u);
  EXPECT_EQ(At32(out, 68), 0u);  // upper half of the 64-bit register
  EXPECT_EQ(At32(out, 72), 0x8000u);
  EXPECT_EQ(At32(out, 76), 0u);
  EXPECT_EQ(At32(out, 80) & 0xFFFFu, 0x10u);
  EXPECT_EQ(At32(out, 84), 0u);
  EXPECT_EQ(At32(out, 88), 2u);
  EXPECT_EQ(At32(out, 92), 3u);
  EXPECT_EQ(At32(out, 96), 0u);
  // 88 bytes of room: the record without its location.
  ASSERT_EQ(Call(0x222010, Fields({0x31241095, 0}), 88, &out).status, kOk);
  EXPECT_EQ(out.size(), 88u);
  EXPECT_EQ(At32(out, 64), 0x80u);
  // No second such device: success with no reply bytes.
  auto r = Call(0x222010, Fields({0x31241095, 1}), 100, &out);
  EXPECT_EQ(r.status, kOk);
  EXPECT_EQ(r.information, 0u);
}

}  // namespace
}  // namespace qz::tessel
