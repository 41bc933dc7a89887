// The flasher's transcript as the updater reads it at its next start: the run's outcome from a
// whole log, nothing from a log that is not whole or not ours, and the one line under the
// version line (local time, both languages) on a 64-bit machine's real system directory.
#include <gtest/gtest.h>

#include <iconv.h>

#include "bootflash/transcript.hpp"
#include "startup_fixture.hpp"
#include "updater/boot_outcome.hpp"
#include "updater/ui_texts.hpp"

namespace qz::test {
namespace {

std::string SummaryLine(int n, const std::string& before, const std::string& target, const std::string& after,
                  const std::string& outcome) {
  char line[160];
  std::snprintf(line, sizeof line, "DRIVE|%02d|%-24s|%-8s|%-8s|%-8s|%s", n, "VORTANIX QRX-480T9A",
                before.c_str(), target.c_str(), after.c_str(), outcome.c_str());
  return line;
}

// A log as the flasher writes it: CR LF after every line.
std::string Log(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

std::string Passed() {
  return Log({"OMBREL LOG 1", "DATE 2026-12-08 14:03:22 UTC", "FIND VORTANIX QRX-480T9A", "STARTING FLASH ...",
              "FLASH DONE", SummaryLine(1, "VRD5", "VRDC", "VRDC", "PASS"), SummaryLine(2, "VRDC", "VRDC", "--------", "THE SAME"),
              "END"});
}

std::optional<BootOutcome> Parse(const std::string& text) {
  return ParseBootLog(ConstBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string Big5ToUtf8(std::string in) {
  iconv_t cd = iconv_open("UTF-8", "CP950");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "BIG5");
  std::string out(in.size() * 4, '\0');
  char* inp = in.data();
  char* outp = out.data();
  std::size_t inLeft = in.size(), outLeft = out.size();
  const std::size_t done = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  EXPECT_NE(done, static_cast<std::size_t>(-1)) << "not valid Big5";
  out.resize(out.size() - outLeft);
  return out;
}

TEST(BootLog, AWholeLogGivesTheFlashedDrive) {
  const auto o = Parse(Passed());
  ASSERT_TRUE(o);
  EXPECT_TRUE(o->dateKnown);
  EXPECT_EQ(o->utc, (CivilTime{2026, 12, 8, 14, 3, 22}));
  EXPECT_EQ(o->drive, 1);
  EXPECT_EQ(o->model, "VORTANIX QRX-480T9A");
  EXPECT_EQ(o->revisionBefore, "VRD5");
  EXPECT_EQ(o->revisionTarget, "VRDC");
  EXPECT_EQ(o->result, BootRunResult::kPassed);
  const CivilTime local{2026, 12, 8, 15, 3, 22};
  EXPECT_EQ(BootOutcomeLine(*o, &local, false), "Last F/W update 2026-12-08 15:03 : disk 1, VRD5 to VRDC, passed");
  EXPECT_EQ(BootOutcomeLine(*o, nullptr, false), "Last F/W update 2026-12-08 14:03 UTC : disk 1, VRD5 to VRDC, passed");
  EXPECT_EQ(Big5ToUtf8(BootOutcomeLine(*o, &local, true)), "上次韌體更新 2026-12-08 15:03 : 磁碟 1, VRD5 到 VRDC, 成功");
}

TEST(BootLog, AFailureAmongTheDrivesIsWhatIsShown) {
  const auto o = Parse(Log({"OMBREL LOG 1", "DATE unknown", SummaryLine(0, "VRD3", "VRDC", "VRDC", "PASS"),
                            SummaryLine(12, "VRD4", "VRDC", "--------", "FAIL"), "END"}));
  ASSERT_TRUE(o);
  EXPECT_FALSE(o->dateKnown);
  EXPECT_EQ(o->drive, 12);
  EXPECT_EQ(o->revisionBefore, "VRD4");
  EXPECT_EQ(o->result, BootRunResult::kFailed);
  EXPECT_EQ(BootOutcomeLine(*o, nullptr, false), "Last F/W update (date unknown) : disk 12, VRD4 to VRDC, FAILED");
  EXPECT_EQ(Big5ToUtf8(BootOutcomeLine(*o, nullptr, true)), "上次韌體更新 (日期不明) : 磁碟 12, VRD4 到 VRDC, 失敗");
}

// A run that looked at the drives and flashed none says so: whatever an earlier log said is gone.
TEST(BootLog, ARunThatFlashedNoDriveSaysSo) {
  const struct {
    const char* name;
    std::vector<std::string> drives;
  } cases[] = {
      {"the same, and a twin left alone", {SummaryLine(1, "VRDC", "VRDC", "--------", "THE SAME"),
                                           SummaryLine(2, "VRD1", "VRDC", "--------", "LEFT ALONE")}},
      {"no drive of the model", {SummaryLine(0, "1.02", "VRDC", "--------", "OTHER MODEL")}},
      {"extension unknown", {SummaryLine(4, "VRDC", "VRDC", "--------", "NOT FLASHED")}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines = {"OMBREL LOG 1", "DATE 2026-12-08 14:03:22 UTC", "CAN'T FIND A SUITABLE DEVICE !"};
    lines.insert(lines.end(), c.drives.begin(), c.drives.end());
    lines.push_back("END");
    const auto o = Parse(Log(lines));
    ASSERT_TRUE(o) << c.name;
    EXPECT_EQ(o->result, BootRunResult::kNoneFlashed) << c.name;
    const CivilTime local{2026, 12, 8, 15, 3, 22};
    EXPECT_EQ(BootOutcomeLine(*o, &local, false), "Last F/W update 2026-12-08 15:03 : no disk was flashed") << c.name;
    EXPECT_EQ(Big5ToUtf8(BootOutcomeLine(*o, nullptr, true)), "上次韌體更新 2026-12-08 14:03 UTC : 沒有磁碟被更新")
        << c.name;
  }
}

// What the flasher itself writes reads back as the run it was, for every outcome: the writer
// and the reader keep to the same lines, widths and words.
TEST(BootLog, TheFlashersOwnLogReadsBackForEveryOutcome) {
  using namespace bootflash;
  const struct {
    DriveOutcome outcome;
    bool readAgain;
    BootRunResult result;
  } cases[] = {
      {kOutcomePass, true, BootRunResult::kPassed},       {kOutcomeFail, true, BootRunResult::kFailed},
      {kOutcomeFail, false, BootRunResult::kFailed},      {kOutcomeSame, false, BootRunResult::kNoneFlashed},
      {kOutcomeLeftAlone, false, BootRunResult::kNoneFlashed},
      {kOutcomeNotFlashed, false, BootRunResult::kNoneFlashed},
      {kOutcomeOtherModel, false, BootRunResult::kNoneFlashed},
  };
  const std::string model = "VORTANIX QRX-480T9A" + std::string(5, ' ');
  const auto bytes = [](const std::string& text) { return reinterpret_cast<const std::uint8_t*>(text.data()); };
  for (const auto& c : cases) {
    const std::string name = std::string(boot_log::kOutcomeWords[c.outcome]) + (c.readAgain ? ", read again" : "");
    auto log = std::make_unique<Transcript>();
    const TimeFields when{2026, 2, 28, 23, 59, 58, 0, 6};
    BeginTranscript(*log, &when);
    AddConsoleText(*log, u"TARGET DEVICE: VORTANIX QRX-480T9A");  // ends inside a line
    AddDriveSummary(*log, DriveSummary{11, bytes(model), bytes("VRD5    "), bytes("VRDC    "),
                                       c.readAgain ? bytes("VRD5    ") : nullptr, c.outcome});
    EndTranscript(*log);
    const auto o = ParseBootLog(ConstBytes(log->text, log->length));
    ASSERT_TRUE(o) << name;
    EXPECT_TRUE(o->dateKnown) << name;
    EXPECT_EQ(o->utc, (CivilTime{2026, 2, 28, 23, 59, 58})) << name;
    EXPECT_EQ(o->result, c.result) << name;
    if (c.result == BootRunResult::kNoneFlashed) continue;
    EXPECT_EQ(o->drive, 11) << name;
    EXPECT_EQ(o->model, "VORTANIX QRX-480T9A") << name;
    EXPECT_EQ(o->revisionBefore, "VRD5") << name;
    EXPECT_EQ(o->revisionTarget, "VRDC") << name;
  }
  // A run whose time could not be read.
  auto log = std::make_unique<Transcript>();
  BeginTranscript(*log, nullptr);
  const std::string revision = "VRDC    ";
  AddDriveSummary(*log, DriveSummary{0, bytes(model), bytes(revision), bytes(revision), nullptr, kOutcomeSame});
  EndTranscript(*log);
  const auto o = ParseBootLog(ConstBytes(log->text, log->length));
  ASSERT_TRUE(o);
  EXPECT_FALSE(o->dateKnown);
}

TEST(BootLog, NothingIsShownForALogThatIsNotWholeOrNotOurs) {
  const std::string whole = Passed();
  std::string noDrive = whole;
  noDrive.replace(noDrive.find("DRIVE|01"), 8, "DRIVE|1x");
  std::string lfOnly;
  for (char c : whole) {
    if (c != '\r') lfOnly += c;
  }
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"power lost mid-download",
       Log({"OMBREL LOG 1", "DATE 2026-12-08 14:03:22 UTC", "FIND VORTANIX QRX-480T9A", "STARTING FLASH ..."})},
      {"cut inside the last line", whole.substr(0, whole.size() - 2)},
      {"no END after the summary", whole.substr(0, whole.size() - 5)},
      {"cut inside a summary line", whole.substr(0, whole.find("|VRDC    |PASS"))},
      {"another format's first line", "OMBREL LOG 2\r\n" + whole.substr(14)},
      {"LF line ends", lfOnly},
      {"a control byte", whole.substr(0, 40) + '\x01' + whole.substr(41)},
      {"month 13", Log({"OMBREL LOG 1", "DATE 2026-13-08 14:03:22 UTC", SummaryLine(1, "A", "B", "B", "PASS"), "END"})},
      {"29 February 2025", Log({"OMBREL LOG 1", "DATE 2025-02-29 14:03:22 UTC", SummaryLine(1, "A", "B", "B", "PASS"), "END"})},
      {"no date line", Log({"OMBREL LOG 1", SummaryLine(1, "A", "B", "B", "PASS"), "END"})},
      {"drive number not decimal", noDrive},
      {"unknown outcome", Log({"OMBREL LOG 1", "DATE unknown", SummaryLine(1, "A", "B", "B", "PASSED"), "END"})},
      {"a bar inside a field", Log({"OMBREL LOG 1", "DATE unknown", SummaryLine(1, "A|", "B", "B", "PASS"), "END"})},
      {"no summary", Log({"OMBREL LOG 1", "DATE unknown", "CAN'T FIND A SUITABLE DEVICE !", "END"})},
      {"huge", "OMBREL LOG 1\r\nDATE unknown\r\n" + std::string(kBootLogMaxBytes, 'x') + "\r\n" +
                   SummaryLine(1, "A", "B", "B", "PASS") + "\r\nEND\r\n"},
  };
  for (const auto& c : cases) EXPECT_FALSE(Parse(c.text)) << c.name;
  // Leap day and the limit itself are fine.
  EXPECT_TRUE(Parse(Log({"OMBREL LOG 1", "DATE 2024-02-29 23:59:59 UTC", SummaryLine(1, "A", "B", "B", "PASS"), "END"})));
  std::string atLimit = Log({"OMBREL LOG 1", "DATE unknown"});
  const std::string tail = Log({SummaryLine(1, "A", "B", "B", "PASS"), "END"});
  atLimit += std::string(kBootLogMaxBytes - atLimit.size() - tail.size() - 2, 'x') + "\r\n" + tail;
  ASSERT_EQ(atLimit.size(), kBootLogMaxBytes);
  EXPECT_TRUE(Parse(atLimit));
}

// Start-up on 64-bit Windows 7 with a drive list and the window shown.
class LastRunAtStartup : public ::testing::Test {
 protected:
  LastRunAtStartup() {
    run.machine.timeZoneBiasMinutes = -60;  // UTC+1
    run.Drives({test::Drive(true, true)});
  }
  void Put(const std::string& path, const std::string& text) {
    run.machine.files.Put(path, std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  StartupRun run;
};

TEST_F(LastRunAtStartup, TheLineComesFromThe64BitSystemDirectoryInLocalTime) {
  Put("C:\\WINDOWS\\system32\\Ombrel.log", Passed());
  // What a 32-bit process would see without turning the redirection off.
  Put("C:\\WINDOWS\\SysWOW64\\Ombrel.log",
      Log({"OMBREL LOG 1", "DATE unknown", SummaryLine(7, "OLD1", "OLD2", "--------", "FAIL"), "END"}));
  const UiRect form = run.ui.GetBounds(UiControl::Form);
  TQuenzarMain& w = run.Run();
  EXPECT_EQ(w.End, StartupEnd::WindowShown);
  EXPECT_TRUE(run.ui.IsVisible(UiControl::lblLastRun));
  EXPECT_EQ(run.ui.GetCaption(UiControl::lblLastRun),
            UiText("Last F/W update 2026-12-08 15:03 : disk 1, VRD5 to VRDC, passed"));
  EXPECT_EQ(run.ui.GetFontColor(UiControl::lblLastRun), Rgb(0, 100, 0));
  // One line more, under the version line and the button.
  const UiRect label = run.ui.GetBounds(UiControl::lblLastRun);
  EXPECT_GE(label.top, run.ui.GetBounds(UiControl::cmdUpdate).top + run.ui.GetBounds(UiControl::cmdUpdate).height);
  EXPECT_EQ(run.ui.GetBounds(UiControl::Form).height, form.height + 18);
  EXPECT_LE(label.top + label.height, form.height + 18);
  EXPECT_TRUE(run.ui.boxes.empty());
}

TEST_F(LastRunAtStartup, SecondLanguageAndAFailure) {
  run.Digit(1, '1');
  Put("C:\\WINDOWS\\system32\\Ombrel.log",
      Log({"OMBREL LOG 1", "DATE 2026-12-31 23:30:00 UTC", SummaryLine(3, "VRD5", "VRDC", "--------", "FAIL"), "END"}));
  run.Run();
  const UiText line = run.ui.GetCaption(UiControl::lblLastRun);
  EXPECT_EQ(line.codePage, kCodePageBig5);
  EXPECT_EQ(Big5ToUtf8(line.bytes), "上次韌體更新 2027-01-01 00:30 : 磁碟 3, VRD5 到 VRDC, 失敗");
  EXPECT_EQ(run.ui.GetFontColor(UiControl::lblLastRun), Rgb(128, 0, 0));
}

TEST_F(LastRunAtStartup, ARunThatFlashedNothingShowsALineOfItsOwn) {
  Put("C:\\WINDOWS\\system32\\Ombrel.log",
      Log({"OMBREL LOG 1", "DATE unknown", SummaryLine(2, "VRD1", "VRDC", "--------", "LEFT ALONE"), "END"}));
  run.Run();
  EXPECT_TRUE(run.ui.IsVisible(UiControl::lblLastRun));
  EXPECT_EQ(run.ui.GetCaption(UiControl::lblLastRun), UiText("Last F/W update (date unknown) : no disk was flashed"));
  // Neither the colour of a pass nor that of a failure.
  EXPECT_NE(run.ui.GetFontColor(UiControl::lblLastRun), Rgb(0, 100, 0));
  EXPECT_NE(run.ui.GetFontColor(UiControl::lblLastRun), Rgb(128, 0, 0));
}

TEST_F(LastRunAtStartup, NoLogOrABrokenOneShowsNothingAndTheFormKeepsItsSize) {
  const UiRect form = run.ui.GetBounds(UiControl::Form);
  std::string cut = Passed();
  cut.resize(cut.size() - 5);  // no END
  Put("C:\\WINDOWS\\system32\\Ombrel.log", cut);
  run.Run();
  EXPECT_FALSE(run.ui.IsVisible(UiControl::lblLastRun));
  EXPECT_EQ(run.ui.GetBounds(UiControl::Form), form);
}

TEST_F(LastRunAtStartup, ASilentRunShowsNoLine) {
  Put("C:\\WINDOWS\\system32\\Ombrel.log", Passed());
  TQuenzarMain& w = run.Run({"/S"});
  EXPECT_EQ(w.End, StartupEnd::UpdateRun);
  EXPECT_FALSE(run.ui.IsVisible(UiControl::lblLastRun));
}

}  // namespace
}  // namespace qz::test
