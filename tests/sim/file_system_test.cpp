// The simulated file system as the updater and flasher see it through the seam.
#include <gtest/gtest.h>

#include "platform/file_api.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"

namespace qz::sim {
namespace {

std::vector<std::uint8_t> Bytes3() { return {1, 2, 3}; }

bool WriteAll(SimWin32& api, const std::string& path, const std::vector<std::uint8_t>& data) {
  Handle h = api.CreateFile(path, access::kGenericWrite, 0, disposition::kCreateAlways, 0);
  if (h == kInvalidHandle) return false;
  std::uint32_t written = 0;
  const bool ok = api.WriteFile(h, data, written) && written == data.size();
  api.CloseHandle(h);
  return ok;
}

TEST(SimFiles, PathsIgnoreCaseAndSeparators) {
  Machine m;
  SimWin32 api(m, Bitness::X64);
  ASSERT_TRUE(WriteAll(api, "C:\\Windows\\System32\\FW.bin", Bytes3()));
  EXPECT_EQ(m.files.Get("c:/WINDOWS/system32//fw.BIN"), Bytes3());
  Handle h = api.CreateFile("C:\\WINDOWS\\SYSTEM32\\Fw.Bin", access::kGenericRead, 0,
                            disposition::kOpenExisting, 0);
  ASSERT_NE(h, kInvalidHandle);
  std::uint8_t buf[8] = {};
  std::uint32_t read = 0;
  EXPECT_TRUE(api.ReadFile(h, buf, read));
  EXPECT_EQ(read, 3u);
  std::uint64_t size = 0;
  EXPECT_TRUE(api.GetFileSize(h, size));
  EXPECT_EQ(size, 3u);
  EXPECT_TRUE(api.CloseHandle(h));
  EXPECT_EQ(api.OpenHandleCount(), 0u);
}

TEST(SimFiles, Wow64RedirectsTheSystemDirectory) {
  Machine m(Windows::Win7X64);
  SimWin32 updater(m, Bitness::X86);
  SimWin32 native(m, Bitness::X64);
  EXPECT_EQ(updater.GetSystemDirectory(), "C:\\WINDOWS\\system32");
  ASSERT_TRUE(WriteAll(updater, updater.GetSystemDirectory() + "\\Ombrel.exe", Bytes3()));
  EXPECT_TRUE(m.files.Get("C:\\WINDOWS\\SysWOW64\\Ombrel.exe"));
  EXPECT_FALSE(m.files.Get("C:\\WINDOWS\\system32\\Ombrel.exe"));
  EXPECT_EQ(native.GetFileAttributes("C:\\WINDOWS\\system32\\Ombrel.exe"), kInvalidFileAttributes);
  // Sysnative reaches the real system directory from a 32-bit process.
  ASSERT_TRUE(WriteAll(updater, "C:\\WINDOWS\\Sysnative\\FW.bin", Bytes3()));
  EXPECT_TRUE(m.files.Get("C:\\WINDOWS\\system32\\FW.bin"));

  Machine x86(Windows::Win7X86);
  SimWin32 onX86(x86, Bitness::X86);
  ASSERT_TRUE(WriteAll(onX86, "C:\\WINDOWS\\system32\\FW.bin", Bytes3()));
  EXPECT_TRUE(x86.files.Get("C:\\WINDOWS\\system32\\FW.bin"));
}

TEST(SimFiles, CreateDispositions) {
  Machine m;
  SimWin32 api(m, Bitness::X64);
  EXPECT_EQ(api.CreateFile("C:\\TEMP\\none", access::kGenericRead, 0, disposition::kOpenExisting, 0),
            kInvalidHandle);
  EXPECT_EQ(api.GetLastError(), err::kFileNotFound);
  EXPECT_EQ(api.CreateFile("C:\\NoDir\\x", access::kGenericWrite, 0, disposition::kCreateAlways, 0),
            kInvalidHandle);
  EXPECT_EQ(api.GetLastError(), err::kPathNotFound);

  m.files.Put("C:\\TEMP\\a", {9, 9, 9, 9});
  EXPECT_EQ(api.CreateFile("C:\\TEMP\\a", access::kGenericWrite, 0, disposition::kCreateNew, 0),
            kInvalidHandle);
  EXPECT_EQ(api.GetLastError(), err::kFileExists);
  ASSERT_TRUE(WriteAll(api, "C:\\TEMP\\a", Bytes3()));  // create-always truncates
  EXPECT_EQ(m.files.Get("C:\\TEMP\\a"), Bytes3());
}

TEST(SimFiles, InjectedFaults) {
  Machine m;
  SimWin32 api(m, Bitness::X64);
  m.files.FailCreate("C:\\WINDOWS\\system32\\FW.bin");
  EXPECT_FALSE(WriteAll(api, "c:\\windows\\SYSTEM32\\fw.bin", Bytes3()));
  EXPECT_EQ(api.GetLastError(), err::kAccessDenied);
  EXPECT_FALSE(m.files.Exists("C:\\WINDOWS\\system32\\FW.bin"));

  m.files.FailWrite("C:\\TEMP\\w");
  Handle h = api.CreateFile("C:\\TEMP\\w", access::kGenericWrite, 0, disposition::kCreateAlways, 0);
  ASSERT_NE(h, kInvalidHandle);
  std::uint32_t written = 7;
  EXPECT_FALSE(api.WriteFile(h, Bytes3(), written));
  EXPECT_EQ(written, 0u);
  api.CloseHandle(h);

  m.files.Put("C:\\TEMP\\r", Bytes3());
  m.files.FailRead("C:\\TEMP\\r");
  h = api.CreateFile("C:\\TEMP\\r", access::kGenericRead, 0, disposition::kOpenExisting, 0);
  std::uint8_t buf[4];
  std::uint32_t read = 0;
  EXPECT_FALSE(api.ReadFile(h, buf, read));
  api.CloseHandle(h);
}

TEST(SimFiles, FullDiskRefusesTheWriteWhole) {
  Machine m;
  SimWin32 api(m, Bitness::X64);
  m.files.SetCapacity(m.files.UsedBytes() + 10);
  EXPECT_TRUE(WriteAll(api, "C:\\TEMP\\small", std::vector<std::uint8_t>(10, 1)));
  EXPECT_FALSE(WriteAll(api, "C:\\TEMP\\big", std::vector<std::uint8_t>(1, 1)));
  EXPECT_EQ(api.GetLastError(), err::kDiskFull);
  EXPECT_EQ(m.files.Get("C:\\TEMP\\big")->size(), 0u);
}

TEST(SimFiles, DevicesTakeRequestsFilesDoNot) {
  struct Echo : Device {
    bool Control(std::uint32_t code, ConstBytes in, Bytes out, std::uint32_t& returned,
                 std::uint32_t& lastError) override {
      if (code != 0x1234) {
        lastError = err::kInvalidFunction;
        return false;
      }
      for (std::size_t i = 0; i < in.size() && i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(in[i] + 1);
      returned = static_cast<std::uint32_t>(std::min(in.size(), out.size()));
      return true;
    }
  };
  Machine m;
  m.AddDevice("\\\\.\\PhysicalDrive0", std::make_shared<Echo>());
  SimWin32 api(m, Bitness::X86);
  Handle d = api.CreateFile("\\\\.\\PHYSICALDRIVE0", access::kGenericRead | access::kGenericWrite, 3,
                            disposition::kOpenExisting, 0);
  ASSERT_NE(d, kInvalidHandle);
  const std::uint8_t in[2] = {1, 2};
  std::uint8_t out[2] = {};
  std::uint32_t returned = 0;
  EXPECT_TRUE(api.DeviceIoControl(d, 0x1234, in, out, returned));
  EXPECT_EQ(out[1], 3);
  EXPECT_FALSE(api.DeviceIoControl(d, 0x9999, in, out, returned));
  EXPECT_EQ(api.GetLastError(), err::kInvalidFunction);
  EXPECT_EQ(api.CreateFile("\\\\.\\PhysicalDrive1", 0, 0, disposition::kOpenExisting, 0), kInvalidHandle);
  api.CloseHandle(d);
}

}  // namespace
}  // namespace qz::sim
