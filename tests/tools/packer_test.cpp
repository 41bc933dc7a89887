// The packer: round trip through the updater's own accessors, every refusal naming its field,
// the marker warning, and that nothing outside the block changes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "packer_fixture.hpp"
#include "platform/little_endian.hpp"
#include "tools/packer/code_signing.hpp"
#include "tools/packer/pe_signature.hpp"
#include "updater/package_markers.hpp"
#include "updater/package_options.hpp"

namespace qz::packer::test {
namespace {

using namespace pkg;

bool OutsideBlockUnchanged(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                           std::size_t base) {
  return a.size() == b.size() && std::equal(a.begin(), a.begin() + base, b.begin()) &&
         std::equal(a.begin() + base + kBlockSize, a.end(), b.begin() + base + kBlockSize);
}

TEST(Packer, LocatesTheBlockByItsMarkers) {
  auto file = FakeExecutable();
  std::string error;
  const auto base = LocateBlock(file, error);
  ASSERT_TRUE(base) << error;
  EXPECT_EQ(*base, kPrefix);
}

TEST(Packer, RefusesFilesWhoseMarkersAreMissingDoubledOrMisplaced) {
  std::string error;
  auto missing = FakeExecutable();
  missing[kPrefix + kAesBufArea] = 'a';
  EXPECT_FALSE(LocateBlock(missing, error));
  EXPECT_NE(error.find("AES_BUF_HERE"), std::string::npos);

  auto doubled = FakeExecutable();
  std::copy_n("WIN7_X64_SIZE=", 14, doubled.begin() + 10);
  EXPECT_FALSE(LocateBlock(doubled, error));
  EXPECT_NE(error.find("WIN7_X64_SIZE="), std::string::npos);

  auto shifted = FakeExecutable();
  // Move the boot-code marker one byte on: the areas no longer agree with the layout.
  std::copy_n("\0BOOT_CODE_HERE", 15, shifted.begin() + kPrefix + kBootCodeArea);
  EXPECT_FALSE(LocateBlock(shifted, error));
  EXPECT_NE(error.find("BOOT_CODE_HERE"), std::string::npos);

  auto truncated = FakeExecutable();
  truncated.resize(kPrefix + kBlockSize - 1);
  EXPECT_FALSE(LocateBlock(truncated, error));
}

TEST(Packer, RoundTripThroughTheUpdatersAccessors) {
  auto file = FakeExecutable();
  const auto before = file;
  Release r = TwoPackageRelease();
  r.flashers[0] = FlasherBuildFor(1, 20000, 9);
  r.flashers[9] = FlasherBuildFor(10, 262144, 10);
  r.copyHelpers[3] = CopyHelperBuild(12288, 11);
  const PackResult result = Pack(file, r);
  ASSERT_TRUE(result.ok) << (result.errors.empty() ? "" : result.errors[0]);
  EXPECT_TRUE(result.warnings.empty());
  EXPECT_TRUE(OutsideBlockUnchanged(before, file, kPrefix));

  PackageBlock block(Bytes(file.data() + kPrefix, kBlockSize));
  EXPECT_EQ(block.ProductVersion(), "v3.0.1");
  EXPECT_EQ(block.ProductTitle(), "Test Title");
  EXPECT_EQ(block.ReleaseDate(), "2026/12/08");
  EXPECT_EQ(block.SupportedModelText(), "MODEL A / MODEL B");
  // Old header text does not linger after the new one.
  EXPECT_EQ(file[kPrefix + kProductTitle + 11], 0);

  const PackageOptions o = ReadPackageOptions(block);
  EXPECT_EQ(o.PackageMode, -2);
  EXPECT_EQ(o.Language, 1);
  EXPECT_TRUE(o.AutoUpdate);
  EXPECT_EQ(o.NoticeMode, 2);
  EXPECT_EQ(o.PackageCount, 2);
  EXPECT_TRUE(o.ListEligibleOnly);
  EXPECT_TRUE(o.CheckBattery);
  EXPECT_TRUE(o.UpdateBoot);
  EXPECT_TRUE(o.SkipAdminCheck);
  EXPECT_TRUE(o.AutoCloseMessages);
  EXPECT_TRUE(o.UnattendedRun);
  EXPECT_EQ(o.AutoCloseSeconds, 3);
  EXPECT_TRUE(HasLongRevisions(block));  // "ABC1234"

  ASSERT_EQ(block.Image(1).size(), 262144u);
  EXPECT_TRUE(std::equal(block.Image(1).begin(), block.Image(1).end(), r.packages[0].image.begin()));
  ASSERT_EQ(block.Image(2).size(), 4096u);
  EXPECT_EQ(block.ImageStartValue(2), 262144u);
  EXPECT_TRUE(std::equal(block.Image(2).begin(), block.Image(2).end(), r.packages[1].image.begin()));
  EXPECT_EQ(block.ImageSizeValue(3), 0u);
  EXPECT_EQ(block.NewRevision(1), "VRDC");
  EXPECT_EQ(block.Extension(1), "VRDC-4");
  EXPECT_EQ(block.NewRevision(2), "ZZ01");
  EXPECT_EQ(block.Extension(2), "");
  EXPECT_EQ(block.NewRevision(3), "N/A    ");
  EXPECT_EQ(block.Extension(6), "N/A    ");

  EXPECT_EQ(block.MinRevision(0, 0), "VRD!");
  EXPECT_EQ(block.MaxRevision(0, 0), "VRD~");
  EXPECT_EQ(block.ModelName(0, 0), "MODEL A");
  EXPECT_EQ(block.MinRevision(0, 1), "ABC1234");
  EXPECT_EQ(block.AuxText(0, 1), "x");
  EXPECT_EQ(block.MinRevision(0, 2), "#FLSH13");
  EXPECT_EQ(block.MinRevision(1, 0), "#FLSH21");  // package 2 has no models: its row is blank
  EXPECT_EQ(block.ModelName(1, 0), "#");
  EXPECT_EQ(block.MinRevision(5, 7), "#FLSH68");

  EXPECT_EQ(block.FlasherSize(1), 20000u);
  EXPECT_TRUE(std::equal(r.flashers[0]->begin(), r.flashers[0]->end(), block.FlasherSlot(1).begin()));
  EXPECT_TRUE(std::all_of(block.FlasherSlot(1).begin() + 20000, block.FlasherSlot(1).end(),
                          [](std::uint8_t v) { return v == 0; }));
  EXPECT_EQ(block.FlasherSize(10), 262144u);
  EXPECT_EQ(block.CopySize(4), 12288u);
  EXPECT_TRUE(std::equal(r.copyHelpers[3]->begin(), r.copyHelpers[3]->end(), block.CopySlot(4).begin()));
  // Absent builds: slot and size record as shipped.
  EXPECT_EQ(block.FlasherSize(2), 25600u);  // the XP x64 slot is sized for an x64 build
  EXPECT_EQ(block.FlasherSize(3), 20480u);
  EXPECT_EQ(block.FlasherSize(4), 25600u);
  EXPECT_EQ(block.CopySize(1), 7680u);
  // The markers are still in place: the same executable packs again.
  std::string error;
  EXPECT_TRUE(LocateBlock(file, error)) << error;
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&file[kPrefix + kBootCodeArea]), 14), "BOOT_CODE_HERE");
}

