#include "tessel/portio/driver/port_device.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "request_bytes.hpp"
#include "sim/devices/port_driver.hpp"

namespace qz::portio {
namespace {

using test::At32;
using test::Fields;

class Latch : public sim::PortHandler {
 public:
  std::uint32_t In(std::uint16_t port, std::uint32_t) override { return 0x11223300u | (port & 0xFF); }
  void Out(std::uint16_t, std::uint32_t, std::uint32_t value) override { last = value; }
  std::uint32_t last = 0;
};

class PortDeviceTest : public ::testing::Test {
 protected:
  PortDeviceTest() : access_(ports_, memory_), device_(access_) {
    latch_ = std::make_shared<Latch>();
    ports_.Claim(0x1F0, 8, latch_);
    memory_.AddRam(0x400, 0x100);
  }
  kstatus::Reply Call(std::uint32_t code, std::vector<std::uint8_t> in, std::uint32_t outLength,
                      std::vector<std::uint8_t>* out = nullptr) {
    std::vector<std::uint8_t> buffer(std::max<std::size_t>(in.size(), outLength));
    std::copy(in.begin(), in.end(), buffer.begin());
    auto r = device_.Handle(code, buffer.empty() ? nullptr : buffer.data(),
                            static_cast<std::uint32_t>(in.size()), outLength);
    if (out) *out = buffer;
    return r;
  }

  sim::IoPorts ports_;
  sim::PhysicalMemory memory_;
  sim::SimPortAccess access_;
  PortDevice device_;
  std::shared_ptr<Latch> latch_;
};

TEST_F(PortDeviceTest, ReadsAndWritesEachWidth) {
  std::vector<std::uint8_t> out;
  ASSERT_EQ(Call(0x222400, Fields({0x1F7, 1}), 4, &out).status, 0);
  EXPECT_EQ(At32(out, 0), 0xF7u);
  Call(0x222400, Fields({0x1F0, 2}), 4, &out);
  EXPECT_EQ(At32(out, 0), 0x33F0u);
  Call(0x222400, Fields({0x1F0, 4}), 4, &out);
  EXPECT_EQ(At32(out, 0), 0x112233F0u);
  // Nobody at this port: all ones.
  Call(0x222400, Fields({0x300, 2}), 4, &out);
  EXPECT_EQ(At32(out, 0), 0xFFFFu);
  ASSERT_EQ(Call(0x222404, Fields({0x1F6, 1, 0xA0}), 0).status, 0);
  EXPECT_EQ(latch_->last, 0xA0u);
  ASSERT_EQ(ports_.log.back().write, true);
  EXPECT_EQ(ports_.log.back().port, 0x1F6);
  EXPECT_EQ(ports_.log.back().width, 1u);
}

TEST_F(PortDeviceTest, RefusesBadRequests) {
  const auto invalid = static_cast<std::int32_t>(0xC000000Du);
  const auto tooSmall = static_cast<std::int32_t>(0xC0000023u);
  EXPECT_EQ(Call(0x222400, Fields({0x1F0}), 4).status, tooSmall);
  EXPECT_EQ(Call(0x222400, Fields({0x1F0, 1}), 2).status, tooSmall);
  EXPECT_EQ(Call(0x222404, Fields({0x1F0, 1}), 0).status, tooSmall);
  EXPECT_EQ(Call(0x222400, Fields({0x10000, 1}), 4).status, invalid);
  EXPECT_EQ(Call(0x222400, Fields({0x1F0, 3}), 4).status, invalid);
  EXPECT_EQ(Call(0x222404, Fields({0x1F0, 0, 1}), 0).status, invalid);
  EXPECT_EQ(Call(0x22240C, Fields({0, 0}), 4).status, invalid);
  EXPECT_EQ(Call(0x222408, Fields({4}), 4).status, invalid);
  // The PCI configuration ports, and any access that reaches into them.
  const auto denied = static_cast<std::int32_t>(0xC0000022u);
  EXPECT_EQ(Call(0x222404, Fields({0xCF9, 1, 6}), 0).status, denied);
  EXPECT_EQ(Call(0x222404, Fields({0xCF8, 4, 0x80000000u}), 0).status, denied);
  EXPECT_EQ(Call(0x222400, Fields({0xCFC, 4}), 4).status, denied);
  EXPECT_EQ(Call(0x222400, Fields({0xCFF, 1}), 4).status, denied);
  EXPECT_EQ(Call(0x222404, Fields({0xCF6, 4, 0}), 0).status, denied);
  EXPECT_EQ(Call(0x222400, Fields({0xCF7, 2}), 4).status, denied);
  EXPECT_TRUE(ports_.log.empty());
  // Their neighbours stay open.
  EXPECT_EQ(Call(0x222400, Fields({0xCF4, 4}), 4).status, 0);
  EXPECT_EQ(Call(0x222400, Fields({0xD00, 1}), 4).status, 0);
  EXPECT_EQ(ports_.log.size(), 2u);
}

TEST_F(PortDeviceTest, ParallelPortAddressesComeFromTheBiosDataArea) {
  memory_.Write(0x408, 2, 0x378);
  memory_.Write(0x40A, 2, 0x278);
  std::vector<std::uint8_t> out;
  ASSERT_EQ(Call(0x222408, Fields({1}), 4, &out).status, 0);
  EXPECT_EQ(At32(out, 0), 0x378u);
  Call(0x222408, Fields({2}), 4, &out);
  EXPECT_EQ(At32(out, 0), 0x278u);
  Call(0x222408, Fields({3}), 4, &out);
  EXPECT_EQ(At32(out, 0), 0u);
}

}  // namespace
}  // namespace qz::portio
