// The update command stages only a flasher build that the machine's Session Manager can start:
// a native program for x86-64 under WOW64, for i386 otherwise. Any other build (the 32-bit
// XP build in the XP x64 slot, a missing one) is refused before anything is written.
#include <gtest/gtest.h>

#include "sim/os/ferry_launcher.hpp"
#include "update_rig.hpp"
#include "updater/ui_texts.hpp"
#include "updater/update_texts.hpp"

namespace qz::test {
namespace {

using sim::Windows;

const std::string kSys32 = "C:\\WINDOWS\\system32\\";
const std::string kWow64 = "C:\\WINDOWS\\SysWOW64\\";

// Puts `image` into flasher slot s with its size record.
void PutBuild(UpdateRig& rig, int s, const std::vector<std::uint8_t>& image) {
  PackageBlock b = rig.Block();
  std::fill(b.FlasherSlot(s).begin(), b.FlasherSlot(s).end(), std::uint8_t{0});
  std::copy(image.begin(), image.end(), b.FlasherSlot(s).begin());
  PackageBlock::WriteDecimal10(b.bytes().subspan(pkg::SizeRecordValue(s - 1), pkg::kNumberDigits), image.size());
}

// Nothing of the update exists anywhere and BootExecute is as it was.
void ExpectNothingWritten(UpdateRig& rig, const std::optional<std::vector<std::string>>& before) {
  for (const std::string& dir : {kSys32, kWow64}) {
    for (const char* file : {"FW.bin", "Ombrel.exe", "Ferryman.exe"}) {
      EXPECT_FALSE(rig.machine.files.Exists(dir + file)) << dir + file;
    }
  }
  EXPECT_EQ(rig.BootExecute(), before);
  EXPECT_TRUE(rig.machine.launches.empty());
  EXPECT_TRUE(rig.machine.restarts.empty());
}

TEST(FlasherProcessor, XpX64SlotWithThe32BitBuildIsRefusedBeforeWriting) {
  UpdateRig rig(Windows::XpProX64);
  ferry::RunCopyHelperOnLaunch(rig.machine);
  PutBuild(rig, 2, FlasherStandIn(0xA2, pe_machine::kI386));
  const auto before = rig.BootExecute();
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::NoFlasherBuild);
  ASSERT_EQ(rig.ui.boxes.size(), 1u);
  EXPECT_EQ(rig.ui.boxes[0].text.bytes,
            "This utility has no boot-time F/W update program for this Windows (x64) !\n"
            "Nothing was written.\n");
  EXPECT_EQ(rig.ui.boxes[0].text.codePage, kCodePageAnsi);
  EXPECT_EQ(rig.ui.boxes[0].caption.bytes, "Error");
  EXPECT_EQ(rig.ui.boxes[0].style, mb::kIconError);
  ExpectNothingWritten(rig, before);
  EXPECT_EQ(w.ExitCode, 1603);
  EXPECT_TRUE(rig.ui.terminated);
}

TEST(FlasherProcessor, TheRefusalFollowsThePackagesLanguage) {
  UpdateRig rig(Windows::Win7X86);
  rig.Digit(1, '1');
  PutBuild(rig, 9, FlasherStandIn(0xA9, pe_machine::kAmd64));
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::NoFlasherBuild);
  ASSERT_EQ(rig.ui.boxes.size(), 1u);
  EXPECT_EQ(rig.ui.boxes[0].text.bytes, std::string(texts::update::big5::kNoFlasherHead) + "x86" +
                                            texts::update::big5::kNoFlasherTail);
  EXPECT_EQ(rig.ui.boxes[0].text.codePage, kCodePageBig5);
  EXPECT_FALSE(rig.machine.files.Exists(kSys32 + "FW.bin"));
}

