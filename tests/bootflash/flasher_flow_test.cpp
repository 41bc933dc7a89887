// The flasher's whole run on a simulated machine: what it shows, what it sends to the drives,
// and what it leaves behind (FW.bin, bootstat.dat, BootExecute, the restart).
#include <gtest/gtest.h>

#include "sim/devices/sample_image_layout.hpp"
#include "tests/bootflash/flasher_fixture.hpp"

namespace qz::bootflash::testing {
namespace {

const std::string kBanner =
    "============================================================\n"
    "                   UPDATE FW for SSD \n"
    "============================================================\n\n";

class FlasherFlowTest : public FlasherFixture {};

TEST_F(FlasherFlowTest, FlashesTheMatchingDriveMarksAndRestarts) {
  auto drive = AddDrive();
  auto run = Run();
  EXPECT_EQ(run.Console(), kBanner + "TARGET DEVICE: " + Model24(kModel) + "\n" +
                               "CURRENT FW: VRDB     UPDATE TO  VRDC    \n" + "\n\n" +
                               "STARTING FLASH ...\n" + std::string(16, '.') +
                               "\nTRIGGER ...PASS !\n" +
                               "\nStart to REBOOT ...\n");
  // The drive took the whole image and switches at its next power cycle.
  ASSERT_EQ(drive->Activations().size(), 1u);
  EXPECT_TRUE(drive->Activations()[0].accepted);
  EXPECT_FALSE(drive->Activations()[0].bootCode);
  EXPECT_EQ(drive->Revision(), "VRDB");
  drive->PowerCycle();
  EXPECT_EQ(drive->Revision(), "VRDC");
  EXPECT_EQ(drive->Extension(), "VRDC-4");
  // The done-mark replaces 16 bytes at the marker's position; the rest of FW.bin is intact.
  const auto fw = FwBin();
  const auto original = EncipherForFlasher(firmware);
  ASSERT_EQ(fw.size(), original.size());
  constexpr std::size_t kMarkAt = sim::sample_image::kMarkerAt;
  EXPECT_EQ(std::string(fw.begin() + kMarkAt, fw.begin() + kMarkAt + 16), "NATIVEFLASH_DONE");
  EXPECT_TRUE(std::equal(fw.begin(), fw.begin() + kMarkAt, original.begin()));
  EXPECT_TRUE(std::equal(fw.begin() + kMarkAt + 16, fw.end(), original.begin() + kMarkAt + 16));
  EXPECT_EQ(BootStatusByte(), 1);
  EXPECT_EQ(run.process->shutdowns, std::vector<std::uint32_t>{1});
  EXPECT_EQ(BootExecute(), std::vector<std::string>{"autocheck autochk *"});
  // Three fixed pauses: before the download, before the restart, at clean-up.
  EXPECT_EQ(run.process->delays, (std::vector<std::int64_t>{-30000000, -30000000, -30000000}));
  EXPECT_TRUE(run.process->terminated);
  EXPECT_EQ(run.process->exitStatus, 0);
  EXPECT_EQ(run.process->OpenHandleCount(), 0u);
  EXPECT_EQ(run.process->LiveHeapCount(), 0u);
  EXPECT_EQ(run.process->LeakedBlocks(), 0u);
  EXPECT_EQ(run.process->BadFrees(), 0u);
}

TEST_F(FlasherFlowTest, SendsEveryBlockAtItsOffsetThenOneTrigger) {
  auto drive = AddDrive();
  Run();
  std::vector<const sim::AtaDrive::LoggedCommand*> downloads;
  for (const auto& c : drive->Log()) {
    if (c.in.command == 0x92) downloads.push_back(&c);
  }
  ASSERT_EQ(downloads.size(), 513u);  // 262144 bytes: 512 blocks and the trigger
  for (std::size_t b = 0; b < 512; ++b) {
    const auto& c = *downloads[b];
    ASSERT_EQ(c.in.features, 0x03);
    ASSERT_EQ(c.in.sectorCount, 1);
    ASSERT_EQ(c.in.lbaLow, 0);
    ASSERT_EQ(c.in.lbaMid, b & 0xFF);
    ASSERT_EQ(c.in.lbaHigh, b >> 8);
    ASSERT_EQ(c.in.device, 0xA0);
    ASSERT_EQ(c.timeoutSeconds, 30u);
    ASSERT_TRUE(std::equal(c.data.begin(), c.data.end(), firmware.begin() + 512 * b)) << b;
  }
  EXPECT_EQ(downloads[511]->in.lbaMid, 0xFF);
  EXPECT_EQ(downloads[511]->in.lbaHigh, 0x01);
  const auto& trigger = *downloads[512];
  EXPECT_EQ(trigger.in.features, 0x07);
  EXPECT_EQ(trigger.in.lbaMid, 0);
  EXPECT_EQ(trigger.in.lbaHigh, 0);
  EXPECT_TRUE(std::equal(trigger.data.begin(), trigger.data.end(), firmware.begin()));
}

TEST_F(FlasherFlowTest, BootCodeFlagSendsTheLetters) {
  Configure({kModel}, "VRDC", "VRDC-4", true);
  auto drive = AddDrive();
  Run();
  ASSERT_EQ(drive->Activations().size(), 1u);
  EXPECT_TRUE(drive->Activations()[0].bootCode);
  const auto& trigger = drive->Log().back();
  EXPECT_EQ(trigger.in.lbaMid, 0x4C);
  EXPECT_EQ(trigger.in.lbaHigh, 0x41);
}

TEST_F(FlasherFlowTest, SameRevisionAndExtensionIsNotFlashed) {
  auto drive = AddDrive(kModel, "VRDC", "VRDC-4");
  auto run = Run();
  EXPECT_EQ(run.Console(), kBanner + "TARGET DEVICE: " + Model24(kModel) + "\n" +
                               "CURRENT FW: VRDC     UPDATE TO  VRDC    \n    THE SAME !\n");
  EXPECT_EQ(drive->CountCommands(0x92), 0u);
  // The query pair: parameters 0x0A 0x07 then eight zeros, count 1.
  ASSERT_EQ(drive->CountCommands(0xFF, 0xFC), 1u);
  const auto& send = drive->Log()[1];
  EXPECT_EQ(send.data[0], 0x0A);
  EXPECT_EQ(send.data[1], 0x07);
  EXPECT_TRUE(std::all_of(send.data.begin() + 2, send.data.end(), [](auto b) { return b == 0; }));
  EXPECT_EQ(drive->Log()[2].in.sectorCount, 1);
  EXPECT_FALSE(FwBinMarked());
  EXPECT_EQ(BootStatusByte(), 0);
  EXPECT_TRUE(run.process->shutdowns.empty());
}

TEST_F(FlasherFlowTest, SameRevisionOtherExtensionIsFlashed) {
  auto drive = AddDrive(kModel, "VRDC", "VRDC-3");
  auto run = Run();
  EXPECT_EQ(Count(run.Console(), "THE SAME"), 0u);
  EXPECT_EQ(Count(run.Console(), "PASS !"), 1u);
  EXPECT_EQ(drive->Activations().size(), 1u);
  EXPECT_TRUE(FwBinMarked());
}

TEST_F(FlasherFlowTest, FailedExtensionQueryLeavesTheDriveAlone) {
  auto drive = AddDrive(kModel, "VRDC", "VRDC-3");
  drive->InjectFault(sim::AtaFault::IoError, 0xFF, 0xFD, 1);
  auto run = Run();
  EXPECT_NE(run.Console().find("FAIL to TRIGGER VUC !\n    NOT FLASHED !\n"), std::string::npos);
  EXPECT_EQ(drive->CountCommands(0x92), 0u);
  EXPECT_FALSE(FwBinMarked());
  EXPECT_TRUE(run.process->shutdowns.empty());
}

TEST_F(FlasherFlowTest, TwoDrivesOfTheModelAreFlashedInOrderWithOneRestart) {
  auto first = AddDrive();
  auto other = AddDrive("VORTANIX QRX-240T9A", "VRDB");
  auto second = AddDrive();
  auto run = Run();
  EXPECT_EQ(Count(run.Console(), "CURRENT FW: "), 2u);
  EXPECT_EQ(Count(run.Console(), "PASS !"), 2u);
  EXPECT_EQ(first->Activations().size(), 1u);
  EXPECT_EQ(second->Activations().size(), 1u);
  EXPECT_EQ(other->CountCommands(0x92), 0u);
  EXPECT_EQ(run.process->shutdowns.size(), 1u);
  // Table order: drive 0 is done before drive 2 starts.
  std::vector<std::string> order;
  for (const auto& call : run.process->calls) {
    if (call.rfind("ZwDeviceIoControlFile", 0) == 0 && (order.empty() || order.back() != call)) {
      order.push_back(call);
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "ZwDeviceIoControlFile PhysicalDrive0", "ZwDeviceIoControlFile PhysicalDrive1",
                       "ZwDeviceIoControlFile PhysicalDrive2", "ZwDeviceIoControlFile PhysicalDrive0",
                       "ZwDeviceIoControlFile PhysicalDrive2"}));
}

TEST_F(FlasherFlowTest, TheDoneMarkStopsASecondRun) {
  auto drive = AddDrive();
  Run();
  drive->PowerCycle();
  drive->ClearLog();
  machine.registry.SetMultiString(hkey::kLocalMachine, kSessionManager, "BootExecute",
                                  {"Ombrel FW.bin"});
  auto again = Run();
  EXPECT_EQ(again.Console(), kBanner + "Firmware update DONE !\n");
  EXPECT_EQ(drive->CountCommands(0xEC), 1u);
  EXPECT_EQ(drive->Log().size(), 1u);  // IDENTIFY only
  EXPECT_TRUE(again.process->shutdowns.empty());
  EXPECT_EQ(BootExecute(), std::vector<std::string>{"autocheck autochk *"});
}

TEST_F(FlasherFlowTest, AWrongKeyFindsNoFirmware) {
  auto image = firmware;
  image.resize(ProcessedLength(image.size()), 0);
  FirmwareCipher cipher;
  const std::uint8_t otherKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  cipher.Init(otherKey);
  cipher.Transform(image.data(), firmware.size(), false);
  image.resize(firmware.size());
  machine.files.Put(kFwBin, image);
  auto drive = AddDrive();
  auto run = Run();
  EXPECT_EQ(run.Console(), kBanner + "Can't find matched Firmware !\n");
  EXPECT_EQ(drive->Log().size(), 1u);
  EXPECT_EQ(*machine.files.Get(kFwBin), image);
  EXPECT_TRUE(run.process->shutdowns.empty());
}

TEST_F(FlasherFlowTest, MissingOrOversizedFileIsNotLoaded) {
  AddDrive();
  machine.files.Remove(kFwBin);
  EXPECT_EQ(Run().Console(), kBanner + "FAIL to LOAD FILE !\n");

  // Larger than the 2 MiB buffer: refused before any byte is read.
  machine.files.Put(kFwBin, std::vector<std::uint8_t>(2097152 + 1, 0x11));
  auto run = Run();
  EXPECT_EQ(run.Console(), kBanner + "FAIL to LOAD FILE !\n");
  for (const auto& call : run.process->calls) EXPECT_NE(call.rfind("ZwReadFile", 0), 0u) << call;
  EXPECT_EQ(run.process->OpenHandleCount(), 0u);
}

TEST_F(FlasherFlowTest, AFileOfExactlyTheBufferSizeIsFlashed) {
  sim::SampleFirmware sample;
  sample.length = 2097152;
  firmware = sim::MakeSampleFirmware(sample);
  PutFirmware(firmware);
  auto drive = AddDrive();
  auto run = Run();
  EXPECT_EQ(Count(run.Console(), "PASS !"), 1u);
  EXPECT_EQ(drive->CountCommands(0x92, 0x03), 4096u);
}

TEST_F(FlasherFlowTest, NoTargetsOrNoMatchMeansNoSuitableDevice) {
  auto drive = AddDrive();
  Configure({}, "VRDC", "VRDC-4", false);
  auto run = Run();
  EXPECT_EQ(run.Console(), kBanner + "CAN'T FIND A SUITABLE DEVICE !\n");
  EXPECT_FALSE(FwBinMarked());
  EXPECT_TRUE(run.process->shutdowns.empty());

  // The comparison covers all 24 bytes: a trailing blank short is another model.
  Configure({"VORTANIX QRX-480T9A"}, "VRDC", "VRDC-4", false);
  Patch("VENDID1=", "VORTANIX QRX-480T9A    X");
  auto near = Run();
  EXPECT_EQ(near.Console(),
            kBanner + "TARGET DEVICE: VORTANIX QRX-480T9A    X" + "CAN'T FIND A SUITABLE DEVICE !\n");
  EXPECT_EQ(drive->CountCommands(0x92), 0u);
}

TEST_F(FlasherFlowTest, FailedDownloadIsJudgedByTheRevisionReadAgain) {
  auto drive = AddDrive();
  drive->InjectFault(sim::AtaFault::IoError, 0x92, 0x03, 100);
  auto run = Run();
  // Three dots: 96 blocks went before the 100th failed.
  EXPECT_NE(run.Console().find("STARTING FLASH ...\n...\nFAIL to FLASH.\nVRDB     \nFAIL !\n"
                               "\nStart to REBOOT ...\n"),
            std::string::npos);
  EXPECT_EQ(drive->CountCommands(0x92, 0x03), 100u);  // nothing after the failed block
  EXPECT_EQ(drive->CountCommands(0x92, 0x07), 0u);
  EXPECT_TRUE(drive->Activations().empty());
  // It still counts as flashed.
  EXPECT_TRUE(FwBinMarked());
  EXPECT_EQ(run.process->shutdowns.size(), 1u);
}

TEST_F(FlasherFlowTest, ALostTriggerReplyOnADriveThatSwitchedIsAPass) {
  auto drive = AddDrive();
  drive->activatesImmediately = true;
  drive->InjectFault(sim::AtaFault::LostReply, 0x92, 0x07, 1);
  auto run = Run();
  EXPECT_NE(run.Console().find("TRIGGER ...VRDC     \nPASS !\n"), std::string::npos);
}

TEST_F(FlasherFlowTest, AFailedSecondIdentifyIsAFail) {
  auto drive = AddDrive();
  drive->InjectFault(sim::AtaFault::ErrorStatus, 0x92, 0x07, 1);
  drive->InjectFault(sim::AtaFault::IoError, 0xEC, -1, 2);
  auto run = Run();
  EXPECT_NE(run.Console().find("TRIGGER ...FAIL !\n"), std::string::npos);
}

TEST_F(FlasherFlowTest, ADriveThatDoesNotIdentifyMatchesNothing) {
  auto silent = AddDrive();
  silent->InjectFault(sim::AtaFault::IoError, 0xEC, -1, 1);
  auto good = AddDrive();
  auto run = Run();
  EXPECT_EQ(Count(run.Console(), "CURRENT FW: VRDB "), 1u);
  EXPECT_EQ(silent->CountCommands(0x92), 0u);
  EXPECT_EQ(good->Activations().size(), 1u);

  // With an all-zero identity nothing matches, even a block of zero bytes.
  Configure({std::string(24, '\0')}, std::string(8, '\0'), "", false);
  auto zero = AddDrive();
  zero->InjectFault(sim::AtaFault::IoError, 0xEC, -1, 1);
  machine.physicalDrives = {zero};
  PutFirmware(firmware);
  auto none = Run();
  EXPECT_NE(none.Console().find("CAN'T FIND A SUITABLE DEVICE !"), std::string::npos);
}

TEST_F(FlasherFlowTest, NoDriveEndsSilentlyAfterTheBanner) {
  auto run = Run();
  EXPECT_EQ(run.Console(), kBanner);
  EXPECT_EQ(BootExecute(), std::vector<std::string>{"autocheck autochk *"});
  for (const auto& call : run.process->calls) EXPECT_EQ(call.find("FW.bin"), std::string::npos);
}

TEST_F(FlasherFlowTest, DrivesZeroToFifteenAreOpenedAsTheUpdaterScansThem) {
  for (int i = 0; i < 17; ++i) AddDrive();
  auto run = Run();
  EXPECT_EQ(Count(run.Console(), "PASS !"), 16u);
  EXPECT_EQ(machine.physicalDrives[15]->Activations().size(), 1u);
  EXPECT_TRUE(machine.physicalDrives[16]->Log().empty());
  const auto& calls = run.process->calls;
  EXPECT_NE(std::find(calls.begin(), calls.end(), "ZwCreateFile \\??\\PhysicalDrive15"), calls.end());
  EXPECT_EQ(std::find(calls.begin(), calls.end(), "ZwCreateFile \\??\\PhysicalDrive16"), calls.end());
}

TEST_F(FlasherFlowTest, ProgressIsADotPer32BlocksAndAShortImageShowsNone) {
  sim::SampleFirmware sample;
  sample.length = 31 * 512 + 16;  // 32 blocks, the last one partial: one dot
  firmware = sim::MakeSampleFirmware(sample);
  PutFirmware(firmware);
  AddDrive();
  EXPECT_NE(Run().Console().find("STARTING FLASH ...\n.\nTRIGGER ...PASS !\n"), std::string::npos);

  sample.length = 31 * 512;  // 31 blocks: the texts as they were
  firmware = sim::MakeSampleFirmware(sample);
  PutFirmware(firmware);
  machine.physicalDrives.clear();
  AddDrive();
  EXPECT_NE(Run().Console().find("STARTING FLASH ...\nTRIGGER ...PASS !\n"), std::string::npos);
}

TEST_F(FlasherFlowTest, WithoutAFileNameNoFileIsRead) {
  auto drive = AddDrive();
  auto run = Run("Ombrel");
  EXPECT_EQ(run.Console(), kBanner + "NO FIRMWARE FILE NAME ON THE COMMAND LINE !\n");
  EXPECT_TRUE(drive->Log().empty());
  for (const auto& call : run.process->calls) EXPECT_NE(call.rfind("ZwCreateFile", 0), 0u);

  auto bare = Run("Ombrel FW.bin", "Ombrel.exe");
  EXPECT_EQ(bare.Console(),
            kBanner + "NO DIRECTORY IN THE PROGRAM PATH, FIRMWARE FILE NOT READ !\n");
  EXPECT_EQ(bare.process->LeakedBlocks(), 0u);
}

TEST_F(FlasherFlowTest, TheFirmwarePathFollowsTheProgramsDirectory) {
  AddDrive();
  machine.files.Put("C:\\TOOLS\\fw two.bin", *machine.files.Get(kFwBin));
  machine.files.Remove(kFwBin);
  auto run = Run("Ombrel \"fw two.bin\"", "C:\\TOOLS\\Ombrel.exe");
  EXPECT_EQ(Count(run.Console(), "PASS !"), 1u);
  EXPECT_NE(std::find(run.process->calls.begin(), run.process->calls.end(),
                      "ZwCreateFile \\??\\C:\\TOOLS\\fw two.bin"),
            run.process->calls.end());
}

TEST_F(FlasherFlowTest, AllocationFailuresStopBeforeAnyDrive) {
  auto drive = AddDrive();
  auto heap = Run("Ombrel FW.bin", "\\SystemRoot\\system32\\Ombrel.exe",
                  [](sim::SimNative& nt) { nt.failCreateHeap = true; });
  EXPECT_EQ(heap.Console(), kBanner + "HEAP ALLOCATION ERROR !\n");
  EXPECT_EQ(BootExecute(), std::vector<std::string>{"autocheck autochk *"});
  auto image = Run("Ombrel FW.bin", "\\SystemRoot\\system32\\Ombrel.exe",
                   [](sim::SimNative& nt) { nt.failAllocation = 1; });
  EXPECT_EQ(image.Console(), kBanner + "MEMORY ALLOCATION ERROR !\n");
  EXPECT_EQ(image.process->LiveHeapCount(), 0u);
  // Without the command-line copy there is no argument 1.
  auto copy = Run("Ombrel FW.bin", "\\SystemRoot\\system32\\Ombrel.exe",
                  [](sim::SimNative& nt) { nt.failAllocation = 2; });
  EXPECT_EQ(copy.Console(), kBanner + "NO FIRMWARE FILE NAME ON THE COMMAND LINE !\n");
  // The argument table cannot grow past its first pointer.
  auto table = Run("Ombrel FW.bin", "\\SystemRoot\\system32\\Ombrel.exe",
                   [](sim::SimNative& nt) { nt.failAllocation = 4; });
  EXPECT_EQ(table.Console(), kBanner + "PARSING ARGS FAILED !\n" +
                                 "NO FIRMWARE FILE NAME ON THE COMMAND LINE !\n");
  EXPECT_TRUE(drive->Log().empty());
}

TEST_F(FlasherFlowTest, MarkFailuresMeanNoRestart) {
  AddDrive();
  machine.files.FailWrite(kFwBin);
  auto run = Run();
  EXPECT_NE(run.Console().find("PASS !\nFail to Write ! Error Code: 0xc0000185L\n"
                               "Fail to Mark FW !\n\n"),
            std::string::npos);
  EXPECT_TRUE(run.process->shutdowns.empty());
  EXPECT_EQ(BootStatusByte(), 0);
}

TEST_F(FlasherFlowTest, BootStatusFailuresMeanNoRestart) {
  AddDrive();
  machine.files.Remove("C:\\WINDOWS\\bootstat.dat");
  auto run = Run();
  EXPECT_NE(run.Console().find("\nStart to REBOOT ...\n"
                               "Fail to CREATE ! Error Code: 0xc0000034L\nFAIL to MARK !\n"),
            std::string::npos);
  EXPECT_TRUE(run.process->shutdowns.empty());
  EXPECT_TRUE(FwBinMarked());
  // The file is never created.
  EXPECT_FALSE(machine.files.Exists("C:\\WINDOWS\\bootstat.dat"));
}

TEST_F(FlasherFlowTest, NoSystemRootMeansNoRestart) {
  auto drive = AddDrive();
  auto run = Run("Ombrel FW.bin", "\\SystemRoot\\system32\\Ombrel.exe",
                 [](sim::SimNative& nt) { nt.environment.clear(); });
  EXPECT_NE(run.Console().find("Fail to Query environment variable !\n"
                               "cannot retrieve the Windows directory path\nFAIL to MARK !\n"),
            std::string::npos);
  EXPECT_TRUE(run.process->shutdowns.empty());
}

TEST_F(FlasherFlowTest, WithoutTheShutdownPrivilegeTheRestartFailsAloud) {
  AddDrive();
  machine.token.privileges.erase("SeShutdownPrivilege");
  auto run = Run();
  EXPECT_NE(run.Console().find("cannot enable privilege\nCannot reboot the computer\n"),
            std::string::npos);
  EXPECT_TRUE(run.process->shutdowns.empty());
  EXPECT_EQ(BootStatusByte(), 1);
}

// A per-model exception applies to the model and revision it names, and to nothing near them.
TEST_F(FlasherFlowTest, KeldronDrivesHaveTheirEepromBytesCleared) {
  const struct {
    const char* name;
    std::string model, revision;
    bool cleared;
  } cases[] = {
      {"the named model at revision 1.00", "KELDRON  ZT-512R4A", "1.00", true},
      {"a later revision of the same model", "KELDRON  ZT-512R4A", "1.01", false},
      {"a sibling model at revision 1.00", "KELDRON  ZT-512R4B", "1.00", false},
      {"the model one blank closer", "KELDRON ZT-512R4A", "1.00", false},
  };
  for (const auto& c : cases) {
    sim::SampleFirmware sample;
    sample.model = c.model;
    firmware = sim::MakeSampleFirmware(sample);
    PutFirmware(firmware);
    Configure({c.model}, "VRDC", "VRDC-4", false);
    auto drive = AddDrive(c.model, c.revision);
    machine.physicalDrives = {drive};
    const auto before = drive->Eeprom();
    auto run = Run();
    EXPECT_EQ(run.Console().find("\n\nCLEAR EEPROM...  \nSTARTING FLASH") != std::string::npos, c.cleared)
        << c.name;
    EXPECT_EQ(drive->CountCommands(0xE4), c.cleared ? 16u : 0u) << c.name;
    EXPECT_EQ(drive->CountCommands(0xE8), c.cleared ? 16u : 0u) << c.name;
    for (std::size_t a = 0; a < before.size(); ++a) {
      const bool cleared = c.cleared && a >= 0x4048 && a <= 0x404F;
      ASSERT_EQ(drive->Eeprom()[a], cleared ? 0 : before[a]) << c.name << ", byte " << a;
    }
    EXPECT_EQ(drive->Activations().size(), 1u) << c.name;
  }
}

TEST_F(FlasherFlowTest, RunsOnThe32BitLayoutToo) {
  bits = sim::CallerBits::X86;
  Configure({kModel}, "VRDC", "VRDC-4", true);
  auto drive = AddDrive();
  auto run = Run();
  EXPECT_EQ(Count(run.Console(), "PASS !"), 1u);
  ASSERT_EQ(drive->Activations().size(), 1u);
  EXPECT_TRUE(drive->Activations()[0].bootCode);
}

}  // namespace
}  // namespace qz::bootflash::testing
