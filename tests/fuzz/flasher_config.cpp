// The flasher's configuration block: the flasher's reader of a block of either layout, the
// search for a block in an image, and the updater's key-search writer, whose every refusal
// must leave the image as it was.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bootflash/flasher_config.hpp"
#include "bootflash/image_field.hpp"

using namespace qz::bootflash;

namespace {
const char* const kKeys[] = {"KEY=",     "UPDATEBOOT=", "_____FW=", "_FW_EXT=", "DRIVECOUNT=",
                             "VENDID1=", "VENDID3=",    "VENDID6=", "VENDID7=", "NONE="};
}

// Byte 0 picks the layout and the key; a value runs to the first NUL after it (at most 40
// characters); the bytes after that NUL are the block and the image.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t select = data[0];
  const std::uint8_t* rest = data + 1;
  const std::size_t restSize = size - 1;
  const std::size_t valueEnd = std::min<std::size_t>(restSize, 40);
  const std::size_t nul = static_cast<std::size_t>(std::find(rest, rest + valueEnd, 0) - rest);
  const std::string value(rest, rest + nul);
  const std::size_t imageAt = std::min(restSize, nul + 1);
  std::vector<std::uint8_t> image(rest + imageAt, rest + restSize);

  const FlasherConfigLayout& layout = (select & 1) ? kFlasherConfig64 : kFlasherConfig32;
  std::vector<std::uint8_t> block(layout.size, 0);
  std::copy_n(image.begin(), std::min(image.size(), layout.size), block.begin());
  FlasherSettings settings{};
  ReadFlasherConfig(block.data(), layout, &settings);
  if (settings.countValid && settings.targetCount > kMaxTargetModels) __builtin_trap();
  for (const auto* model : settings.models) {
    if (model && (model < block.data() || model + kConfigModelWidth > block.data() + block.size())) {
      __builtin_trap();
    }
  }
  LocateFlasherConfig(image.data(), image.size(), kFlasherConfig32);
  LocateFlasherConfig(image.data(), image.size(), kFlasherConfig64);

  // The updater's writer: a refusal leaves the image byte for byte as it was.
  const char* key = kKeys[(select >> 1) % (sizeof kKeys / sizeof *kKeys)];
  const std::vector<std::uint8_t> before = image;
  const PatchResult one = PatchImageField(image.data(), image.size(), key, value.c_str());
  if (one != PatchResult::kWritten && image != before) __builtin_trap();
  if (one == PatchResult::kWritten && CheckImageFieldValue(key, value.c_str()) != one) __builtin_trap();

  image = before;
  const ImageField fields[] = {{key, value.c_str()}, {"_____FW=", "VRDC"}, {"DRIVECOUNT=", "0001"}};
  std::size_t failed = 99;
  if (PatchImageFields(image.data(), image.size(), fields, 3, &failed) != PatchResult::kWritten &&
      image != before) {
    __builtin_trap();
  }

  // A value given with its length, NUL bytes and all (a drive's revision): the first 8 bytes
  // of the image stand for it. Written, exactly those bytes follow the key's first occurrence.
  image = before;
  if (image.size() >= 8) {
    const std::string raw(image.begin(), image.begin() + 8);
    const ImageField rawField[] = {{"KEY=", raw.data(), raw.size()}};
    if (PatchImageFields(image.data(), image.size(), rawField, 1, nullptr) == PatchResult::kWritten) {
      const std::string stagedRevisionKey = "KEY=";
      const auto at = std::search(before.begin(), before.end(), stagedRevisionKey.begin(), stagedRevisionKey.end());
      if (at == before.end() ||
          std::memcmp(raw.data(), image.data() + (at - before.begin()) + stagedRevisionKey.size(), raw.size()) != 0) {
        __builtin_trap();
      }
    } else if (image != before) {
      __builtin_trap();
    }
  }
  return 0;
}
