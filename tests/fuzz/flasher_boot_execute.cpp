// BootExecute as the flasher reads and rewrites it: the registry's reply, header included, then
// the filter that drops the flasher's own entries in place. The value handed back to the
// registry is read whole, so a length past the buffer shows.
#include <cstring>

#include "bootflash/boot_execute.hpp"
#include "platform/little_endian.hpp"
#include "tests/fuzz/fuzz_native.hpp"

using namespace qz;
using namespace qz::bootflash;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // Its own allocation, so that a write past the buffer at its end leaves it.
  auto* state = new FlasherState();
  fuzz::FuzzNt nt;
  if (data[0] & 1) {
    // The reply as the registry would give it: type REG_MULTI_SZ and the data's length.
    const std::uint32_t length = static_cast<std::uint32_t>(size - 1);
    nt.valueReply.assign(12, 0);
    nt.valueReply[4] = 7;
    le::Store32(nt.valueReply.data() + 8, length);
    nt.valueReply.insert(nt.valueReply.end(), data + 1, data + size);
  } else {
    nt.valueReply.assign(data + 1, data + size);  // any header at all
  }
  RestoreBootExecute(nt, *state, u"\\SystemRoot\\system32\\Ombrel.exe", 31);
  if (nt.value.size() > kBootExecuteBufferBytes - 12) __builtin_trap();
  delete state;
  return 0;
}
