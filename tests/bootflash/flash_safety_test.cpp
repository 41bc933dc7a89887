// Which drives the flasher flashes and what it refuses to send, each case against the drive
// that checks every image and against one that activates whatever it received: what the
// flasher promises must hold without the drive's own check. Where it still rests on the
// drive, the test's name says so.
#include <gtest/gtest.h>

#include "tests/bootflash/flasher_fixture.hpp"

namespace qz::bootflash::testing {
namespace {

class FlashSafety : public FlasherFixture, public ::testing::WithParamInterface<bool> {
 protected:
  std::shared_ptr<sim::AtaDrive> Drive(const std::string& model = kModel,
                                       const std::string& revision = "VRDB") {
    auto drive = AddDrive(model, revision);
    drive->validatesImages = GetParam();
    return drive;
  }
  // Nothing but IDENTIFY reached the drive.
  static bool OnlyIdentified(const sim::AtaDrive& drive) {
    return drive.CountCommands(0xEC) == drive.Log().size();
  }
};

TEST_P(FlashSafety, TwinsAtAnotherRevisionAreLeftAlone) {
  Patch("KEY=", "VRDB");
  auto older = Drive(kModel, "VRDA");
  auto staged = Drive();
  auto lastByte = Drive(kModel, "VRDB   1");  // differs in the 8th byte only
  auto run = Run();
  EXPECT_NE(run.Console().find("\nCURRENT FW: VRDA     UPDATE TO  VRDC    \n"
                               "    LEFT ALONE: NOT THE DRIVE THAT WAS STAGED !\n"
                               "\nCURRENT FW: VRDB     UPDATE TO  VRDC    \n\n\n"),
            std::string::npos)
      << run.Console();
  EXPECT_NE(run.Console().find("\nCURRENT FW: VRDB   1 UPDATE TO  VRDC    \n"
                               "    LEFT ALONE: NOT THE DRIVE THAT WAS STAGED !\n"),
            std::string::npos);
  EXPECT_TRUE(OnlyIdentified(*older));
  EXPECT_TRUE(OnlyIdentified(*lastByte));
  EXPECT_EQ(Count(run.Console(), "PASS !"), 1u);
  EXPECT_EQ(run.process->shutdowns.size(), 1u);
  for (auto& drive : machine.physicalDrives) drive->PowerCycle();
  EXPECT_EQ(older->Revision(), "VRDA");
  EXPECT_EQ(staged->Revision(), "VRDC");
  EXPECT_EQ(lastByte->Revision(), "VRDB   1");
}

TEST_P(FlashSafety, AnOnlyTwinAtAnotherRevisionMeansNothingFlashedAndNoRestart) {
  Patch("KEY=", "VRDB");
  auto twin = Drive(kModel, "VRDA");
  auto run = Run();
  EXPECT_NE(run.Console().find("    LEFT ALONE: NOT THE DRIVE THAT WAS STAGED !\n"),
            std::string::npos);
  EXPECT_EQ(run.Console().find("CAN'T FIND"), std::string::npos);  // it was found
  EXPECT_TRUE(OnlyIdentified(*twin));
  EXPECT_FALSE(FwBinMarked());
  EXPECT_TRUE(run.process->shutdowns.empty());
}

TEST_P(FlashSafety, TwinsAtTheStagedRevisionAreBothFlashed) {
  Patch("KEY=", "VRDB");
  auto first = Drive();
  auto second = Drive();
  auto run = Run();
  EXPECT_EQ(Count(run.Console(), "PASS !"), 2u);
  EXPECT_EQ(first->Activations().size(), 1u);
  EXPECT_EQ(second->Activations().size(), 1u);
}

TEST_P(FlashSafety, ABlankFieldFromAnOlderUpdaterFlashesEveryDriveOfTheModel) {
  auto older = Drive(kModel, "VRDA");
  auto current = Drive();
  auto run = Run();
  EXPECT_EQ(run.Console().find("LEFT ALONE"), std::string::npos);
  EXPECT_EQ(older->Activations().size(), 1u);
  EXPECT_EQ(current->Activations().size(), 1u);
}

TEST_P(FlashSafety, AShortOrFailedReadOfTheFileSendsNothing) {
  auto drive = Drive();
  // The file's length is known, the read stops short of it.
  auto shortRead = Run("Ombrel FW.bin", "\\SystemRoot\\system32\\Ombrel.exe",
                       [](sim::SimNative& nt) { nt.readLimit = 65536; });
  EXPECT_TRUE(shortRead.Console().ends_with("FAIL to LOAD FILE !\n")) << shortRead.Console();
  EXPECT_EQ(shortRead.Console().find("TARGET DEVICE"), std::string::npos);
  EXPECT_EQ(shortRead.process->OpenHandleCount(), 0u);

  machine.files.FailRead(kFwBin);
  auto failed = Run();
  EXPECT_TRUE(failed.Console().ends_with("FAIL to LOAD FILE !\n")) << failed.Console();

  EXPECT_TRUE(OnlyIdentified(*drive));
  EXPECT_FALSE(FwBinMarked());
  EXPECT_TRUE(shortRead.process->shutdowns.empty());
  EXPECT_TRUE(failed.process->shutdowns.empty());
}

TEST_P(FlashSafety, AnAbortedBlockEndsTheDownloadWithoutATrigger) {
  auto drive = Drive();
  drive->InjectFault(sim::AtaFault::ErrorStatus, 0x92, 0x03, 200);
  auto run = Run();
  EXPECT_NE(run.Console().find("STARTING FLASH ...\n......\nFAIL to FLASH.\nVRDB     \nFAIL !\n"),
            std::string::npos)
      << run.Console();
  EXPECT_EQ(drive->CountCommands(0x92, 0x03), 200u);
  EXPECT_EQ(drive->CountCommands(0x92, 0x07), 0u);
  EXPECT_TRUE(drive->Activations().empty());
  drive->PowerCycle();
  EXPECT_EQ(drive->Revision(), "VRDB");
}

TEST_P(FlashSafety, EightDisksWithTheTargetLast) {
  for (int i = 0; i < 7; ++i) Drive("VORTANIX QRX-" + std::to_string(120 * (i + 1)) + "T9B");
  auto target = Drive();
  Patch("KEY=", "VRDB");
  auto run = Run();
  EXPECT_EQ(Count(run.Console(), "CURRENT FW: "), 1u);
  EXPECT_EQ(Count(run.Console(), "PASS !"), 1u);
  for (std::size_t n = 0; n < 7; ++n) EXPECT_TRUE(OnlyIdentified(*machine.physicalDrives[n])) << n;
  target->PowerCycle();
  EXPECT_EQ(target->Revision(), "VRDC");
}

// The flasher checks only the image's marker; which model the image is for, its length and
// its checksum are the drive's to check.
TEST_P(FlashSafety, AnImageForAnotherModelRestsOnTheDrivesOwnCheck) {
  sim::SampleFirmware sample;
  sample.model = "KELDRON  ZT-512R4A";
  firmware = sim::MakeSampleFirmware(sample);
  PutFirmware(firmware);
  auto drive = Drive();
  Run();
  ASSERT_EQ(drive->Activations().size(), 1u);
  EXPECT_EQ(drive->Activations()[0].accepted, !GetParam());
}

INSTANTIATE_TEST_SUITE_P(Drives, FlashSafety, ::testing::Bool(), [](const auto& param) {
  return std::string(param.param ? "ValidatingDrive" : "DriveThatChecksNothing");
});

}  // namespace
}  // namespace qz::bootflash::testing