TEST(FlasherProcessor, AMissingOrForeignBuildIsNoBuild) {
  const std::vector<std::vector<std::uint8_t>> builds = {
      {},                                        // an empty slot
      std::vector<std::uint8_t>(4096, 0x90),     // no PE header at all
      FlasherStandIn(0xA4, 0x1C0),               // ARM
  };
  for (const auto& build : builds) {
    UpdateRig rig(Windows::Server2003X64);
    ferry::RunCopyHelperOnLaunch(rig.machine);
    PutBuild(rig, 4, build);
    const auto before = rig.BootExecute();
    rig.ui.answers = {answer::kOk, answer::kNo};
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
    w.OnClick(UiControl::cmdUpdate);
    EXPECT_EQ(rig.outcome.end, UpdateEnd::NoFlasherBuild) << build.size();
    ExpectNothingWritten(rig, before);
  }
}

// 32-bit XP before Service Pack 2: the flasher's ATA pass-through is missing at boot, so the
// update is refused in the package's language before anything is written.
TEST(FlasherProcessor, XpBeforeSp2IsRefusedBeforeWriting) {
  const struct {
    Windows release;
    int servicePack;
    char language;  // option digit 1
    UpdateEnd end;
  } rows[] = {
      {Windows::XpPro, 0, '0', UpdateEnd::NeedsXpSp2},  {Windows::XpPro, 1, '0', UpdateEnd::NeedsXpSp2},
      {Windows::XpHome, 1, '1', UpdateEnd::NeedsXpSp2}, {Windows::XpPro, 2, '0', UpdateEnd::Staged},
      {Windows::XpProX64, 1, '0', UpdateEnd::Staged},  // Server 2003's storage stack
  };
  for (const auto& row : rows) {
    const std::string name = std::string(sim::WindowsName(row.release)) + " SP" + std::to_string(row.servicePack);
    UpdateRig rig(row.release);
    ferry::RunCopyHelperOnLaunch(rig.machine);
    rig.machine.version.servicePackMajor = static_cast<std::uint16_t>(row.servicePack);
    rig.machine.version.csdVersion = row.servicePack ? "Service Pack " + std::to_string(row.servicePack) : "";
    rig.Digit(1, row.language);
    rig.ui.answers = {answer::kOk, answer::kNo};
    const auto before = rig.BootExecute();
    TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
    w.OnClick(UiControl::cmdUpdate);
    EXPECT_EQ(rig.outcome.end, row.end) << name;
    if (row.end != UpdateEnd::NeedsXpSp2) continue;
    ASSERT_EQ(rig.ui.boxes.size(), 1u) << name;
    const bool zh = row.language == '1';
    EXPECT_EQ(rig.ui.boxes[0].text.bytes, zh ? texts::update::big5::kNeedsXpSp2
                                             : "This utility needs Windows XP Service Pack 2 or later to "
                                               "update the firmware !\n")
        << name;
    EXPECT_EQ(rig.ui.boxes[0].text.codePage, zh ? kCodePageBig5 : kCodePageAnsi) << name;
    EXPECT_EQ(rig.ui.boxes[0].caption.bytes, "Error") << name;
    EXPECT_EQ(rig.ui.boxes[0].style, mb::kIconError) << name;
    ExpectNothingWritten(rig, before);
    EXPECT_EQ(w.ExitCode, 1603) << name;
    EXPECT_TRUE(rig.ui.terminated) << name;
  }
}

TEST(FlasherProcessor, XpX64StagesTheX64BuildOfItsSlot) {
  UpdateRig rig(Windows::XpProX64);
  ferry::RunCopyHelperOnLaunch(rig.machine);
  rig.ui.answers = {answer::kOk, answer::kNo};
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  w.OnClick(UiControl::cmdUpdate);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::Staged);
  const auto flasher = rig.machine.files.Get(kSys32 + "Ombrel.exe");
  ASSERT_TRUE(flasher);
  EXPECT_EQ((*flasher)[kStandInTagAt], 0xA2);
  EXPECT_EQ(ReadPeImageKind(*flasher)->machine, pe_machine::kAmd64);
}

}  // namespace
}  // namespace qz::test