TEST(Packer, RepackingReplacesEveryPackageArea) {
  auto file = FakeExecutable();
  ASSERT_TRUE(Pack(file, TwoPackageRelease()).ok);
  Release one = TwoPackageRelease();
  one.packages.resize(1);
  one.packages[0].image = Image(32, 7);
  one.options[9] = '1';
  ASSERT_TRUE(Pack(file, one).ok);
  PackageBlock block(Bytes(file.data() + kPrefix, kBlockSize));
  EXPECT_EQ(block.ImageSizeValue(2), 0u);
  EXPECT_EQ(block.NewRevision(2), "N/A    ");
  EXPECT_EQ(block.MinRevision(1, 0), "#FLSH21");
  // The old second image is gone from the area.
  EXPECT_TRUE(std::all_of(block.FirmwareArea().begin() + 32, block.FirmwareArea().end(),
                          [](std::uint8_t v) { return v == 0; }));
}

TEST(Packer, WarnsAboutAnImageWithoutTheFlasherMarker) {
  auto file = FakeExecutable();
  Release r = TwoPackageRelease();
  r.packages[1].image = Image(4096, 2, false);
  const PackResult result = Pack(file, r);
  EXPECT_TRUE(result.ok);
  ASSERT_EQ(result.warnings.size(), 1u);
  EXPECT_NE(result.warnings[0].find("packages[2].image"), std::string::npos);
  EXPECT_NE(result.warnings[0].find("ssdbinv"), std::string::npos);
}

