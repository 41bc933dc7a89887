// The seven Windows builds of the flasher, read as files: processor, native subsystem, the
// PE version fields of their family, ntdll as the only import, the exact-revision mark, the
// configuration block as built at the start of .data, and the 262,144-byte slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iostream>

#include "bootflash/flasher_config.hpp"
#include "bootflash/image_field.hpp"
#include "bootflash/revision_mark.hpp"
#include "tests/bootflash/config_bytes.hpp"
#include "tests/bootflash/pe_file.hpp"

namespace qz::bootflash::testing {
namespace {

struct Build {
  std::string file;
  bool x64;
  std::uint16_t major, minor;
};

const Build kBuilds[] = {
    {QZ_WIN32_FLASHERS "/Ombrel-xp-x86.exe", false, 5, 1},
    {QZ_WIN32_FLASHERS "/Ombrel-2003-x86.exe", false, 5, 2},
    {QZ_WIN32_FLASHERS "/Ombrel-vista-x86.exe", false, 6, 0},
    {QZ_WIN32_FLASHERS "/Ombrel-win7-x86.exe", false, 6, 1},
    {QZ_WIN64_FLASHERS "/Ombrel-2003-x64.exe", true, 5, 2},
    {QZ_WIN64_FLASHERS "/Ombrel-vista-x64.exe", true, 6, 0},
    {QZ_WIN64_FLASHERS "/Ombrel-win7-x64.exe", true, 6, 1},
};

bool EqualsNtdll(const std::string& name) {
  std::string lower;
  for (char c : name) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return lower == "ntdll.dll";
}

std::size_t Occurrences(const std::vector<std::uint8_t>& bytes, const std::string& text) {
  std::size_t n = 0;
  for (auto it = bytes.begin();
       (it = std::search(it, bytes.end(), text.begin(), text.end())) != bytes.end(); ++it) {
    ++n;
  }
  return n;
}

TEST(NativeBuilds, EachBuildIsANativeNtdllProgramOfItsFamily) {
  for (const Build& build : kBuilds) {
    SCOPED_TRACE(build.file);
    const auto pe = ReadPeFile(build.file);
    ASSERT_TRUE(pe.has_value());
    std::cout << build.file.substr(build.file.rfind('/') + 1) << ": " << pe->bytes.size()
              << " bytes\n";
    EXPECT_LE(pe->bytes.size(), 262144u);
    EXPECT_EQ(pe->machine, build.x64 ? 0x8664 : 0x14C);
    EXPECT_EQ(pe->pe32plus, build.x64);
    EXPECT_EQ(pe->subsystem, 1);  // native
    EXPECT_EQ(pe->MajorOsVersion(), build.major);
    EXPECT_EQ(pe->MinorOsVersion(), build.minor);
    EXPECT_EQ(pe->MajorSubsystemVersion(), build.major);
    EXPECT_EQ(pe->MinorSubsystemVersion(), build.minor);
    // No start-up code of a runtime: no constructor lists, no thread-local data.
    for (const auto& section : pe->sections) {
      EXPECT_TRUE(section.name == ".text" || section.name == ".data" || section.name == ".rdata" ||
                  section.name == ".bss" || section.name == ".idata" || section.name == ".reloc")
          << section.name;
    }
    ASSERT_EQ(pe->importedDlls.size(), 1u);
    EXPECT_TRUE(EqualsNtdll(pe->importedDlls[0])) << pe->importedDlls[0];
    // The packer's sign that this build flashes only the recorded revision.
    EXPECT_EQ(Occurrences(pe->bytes, kExactRevisionMark), 1u);
  }
}

TEST(NativeBuilds, TheConfigurationBlockStartsTheDataSectionAsBuilt) {
  for (const Build& build : kBuilds) {
    SCOPED_TRACE(build.file);
    const auto pe = ReadPeFile(build.file);
    ASSERT_TRUE(pe.has_value());
    const PeSection* data = pe->Section(".data");
    ASSERT_NE(data, nullptr);
    const std::string expected = build.x64 ? Built64() : Built32();
    const std::string actual(pe->bytes.begin() + data->rawOffset,
                             pe->bytes.begin() + data->rawOffset + expected.size());
    EXPECT_EQ(actual, expected);
    // The updater patches the first occurrence of each key: there must be no other.
    for (const char* key : {"KEY=", "UPDATEBOOT=", "_____FW=", "_FW_EXT=", "DRIVECOUNT=",
                            "VENDID1=", "VENDID6="}) {
      EXPECT_EQ(Occurrences(pe->bytes, key), 1u) << key;
    }
  }
}

// The updater records the staged drive's revision by key search in the built file; the
// flasher reads it back at its layout's fixed position: both must land on the same bytes.
TEST(NativeBuilds, TheStagedRevisionWrittenByKeySearchIsReadAtTheLayoutsPosition) {
  for (const Build& build : kBuilds) {
    SCOPED_TRACE(build.file);
    auto pe = ReadPeFile(build.file);
    ASSERT_TRUE(pe.has_value());
    const PeSection* data = pe->Section(".data");
    ASSERT_NE(data, nullptr);
    const FlasherConfigLayout& layout = build.x64 ? kFlasherConfig64 : kFlasherConfig32;
    ASSERT_EQ(LocateFlasherConfig(pe->bytes.data(), pe->bytes.size(), layout),
              static_cast<std::ptrdiff_t>(data->rawOffset));
    ASSERT_EQ(PatchImageField(pe->bytes.data(), pe->bytes.size(), "KEY=", "VRDB0123"),
              PatchResult::kWritten);
    // Four bytes into .data in both layouts, the rest of the field still blank.
    EXPECT_EQ(std::string(pe->bytes.begin() + data->rawOffset,
                          pe->bytes.begin() + data->rawOffset + 20),
              "KEY=VRDB0123" + Blanks(8));
    FlasherSettings settings{};
    ReadFlasherConfig(pe->bytes.data() + data->rawOffset, layout, &settings);
    EXPECT_TRUE(settings.revisionStaged);
    EXPECT_EQ(std::string(settings.stagedRevision, settings.stagedRevision + 8), "VRDB0123");
  }
}

TEST(NativeBuilds, BuildsOfOneProcessorDifferOnlyInTheirVersionFields) {
  for (bool x64 : {false, true}) {
    std::vector<PeFile> files;
    for (const Build& build : kBuilds) {
      if (build.x64 == x64) files.push_back(*ReadPeFile(build.file));
    }
    ASSERT_GE(files.size(), 3u);
    auto masked = [](PeFile pe) {
      for (std::size_t at : {40, 42, 48, 50, 64 /* CheckSum */}) {
        pe.bytes[pe.optionalHeader + at] = pe.bytes[pe.optionalHeader + at + 1] = 0;
      }
      const std::size_t stamp = pe.optionalHeader - 24 + 8;  // COFF TimeDateStamp
      std::fill_n(pe.bytes.begin() + static_cast<long>(stamp), 4, 0);
      return pe.bytes;
    };
    for (std::size_t i = 1; i < files.size(); ++i) EXPECT_EQ(masked(files[0]), masked(files[i]));
  }
}

}  // namespace
}  // namespace qz::bootflash::testing
