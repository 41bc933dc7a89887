// Entry of the native-subsystem flasher: the Session Manager starts it with the process
// parameters already in place; it runs once and ends the process.
#include <stddef.h>
#include <stdint.h>

#include "bootflash/ata_request.hpp"
#include "bootflash/flasher.hpp"
#include "bootflash/flasher_config.hpp"
#include "bootflash/revision_mark.hpp"
#include "bootflash/win32/real_native.hpp"

namespace {

using qz::bootflash::Flasher;
using qz::bootflash::FlasherState;
using qz::bootflash::NativeText;
using qz::bootflash::win32::RealNt;
using qz::bootflash::win32::UnicodeString;

// Process-global, zeroed by the loader.
FlasherState gState;

// This build flashes only the drive whose revision the updater recorded (flasher.hpp), and
// says so to the packer by carrying the mark. The pointer shares its section with the texts
// the flasher shows, so --gc-sections keeps it, and through it the mark.
__attribute__((used)) const char* const gExactRevisionMark = qz::bootflash::kExactRevisionMark;

// The process parameters, found through the TEB: PEB.ProcessParameters, then the
// ImagePathName and CommandLine UNICODE_STRINGs in RTL_USER_PROCESS_PARAMETERS.
struct ProcessTexts {
  NativeText image, command;
};

NativeText TextOf(const UnicodeString* s) {
  return NativeText{s->buffer, static_cast<size_t>(s->length / 2)};
}

ProcessTexts ReadProcessParameters() {
  uint8_t* peb;
#if defined(__x86_64__)
  __asm__("movq %%gs:0x60, %0" : "=r"(peb));
  uint8_t* parameters = *reinterpret_cast<uint8_t**>(peb + 0x20);
  return {TextOf(reinterpret_cast<UnicodeString*>(parameters + 0x60)),
          TextOf(reinterpret_cast<UnicodeString*>(parameters + 0x70))};
#else
  __asm__("movl %%fs:0x30, %0" : "=r"(peb));
  uint8_t* parameters = *reinterpret_cast<uint8_t**>(peb + 0x10);
  return {TextOf(reinterpret_cast<UnicodeString*>(parameters + 0x38)),
          TextOf(reinterpret_cast<UnicodeString*>(parameters + 0x40))};
#endif
}

}  // namespace

extern "C" __attribute__((stdcall)) void NtProcessStartup(void* /*peb*/) {
  RealNt nt;
  const ProcessTexts texts = ReadProcessParameters();
  Flasher<RealNt> flasher(nt, gState, qz::bootflash::FlasherConfigBytes(),
                          qz::bootflash::kFlasherConfigThisBuild,
                          qz::bootflash::kAtaHeaderThisBuild);
  flasher.Run(texts.image, texts.command);
  for (;;) nt.TerminateProcess(0);
}
