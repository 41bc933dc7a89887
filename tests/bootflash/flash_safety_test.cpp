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

TEST_P(FlashSafety, TheRecordedRevisionIsMatchedByteForByteAsIdentifyGaveIt) {
  const std::string nulPadded("VRDB\0\0\0\0", 8);
  const FlasherConfigLayout& layout = ConfigLayoutFor(bits);
  std::copy(nulPadded.begin(), nulPadded.end(),
            config.begin() + static_cast<std::ptrdiff_t>(layout.stagedRevisionKey + 4));
  auto staged = Drive(kModel, nulPadded);
  auto blankPadded = Drive(kModel, "VRDB    ");
  auto run = Run();
  EXPECT_EQ(staged->Activations().size(), 1u) << run.Console();
  EXPECT_TRUE(OnlyIdentified(*blankPadded));
  EXPECT_EQ(Count(run.Console(), "LEFT ALONE"), 1u);
}

// Drive i sits on the bus of case i; the query of the last one fails.
TEST_P(FlashSafety, OnlyDisksOnAnAtaSataRaidOrScsiBusAreFlashed) {
  struct BusCase {
    const char* name;
    std::uint32_t bus;
    bool queryFails, flashed;
  };
  const BusCase cases[] = {
      {"SATA", 11, false, true}, {"ATA", 3, false, true},   {"RAID", 8, false, true},
      {"SCSI", 1, false, true},  {"USB", 7, false, false},  {"1394", 4, false, false},
      {"SD", 12, false, false},  {"unknown", 0, false, false}, {"no answer", 11, true, false}};
  std::vector<std::shared_ptr<sim::AtaDrive>> drives;
  for (std::uint32_t n = 0; n < std::size(cases); ++n) {
    drives.push_back(Drive());
    sim::StorageDisk& disk = DescribeDisk(n, cases[n].bus);
    if (cases[n].queryFails) disk.failingCodes.insert(kIoctlStorageQueryProperty);
  }
  auto bare = Drive();  // no disk of its own in the machine: SATA
  auto run = Run();
  for (std::uint32_t n = 0; n < std::size(cases); ++n) {
    SCOPED_TRACE(cases[n].name);
    const std::string skipped = "PhysicalDrive" + std::to_string(n) +
                                ": NOT ON AN ATA, SATA, RAID OR SCSI BUS, SKIPPED !\n";
    EXPECT_EQ(Count(run.Console(), skipped), cases[n].flashed ? 0u : 1u) << run.Console();
    EXPECT_EQ(drives[n]->Activations().size(), cases[n].flashed ? 1u : 0u);
    EXPECT_EQ(drives[n]->Log().empty(), !cases[n].flashed);
  }
  EXPECT_EQ(bare->Activations().size(), 1u);
  EXPECT_EQ(Count(run.Console(), "PASS !"), 5u);
}

// At the target revision with another extension it is flashed again, and the download fails:
// the revision read back proves nothing then.
TEST_P(FlashSafety, AFailedReflashOfADriveAlreadyAtTheTargetIsAFail) {
  const std::pair<const char*, int> faults[] = {{"aborted block", 0x03}, {"aborted trigger", 0x07}};
  for (const auto& [name, features] : faults) {
    SCOPED_TRACE(name);
    machine.physicalDrives.clear();
    PutFirmware(firmware);
    auto drive = Drive(kModel, "VRDC");  // extension VRDB-2, the target's is VRDC-4
    drive->InjectFault(sim::AtaFault::ErrorStatus, 0x92, features, features == 3 ? 100 : 1);
    auto run = Run();
    EXPECT_NE(run.Console().find("VRDC     \nFAIL !\n"), std::string::npos) << run.Console();
    EXPECT_EQ(Count(run.Console(), "PASS !"), 0u);
    const auto log = machine.files.Get("C:\\WINDOWS\\system32\\Ombrel.log");
    ASSERT_TRUE(log.has_value());
    EXPECT_TRUE(std::string(log->begin(), log->end()).ends_with("|FAIL\r\nEND\r\n"));
    drive->PowerCycle();
    EXPECT_EQ(drive->Extension(), "VRDB-2");  // the old firmware still runs
  }
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
