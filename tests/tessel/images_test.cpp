// The built Windows images: exact export names of the two libraries, and drivers that are
// native images for their processor importing nothing but the kernel and the HAL.
#include <gtest/gtest.h>

#include <algorithm>

#include "pe_file.hpp"

namespace qz::test {
namespace {

const std::string kWin32 = QZ_WIN32_IMAGES;
const std::string kWin64 = QZ_WIN64_IMAGES;

TEST(Images, TesselLibraryExportsExactlyItsNames) {
  const PeFile pe = ReadPe(kWin32 + "/tessel.dll");
  ASSERT_TRUE(pe.valid);
  EXPECT_EQ(pe.machine, 0x14C);
  const std::set<std::string> expected = {
      "maOpenLibrary", "maCloseLibrary", "maPeekB", "maPeekW", "maPeekD", "maPokeB", "maPokeW",
      "maPokeD", "maMapPhysToLinear", "maUnmapPhysicalMemory", "maFindPCIDevice",
      "maGetPCIDeviceInfo", "maGetDeviceBaseAddress", "maAllocSystemBuffer",
      "maFreeSystemBuffer", "maGetLastState", "maGetVersion", "maIsWinNT", "maIsWin64",
      "maInstallService", "maRemoveService", "maControlService"};
  EXPECT_EQ(pe.exports, expected);
  EXPECT_FALSE(pe.imports.count("LIBSTDC++-6.DLL"));
  EXPECT_FALSE(pe.imports.count("LIBGCC_S_DW2-1.DLL"));
}

TEST(Images, PortLibraryExportsTheNamesTheLoaderResolves) {
  const PeFile pe = ReadPe(kWin32 + "/tesselio.dll");
  ASSERT_TRUE(pe.valid);
  EXPECT_EQ(pe.machine, 0x14C);
  const std::set<std::string> expected = {"Inport", "Outport", "InportW", "OutportW", "InportD",
                                          "OutportD", "GetLastState", "GetNTPortVersion",
                                          "SetFastMode", "GetFastMode", "GetLPTPortAddress"};
  EXPECT_EQ(pe.exports, expected);
}

TEST(Images, DriversAreNativeKernelImages) {
  const struct { std::string path; std::uint16_t machine; } drivers[] = {
      {kWin32 + "/tessel.sys", 0x14C}, {kWin64 + "/tessel.sys", 0x8664},
      {kWin32 + "/tesselio.sys", 0x14C}, {kWin64 + "/tesselio.sys", 0x8664}};
  for (const auto& d : drivers) {
    const PeFile pe = ReadPe(d.path);
    ASSERT_TRUE(pe.valid) << d.path;
    EXPECT_EQ(pe.machine, d.machine) << d.path;
    EXPECT_EQ(pe.subsystem, 1) << d.path;  // native
    EXPECT_TRUE(pe.imports.count("NTOSKRNL.EXE")) << d.path;
    for (const auto& name : pe.imports) {
      EXPECT_TRUE(name == "NTOSKRNL.EXE" || name == "HAL.DLL") << d.path << " imports " << name;
    }
  }
}

}  // namespace
}  // namespace qz::test
