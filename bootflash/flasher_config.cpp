#include "bootflash/flasher_config.hpp"

namespace qz::bootflash {

void ReadFlasherConfig(const uint8_t* block, const FlasherConfigLayout& layout,
                       FlasherSettings* out) {
  const uint8_t* flag = block + layout.updateBootKey + kUpdateBootKeyLength;
  out->updateBoot = flag[-1] == '=' && flag[0] == '1';
  out->revision = block + layout.revisionKey + kRevisionKeyLength;
  out->stagedRevision = block + layout.stagedRevisionKey + kStagedRevisionKeyLength;
  out->revisionStaged = false;
  for (size_t i = 0; i < kConfigStagedRevisionWidth; ++i) {
    if (out->stagedRevision[i] != ' ') out->revisionStaged = true;
  }
  out->extension = block + layout.extensionKey + kExtensionKeyLength;
  out->countDigits = block + layout.driveCountKey + kDriveCountKeyLength;

  uint32_t count = 0;
  bool digits = true;
  for (size_t i = 0; i < kConfigCountWidth; ++i) {
    const uint8_t c = out->countDigits[i];
    if (c < '0' || c > '9') digits = false;
    count = count * 10 + static_cast<uint32_t>(c - '0');
  }
  // A count beyond the six model fields would send the reader past the block.
  out->countValid = digits && count <= kMaxTargetModels;
  out->targetCount = out->countValid ? count : 0;

  for (size_t k = 0; k < kMaxTargetModels; ++k) {
    out->models[k] = block + layout.firstModelKey + k * layout.modelStride + kModelKeyLength;
  }
}

}  // namespace qz::bootflash
