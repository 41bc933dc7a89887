#include "bootflash/flasher_config.hpp"

namespace qz::bootflash {
namespace {

bool TextAt(const uint8_t* p, const char* text, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (p[i] != static_cast<uint8_t>(text[i])) return false;
  }
  return true;
}

bool KeysAt(const uint8_t* block, const FlasherConfigLayout& layout) {
  if (!TextAt(block + layout.stagedRevisionKey, "KEY=", kStagedRevisionKeyLength) ||
      !TextAt(block + layout.updateBootKey, "UPDATEBOOT=", kUpdateBootKeyLength) ||
      !TextAt(block + layout.revisionKey, "_____FW=", kRevisionKeyLength) ||
      !TextAt(block + layout.extensionKey, "_FW_EXT=", kExtensionKeyLength) ||
      !TextAt(block + layout.driveCountKey, "DRIVECOUNT=", kDriveCountKeyLength)) {
    return false;
  }
  for (size_t k = 0; k < kMaxTargetModels; ++k) {
    const uint8_t* key = block + layout.firstModelKey + k * layout.modelStride;
    if (!TextAt(key, "VENDID", 6) || key[6] != '1' + k || key[7] != '=') return false;
  }
  return true;
}

}  // namespace

ptrdiff_t LocateFlasherConfig(const uint8_t* image, size_t length,
                              const FlasherConfigLayout& layout) {
  if (image == nullptr || length < layout.size) return -1;
  for (size_t pos = 0; pos <= length - layout.size; ++pos) {
    if (image[pos] == 'K' && KeysAt(image + pos, layout)) return static_cast<ptrdiff_t>(pos);
  }
  return -1;
}

}  // namespace qz::bootflash
