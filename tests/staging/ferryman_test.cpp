// The copy helper's steps on the simulated machine, run as the 64-bit process it is.
#include <gtest/gtest.h>

#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "staging/ferryman/seam_io.hpp"

namespace qz {
namespace {

using sim::Bitness;
using sim::Machine;
using sim::SimWin32;

const char* const kWowFlasher = "C:\\WINDOWS\\SysWOW64\\Ombrel.exe";
const char* const kWowFirmware = "C:\\WINDOWS\\SysWOW64\\FW.bin";
const char* const kFlasher = "C:\\WINDOWS\\system32\\Ombrel.exe";
const char* const kFirmware = "C:\\WINDOWS\\system32\\FW.bin";

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 7);
  return v;
}

class FerrymanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.files.Put(kWowFlasher, Pattern(20480, 1));
    m.files.Put(kWowFirmware, Pattern(262160, 2));
  }
  int Run() {
    SimWin32 helper(m, Bitness::X64);
    const int code = ferry::RunFerryOn(helper);
    EXPECT_EQ(helper.OpenHandleCount(), 0u);
    return code;
  }
  Machine m{sim::Windows::Win7X64};
};

TEST_F(FerrymanTest, CopiesBothFilesIntoThe64BitSystemDirectory) {
  m.files.Put(kFlasher, Pattern(999, 9));  // an older flasher is replaced
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(m.files.Get(kFlasher), m.files.Get(kWowFlasher));
  EXPECT_EQ(m.files.Get(kFirmware), m.files.Get(kWowFirmware));
  // The sources stay.
  EXPECT_TRUE(m.files.Exists(kWowFlasher));
  EXPECT_TRUE(m.files.Exists(kWowFirmware));
}

TEST_F(FerrymanTest, MissingFlasherStopsBeforeAnything) {
  m.files.Remove(kWowFlasher);
  EXPECT_NE(Run(), 0);
  EXPECT_FALSE(m.files.Exists(kFlasher));
  EXPECT_FALSE(m.files.Exists(kFirmware));
}

TEST_F(FerrymanTest, FirmwareIsNotCopiedWhenTheFlasherCopyFails) {
  m.files.FailCreate(kFlasher);
  EXPECT_NE(Run(), 0);
  EXPECT_FALSE(m.files.Exists(kFirmware));
}

TEST_F(FerrymanTest, AHalfWrittenTargetIsRemoved) {
  // Room for the flasher but not for the whole firmware file.
  m.files.SetCapacity(m.files.UsedBytes() + 20480 + 1000);
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(m.files.Get(kFlasher), m.files.Get(kWowFlasher));
  EXPECT_FALSE(m.files.Exists(kFirmware));
}

TEST_F(FerrymanTest, UnreadableSourceLeavesTheOldTargetAlone) {
  m.files.Put(kFirmware, Pattern(16, 5));
  m.files.FailRead(kWowFirmware);
  EXPECT_NE(Run(), 0);
  EXPECT_EQ(m.files.Get(kFirmware), Pattern(16, 5));
}

TEST(FerryPaths, JoinRefusesWhatDoesNotFit) {
  char small[8];
  EXPECT_TRUE(ferry::JoinInto(small, sizeof small, "C:", "\\", "abcd"));
  EXPECT_STREQ(small, "C:\\abcd");
  EXPECT_FALSE(ferry::JoinInto(small, sizeof small, "C:", "\\", "abcde"));
}

}  // namespace
}  // namespace qz
