// Fails when any listed Windows binary is missing, empty, or holds the firmware key (whole,
// or 8 of its bytes in a row). The key comes from both copies of the key routine, which must
// agree.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "bootflash/firmware_key.hpp"
#include "key_scan.hpp"
#include "staging/firmware_key_tables.hpp"

int main(int argc, char** argv) {
  qz::staging::FirmwareKeyBytes key{}, flasherKey{};
  qz::staging::BuildFirmwareKey(key.data());
  qz::bootflash::BuildFirmwareKey(flasherKey.data());
  if (key != flasherKey) {
    std::puts("FAIL: the updater's and the flasher's key copies disagree");
    return 1;
  }
  if (argc < 2) {
    std::puts("FAIL: no binaries listed");
    return 1;
  }
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
    if (!in.good() && !in.eof()) {
      std::printf("FAIL: cannot read %s\n", argv[i]);
      ++failures;
    } else if (file.empty()) {
      std::printf("FAIL: missing or empty %s\n", argv[i]);
      ++failures;
    } else if (const auto found = qz::staging::FindKeyBytes(file, key)) {
      std::printf("FAIL: %s holds %s\n", argv[i], found->c_str());
      ++failures;
    } else {
      std::printf("ok: %s (%zu bytes) holds no run of key bytes\n", argv[i], file.size());
    }
  }
  return failures == 0 ? 0 : 1;
}