struct Refusal {
  const char* field;
  std::function<void(Release&)> spoil;
};

TEST(Packer, RefusesWhatTheLayoutCannotHold) {
  const std::vector<Refusal> refusals = {
      {"product_version", [](Release& r) { r.productVersion = "v1234567890ab"; }},
      {"product_title", [](Release& r) { r.productTitle = std::string(64, 'T'); }},
      {"release_date", [](Release& r) { r.releaseDate = "2026/12/08 x"; }},
      {"supported_model", [](Release& r) { r.supportedModel = std::string(65, 'M'); }},
      {"supported_model", [](Release& r) { r.supportedModel = "MODEL\xC3\xA9"; }},
      {"options", [](Release& r) { r.options.pop_back(); }},
      {"options: digit 5", [](Release& r) { r.options[4] = 'x'; }},
      {"options: digit 10", [](Release& r) { r.options[9] = '3'; }},
      {"packages: 7", [](Release& r) {
         r.packages.resize(7, r.packages[1]);
         r.options[9] = '7';
       }},
      {"packages[1].image", [](Release& r) { r.packages[0].image = Image(262160, 1); }},
      {"packages[2].image", [](Release& r) { r.packages[1].image = Image(4100, 1); }},
      {"packages[2].image", [](Release& r) { r.packages[1].image.clear(); }},
      {"packages[1].new_fw", [](Release& r) { r.packages[0].newRevision = "VRDC1234"; }},
      {"packages[2].fw_ext", [](Release& r) { r.packages[1].extension = "EXT-1234"; }},
      {"packages[1].models", [](Release& r) { r.packages[0].models.resize(9); }},
      {"packages[1].models[2].min", [](Release& r) { r.packages[0].models[1].minRevision = "12345678"; }},
      {"packages[1].models[1].max", [](Release& r) { r.packages[0].models[0].maxRevision = "VRD~~~~~"; }},
      {"packages[1].models[1].model", [](Release& r) { r.packages[0].models[0].modelName = std::string(41, 'm'); }},
      {"packages[1].models[2].aux", [](Release& r) { r.packages[0].models[1].auxText = std::string(17, 'a'); }},
      {"flashers.vista_x64", [](Release& r) { r.flashers[5] = Image(262145, 3, false); }},
      {"flashers.xp_x86", [](Release& r) { r.flashers[0] = std::vector<std::uint8_t>{}; }},
      {"copy_helpers.2008", [](Release& r) { r.copyHelpers[2] = Image(12289, 3, false); }},
      // Each build must be able to run where its slot puts it.
      {"flashers.xp_x64: slot 2 (\"XP_X64_SIZE=\") takes a native program for x86-64, this is a native program for i386",
       [](Release& r) { r.flashers[1] = FlasherBuildFor(1, 20480, 1); }},
      {"flashers.xp_x86: slot 1", [](Release& r) { r.flashers[0] = FlasherBuildFor(2, 20480, 1); }},
      {"flashers.win7_x64: slot 10 (\"WIN7_X64_SIZE=\") takes a native program for x86-64, this is not a PE image",
       [](Release& r) { r.flashers[9] = Image(25600, 1, false); }},
      {"flashers.2003_x86: slot 3 (\"2003_X86_SIZE=\") takes a native program for i386, this is a GUI program for i386",
       [](Release& r) { r.flashers[2] = sim::StubImage(sim::kImageX86, 4096, 1, pe_subsystem::kWindowsGui); }},
      {"flashers.vista_x64: slot 6", [](Release& r) { r.flashers[5] = CopyHelperBuild(8192, 1); }},
      {"copy_helpers.xp: copy-helper slot 4 (\"FERRYIXP_SIZE=\") takes an x86-64 console program, this is a console program for i386",
       [](Release& r) { r.copyHelpers[3] = sim::StubImage(sim::kImageX86, 4096, 1, pe_subsystem::kWindowsConsole); }},
      {"copy_helpers.win7: copy-helper slot 1", [](Release& r) { r.copyHelpers[0] = FlasherBuildFor(2, 4096, 1); }},
      // A table that admits every drive only when the package says so.
      {"packages[1].models: no model entries", [](Release& r) { r.packages[0].models.clear(); }},
      {"packages[1].models[1].model: empty", [](Release& r) { r.packages[0].models[0].modelName = "    "; }},
      {"packages[1].models[2].model: empty", [](Release& r) { r.packages[0].models[1].modelName.clear(); }},
      {"packages[1].models[1].model: a blank entry's \"#\"",
       [](Release& r) { r.packages[0].models[0] = {"#FLSH11", "#", "#", "#"}; }},
      {"packages[2].models: no model entries", [](Release& r) { r.packages[1].anyModel = false; }},
      // With long revisions (entry 2's "ABC1234") the updater trims the blanks and reads the
      // blank marker: every drive.
      {"packages[1].models[1].model: a blank entry's \"#\"",
       [](Release& r) { r.packages[0].models[0] = {" #FLS", " #", "#", "#"}; }},
      {"packages[1].models[2].model: empty",
       [](Release& r) { r.packages[0].models[1] = {"ABC1234", "", "", "#"}; }},
      // The flasher builds must flash only the staged drive's revision.
      {"flashers.win7_x86: slot 9 (\"WIN7_X86_SIZE=\") takes a build that flashes only the staged "
       "drive's revision; this one lacks the mark \"OMBREL/EXACT-STAGED-REVISION/1\"",
       [](Release& r) { r.flashers[8] = FlasherBuildFor(9, 20480, 1, false); }},
      {"flashers.2003_x64: slot 2 (\"XP_X64_SIZE=\") takes a build that flashes only",
       [](Release& r) { r.flashers[3] = FlasherBuildFor(4, 25600, 1, false); }},
  };
  for (const Refusal& refusal : refusals) {
    auto file = FakeExecutable();
    const auto before = file;
    Release r = TwoPackageRelease();
    refusal.spoil(r);
    const PackResult result = Pack(file, r);
    EXPECT_FALSE(result.ok) << refusal.field;
    ASSERT_FALSE(result.errors.empty()) << refusal.field;
    EXPECT_NE(result.errors[0].find(refusal.field), std::string::npos)
        << refusal.field << " / " << result.errors[0];
    EXPECT_TRUE(file == before) << refusal.field;
  }
}

