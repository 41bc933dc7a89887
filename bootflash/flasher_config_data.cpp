#include "bootflash/flasher_config.hpp"

namespace qz::bootflash {

// Constant-initialized (no static constructor): the bytes are in the image as built, where
// the updater finds them by key search. External linkage and writable, so the compiler may
// neither drop nor fold them.
static_assert(sizeof(FlasherConfigBlock<kFlasherConfigThisBuild.size>) ==
              kFlasherConfigThisBuild.size);

extern FlasherConfigBlock<kFlasherConfigThisBuild.size> FlasherConfig;
constinit FlasherConfigBlock<kFlasherConfigThisBuild.size> FlasherConfig =
    MakeFlasherConfig<kFlasherConfigThisBuild.size>(kFlasherConfigThisBuild);

uint8_t* FlasherConfigBytes() {
  uint8_t* bytes = FlasherConfig.bytes;
  // Hide where the pointer comes from, so reads are never folded into the built values:
  // the updater changes these bytes in the file after linking.
  __asm__("" : "+r"(bytes));
  return bytes;
}

}  // namespace qz::bootflash
