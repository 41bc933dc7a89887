// Staging on the simulated machine: which build is written where, what its configuration
// block holds afterwards, and what BootExecute lists.
#include <gtest/gtest.h>

#include <cstring>

#include "bootflash/flasher_config.hpp"
#include "platform/registry_api.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"
#include "staging/boot_execute.hpp"
#include "staging/stage_boot_update.hpp"

namespace qz {
namespace {

using sim::Bitness;
using sim::Machine;
using sim::SimWin32;
using sim::Windows;

// A flasher image as the 32-bit builds carry it: some code bytes, then the 272-byte block.
constexpr std::size_t kBlockAt = 0x200;

std::vector<std::uint8_t> FlasherImage32(std::uint8_t tag) {
  std::vector<std::uint8_t> image(4096, tag);
  std::string block = "KEY=" + std::string(16, ' ') + "UPDATEBOOT=0" + "_____FW=" + std::string(8, ' ') +
                      "_FW_EXT=" + std::string(8, ' ') + "DRIVECOUNT=0000" + std::string(1, '\0');
  for (int k = 1; k <= 6; ++k) block += "VENDID" + std::to_string(k) + "=N/A" + std::string(21, ' ');
  EXPECT_EQ(block.size(), 272u);
  std::memcpy(image.data() + kBlockAt, block.data(), block.size());
  return image;
}

std::string Field(const std::vector<std::uint8_t>& file, std::size_t offset, std::size_t width) {
  return std::string(reinterpret_cast<const char*>(file.data() + kBlockAt + offset), width);
}

const std::string kModel = "VORTANIX QRX-480T9A     ";
const char* const kSys32Flasher = "C:\\WINDOWS\\system32\\Ombrel.exe";
const char* const kWow64Flasher = "C:\\WINDOWS\\SysWOW64\\Ombrel.exe";

class StageTest : public ::testing::Test {
 protected:
  void Boot(Windows release) {
    system.reset();
    api.reset();
    machine = std::make_unique<Machine>(release);
    api = std::make_unique<SimWin32>(*machine, Bitness::X86);
    system = std::make_unique<SystemInfo>(*api);
    for (std::size_t i = 0; i < table.size(); ++i) {
      images[i] = FlasherImage32(static_cast<std::uint8_t>(0xA0 + i));
      table[i] = {images[i].data(), static_cast<std::uint32_t>(images[i].size())};
    }
  }
  static BootUpdateRequest Request(FlasherImageTable* flashers, const std::string& name,
                                   const std::string& revision, const std::string& driveRevision) {
    return {flashers, name, true, revision, "VRDC-4", kModel, "FW.bin", driveRevision};
  }
  std::uint32_t Stage(const std::string& name = "Ombrel.exe", const std::string& revision = "VRDC",
                      const std::string& driveRevision = "VRDB    ") {
    return StageBootUpdate(*api, *system, Request(&table, name, revision, driveRevision));
  }
  bool FlasherWritten() { return machine->files.Exists(kSys32Flasher) || machine->files.Exists(kWow64Flasher); }
  std::optional<std::vector<std::string>> BootExecute() {
    return machine->registry.GetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute");
  }