TEST(Packer, LimitsThemselvesAreAccepted) {
  auto file = FakeExecutable();
  Release r = TwoPackageRelease();
  r.productVersion = std::string(12, 'v');
  r.supportedModel = std::string(64, 'M');
  r.packages[0].newRevision = "1234567";
  r.packages[0].models.resize(8, r.packages[0].models[0]);
  r.packages[0].models[7].modelName = std::string(40, 'm');
  r.packages[0].models[7].auxText = std::string(16, 'a');
  r.flashers[3] = FlasherBuildFor(4, 262144, 4);
  r.copyHelpers[0] = CopyHelperBuild(12288, 5);
  r.packages.resize(6, r.packages[1]);
  r.options[9] = '6';
  const PackResult result = Pack(file, r);
  ASSERT_TRUE(result.ok) << (result.errors.empty() ? "" : result.errors[0]);
  PackageBlock block(Bytes(file.data() + kPrefix, kBlockSize));
  EXPECT_EQ(block.ModelName(0, 7), std::string(40, 'm'));
  EXPECT_EQ(block.ImageStartValue(6), 5u * 262144u);
  EXPECT_EQ(block.Image(6).size(), 4096u);
}

// Entries that only look like "every drive" to a reader of the text: the updater's rule admits
// no stranger by them, so they pack.
TEST(Packer, EntriesTheUpdaterDoesNotReadAsEveryDriveAreAccepted) {
  struct Case {
    const char* name;
    std::vector<ReleaseModelEntry> models;
  };
  const std::vector<Case> cases = {
      // Short revisions: the updater reads " #FL", not the blank marker.
      {"marker with a blank, short revisions", {{" #FLS", " #", "#", "#"}}},
      {"empty model, empty range", {{"VRD9", "VRD1", "", "#"}}},
      {"blank marker after the first entry", {{"VRD!", "VRD~", "MODEL A", "#"}, {"#FLSH12", "#", "#", "#"}}},
  };
  for (const Case& c : cases) {
    auto file = FakeExecutable();
    Release r = TwoPackageRelease();
    r.packages[0].models = c.models;
    const PackResult result = Pack(file, r);
    EXPECT_TRUE(result.ok) << c.name << ": " << (result.errors.empty() ? "" : result.errors[0]);
  }
}

