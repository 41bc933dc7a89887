#include "tessel/driver/tessel_device.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "request_bytes.hpp"
#include "sim/devices/tessel_driver.hpp"

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
                      std::vector<std::uint8_t>* out = nullptr, std::uint64_t owner = 0) {
    std::vector<std::uint8_t> buffer(std::max<std::size_t>(in.size(), outLength), 0xCC);
    std::copy(in.begin(), in.end(), buffer.begin());
    const auto reply = device_.Handle(owner, code, buffer.data(),
                                      static_cast<std::uint32_t>(in.size()), outLength);
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
  EXPECT_EQ(At32(out, 12), 0u);  // no kernel address for user mode
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

TEST_F(TesselDeviceTest, SystemBufferBelongsToTheHandleThatAllocatedIt) {
  constexpr std::uint64_t kMine = 0x8A001000, kOther = 0x8A002000;
  const auto denied = static_cast<std::int32_t>(0xC0000022u);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(Call(0x222018, Fields({0, 0, 0x1000, 0}), 16, &out, kMine).status, kOk);
  const std::uint32_t physical = At32(out, 0);
  // Another handle may neither free, replace nor be given it.
  const std::uint32_t sizes[] = {0, 0x1000, 0x2000};
  for (std::uint32_t size : sizes) {
    EXPECT_EQ(Call(0x222018, Fields({0, 0, size, 0}), 16, nullptr, kOther).status, denied) << size;
  }
  EXPECT_EQ(memory_.allocations(), 1u);
  ASSERT_EQ(Call(0x222018, Fields({0, 0, 0x1000, 0}), 16, &out, kMine).status, kOk);
  EXPECT_EQ(At32(out, 0), physical);
  // Its handle closed, it stays (a command may still write into it), and a new handle that
  // happens to get the same file object does not inherit it.
  device_.Cleanup(kMine);
  EXPECT_EQ(Call(0x222018, Fields({0, 0, 0, 0}), 16, nullptr, kMine).status, denied);
  EXPECT_EQ(memory_.allocations(), 1u);
  device_.Release();
  EXPECT_EQ(memory_.allocations(), 0u);
  EXPECT_EQ(access_.commonBufferFaults, 0);
  // With none left, any handle allocates one.
  EXPECT_EQ(Call(0x222018, Fields({0, 0, 0x1000, 0}), 16, nullptr, kOther).status, kOk);
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

// A map request through one open handle (owner); the handle and linear address, or none.
struct Mapped {
  std::int32_t status;
  std::uint32_t handle, linear;
};

class TesselViewsTest : public TesselDeviceTest {
 protected:
  static constexpr std::uint64_t kHandleA = 0x8A001000, kHandleB = 0x8A002000;
  Mapped Map(std::uint64_t owner, std::uint32_t physical = 0xFEBF0000, std::uint32_t length = 0x100) {
    std::vector<std::uint8_t> out;
    const auto r = Call(0x222008, Fields({0, physical, 0, length}), 16, &out, owner);
    if (r.status != kOk) return {r.status, 0, 0};
    return {r.status, At32(out, 0), At32(out, 8)};
  }
  std::int32_t Unmap(std::uint64_t owner, const Mapped& m) {
    return Call(0x22200C, Fields({m.handle, 0, m.linear, 0}), 4, nullptr, owner).status;
  }
};

TEST_F(TesselViewsTest, ClosingAHandleUnmapsItsViewsAndFreesTheirSlots) {
  for (std::uint32_t i = 0; i < TesselDevice::kMaxViews; ++i) ASSERT_EQ(Map(kHandleA).status, kOk);
  // A process that never unmaps fills the table: the next request finds no slot.
  EXPECT_EQ(Map(kHandleA).status, static_cast<std::int32_t>(0xC000009Au));
  EXPECT_EQ(access_.views.size(), TesselDevice::kMaxViews);
  device_.Cleanup(kHandleA);
  EXPECT_TRUE(access_.views.empty());
  EXPECT_EQ(device_.viewsInUse(), 0u);
  for (std::uint32_t i = 0; i < TesselDevice::kMaxViews; ++i) EXPECT_EQ(Map(kHandleB).status, kOk);
}

TEST_F(TesselViewsTest, OnlyTheClosedHandlesViewsGoAndOnlyItsOwnHandleUnmaps) {
  const Mapped a = Map(kHandleA, 0x1000);
  const Mapped b = Map(kHandleB, 0x2000);
  ASSERT_EQ(a.status, kOk);
  ASSERT_EQ(b.status, kOk);
  EXPECT_EQ(Unmap(kHandleB, a), kInvalid);  // another handle, same process
  access_.process = 0x2A0;
  EXPECT_EQ(Unmap(kHandleA, a), kInvalid);  // the same handle used from another process
  access_.process = 0x1F4;
  device_.Cleanup(kHandleA);
  ASSERT_EQ(access_.views.size(), 1u);
  EXPECT_EQ(access_.views.begin()->second.physical, 0x2000u);
  EXPECT_EQ(Unmap(kHandleA, a), kInvalid);  // gone with its handle
  EXPECT_EQ(Unmap(kHandleB, b), kOk);
  EXPECT_TRUE(access_.views.empty());
}

TEST_F(TesselViewsTest, AHandleClosedElsewhereUnmapsItsViewInTheProcessThatMadeIt) {
  ASSERT_EQ(Map(kHandleA).status, kOk);
  access_.process = 0x2A0;  // the handle was passed on and closed there
  device_.Cleanup(kHandleA);
  EXPECT_EQ(device_.viewsInUse(), 0u);
  EXPECT_TRUE(access_.views.empty());  // the view does not outlive its handle
  EXPECT_EQ(access_.unmapsInWrongProcess, 0);
  EXPECT_EQ(access_.references(0x1F4), 0u);
  EXPECT_EQ(access_.badReleases, 0);
}

TEST_F(TesselViewsTest, AnEndedProcessesViewIsNeverUndoneInItsSuccessor) {
  ASSERT_EQ(Map(kHandleA).status, kOk);  // in 0x1F4, which then ends; the handle lives on
  access_.EndProcess(0x1F4);             // in 0x2A0, where it was duplicated
  // While the slot names the process, no new process can take its identity.
  EXPECT_FALSE(access_.StartProcess(0x1F4));
  access_.process = 0x2A0;
  device_.Cleanup(kHandleA);
  EXPECT_EQ(access_.unmapsOfUnknownViews, 0);
  EXPECT_EQ(access_.unmapsInWrongProcess, 0);
  EXPECT_EQ(device_.viewsInUse(), 0u);
  EXPECT_TRUE(access_.StartProcess(0x1F4));
  EXPECT_EQ(access_.badReleases, 0);
}

TEST_F(TesselViewsTest, LengthThatWrapsWithThePageOffsetIsRefused) {
  // 0x234 bytes into the page: the view is 0x234 + length bytes, which 32 bits must hold.
  EXPECT_EQ(Map(kHandleA, 0xFEBF0234, 0xFFFFFDCC).status, kInvalid);
  EXPECT_EQ(Map(kHandleA, 0xFEBF0234, 0xFFFFFFFF).status, kInvalid);
  EXPECT_TRUE(access_.views.empty());
  EXPECT_EQ(device_.viewsInUse(), 0u);
  const Mapped largest = Map(kHandleA, 0xFEBF0234, 0xFFFFFDCB);
  EXPECT_EQ(largest.status, kOk);
  EXPECT_EQ(largest.linear & 0xFFFu, 0x234u);
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
