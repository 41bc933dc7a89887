// FW.bin as the boot-time flasher loads it: an end of file that need not agree with the bytes
// a read returns, the done-mark search, the decipher pass and the marker search.
#include <algorithm>
#include <cstring>

#include "bootflash/firmware_file.hpp"
#include "tests/fuzz/fuzz_native.hpp"

using namespace qz;
using namespace qz::bootflash;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FlasherState* state = [] {
    auto* s = new FlasherState();
    s->image = new std::uint8_t[kImageBufferSize + kImageBufferSlack]();
    return s;
  }();
  static std::size_t dirty = 0;  // bytes of the image buffer an earlier input touched
  if (size < 2) return 0;
  std::memset(state->image, 0, dirty);

  fuzz::FuzzNt nt;
  nt.file.assign(data + 2, data + size);
  // The first two bytes say how far the file's end lies from the bytes a read gives.
  const int delta = (data[0] << 8 | data[1]) - 0x8000;
  switch (data[0] >> 6) {
    case 0: nt.endOfFile = nt.file.size(); break;
    case 1: nt.endOfFile = static_cast<std::uint64_t>(
                std::max<long long>(0, static_cast<long long>(nt.file.size()) + (delta % 64)));
            break;
    case 2: nt.endOfFile = kImageBufferSize + static_cast<std::uint64_t>(data[1]) - 128; break;
    default: nt.endOfFile = 0xFFFFFFFF00000000ull + nt.file.size(); break;
  }
  const std::int32_t result = LoadFirmwareFile(nt, *state, u"\\??\\C:\\WINDOWS\\system32\\FW.bin");
  dirty = std::max<std::size_t>({dirty, nt.file.size(), state->fileLength + kImageBufferSlack});
  if (dirty > kImageBufferSize + kImageBufferSlack) dirty = kImageBufferSize + kImageBufferSlack;
  if (result == kFirmwareReady) {
    if (state->markOffset + 7 > state->fileLength) __builtin_trap();  // marker beyond the file
    MarkFirmwareFile(nt, *state, u"\\??\\C:\\WINDOWS\\system32\\FW.bin");
  }
  return 0;
}