TEST(Packer, AnyModelOnPurposeAndTheXpX64SlotFromServer2003) {
  auto file = FakeExecutable();
  Release r = TwoPackageRelease();
  r.packages[0].models = {{"", "", "", "#"}};  // every model, revisions unlimited
  r.packages[0].anyModel = true;
  r.flashers[3] = FlasherBuildFor(4, 24576, 4);  // Server 2003 x64; XP x64 names none
  const PackResult result = Pack(file, r);
  ASSERT_TRUE(result.ok) << (result.errors.empty() ? "" : result.errors[0]);
  PackageBlock block(Bytes(file.data() + kPrefix, kBlockSize));
  EXPECT_EQ(block.ModelName(0, 0), "");
  ASSERT_EQ(block.FlasherSize(2), 24576u);
  EXPECT_TRUE(std::equal(r.flashers[3]->begin(), r.flashers[3]->end(), block.FlasherSlot(2).begin()));
  EXPECT_EQ(block.FlasherSize(4), 24576u);

  // A build of its own for slot 2 wins.
  r.flashers[1] = FlasherBuildFor(2, 8192, 2);
  ASSERT_TRUE(Pack(file, r).ok);
  EXPECT_EQ(block.FlasherSize(2), 8192u);
  EXPECT_TRUE(std::equal(r.flashers[1]->begin(), r.flashers[1]->end(), block.FlasherSlot(2).begin()));
}