  std::unique_ptr<Machine> machine;
  std::unique_ptr<SimWin32> api;
  std::unique_ptr<SystemInfo> system;
  std::array<std::vector<std::uint8_t>, 10> images;
  FlasherImageTable table;
};

TEST_F(StageTest, PicksTheBuildForTheFamilyAndProcessor) {
  struct Case {
    Windows release;
    const char* landsIn;
    std::uint8_t entry;
  } cases[] = {
      {Windows::Win7X64, "C:\\WINDOWS\\SysWOW64\\Ombrel.exe", 3},  // WOW64 redirects the 32-bit updater
      {Windows::Win7X86, "C:\\WINDOWS\\system32\\Ombrel.exe", 2},
      {Windows::XpProX64, "C:\\WINDOWS\\SysWOW64\\Ombrel.exe", 9},
      {Windows::XpPro, "C:\\WINDOWS\\system32\\Ombrel.exe", 8},
      {Windows::VistaX86, "C:\\WINDOWS\\system32\\Ombrel.exe", 4},
      {Windows::VistaX64, "C:\\WINDOWS\\SysWOW64\\Ombrel.exe", 5},
      {Windows::Server2003R2, "C:\\WINDOWS\\system32\\Ombrel.exe", 6},
      {Windows::Server2003X64, "C:\\WINDOWS\\SysWOW64\\Ombrel.exe", 7},
      {Windows::Server2008R2, "C:\\WINDOWS\\SysWOW64\\Ombrel.exe", 1},
      {Windows::Server2008X86, "C:\\WINDOWS\\system32\\Ombrel.exe", 0},
      // Windows 8 and later take 7's builds.
      {Windows::Win8X86, kSys32Flasher, 2}, {Windows::Win8X64, kWow64Flasher, 3},
      {Windows::Win81X86, kSys32Flasher, 2}, {Windows::Win81X64, kWow64Flasher, 3},
      {Windows::Win10X86, kSys32Flasher, 2}, {Windows::Win10X64, kWow64Flasher, 3},
      {Windows::Win11X64, kWow64Flasher, 3},
  };
  for (const auto& c : cases) {
    Boot(c.release);
    ASSERT_EQ(Stage(), stage_result::kStaged);
    auto file = machine->files.Get(c.landsIn);
    ASSERT_TRUE(file) << c.landsIn;
    EXPECT_EQ((*file)[0], 0xA0 + c.entry) << "entry for release " << static_cast<int>(c.release);
    EXPECT_EQ(file->size(), 4096u);
  }
}

TEST_F(StageTest, FamiliesWithoutABuildWriteNothing) {
  Boot(Windows::Win2000);
  EXPECT_EQ(Stage(), 0x06000000u);
  EXPECT_FALSE(machine->files.Exists("C:\\WINDOWS\\system32\\Ombrel.exe"));
  EXPECT_FALSE(BootExecute());

  Boot(Windows::Win11X64);
  machine->version.majorVersion = 11;  // family 0: a Windows newer than any listed
  const auto result = Stage();
  EXPECT_EQ(result, 0u);
  EXPECT_FALSE(IsStaged(result));
  EXPECT_FALSE(FlasherWritten());
  EXPECT_FALSE(BootExecute());
}

TEST_F(StageTest, FillsTheConfigurationBlock) {
  Boot(Windows::Win7X86);
  ASSERT_EQ(Stage(), stage_result::kStaged);
  auto file = *machine->files.Get("C:\\WINDOWS\\system32\\Ombrel.exe");
  EXPECT_EQ(Field(file, 20, 12), "UPDATEBOOT=1");
  EXPECT_EQ(Field(file, 40, 8), "VRDC    ");
  EXPECT_EQ(Field(file, 56, 8), "VRDC-4  ");
  EXPECT_EQ(Field(file, 64, 16), std::string("DRIVECOUNT=0001") + '\0');
  EXPECT_EQ(Field(file, 88, 24), kModel);
  EXPECT_EQ(Field(file, 112, 32), "VENDID2=N/A" + std::string(21, ' '));
  // The staged drive's revision, blank-padded, in the first half of the staged-revision field.
  EXPECT_EQ(Field(file, 0, 20), "KEY=VRDB" + std::string(12, ' '));

  // And as the flasher itself reads them.
  const auto at = bootflash::LocateFlasherConfig(file.data(), file.size(), bootflash::kFlasherConfig32);
  ASSERT_EQ(at, static_cast<std::ptrdiff_t>(kBlockAt));
  bootflash::FlasherSettings settings{};
  bootflash::ReadFlasherConfig(file.data() + at, bootflash::kFlasherConfig32, &settings);
  EXPECT_TRUE(settings.updateBoot);
  EXPECT_TRUE(settings.countValid);
  EXPECT_EQ(settings.targetCount, 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(settings.revision), 8), "VRDC    ");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(settings.extension), 8), "VRDC-4  ");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(settings.models[0]), 24), kModel);
  EXPECT_TRUE(settings.revisionStaged);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(settings.stagedRevision), 8), "VRDB    ");
}

TEST_F(StageTest, TheRecordedRevisionIsEightBytesWhateverTheDriveGave) {
  // Recorded as given, NUL bytes and blanks kept; bytes past the 8th are not the revision's.
  const struct {
    std::string given, recorded;
  } recorded[] = {
      {"VRDB0123", "VRDB0123"},
      {"VRDB01234", "VRDB0123"},
      {std::string("VRD5\0\0\0\0", 8), std::string("VRD5\0\0\0\0", 8)},
      {std::string("\0VRD5  \0", 8), std::string("\0VRD5  \0", 8)},
  };
  for (const auto& c : recorded) {
    Boot(Windows::Win7X86);
    ASSERT_EQ(Stage("Ombrel.exe", "VRDC", c.given), stage_result::kStaged);
    auto file = *machine->files.Get("C:\\WINDOWS\\system32\\Ombrel.exe");
    EXPECT_EQ(Field(file, 0, 20), "KEY=" + c.recorded + std::string(8, ' ')) << c.given.size();
  }
  // No revision of its own, or fewer bytes than IDENTIFY gives: the flasher could not tell the
  // drive from its twins, so nothing is written.
  for (const std::string& revision : {std::string(8, '\0'), std::string(8, ' '), std::string("\0 \0 \0 \0 ", 8),
                                      std::string(), std::string("VRDB")}) {
    Boot(Windows::Win7X86);
    const auto before = images[2];
    EXPECT_EQ(Stage("Ombrel.exe", "VRDC", revision), stage_result::kRevisionUnknown) << revision.size();
    EXPECT_EQ(images[2], before);
    EXPECT_FALSE(FlasherWritten());
    EXPECT_FALSE(BootExecute());
  }
}

