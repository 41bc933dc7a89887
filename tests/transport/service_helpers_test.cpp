#include "transport/service_helpers.hpp"

#include <gtest/gtest.h>

#include "sim/machine/machine.hpp"
#include "tests/transport/named_results.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/devices/stub_image.hpp"

namespace qz {
namespace {

class ServiceHelpersTest : public ::testing::Test {
 protected:
  ServiceHelpersTest() : machine_(sim::Windows::Win7X86), os_(machine_, sim::Bitness::X86) {
    machine_.files.Put(machine_.SystemDirectory() + "\\drivers\\tessel.sys",
                       sim::StubImage(sim::kImageX86, 300));
  }
  sim::Machine machine_;
  sim::SimWin32 os_;
};

TEST_F(ServiceHelpersTest, LifeOfADriverService) {
  EXPECT_EQ(IsServiceRunning(os_, "tessel"), ServiceState::Missing);
  EXPECT_EQ(StartDriverService(os_, "tessel"), ServiceOutcome::Missing);
  EXPECT_EQ(StopServiceAndWait(os_, "tessel", 5), ServiceOutcome::Missing);
  EXPECT_EQ(CreateDriverService(os_, "tessel"), ServiceCreation::Created);
  EXPECT_EQ(CreateDriverService(os_, "tessel"), ServiceCreation::AlreadyExists);
  auto* s = machine_.services.Find("tessel");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->displayName, "tessel");
  EXPECT_EQ(s->binaryPath, "\\SystemRoot\\System32\\drivers\\tessel.sys");
  EXPECT_EQ(IsServiceRunning(os_, "tessel"), ServiceState::NotRunning);
  EXPECT_EQ(StartDriverService(os_, "tessel"), ServiceOutcome::Done);
  EXPECT_EQ(IsServiceRunning(os_, "tessel"), ServiceState::Running);
  EXPECT_EQ(StartDriverService(os_, "tessel"), ServiceOutcome::Failed);  // already running
  EXPECT_EQ(StopServiceAndWait(os_, "tessel", 5), ServiceOutcome::Done);
  EXPECT_EQ(IsServiceRunning(os_, "tessel"), ServiceState::NotRunning);
  EXPECT_EQ(StopServiceAndWait(os_, "tessel", 5), ServiceOutcome::Done);  // already stopped
  EXPECT_EQ(os_.OpenHandleCount(), 0u);
}

TEST_F(ServiceHelpersTest, ManagerUnavailable) {
  machine_.services.FailOpenManager(true);
  EXPECT_EQ(IsServiceRunning(os_, "tessel"), ServiceState::Failed);
  EXPECT_EQ(StartDriverService(os_, "tessel"), ServiceOutcome::Failed);
  EXPECT_EQ(StopServiceAndWait(os_, "tessel", 1), ServiceOutcome::Failed);
  EXPECT_EQ(CreateDriverService(os_, "tessel"), ServiceCreation::Failed);
}

TEST_F(ServiceHelpersTest, StartOfAMissingImageFails) {
  machine_.files.Remove(machine_.SystemDirectory() + "\\drivers\\tessel.sys");
  ASSERT_EQ(CreateDriverService(os_, "tessel"), ServiceCreation::Created);
  EXPECT_EQ(StartDriverService(os_, "tessel"), ServiceOutcome::Failed);
  EXPECT_EQ(IsServiceRunning(os_, "tessel"), ServiceState::NotRunning);
}

TEST_F(ServiceHelpersTest, FileSizes) {
  EXPECT_EQ(FileSizeOf(os_, machine_.SystemDirectory() + "\\drivers\\tessel.sys"), 300u);
  EXPECT_EQ(FileSizeOf(os_, machine_.SystemDirectory() + "\\nothing.dll"), 0u);
  machine_.files.FailOpen(machine_.SystemDirectory() + "\\drivers\\tessel.sys");
  EXPECT_EQ(FileSizeOf(os_, machine_.SystemDirectory() + "\\drivers\\tessel.sys"), 0u);
}

}  // namespace
}  // namespace qz