TEST(Packer, SigningPassesEachOptionToTheTool) {
  struct Case {
    const char* name;
    SigningOptions options;
    std::vector<std::string> command;
  };
  const std::vector<Case> cases = {
      {"certificate only", {"c.pfx", "", ""},
       {"osslsigncode", "sign", "-pkcs12", "c.pfx", "-h", "sha256", "-in", "a", "-out", "b"}},
      {"password and time stamp", {"c.pfx", "pw.txt", "http://tsa.example/x"},
       {"osslsigncode", "sign", "-pkcs12", "c.pfx", "-h", "sha256", "-readpass", "pw.txt", "-ts",
        "http://tsa.example/x", "-in", "a", "-out", "b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SigningCommand(c.options, "a", "b"), c.command) << c.name;
}

// The certificate table of a PE32 and a PE32+ image, at the end as signers put it, elsewhere,
// or in headers cut short.
TEST(Packer, DropsTheCertificateTableOfASignedInput) {
  struct Case {
    const char* name;
    std::uint16_t machine;
    std::size_t tableAt;   // 0: no table
    std::size_t fileSize;  // after the table is dropped
    bool found;
  };
  const std::vector<Case> cases = {
      {"PE32, table at the end", sim::kImageX86, 0x400, 0x400, true},
      {"PE32+, table at the end", sim::kImageX64, 0x400, 0x400, true},
      {"table not at the end: entry cleared, bytes kept", sim::kImageX86, 0x300, 0x500, true},
      {"no table", sim::kImageX64, 0, 0x500, false},
  };
  for (const Case& c : cases) {
    auto image = sim::StubImage(c.machine, 0x400, 7, pe_subsystem::kWindowsGui);
    image.resize(0x500, 9);
    const std::size_t entry = 0x58 + (c.machine == sim::kImageX64 ? 112 : 96) + 32;
    std::fill(image.begin() + static_cast<std::ptrdiff_t>(entry), image.begin() + static_cast<std::ptrdiff_t>(entry + 8), 0);
    if (c.tableAt != 0) {
      image[entry] = static_cast<std::uint8_t>(c.tableAt);
      image[entry + 1] = static_cast<std::uint8_t>(c.tableAt >> 8);
      image[entry + 5] = 0x01;  // 0x100 bytes
    }
    const auto before = image;
    EXPECT_EQ(DropCertificateTable(image), c.found) << c.name;
    EXPECT_EQ(image.size(), c.fileSize) << c.name;
    EXPECT_FALSE(FindCertificateTable(image)) << c.name;
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(entry), before.begin()))
        << c.name;
  }
  // Headers too short to hold the entry: nothing found, nothing changed.
  auto cut = sim::StubImage(sim::kImageX86, 0x100, 7, pe_subsystem::kWindowsGui);
  cut.resize(0x58 + 96 + 32 + 4);
  const auto before = cut;
  EXPECT_FALSE(DropCertificateTable(cut));
  EXPECT_EQ(cut, before);
}

#ifdef QZ_PACKED_EXE
std::vector<std::uint8_t> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  (void)b.at(at + static_cast<std::size_t>(bytes) - 1);  // past the end throws
  return le::LoadWidth(b.data() + at, static_cast<unsigned>(bytes));
}

TEST(Packer, TheBlockLiesInTheProgramsInitializedData) {
  const auto exe = ReadAll(QZ_UNPACKED_EXE);
  if (exe.empty()) GTEST_SKIP() << "the 32-bit tree has not built Quenzar.exe";
  std::string error;
  const auto base = LocateBlock(exe, error);
  ASSERT_TRUE(base) << error;
  // PE: the section whose file bytes hold the block.
  const std::size_t pe = Le(exe, 0x3C, 4);
  ASSERT_EQ(Le(exe, pe, 4), 0x00004550u);  // "PE\0\0"
  EXPECT_EQ(Le(exe, pe + 4, 2), 0x14Cu);    // i386
  const std::size_t sections = Le(exe, pe + 6, 2);
  const std::size_t table = pe + 24 + Le(exe, pe + 20, 2);
  bool found = false;
  for (std::size_t i = 0; i < sections; ++i) {
    const std::size_t h = table + 40 * i;
    const std::size_t raw = Le(exe, h + 20, 4), rawSize = Le(exe, h + 16, 4);
    if (*base < raw || *base + kBlockSize > raw + rawSize) continue;
    found = true;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&exe[h]), 5), ".data");
    const std::uint32_t flags = Le(exe, h + 36, 4);
    EXPECT_NE(flags & 0x40u, 0u) << "initialized data";
    EXPECT_NE(flags & 0x80000000u, 0u) << "writable";
  }
  EXPECT_TRUE(found) << "no section holds the whole block";
}

