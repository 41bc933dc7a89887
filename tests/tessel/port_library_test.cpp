#include "tessel/portio/library/port_library.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/devices/stub_image.hpp"
#include "tessel/library/seam_library_os.hpp"

namespace qz::portio {
namespace {

class Rtc : public sim::PortHandler {
 public:
  std::uint32_t In(std::uint16_t port, std::uint32_t) override { return port == 0x71 ? 0x2359 : 0; }
  void Out(std::uint16_t, std::uint32_t, std::uint32_t value) override { index = value; }
  std::uint32_t index = 0;
};

class PortLibraryTest : public ::testing::Test {
 protected:
  PortLibraryTest()
      : machine_(sim::Windows::XpPro), os_(machine_, sim::Bitness::X86), seam_(os_), lib_(seam_) {
    rtc_ = std::make_shared<Rtc>();
    machine_.ioPorts.Claim(0x70, 2, rtc_);
  }
  void StartDriver() {
    machine_.files.Create(machine_.SystemDirectory() + "\\drivers\\tesselio.sys")->data =
        sim::StubImage(sim::kImageX86, 2048);
    auto& s = machine_.services.Add("tesselio", service_type::kKernelDriver, service_start::kDemand,
                                    "System32\\drivers\\tesselio.sys", service_state::kStopped);
    ASSERT_EQ(machine_.services.Start(s), 0u);
  }

  sim::Machine machine_;
  sim::SimWin32 os_;
  tessel::SeamLibraryOs seam_;
  PortLibrary lib_;
  std::shared_ptr<Rtc> rtc_;
};

TEST_F(PortLibraryTest, WithoutItsDriverEveryCallFailsAndSaysSo) {
  EXPECT_EQ(lib_.InportW(0x71), 0);
  char text[292] = {};
  EXPECT_NE(lib_.GetLastState(text), 0);
  EXPECT_EQ(std::string(text), "Can't open the port driver (error 2)");
  EXPECT_TRUE(machine_.ioPorts.log.empty());
}

TEST_F(PortLibraryTest, PortsThroughTheDriverOpenedOnFirstUse) {
  StartDriver();
  lib_.Outport(0x70, 0x0B);
  EXPECT_EQ(rtc_->index, 0x0Bu);
  EXPECT_EQ(lib_.GetLastState(nullptr), 0);
  EXPECT_EQ(lib_.InportW(0x71), 0x2359);
  EXPECT_EQ(lib_.Inport(0x71), 0x59);
  EXPECT_EQ(lib_.InportD(0x71), 0x2359u);
  char text[292] = {};
  EXPECT_EQ(lib_.GetLastState(text), 0);
  EXPECT_STREQ(text, "The operation completed successfully");
  lib_.OutportW(0x1F0, 0xBEEF);
  lib_.OutportD(0xE000, 0x80000000u);
  ASSERT_GE(machine_.ioPorts.log.size(), 2u);
  const auto& last = machine_.ioPorts.log.back();
  EXPECT_TRUE(last.write);
  EXPECT_EQ(last.port, 0xE000);
  EXPECT_EQ(last.width, 4u);
  EXPECT_EQ(last.value, 0x80000000u);
  // The PCI configuration ports are the HAL's: refused, and said so.
  const std::size_t before = machine_.ioPorts.log.size();
  lib_.OutportD(0xCF8, 0x80000000u);
  EXPECT_EQ(machine_.ioPorts.log.size(), before);
  EXPECT_EQ(lib_.GetLastState(nullptr), static_cast<std::int32_t>(err::kAccessDenied));
  EXPECT_EQ(os_.OpenHandleCount(), 1u);
  lib_.ProcessDetach();
  EXPECT_EQ(os_.OpenHandleCount(), 0u);
}

TEST_F(PortLibraryTest, DriverStoppedUnderneathIsReported) {
  StartDriver();
  EXPECT_EQ(lib_.InportW(0x71), 0x2359);
  // The device disappears; the open handle's requests now fail.
  machine_.services.Stop(*machine_.services.Find("tesselio"));
  machine_.AddDevice("\\\\.\\TESSELIO", nullptr);
  lib_.ProcessDetach();
  EXPECT_EQ(lib_.InportW(0x71), 0);
  EXPECT_NE(lib_.GetLastState(nullptr), 0);
}

// Each state in words, the Windows error written out in decimal.
TEST_F(PortLibraryTest, EachStateReadsWithItsError) {
  const struct {
    const char* name;
    std::function<void()> act;
    std::int32_t state;
    const char* text;
  } rows[] = {
      {"no driver", [&] { lib_.Inport(0x71); }, kStateNoDriver,
       "Can't open the port driver (error 2)"},
      {"driver started", [&] { StartDriver(); lib_.Inport(0x71); }, 0,
       "The operation completed successfully"},
      {"port refused", [&] { lib_.OutportD(0xCF8, 0); }, 5,
       "The port driver failed the request (error 5)"},
      {"no such parallel port", [&] { lib_.GetLPTPortAddress(9); }, 87,
       "The port driver failed the request (error 87)"},
  };
  for (const auto& row : rows) {
    row.act();
    char text[kStateTextSize];
    std::memset(text, '#', sizeof(text));
    EXPECT_EQ(lib_.GetLastState(text), row.state) << row.name;
    EXPECT_STREQ(text, row.text) << row.name;
  }
}

TEST_F(PortLibraryTest, VersionFastModeAndParallelPorts) {
  StartDriver();
  machine_.physicalMemory.AddRam(0, 0x1000);
  machine_.physicalMemory.Write(0x408, 2, 0x3BC);
  EXPECT_EQ(lib_.GetNTPortVersion(), 0x0100);
  EXPECT_EQ(lib_.GetFastMode(), 0);
  lib_.SetFastMode(1);
  EXPECT_EQ(lib_.GetFastMode(), 1);
  EXPECT_EQ(lib_.GetLPTPortAddress(1), 0x3BC);
  EXPECT_EQ(lib_.GetLPTPortAddress(2), 0);
  EXPECT_EQ(lib_.GetLastState(nullptr), 0);
  EXPECT_EQ(lib_.GetLPTPortAddress(9), 0);
  EXPECT_EQ(lib_.GetLastState(nullptr), static_cast<std::int32_t>(err::kInvalidParameter));
}

}  // namespace
}  // namespace qz::portio