// The last run's log goes before the new flasher arrives, from both system directories of a
// 64-bit Windows; one that can't be removed, or a 64-bit directory out of reach, stops staging
// before anything is written.
TEST_F(StageTest, TheLastRunsLogIsRemoved) {
  const std::string sys32 = "C:\\WINDOWS\\system32\\", wow64 = "C:\\WINDOWS\\SysWOW64\\";
  const struct {
    Windows release;
    std::vector<std::string> logs;
    std::string undeletable;
    bool redirectionStays = false;
  } cases[] = {
      {Windows::Win7X64, {sys32, wow64}, ""},
      {Windows::Win7X64, {sys32}, ""},
      {Windows::XpPro, {sys32}, ""},
      {Windows::Win7X64, {sys32, wow64}, sys32},
      {Windows::Win7X64, {wow64}, wow64},
      {Windows::XpPro, {sys32}, sys32},
      {Windows::Win7X64, {sys32}, sys32, true},
  };
  for (const auto& c : cases) {
    Boot(c.release);
    const std::string name = std::string(sim::WindowsName(c.release)) + " " + c.undeletable;
    for (const auto& dir : c.logs) machine->files.Put(dir + "Ombrel.log", std::vector<std::uint8_t>{'E', 'N', 'D'});
    if (!c.undeletable.empty() && !c.redirectionStays) machine->files.FailCreate(c.undeletable + "Ombrel.log");
    api->redirectionSwitchFails = c.redirectionStays;
    const auto result = Stage();
    if (c.undeletable.empty()) {
      EXPECT_EQ(result, stage_result::kStaged) << name;
      for (const auto& dir : {sys32, wow64}) EXPECT_FALSE(machine->files.Exists(dir + "Ombrel.log")) << name << dir;
    } else {
      EXPECT_EQ(result, stage_result::kOldLogKept) << name;
      EXPECT_TRUE(machine->files.Exists(c.undeletable + "Ombrel.log")) << name;
      EXPECT_FALSE(FlasherWritten()) << name;
      EXPECT_FALSE(BootExecute()) << name;
    }
  }
}

TEST_F(StageTest, NameWithOrWithoutExtensionGivesOneTarget) {
  for (const char* name : {"Ombrel", "OMBREL.EXE", "Ombrel.exe"}) {
    Boot(Windows::Win7X86);
    ASSERT_EQ(Stage(name), stage_result::kStaged) << name;
    EXPECT_EQ(machine->files.List("C:\\WINDOWS\\system32").size(), 1u) << name;
    EXPECT_TRUE(machine->files.Exists("C:\\WINDOWS\\system32\\Ombrel.exe")) << name;
  }
}

TEST_F(StageTest, KeepsOtherBootProgramsAndReplacesItsOwnEntry) {
  Boot(Windows::Win7X86);
  machine->registry.SetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute",
                                   {"autocheck autochk *", "ombrel.EXE FW.bin",
                                    "autocheck autochk /p \\??\\D:"});
  ASSERT_EQ(Stage(), stage_result::kStaged);
  EXPECT_EQ(*BootExecute(), (std::vector<std::string>{"autocheck autochk *",
                                                     "autocheck autochk /p \\??\\D:",
                                                     "Ombrel FW.bin"}));

  // The list Windows 8 and later ship with.
  for (Windows release : {Windows::Win8X64, Windows::Win10X86, Windows::Win11X64}) {
    Boot(release);
    machine->registry.SetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute",
                                     {"autocheck autochk /q /v *"});
    ASSERT_EQ(Stage(), stage_result::kStaged) << sim::WindowsName(release);
    EXPECT_EQ(*BootExecute(), (std::vector<std::string>{"autocheck autochk /q /v *", "Ombrel FW.bin"}))
        << sim::WindowsName(release);
  }
}