TEST(Packer, TheProgramCarriesTheAccessLibrariesAndDrivers) {
  const auto exe = ReadAll(QZ_UNPACKED_EXE);
  ASSERT_FALSE(exe.empty());
  const std::string x86 = QZ_ACCESS32, x64 = QZ_ACCESS64;
  for (const std::string& path : {x86 + "/tessel.dll", x86 + "/tessel.sys", x64 + "/tessel.sys",
                                  x86 + "/tesselio.dll", x86 + "/tesselio.sys", x64 + "/tesselio.sys"}) {
    const auto image = ReadAll(path.c_str());
    ASSERT_FALSE(image.empty()) << path;
    EXPECT_NE(std::search(exe.begin(), exe.end(), image.begin(), image.end()), exe.end())
        << path << " is not carried whole";
  }
}

TEST(Packer, TheBuiltProgramCarriesTheSampleRelease) {
  const auto unpacked = ReadAll(QZ_UNPACKED_EXE);
  const auto packed = ReadAll(QZ_PACKED_EXE);
  if (unpacked.empty() || packed.empty()) GTEST_SKIP() << "the 32-bit tree has not built Quenzar.exe";
  std::string error;
  const auto base = LocateBlock(unpacked, error);
  ASSERT_TRUE(base) << error;
  EXPECT_TRUE(OutsideBlockUnchanged(unpacked, packed, *base));
  std::vector<std::uint8_t> copy(packed.begin() + *base, packed.begin() + *base + kBlockSize);
  PackageBlock block(copy);
  EXPECT_EQ(block.ProductTitle(), "Vortan IX Quenzar Utility for Windows");
  EXPECT_EQ(block.Image(1).size(), 262144u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.Image(1).data()), 7), "QZSIMFW");
  EXPECT_EQ(ReadPackageOptions(block).PackageCount, 1);
  // The copy helpers of the 64-bit tree: each a whole program in its slot.
  for (int c = 1; c <= kCopySlots; ++c) {
    ASSERT_GT(block.CopySize(c), 0u) << c;
    ASSERT_LE(block.CopySize(c), kCopySlotSize) << c;
    EXPECT_EQ(block.CopySlot(c)[0], 'M') << c;
    EXPECT_EQ(block.CopySlot(c)[1], 'Z') << c;
  }
  // The flasher builds, slot by slot; slot 2 (XP x64) carries the Server 2003 x64 build, 7 and
  // 8 the Vista ones.
  const std::string x86 = QZ_FLASHERS32, x64 = QZ_FLASHERS64;
  const std::string builds[kFlasherSlots] = {
      x86 + "/Ombrel-xp-x86.exe",    x64 + "/Ombrel-2003-x64.exe",  x86 + "/Ombrel-2003-x86.exe",
      x64 + "/Ombrel-2003-x64.exe",  x86 + "/Ombrel-vista-x86.exe", x64 + "/Ombrel-vista-x64.exe",
      x86 + "/Ombrel-vista-x86.exe", x64 + "/Ombrel-vista-x64.exe", x86 + "/Ombrel-win7-x86.exe",
      x64 + "/Ombrel-win7-x64.exe"};
  for (int s = 1; s <= kFlasherSlots; ++s) {
    const auto build = ReadAll(builds[s - 1].c_str());
    ASSERT_FALSE(build.empty()) << builds[s - 1];
    ASSERT_EQ(block.FlasherSize(s), build.size()) << s;
    EXPECT_TRUE(std::equal(build.begin(), build.end(), block.FlasherSlot(s).begin())) << s;
  }
}
#endif

}  // namespace
}  // namespace qz::packer::test
