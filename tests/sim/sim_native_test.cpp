// The simulated native API: files, devices, registry, environment, privileges and heaps.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/registry_api.hpp"
#include "sim/os/sim_native.hpp"

namespace qz::sim {
namespace {

constexpr std::uint32_t kRead = 0x80100080u, kReadWrite = 0xC0100000u;
const char* const kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

class SimNativeTest : public ::testing::Test {
 protected:
  NtStatus Open(NativeHandle& h, const char16_t* path, std::uint32_t access = kRead,
                std::uint32_t share = 1, std::uint32_t disposition = 1) {
    return nt.CreateFile(h, access, path, 0x40, 0x80, share, disposition, 0x60);
  }
  Machine machine;
  SimNative nt{machine, CallerBits::X64};
};

TEST_F(SimNativeTest, FilesOpenByTheirNtNames) {
  machine.files.PutText("C:\\WINDOWS\\system32\\FW.bin", "0123456789");
  NativeHandle h = 0;
  ASSERT_EQ(Open(h, u"\\SystemRoot\\System32\\fw.BIN"), 0);
  std::uint8_t info[24];
  ASSERT_EQ(nt.QueryInformationFile(h, info, 24, 5), 0);
  EXPECT_EQ(info[8], 10);  // EndOfFile
  EXPECT_EQ(info[0], 0);   // AllocationSize 4096
  EXPECT_EQ(info[1], 0x10);
  EXPECT_EQ(info[16], 1);  // one link
  char buffer[32] = {};
  std::uint32_t n = 0;
  ASSERT_EQ(nt.ReadFile(h, buffer, 32, 4, n), 0);
  EXPECT_EQ(n, 6u);
  EXPECT_STREQ(buffer, "456789");
  EXPECT_EQ(nt.ReadFile(h, buffer, 32, 10, n), nt_status::kEndOfFile);
  EXPECT_EQ(nt.WriteFile(h, "x", 1, 0, n), nt_status::kAccessDenied);  // opened for reading
  EXPECT_EQ(nt.Close(h), 0);
  EXPECT_EQ(nt.Close(h), nt_status::kInvalidHandle);

  EXPECT_EQ(Open(h, u"\\??\\C:\\WINDOWS\\system32\\none.bin"), nt_status::kObjectNameNotFound);
  EXPECT_EQ(Open(h, u"\\??\\C:\\NOWHERE\\x.bin"), nt_status::kObjectPathNotFound);
  EXPECT_EQ(Open(h, u"\\??\\C:\\WINDOWS"), nt_status::kFileIsADirectory);
  EXPECT_EQ(Open(h, u"C:\\WINDOWS\\system32\\FW.bin"), nt_status::kObjectPathNotFound);
  EXPECT_EQ(nt.OpenHandleCount(), 0u);
}

TEST_F(SimNativeTest, WritesAtOffsetsGrowTheFileAndHonourFaults) {
  machine.files.PutText("C:\\data.bin", "abc");
  NativeHandle h = 0;
  ASSERT_EQ(Open(h, u"\\??\\C:\\data.bin", kReadWrite, 0), 0);
  std::uint32_t n = 0;
  ASSERT_EQ(nt.WriteFile(h, "XY", 2, 5, n), 0);
  EXPECT_EQ(*machine.files.GetText("C:\\data.bin"), std::string("abc\0\0XY", 7));
  // No sharing: a second opener is turned away.
  NativeHandle other = 0;
  EXPECT_EQ(Open(other, u"\\??\\C:\\data.bin"), nt_status::kSharingViolation);
  nt.Close(h);
  machine.files.FailWrite("C:\\data.bin");
  ASSERT_EQ(Open(h, u"\\??\\C:\\data.bin", kReadWrite, 0), 0);
  EXPECT_EQ(nt.WriteFile(h, "Z", 1, 0, n), nt_status::kIoDeviceError);
  nt.Close(h);
  machine.files.FailOpen("C:\\data.bin");
  EXPECT_EQ(Open(h, u"\\??\\C:\\data.bin"), nt_status::kAccessDenied);
  // FILE_OPEN never creates.
  EXPECT_EQ(Open(h, u"\\??\\C:\\new.bin", kReadWrite, 0, 1), nt_status::kObjectNameNotFound);
  EXPECT_FALSE(machine.files.Exists("C:\\new.bin"));
  ASSERT_EQ(Open(h, u"\\??\\C:\\new.bin", kReadWrite, 0, 2), 0);
  EXPECT_TRUE(machine.files.Exists("C:\\new.bin"));
  nt.Close(h);
}

TEST_F(SimNativeTest, PhysicalDrivesAreTheMachinesDriveList) {
  machine.physicalDrives.push_back(nullptr);
  machine.physicalDrives.push_back(
      std::make_shared<AtaDrive>(AtaDrive::Identity{"M", "S", "R", "E"}));
  NativeHandle h = 0;
  EXPECT_EQ(Open(h, u"\\??\\PhysicalDrive0"), nt_status::kObjectNameNotFound);
  EXPECT_EQ(Open(h, u"\\??\\PhysicalDrive2"), nt_status::kObjectNameNotFound);
  ASSERT_EQ(Open(h, u"\\??\\PHYSICALDRIVE1", kReadWrite, 3), 0);
  std::uint32_t returned = 0;
  std::uint8_t request[8] = {};
  EXPECT_EQ(nt.DeviceIoControlFile(h, 0x70000, request, 8, request, 8, returned),
            static_cast<NtStatus>(0xC0000010u));
  EXPECT_EQ(nt.DeviceIoControlFile(h, kIoctlAtaPassThrough, request, 8, request, 8, returned),
            nt_status::kInvalidParameter);
  nt.Close(h);
}

TEST_F(SimNativeTest, RegistryTextCrossesBetweenUtf16AndTheMachinesText) {
  const char16_t data[] = u"autocheck autochk *\0Ombrel FW.bin\0";
  ASSERT_EQ(nt.WriteRegistryValue(2, u"\\Session Manager", u"BootExecute", 7, data, sizeof data), 0);
  EXPECT_EQ(*machine.registry.GetMultiString(hkey::kLocalMachine, kSessionManager, "BootExecute"),
            (std::vector<std::string>{"autocheck autochk *", "Ombrel FW.bin"}));

  NativeHandle key = 0;
  ASSERT_EQ(nt.OpenKey(key, 1,
                       u"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Session Manager"),
            0);
  std::uint8_t buffer[256];
  std::uint32_t length = 0;
  ASSERT_EQ(nt.QueryValueKey(key, u"BootExecute", 2, buffer, sizeof buffer, length), 0);
  EXPECT_EQ(length, 12u + sizeof data);
  EXPECT_EQ(buffer[4], 7);  // Type
  EXPECT_EQ(buffer[8], sizeof data);
  EXPECT_EQ(std::memcmp(buffer + 12, data, sizeof data), 0);
  EXPECT_EQ(nt.QueryValueKey(key, u"BootExecute", 2, buffer, 20, length), nt_status::kBufferOverflow);
  EXPECT_EQ(nt.QueryValueKey(key, u"None", 2, buffer, sizeof buffer, length),
            nt_status::kObjectNameNotFound);
  nt.Close(key);
  EXPECT_EQ(nt.OpenKey(key, 1, u"\\Registry\\Machine\\Nowhere"), nt_status::kObjectNameNotFound);
  EXPECT_EQ(nt.WriteRegistryValue(2, u"\\Nowhere", u"X", 4, data, 4), nt_status::kObjectNameNotFound);
  machine.registry.FailWrite(hkey::kLocalMachine, kSessionManager);
  EXPECT_EQ(nt.WriteRegistryValue(2, u"\\Session Manager", u"X", 4, data, 4), nt_status::kAccessDenied);
}

TEST_F(SimNativeTest, EnvironmentPrivilegeAndShutdown) {
  char16_t value[64];
  std::uint32_t bytes = 0;
  ASSERT_EQ(nt.QueryEnvironmentVariable(u"SystemRoot", value, sizeof value, bytes), 0);
  EXPECT_EQ(Narrow(std::u16string(value, bytes / 2)), "C:\\WINDOWS");
  EXPECT_EQ(nt.QueryEnvironmentVariable(u"SystemRoot", value, 4, bytes), nt_status::kBufferTooSmall);
  EXPECT_EQ(nt.QueryEnvironmentVariable(u"Nope", value, sizeof value, bytes),
            nt_status::kVariableNotFound);

  EXPECT_EQ(nt.ShutdownSystem(1), nt_status::kPrivilegeNotHeld);  // not enabled yet
  bool was = true;
  ASSERT_EQ(nt.AdjustPrivilege(19, true, false, was), 0);
  EXPECT_FALSE(was);
  EXPECT_EQ(nt.ShutdownSystem(1), 0);
  EXPECT_EQ(nt.shutdowns, std::vector<std::uint32_t>{1});
  EXPECT_EQ(machine.restarts.size(), 1u);
  EXPECT_EQ(nt.AdjustPrivilege(2, true, false, was), nt_status::kPrivilegeNotHeld);

  const auto before = machine.clock.Uptime100ns();
  nt.DelayExecution(false, -30000000);
  EXPECT_NEAR(static_cast<double>(machine.clock.Uptime100ns() - before), 30000000.0, 10.0);
}

TEST_F(SimNativeTest, HeapsTrackTheirBlocks) {
  void* heap = nt.CreateHeap(2, 1 << 20, 4096);
  ASSERT_NE(heap, nullptr);
  auto* zeroed = static_cast<std::uint8_t*>(nt.AllocateHeap(heap, 8, 64));
  auto* raw = static_cast<std::uint8_t*>(nt.AllocateHeap(heap, 0, 64));
  EXPECT_EQ(zeroed[63], 0);
  EXPECT_NE(raw[0], 0);  // not asked to be zeroed
  EXPECT_TRUE(nt.FreeHeap(heap, 0, zeroed));
  EXPECT_FALSE(nt.FreeHeap(heap, 0, zeroed));
  EXPECT_EQ(nt.BadFrees(), 1u);
  EXPECT_EQ(nt.DestroyHeap(heap), nullptr);
  EXPECT_EQ(nt.LeakedBlocks(), 1u);
  EXPECT_EQ(nt.LiveHeapCount(), 0u);
  nt.failAllocation = 3;
  heap = nt.CreateHeap(2, 1 << 20, 4096);
  EXPECT_EQ(nt.AllocateHeap(heap, 0, 8), nullptr);
  nt.DestroyHeap(heap);
}

// The simulated RtlTimeToTimeFields, against dates worked out from Unix time.
TEST_F(SimNativeTest, TimeFieldsAreCalendarDatesFrom1601) {
  constexpr std::int64_t kUnixEpoch = 116444736000000000;  // 1970-01-01 in 100 ns since 1601
  struct Case {
    std::int64_t unixSeconds;
    TimeFields expected;
  };
  const Case cases[] = {
      {-11644473600, {1601, 1, 1, 0, 0, 0, 0, 1}},       // a Monday
      {951782400, {2000, 2, 29, 0, 0, 0, 0, 2}},         // divisible by 400: a leap year
      {1709251199, {2024, 2, 29, 23, 59, 59, 0, 4}},
      {4107542400, {2100, 3, 1, 0, 0, 0, 0, 1}},         // 2100 is not a leap year
      {1796744602, {2026, 12, 8, 15, 43, 22, 0, 2}},
  };
  for (const Case& c : cases) {
    TimeFields t{};
    nt.TimeToTimeFields(kUnixEpoch + c.unixSeconds * 10000000, t);
    const auto& e = c.expected;
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.weekday}),
              std::vector<int>({e.year, e.month, e.day, e.hour, e.minute, e.second, e.weekday}))
        << c.unixSeconds;
  }
}

}  // namespace
}  // namespace qz::sim
