#include "platform/whole_file.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "sim/machine/machine.hpp"
#include "sim/os/sim_win32.hpp"

namespace qz {
namespace {

constexpr char kPath[] = "C:\\TEMP\\whole.bin";

// Each row: what the machine does to the write, whether it counts as written, and so whether
// the file stays (holding exactly the new bytes) or is gone.
TEST(WholeFile, EitherAllTheBytesOrNoFile) {
  struct Case {
    const char* name;
    std::function<void(sim::Machine&)> fault;
    bool written;
  } cases[] = {
      {"plain write", [](sim::Machine&) {}, true},
      {"an older, longer file is replaced",
       [](sim::Machine& m) { m.files.Put(kPath, std::vector<std::uint8_t>(64, 0xEE)); }, true},
      {"create refused", [](sim::Machine& m) { m.files.FailCreate(kPath); }, false},
      {"write refused", [](sim::Machine& m) { m.files.FailWrite(kPath); }, false},
      {"write takes fewer bytes than given", [](sim::Machine& m) { m.files.ShortenWrites(kPath); }, false},
      {"disk full before the last byte",
       [](sim::Machine& m) { m.files.SetCapacity(m.files.UsedBytes() + 5); }, false},
  };
  const std::vector<std::uint8_t> data = {1, 2, 3, 4, 5, 6};
  for (const Case& c : cases) {
    sim::Machine m;
    sim::SimWin32 api(m, sim::Bitness::X64);
    c.fault(m);
    EXPECT_EQ(WriteWhole(api, kPath, data), c.written) << c.name;
    const auto file = m.files.Get(kPath);
    if (c.written) {
      ASSERT_TRUE(file.has_value()) << c.name;
      EXPECT_EQ(*file, data) << c.name;
    } else {
      EXPECT_FALSE(file.has_value()) << c.name;
    }
    EXPECT_EQ(api.OpenHandleCount(), 0u) << c.name;
  }
}

}  // namespace
}  // namespace qz
