// The flasher's first act on BootExecute, and its argument splitting.
#include <gtest/gtest.h>

#include <cctype>

#include "bootflash/arguments.hpp"
#include "tests/bootflash/flasher_fixture.hpp"

namespace qz::bootflash::testing {
namespace {

class BootExecuteTest : public FlasherFixture {
 protected:
  void Set(const std::vector<std::string>& entries) {
    machine.registry.SetMultiString(hkey::kLocalMachine, kSessionManager, "BootExecute", entries);
  }
};

TEST_F(BootExecuteTest, OnlyTheFlashersOwnEntriesGoOthersKeepTheirOrder) {
  Set({"autocheck autochk /k:C *", "Ombrel FW.bin", "chkdsk-helper /x", "OMBREL.EXE other.bin",
       "\\SystemRoot\\system32\\ombrel FW.bin", "OmbrelTool x", "autocheck autochk *"});
  auto run = Run();  // no drive: the run ends right after the banner
  EXPECT_EQ(BootExecute(), (std::vector<std::string>{"autocheck autochk /k:C *",
                                                     "chkdsk-helper /x", "OmbrelTool x",
                                                     "autocheck autochk *"}));
  // It is the first thing the flasher does.
  ASSERT_GE(run.process->calls.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(run.process->calls.begin(), run.process->calls.begin() + 4),
            (std::vector<std::string>{
                "ZwOpenKey \\Registry\\Machine\\System\\CurrentControlSet\\Control\\Session Manager",
                "ZwQueryValueKey BootExecute", "ZwClose",
                "RtlWriteRegistryValue \\Session Manager BootExecute"}));
}

TEST_F(BootExecuteTest, NothingLeftOrNothingReadableGivesTheDefault) {
  Set({"Ombrel FW.bin"});
  Run();
  EXPECT_EQ(BootExecute(), std::vector<std::string>{"autocheck autochk *"});
  // The value as written: one entry, its NUL and the list's closing NUL.
  const auto* value = machine.registry.GetValue(hkey::kLocalMachine, kSessionManager, "BootExecute");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, 7u);
  EXPECT_EQ(std::string(value->data.begin(), value->data.end()),
            std::string("autocheck autochk *\0\0", 21));

  machine.registry.DeleteValue(hkey::kLocalMachine, kSessionManager, "BootExecute");
  Run();
  EXPECT_EQ(BootExecute(), std::vector<std::string>{"autocheck autochk *"});

  machine.registry.SetString(hkey::kLocalMachine, kSessionManager, "BootExecute", "Ombrel FW.bin");
  Run();  // not a list: rewritten
  EXPECT_EQ(BootExecute(), std::vector<std::string>{"autocheck autochk *"});
}

TEST_F(BootExecuteTest, AKeyThatCannotBeOpenedForReadingStillGetsTheDefault) {
  Set({"autocheck autochk /r *", "Ombrel FW.bin"});
  machine.registry.FailOpen(hkey::kLocalMachine, kSessionManager);
  auto run = Run();
  // The write goes through the same key, which refuses it too: the run carries on.
  EXPECT_EQ(run.Console().rfind("====", 0), 0u);
  EXPECT_TRUE(run.process->terminated);
}

TEST_F(BootExecuteTest, TheRunStopsOnlyAfterBootExecuteIsRestored) {
  Set({"autocheck autochk /k:D *", "Ombrel FW.bin"});
  auto run = Run("Ombrel FW.bin", "\\SystemRoot\\system32\\Ombrel.exe",
                 [](sim::SimNative& nt) { nt.failCreateHeap = true; });
  EXPECT_EQ(BootExecute(), std::vector<std::string>{"autocheck autochk /k:D *"});
}

// A value that fills the query buffer (16,384 bytes less the 12 of the reply's header) to its
// last bytes and whose last entry has no NUL: terminating that entry and the list needs room
// the buffer lacks, so the entry is dropped rather than written past the buffer.
TEST_F(BootExecuteTest, AValueThatFillsTheBufferIsRewrittenWithinIt) {
  // (The simulated registry keeps texts as bytes and widens them: the sizes are even.)
  for (const std::size_t wideBytes : {16370u, 16372u}) {
    const std::string first = "autocheck autochk *";
    std::string raw = first + '\0';
    const std::string tail((wideBytes / 2) - raw.size(), 'x');  // no NUL after it
    raw += tail;
    machine.registry.SetValue(hkey::kLocalMachine, kSessionManager, "BootExecute", 7,
                              std::vector<std::uint8_t>(raw.begin(), raw.end()));
    Run();
    const auto* value =
        machine.registry.GetValue(hkey::kLocalMachine, kSessionManager, "BootExecute");
    ASSERT_NE(value, nullptr);
    const std::string written(value->data.begin(), value->data.end());
    EXPECT_TRUE(written == first + '\0' + '\0')
        << wideBytes << ": " << written.size() << " bytes written";
  }
  // One character less leaves room for both NULs: the long entry stays, now terminated.
  std::string raw = std::string("autocheck autochk *") + '\0';
  raw += std::string(16368 / 2 - raw.size(), 'y');
  machine.registry.SetValue(hkey::kLocalMachine, kSessionManager, "BootExecute", 7,
                            std::vector<std::uint8_t>(raw.begin(), raw.end()));
  Run();
  const auto list = BootExecute();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1], std::string(16368 / 2 - 20, 'y'));
}

