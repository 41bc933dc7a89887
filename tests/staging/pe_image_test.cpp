// The processor and subsystem of a PE image, read from its bytes: the rule by which the packer
// fills the slots and the update command stages a flasher build.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/little_endian.hpp"
#include "staging/pe_image.hpp"

namespace qz {
namespace {

// Writes what fits: a short image keeps only the headers' first bytes.
void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  if (at + 2 > b.size()) return;
  le::Store16(b.data() + at, v);
}

// Headers written at their documented offsets, the PE header at `pe`.
std::vector<std::uint8_t> Image(std::size_t pe, std::uint16_t machine, std::uint16_t optionalSize,
                                std::uint16_t subsystem, std::size_t size = 0x400) {
  std::vector<std::uint8_t> b(size, 0xCC);
  b[0] = 'M';
  b[1] = 'Z';
  Put16(b, 0x3C, static_cast<std::uint16_t>(pe));
  Put16(b, 0x3E, static_cast<std::uint16_t>(pe >> 16));
  b[pe] = 'P';
  b[pe + 1] = 'E';
  b[pe + 2] = b[pe + 3] = 0;
  Put16(b, pe + 4, machine);
  Put16(b, pe + 20, optionalSize);
  Put16(b, pe + 24 + 68, subsystem);
  return b;
}

TEST(PeImage, MachineAndSubsystemFromTheirOffsets) {
  auto kind = ReadPeImageKind(Image(0x80, 0x14C, 0xE0, 1));
  ASSERT_TRUE(kind);
  EXPECT_EQ(kind->machine, pe_machine::kI386);
  EXPECT_EQ(kind->subsystem, pe_subsystem::kNative);
  kind = ReadPeImageKind(Image(0xF8, 0x8664, 0xF0, 3));
  ASSERT_TRUE(kind);
  EXPECT_EQ(kind->machine, pe_machine::kAmd64);
  EXPECT_EQ(kind->subsystem, pe_subsystem::kWindowsConsole);
}

TEST(PeImage, WhatIsNotAWholeHeaderIsNoImageOrHasNoSubsystem) {
  EXPECT_FALSE(ReadPeImageKind({}));
  auto noMz = Image(0x80, 0x14C, 0xE0, 1);
  noMz[1] = 'X';
  EXPECT_FALSE(ReadPeImageKind(noMz));
  auto noPe = Image(0x80, 0x14C, 0xE0, 1);
  noPe[0x81] = 'F';
  EXPECT_FALSE(ReadPeImageKind(noPe));
  // e_lfanew past the end, or so near it that the file header does not fit.
  EXPECT_FALSE(ReadPeImageKind(Image(0x80, 0x14C, 0xE0, 1, 0x90)));
  auto far = Image(0x80, 0x14C, 0xE0, 1);
  Put16(far, 0x3E, 0x8000);  // 0x80000080
  EXPECT_FALSE(ReadPeImageKind(far));
  // The optional header too short to hold the subsystem, or cut by the end of the bytes.
  auto kind = ReadPeImageKind(Image(0x80, 0x8664, 68, 1));
  ASSERT_TRUE(kind);
  EXPECT_EQ(kind->machine, pe_machine::kAmd64);
  EXPECT_EQ(kind->subsystem, 0);
  auto cut = Image(0x80, 0x8664, 0xF0, 1);
  cut.resize(0x80 + 24 + 69);
  kind = ReadPeImageKind(cut);
  ASSERT_TRUE(kind);
  EXPECT_EQ(kind->subsystem, 0);
}

#if defined(QZ_WIN32_DIR) && defined(QZ_WIN64_DIR)
std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PeImage, TheBuiltFlashersAndCopyHelpersAreWhatTheirSlotsTake) {
  const std::string x86 = std::string(QZ_WIN32_DIR) + "/bootflash/win32/";
  const std::string x64 = std::string(QZ_WIN64_DIR) + "/bootflash/win32/";
  const struct {
    std::string path;
    std::uint16_t machine, subsystem;
  } builds[] = {
      {x86 + "Ombrel-xp-x86.exe", pe_machine::kI386, pe_subsystem::kNative},
      {x86 + "Ombrel-win7-x86.exe", pe_machine::kI386, pe_subsystem::kNative},
      {x64 + "Ombrel-2003-x64.exe", pe_machine::kAmd64, pe_subsystem::kNative},
      {x64 + "Ombrel-win7-x64.exe", pe_machine::kAmd64, pe_subsystem::kNative},
      {std::string(QZ_WIN64_DIR) + "/staging/ferryman/xp/Ferryman.exe", pe_machine::kAmd64,
       pe_subsystem::kWindowsConsole},
      {std::string(QZ_WIN32_DIR) + "/updater/win32/Quenzar.exe", pe_machine::kI386, pe_subsystem::kWindowsGui},
  };
  for (const auto& b : builds) {
    const auto bytes = ReadAll(b.path);
    ASSERT_FALSE(bytes.empty()) << b.path;
    const auto kind = ReadPeImageKind(bytes);
    ASSERT_TRUE(kind) << b.path;
    EXPECT_EQ(kind->machine, b.machine) << b.path;
    EXPECT_EQ(kind->subsystem, b.subsystem) << b.path;
  }
}
#endif

}  // namespace
}  // namespace qz
