// Ombrel.log: what the flasher leaves beside FW.bin for the updater to read at its next start,
// and when it writes it (never while blocks are being sent).
#include <gtest/gtest.h>

#include <algorithm>

#include "bootflash/transcript.hpp"
#include "tests/bootflash/flasher_fixture.hpp"

namespace qz::bootflash::testing {
namespace {

constexpr char kLog[] = "C:\\WINDOWS\\system32\\Ombrel.log";

std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

const std::string kBannerLines = Crlf(
    "============================================================\n"
    "                   UPDATE FW for SSD \n"
    "============================================================\n\n");

class TranscriptTest : public FlasherFixture {
 protected:
  // 2012-07-26 16:00:00 UTC, the simulated boot time, at the flasher's start.
  TranscriptTest() { machine.clock.SetTicks(0); }
  std::string Log() {
    const auto bytes = machine.files.Get(kLog);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<absent>";
  }
  static std::string Line(const std::string& drive, const std::string& model,
                          const std::string& before, const std::string& after,
                          const std::string& outcome) {
    return "DRIVE|" + drive + "|" + model + "|" + before + "|VRDC    |" + after + "|" + outcome +
           "\r\n";
  }
};

TEST_F(TranscriptTest, APassIsLoggedWithEverythingShownAndItsDriveLine) {
  AddDrive();
  Run();
  EXPECT_EQ(Log(), "OMBREL LOG 1\r\nDATE 2012-07-26 16:00:00 UTC\r\n" + kBannerLines +
                       Crlf("TARGET DEVICE: VORTANIX QRX-480T9A     \n"
                            "CURRENT FW: VRDB     UPDATE TO  VRDC    \n\n\n"
                            "STARTING FLASH ...\n................\nTRIGGER ...PASS !\n"
                            "\nStart to REBOOT ...\n") +
                       Line("00", Model24(kModel), "VRDB    ", "--------", "PASS") + "END\r\n");
}

TEST_F(TranscriptTest, AFailCarriesTheRevisionReadAgain) {
  auto drive = AddDrive();
  drive->InjectFault(sim::AtaFault::IoError, 0x92, 0x03, 100);
  Run();
  const std::string log = Log();
  EXPECT_NE(log.find(Crlf("STARTING FLASH ...\n...\nFAIL to FLASH.\nVRDB     \nFAIL !\n")),
            std::string::npos);
  EXPECT_TRUE(log.ends_with(Line("00", Model24(kModel), "VRDB    ", "VRDB    ", "FAIL") + "END\r\n"))
      << log;
}

TEST_F(TranscriptTest, TheSameEndsTheLogWithoutARestart) {
  AddDrive(kModel, "VRDC", "VRDC-4");
  auto run = Run();
  EXPECT_TRUE(run.process->shutdowns.empty());
  EXPECT_TRUE(Log().ends_with(Crlf("    THE SAME !\n") +
                              Line("00", Model24(kModel), "VRDC    ", "--------", "THE SAME") +
                              "END\r\n"))
      << Log();
}

TEST_F(TranscriptTest, PowerLostMidDownloadLeavesALogEndingAtTheStart) {
  AddDrive();  // flashed first and logged as passed
  auto drive = AddDrive();
  drive->LosePowerAfterBlock(300);
  std::string atPowerLoss;
  drive->onPowerLoss = [&] { atPowerLoss = Log(); };
  Run();
  // What the disk held at that moment: no END, so the updater takes it as unfinished.
  EXPECT_TRUE(atPowerLoss.ends_with(Crlf("PASS !\n\nCURRENT FW: VRDB     UPDATE TO  VRDC    \n"
                                         "\n\nSTARTING FLASH ...\n")))
      << atPowerLoss;
  EXPECT_EQ(atPowerLoss.find("END"), std::string::npos);
  EXPECT_EQ(atPowerLoss.find("DRIVE|"), std::string::npos);
}

// The system disk may be the drive being flashed: the log must be on it before the first block,
// not left to the lazy writer, and no file is written until the trigger.
TEST_F(TranscriptTest, TheLogIsOnDiskBeforeTheFirstBlockAndNoFileIsWrittenUntilTheTrigger) {
  AddDrive();
  AddDrive();
  auto run = Run();
  const sim::SimNative& nt = *run.process;
  std::vector<std::pair<std::size_t, std::size_t>> downloads;  // first block, trigger
  for (const auto& r : nt.ataRequests) {
    if (r.regs.command != 0x92) continue;
    if (r.regs.features == 0x03 && (downloads.empty() || downloads.back().second != 0)) {
      downloads.emplace_back(r.call, 0);
    }
    if (r.regs.features == 0x07) downloads.back().second = r.call;
  }
  ASSERT_EQ(downloads.size(), 2u);
  for (const auto& [firstBlock, trigger] : downloads) {
    ASSERT_GT(trigger, firstBlock);
    bool logged = false;
    for (const auto& file : nt.fileHandles) {
      for (std::size_t write : file.writes) {
        EXPECT_FALSE(write > firstBlock && write < trigger) << file.path << " while blocks were sent";
      }
      if (!file.path.ends_with("Ombrel.log") || file.writes.empty() || file.writes.back() > firstBlock) {
        continue;
      }
      logged = true;
      const bool flushed = std::any_of(file.flushes.begin(), file.flushes.end(), [&](std::size_t f) {
        return f > file.writes.back() && f < firstBlock;
      });
      EXPECT_TRUE(file.writeThrough || flushed) << "a log written before call " << firstBlock;
    }
    EXPECT_TRUE(logged);
  }
}

TEST_F(TranscriptTest, ALogThatCannotBeWrittenChangesNothingInTheUpdate) {
  auto drive = AddDrive();
  machine.files.FailCreate(kLog);
  auto run = Run();
  EXPECT_EQ(Log(), "<absent>");
  EXPECT_EQ(Count(run.Console(), "PASS !"), 1u);
  EXPECT_TRUE(FwBinMarked());
  EXPECT_EQ(BootStatusByte(), 1);
  EXPECT_EQ(run.process->shutdowns.size(), 1u);
  EXPECT_EQ(run.process->OpenHandleCount(), 0u);

  // An earlier log that can no longer be written to.
  machine.files.Put(kLog, std::vector<std::uint8_t>(10, 'x'));
  machine.files.FailWrite(kLog);
  machine.physicalDrives.clear();
  AddDrive();
  PutFirmware(firmware);
  auto again = Run();
  EXPECT_EQ(Count(again.Console(), "PASS !"), 1u);
  EXPECT_EQ(again.process->shutdowns.size(), 1u);
  EXPECT_EQ(again.process->OpenHandleCount(), 0u);
}

TEST_F(TranscriptTest, EveryDriveLookedAtHasALine) {
  Patch("KEY=", "VRDB");
  AddDrive("VORTANIX QRX-240T9A");
  AddDrive(kModel, "VRDA|");  // a '|' would split the line's fields
  AddDrive();
  AddDrive()->InjectFault(sim::AtaFault::IoError, 0xEC, -1, 1);  // no identity: NUL bytes
  Run();
  EXPECT_TRUE(Log().ends_with(
      Line("00", Model24("VORTANIX QRX-240T9A"), "VRDB    ", "--------", "OTHER MODEL") +
      Line("01", Model24(kModel), "VRDA?   ", "--------", "LEFT ALONE") +
      Line("02", Model24(kModel), "VRDB    ", "--------", "PASS") +
      Line("03", std::string(24, '?'), "????????", "--------", "OTHER MODEL") + "END\r\n"))
      << Log();

  // Target revision, extension unknown.
  machine.physicalDrives.clear();
  AddDrive(kModel, "VRDC", "VRDC-3")->InjectFault(sim::AtaFault::IoError, 0xFF, 0xFD, 1);
  Configure({kModel}, "VRDC", "VRDC-4", false);
  PutFirmware(firmware);
  Run();
  EXPECT_TRUE(Log().ends_with(
      Line("00", Model24(kModel), "VRDC    ", "--------", "NOT FLASHED") + "END\r\n"))
      << Log();
}

TEST_F(TranscriptTest, ARunThatStopsBeforeTheTargetsHasNoDriveLines) {
  AddDrive();
  machine.files.Put(kFwBin, firmware);  // not enciphered: no marker
  Run();
  EXPECT_EQ(Log(), "OMBREL LOG 1\r\nDATE 2012-07-26 16:00:00 UTC\r\n" + kBannerLines +
                       "Can't find matched Firmware !\r\nEND\r\n");
}

TEST_F(TranscriptTest, TheDateIsTheNativeTimeOfDayOrUnknown) {
  AddDrive(kModel, "VRDC", "VRDC-4");
  // Two days, 7 h 59 min 59 s after the simulated boot.
  machine.clock.SetTicks((2 * 86400 + 7 * 3600 + 59 * 60 + 59) * sim::VirtualClock::kFrequency);
  Run();
  EXPECT_EQ(Log().substr(0, 47), "OMBREL LOG 1\r\nDATE 2012-07-28 23:59:59 UTC\r\n===");
  Run("Ombrel FW.bin", "\\SystemRoot\\system32\\Ombrel.exe",
      [](sim::SimNative& nt) { nt.failSystemTime = true; });
  EXPECT_EQ(Log().substr(0, 31), "OMBREL LOG 1\r\nDATE unknown\r\n===");
}

TEST(Transcript, AFullLogKeepsWholeTextsAndStillEnds) {
  auto log = std::make_unique<Transcript>();
  TimeFields when{2026, 12, 8, 14, 3, 22, 0, 2};
  BeginTranscript(*log, &when);
  const std::u16string piece = u"0123456789abcdefghijklmnopqrstuvwxyz\u00e9\n";  // 39 bytes kept
  for (int i = 0; i < 1000; ++i) AddConsoleText(*log, piece.c_str());
  EXPECT_TRUE(log->full);
  const std::uint8_t model[24] = {'M'}, revision[8] = {'R'};
  AddDriveSummary(*log, DriveSummary{5, model, revision, revision, nullptr, kOutcomePass});
  EndTranscript(*log);
  const std::string text(log->text, log->text + log->length);
  ASSERT_LE(text.size(), kTranscriptBytes);
  const std::string header = "OMBREL LOG 1\r\nDATE 2026-12-08 14:03:22 UTC\r\n";
  ASSERT_EQ(text.substr(0, header.size()), header);
  const std::string kept = "0123456789abcdefghijklmnopqrstuvwxyz?\r\n";
  const std::size_t pieces = (kTranscriptBytes - kTranscriptEndRoom - header.size()) / kept.size();
  std::string expected = header;
  for (std::size_t i = 0; i < pieces; ++i) expected += kept;
  EXPECT_EQ(text, expected + "END\r\n");
}

}  // namespace
}  // namespace qz::bootflash::testing
