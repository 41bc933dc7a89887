// A firmware file on the command line: loaded into package 1, refused when the area or the
// drive's download could not take it, and never half-applied.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "startup_fixture.hpp"
#include "updater/firmware_file.hpp"

namespace qz::test {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return data;
}

TEST(FirmwareFile, ReplacesPackageOneAndBlanksTheModelTable) {
  StartupRun run;
  const auto image = Pattern(4096 + 16);
  run.machine.files.Put("C:\\fw\\new.bin", image);
  // Package 1 placed elsewhere by the release: the file must still be what package 1 is.
  PackageBlock(run.block).SetImageStartValue(1, 262144);
  run.Drives({Drive(true, true)});
  TQuenzarMain& w = run.Run({"c:\\FW\\NEW.BIN"});
  EXPECT_EQ(w.End, StartupEnd::WindowShown);
  EXPECT_EQ(w.Options.PackageCount, 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(run.block.data() + pkg::BinSizeRecord(1)), 22),
            std::string("BIN_SIZE1B=0000004112\0", 22));
  Bytes loaded = w.Package.Image(1);
  ASSERT_EQ(loaded.size(), image.size());
  EXPECT_TRUE(std::equal(loaded.begin(), loaded.end(), image.begin()));
  EXPECT_EQ(loaded.data(), run.block.data() + pkg::kFirmwareArea);
  EXPECT_EQ(w.Package.MinRevision(0, 0), "#FLSH00");
  EXPECT_EQ(w.Package.ModelName(0, 0), "#");
  // The revision texts of the package stay.
  EXPECT_EQ(w.Package.NewRevision(1), "VRDC");
  EXPECT_EQ(w.Package.Extension(1), "VRDC-4");
  EXPECT_TRUE(run.ui.boxes.empty());
}

TEST(FirmwareFile, GivesFirmwareToAPackageWithoutAny) {
  StartupRun run;
  run.Digit(10, '0');
  run.machine.files.Put("C:\\fw.bin", Pattern(64));
  run.Drives({Drive(true, true)});
  EXPECT_EQ(run.Run({"C:\\fw.bin"}).End, StartupEnd::WindowShown);
}

TEST(FirmwareFile, LongRevisionsKeepTheEmbeddedValue) {
  StartupRun run;
  std::copy_n("VRDC01\0", 7, run.block.begin() + pkg::ModelEntry(0, 0));
  run.machine.files.Put("C:\\fw.bin", Pattern(64));
  run.Drives({Drive(true, true)});
  TQuenzarMain& w = run.Run({"C:\\fw.bin"});
  EXPECT_TRUE(w.Options.LongRevisions);
  EXPECT_EQ(run.createFlags, (std::vector<bool>{true}));
}

TEST(FirmwareFile, LargestFileFillsTheWholeArea) {
  StartupRun run;
  const auto image = Pattern(pkg::kFirmwareAreaSize);
  run.machine.files.Put("C:\\big.bin", image);
  const std::vector<std::uint8_t> after(run.block.begin() + pkg::kAesBufArea, run.block.end());
  run.Drives({Drive(true, true)});
  TQuenzarMain& w = run.Run({"C:\\big.bin"});
  EXPECT_EQ(w.Package.ImageSizeValue(1), pkg::kFirmwareAreaSize);
  EXPECT_EQ(w.Package.Image(1).size(), pkg::kFirmwareAreaSize);
  EXPECT_TRUE(std::equal(after.begin(), after.end(), run.block.begin() + pkg::kAesBufArea));
}

TEST(FirmwareFile, RefusalsLeaveThePackageAsItWasAndEndWithABox) {
  struct Case { std::size_t size; bool readFails; const char* text; };
  for (Case c : {Case{pkg::kFirmwareAreaSize + 16, false, "The F/W file is too large !"},
                 Case{4100, false, "The F/W file size is not a multiple of 16 bytes !"},
                 Case{0, false, "The F/W file is empty !"},
                 Case{4096, true, "The F/W file can not be read !"}}) {
    StartupRun run;
    run.machine.files.Put("C:\\fw.bin", Pattern(c.size));
    if (c.readFails) run.machine.files.FailRead("C:\\fw.bin");
    run.AutoClose();
    const auto before = run.block;
    TQuenzarMain& w = run.Run({"C:\\fw.bin"});
    EXPECT_EQ(w.End, StartupEnd::FirmwareFileRefused) << c.text;
    ASSERT_EQ(run.ui.boxes.size(), 1u) << c.text;
    EXPECT_EQ(run.ui.boxes[0].text, UiText(c.text));
    EXPECT_EQ(run.ui.boxes[0].caption, UiText("Error"));
    EXPECT_EQ(run.ui.boxes[0].style, mb::kIconError | mb::kOk);
    EXPECT_TRUE(run.ui.boxes[0].closedByTimer);
    EXPECT_TRUE(run.createFlags.empty());
    EXPECT_EQ(w.Options.PackageCount, 1);
    // Only the revisions' seventh bytes (already zero in the shipped table) may change.
    EXPECT_TRUE(std::equal(before.begin() + pkg::kOptionString, before.end(),
                           run.block.begin() + pkg::kOptionString)) << c.text;
    EXPECT_EQ(w.Package.MinRevision(0, 0), "VRD!");
  }
}

TEST(FirmwareFile, OpenFailureEndsTheProgram) {
  StartupRun run;
  run.machine.files.Put("C:\\fw.bin", Pattern(64));
  run.machine.files.FailOpen("C:\\fw.bin");
  TQuenzarMain& w = run.Run({"/S", "C:\\fw.bin"});
  EXPECT_EQ(w.End, StartupEnd::FirmwareFileRefused);
  EXPECT_TRUE(run.ui.boxes.empty());  // silent
  EXPECT_TRUE(run.ui.terminated);
}

TEST(FirmwareFile, DirectLoadReportsEachRefusal) {
  sim::Machine machine;
  sim::SimWin32 api(machine, sim::Bitness::X86);
  PackageBlock embedded = EmbeddedPackageBlock();
  std::vector<std::uint8_t> bytes(embedded.bytes().begin(), embedded.bytes().end());
  PackageBlock block(bytes);
  PackageOptions options;
  EXPECT_EQ(LoadFirmwareFile(api, "C:\\none.bin", block, options), FirmwareFileStatus::Unreadable);
  machine.files.Put("C:\\odd.bin", Pattern(17));
  EXPECT_EQ(LoadFirmwareFile(api, "C:\\odd.bin", block, options),
            FirmwareFileStatus::NotMultipleOf16);
  EXPECT_EQ(options.PackageCount, 0);
  machine.files.Put("C:\\ok.bin", Pattern(32));
  EXPECT_EQ(LoadFirmwareFile(api, "C:\\ok.bin", block, options), FirmwareFileStatus::Loaded);
  EXPECT_EQ(options.PackageCount, 1);
  EXPECT_EQ(block.ImageSizeValue(1), 32u);
}

}  // namespace
}  // namespace qz::test