struct SplitCase {
  std::u16string line;
  std::vector<std::u16string> args;
};

// The line as ASCII ("?" for anything else), for the test's description and its name.
std::string Ascii(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  return out;
}
void PrintTo(const SplitCase& c, std::ostream* out) { *out << "\"" << Ascii(c.line) << "\""; }

class ArgumentsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ArgumentsTest, SplitsInPlace) {
  sim::Machine machine;
  sim::SimNative nt(machine, sim::CallerBits::X64);
  void* heap = nt.CreateHeap(2, 1 << 20, 4096);
  std::u16string text = GetParam().line;
  char16_t** table = nullptr;
  std::uint32_t count = 0;
  ASSERT_TRUE(SplitArguments(nt, heap, text.data(), &table, &count));
  std::vector<std::u16string> got;
  for (std::uint32_t i = 0; i < count; ++i) got.emplace_back(table[i]);
  EXPECT_EQ(got, GetParam().args);
  nt.FreeHeap(heap, 0, table);
  EXPECT_EQ(nt.DestroyHeap(heap), nullptr);
  EXPECT_EQ(nt.LeakedBlocks(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ArgumentsTest,
    ::testing::Values(
        SplitCase{u"Ombrel FW.bin", {u"Ombrel", u"FW.bin"}},
        SplitCase{u"   Ombrel    FW.bin  ", {u"Ombrel", u"FW.bin"}},
        SplitCase{u"", {}},
        SplitCase{u"Ombrel \"my fw.bin\" x", {u"Ombrel", u"my fw.bin", u"x"}},
        SplitCase{u"a \"q\\\"uote\" b", {u"a", u"q\\\"uote", u"b"}},
        SplitCase{u"a \"open ended", {u"a", u"open ended"}},
        SplitCase{u"a \"ends\\", {u"a", u"ends\\"}},
        SplitCase{u"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20",
                  {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10", u"11", u"12",
                   u"13", u"14", u"15", u"16", u"17", u"18", u"19", u"20"}}),
    [](const auto& param) {
      std::string name = "Line" + std::to_string(param.index) + "_";
      for (char c : Ascii(param.param.line)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(Arguments, ANullTextHasNoArguments) {
  sim::Machine machine;
  sim::SimNative nt(machine, sim::CallerBits::X86);
  void* heap = nt.CreateHeap(2, 1 << 20, 4096);
  char16_t** table = nullptr;
  std::uint32_t count = 7;
  ASSERT_TRUE(SplitArguments(nt, heap, nullptr, &table, &count));
  EXPECT_EQ(count, 0u);
  nt.failAllocation = 2;
  std::u16string text = u"a b";
  EXPECT_FALSE(SplitArguments(nt, heap, text.data(), &table, &count));
  nt.DestroyHeap(heap);
}

}  // namespace
}  // namespace qz::bootflash::testing