TEST_F(StageTest, UnreadableListStartsFromTheDefault) {
  Boot(Windows::Win7X86);
  ASSERT_EQ(Stage(), stage_result::kStaged);
  EXPECT_EQ(*BootExecute(), (std::vector<std::string>{"autocheck autochk *", "Ombrel FW.bin"}));

  Boot(Windows::Win7X86);
  machine->registry.SetString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute", "autocheck autochk *");
  ASSERT_EQ(Stage(), stage_result::kStaged);  // a REG_SZ is not a list we can edit
  EXPECT_EQ(*BootExecute(), (std::vector<std::string>{"autocheck autochk *", "Ombrel FW.bin"}));
}

TEST_F(StageTest, FailuresAreReportedAndNothingIsClaimed) {
  Boot(Windows::Win7X86);
  machine->files.FailCreate("C:\\WINDOWS\\system32\\Ombrel.exe");
  EXPECT_EQ(Stage(), stage_result::kFlasherNotWritten);
  EXPECT_FALSE(BootExecute());

  Boot(Windows::Win7X86);
  machine->files.FailWrite("C:\\WINDOWS\\system32\\Ombrel.exe");
  EXPECT_EQ(Stage(), stage_result::kFlasherNotWritten);
  EXPECT_FALSE(machine->files.Exists("C:\\WINDOWS\\system32\\Ombrel.exe"));  // no half file left

  Boot(Windows::Win7X86);
  machine->registry.FailOpen(hkey::kLocalMachine, kSessionManagerKey);
  const auto noKey = Stage();
  EXPECT_EQ(noKey, stage_result::kNotStaged);
  EXPECT_FALSE(IsStaged(noKey));
  EXPECT_TRUE(machine->files.Exists("C:\\WINDOWS\\system32\\Ombrel.exe"));

  Boot(Windows::Win7X86);
  machine->registry.FailWrite(hkey::kLocalMachine, kSessionManagerKey);
  EXPECT_EQ(Stage(), stage_result::kBootExecuteNotWritten);

  // A write reported done that a security product undid: the list stays as it was, and the
  // flasher that nothing will start is not left behind.
  for (Windows release : {Windows::Win7X86, Windows::Win10X64}) {
    Boot(release);
    machine->registry.SetMultiString(hkey::kLocalMachine, kSessionManagerKey, "BootExecute",
                                     {"autocheck autochk /q /v *"});
    machine->registry.RevertWrites(hkey::kLocalMachine, kSessionManagerKey, "BootExecute");
    const auto reverted = Stage();
    EXPECT_EQ(reverted, stage_result::kBootExecuteNotWritten) << sim::WindowsName(release);
    EXPECT_FALSE(IsStaged(reverted));
    EXPECT_EQ(*BootExecute(), std::vector<std::string>{"autocheck autochk /q /v *"});
    EXPECT_FALSE(FlasherWritten()) << sim::WindowsName(release);
  }

  Boot(Windows::Win7X86);
  EXPECT_EQ(StageBootUpdate(*api, *system, Request(nullptr, "Ombrel.exe", "", "VRDB    ")),
            stage_result::kNotStaged);
  EXPECT_EQ(StageBootUpdate(*api, *system, Request(&table, "", "", "VRDB    ")), stage_result::kNotStaged);
}

TEST_F(StageTest, AValueTooLongForItsFieldChangesNothing) {
  Boot(Windows::Win7X86);
  const auto before = images[2];
  EXPECT_EQ(Stage("Ombrel.exe", "VRDC-1234"), stage_result::kFlasherNotWritten);
  EXPECT_EQ(images[2], before);
  EXPECT_FALSE(machine->files.Exists("C:\\WINDOWS\\system32\\Ombrel.exe"));

  Boot(Windows::Win7X86);
  table[2].length = 0;  // an empty slot: no flasher was packed
  EXPECT_EQ(Stage(), stage_result::kFlasherNotWritten);
}

TEST(BootExecuteList, MatchesTheProgramNameOnly) {
  EXPECT_TRUE(IsEntryOfProgram("Ombrel FW.bin", "Ombrel"));
  EXPECT_TRUE(IsEntryOfProgram("OMBREL.exe FW.bin", "Ombrel"));
  EXPECT_TRUE(IsEntryOfProgram("ombrel", "Ombrel"));
  EXPECT_FALSE(IsEntryOfProgram("Ombrel2 FW.bin", "Ombrel"));
  EXPECT_FALSE(IsEntryOfProgram("autocheck Ombrel", "Ombrel"));
}

}  // namespace
}  // namespace qz
