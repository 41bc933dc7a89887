// The simulated registry through the seam: types, case, buffer rules and injected faults.
#include <gtest/gtest.h>

#include "platform/multi_string.hpp"
#include "platform/registry_api.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"

namespace qz::sim {
namespace {

const char* const kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

class SimRegistryTest : public ::testing::Test {
 protected:
  Machine m;
  SimWin32 api{m, Bitness::X86};
};

TEST_F(SimRegistryTest, MultiStringRoundTripsThroughTheSeam) {
  Handle key = 0;
  ASSERT_EQ(api.RegOpenKeyEx(hkey::kLocalMachine, kSessionManager, key_access::kAllAccess, key), 0);
  const auto data = EncodeMultiString({"autocheck autochk *", "Ombrel FW.bin"});
  ASSERT_EQ(api.RegSetValueEx(key, "BootExecute", reg_type::kMultiSz, data), 0);
  api.RegCloseKey(key);

  auto strings = m.registry.GetMultiString(hkey::kLocalMachine,
                                           "system\\currentcontrolset\\control\\SESSION MANAGER",
                                           "bootexecute");
  ASSERT_TRUE(strings);
  EXPECT_EQ(*strings, (std::vector<std::string>{"autocheck autochk *", "Ombrel FW.bin"}));
  // Exact bytes: each string, a zero, and a closing zero.
  EXPECT_EQ(m.registry.GetValue(hkey::kLocalMachine, kSessionManager, "BootExecute")->data.size(),
            19u + 1 + 13 + 1 + 1);
}

TEST_F(SimRegistryTest, QueryFollowsTheBufferRules) {
  m.registry.SetString(hkey::kLocalMachine, "SOFTWARE\\X", "Path", "%SystemRoot%\\x", reg_type::kExpandSz);
  m.registry.SetDword(hkey::kLocalMachine, "SOFTWARE\\X", "Start", 3);
  Handle key = 0;
  ASSERT_EQ(api.RegOpenKeyEx(hkey::kLocalMachine, "software\\x", key_access::kRead, key), 0);

  std::uint32_t type = 0, size = 0;
  ASSERT_EQ(api.RegQueryValueEx(key, "PATH", type, {}, size), 0);  // size query
  EXPECT_EQ(type, reg_type::kExpandSz);
  EXPECT_EQ(size, 15u);

  std::uint8_t small[4];
  size = sizeof(small);
  EXPECT_EQ(api.RegQueryValueEx(key, "Path", type, small, size), static_cast<std::int32_t>(err::kMoreData));
  EXPECT_EQ(size, 15u);

  std::uint8_t dword[4] = {};
  size = 4;
  ASSERT_EQ(api.RegQueryValueEx(key, "Start", type, dword, size), 0);
  EXPECT_EQ(type, reg_type::kDword);
  EXPECT_EQ(dword[0], 3);

  EXPECT_EQ(api.RegQueryValueEx(key, "Missing", type, dword, size), static_cast<std::int32_t>(err::kFileNotFound));
  api.RegCloseKey(key);
  EXPECT_EQ(api.RegOpenKeyEx(hkey::kLocalMachine, "SOFTWARE\\Nope", key_access::kRead, key),
            static_cast<std::int32_t>(err::kFileNotFound));
}

TEST_F(SimRegistryTest, SubkeysOpenRelativeToAnOpenKey) {
  m.registry.SetDword(hkey::kLocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Tessel", "Type", 1);
  Handle services = 0, tessel = 0;
  ASSERT_EQ(api.RegOpenKeyEx(hkey::kLocalMachine, "SYSTEM\\CurrentControlSet\\Services", key_access::kRead, services), 0);
  ASSERT_EQ(api.RegOpenKeyEx(services, "TESSEL", key_access::kRead, tessel), 0);
  std::uint8_t v[4];
  std::uint32_t type = 0, size = 4;
  EXPECT_EQ(api.RegQueryValueEx(tessel, "Type", type, v, size), 0);
  api.RegCloseKey(tessel);
  api.RegCloseKey(services);
  EXPECT_EQ(api.OpenHandleCount(), 0u);
}

TEST_F(SimRegistryTest, InjectedFaultsHitOnlyTheirKey) {
  m.registry.FailOpen(hkey::kLocalMachine, kSessionManager);
  Handle key = 0;
  EXPECT_EQ(api.RegOpenKeyEx(hkey::kLocalMachine, "System\\CurrentControlSet\\Control\\Session Manager",
                             key_access::kAllAccess, key),
            static_cast<std::int32_t>(err::kAccessDenied));
  EXPECT_EQ(api.RegCreateKeyEx(hkey::kLocalMachine, kSessionManager, key_access::kAllAccess, key),
            static_cast<std::int32_t>(err::kAccessDenied));
  EXPECT_EQ(api.RegOpenKeyEx(hkey::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control", key_access::kRead, key), 0);
  api.RegCloseKey(key);

  m.registry.FailWrite(hkey::kLocalMachine, "SOFTWARE\\Locked");
  ASSERT_EQ(api.RegCreateKeyEx(hkey::kLocalMachine, "SOFTWARE\\Locked", key_access::kAllAccess, key), 0);
  const std::uint8_t one[4] = {1, 0, 0, 0};
  EXPECT_EQ(api.RegSetValueEx(key, "V", reg_type::kDword, one), static_cast<std::int32_t>(err::kAccessDenied));
  EXPECT_EQ(m.registry.GetValue(hkey::kLocalMachine, "SOFTWARE\\Locked", "V"), nullptr);
  api.RegCloseKey(key);
}

TEST(SimRegistry, DynDataExistsOnlyOnWindows9x) {
  Machine nt(Windows::Win7X86);
  SimWin32 ntApi(nt, Bitness::X86);
  Handle key = 0;
  EXPECT_NE(ntApi.RegOpenKeyEx(hkey::kDynData, "PerfStats\\StatData", key_access::kRead, key), 0);
  Machine w98(Windows::Win98);
  SimWin32 api98(w98, Bitness::X86);
  EXPECT_EQ(api98.RegOpenKeyEx(hkey::kDynData, "PerfStats\\StatData", key_access::kRead, key), 0);
}

}  // namespace
}  // namespace qz::sim
