#include "sim/os/host_flasher.hpp"

#include <cstring>

#include "bootflash/ata_request.hpp"
#include "bootflash/flasher.hpp"
#include "platform/little_endian.hpp"

namespace qz::bootflash {

const FlasherConfigLayout& ConfigLayoutFor(sim::CallerBits bits) {
  return bits == sim::CallerBits::X64 ? kFlasherConfig64 : kFlasherConfig32;
}

HostFlasherRun RunHostFlasher(sim::Machine& machine, sim::CallerBits bits,
                              const std::vector<std::uint8_t>& configBlock,
                              const std::string& imagePath, const std::string& commandLine,
                              const std::function<void(sim::SimNative&)>& prepare) {
  HostFlasherRun run;
  run.process = std::make_unique<sim::SimNative>(machine, bits);
  if (prepare) prepare(*run.process);
  // Process-global on Windows: zeroed storage, as a fresh process has it.
  auto state = std::make_unique<FlasherState>();
  std::memset(state.get(), 0, sizeof(FlasherState));
  const std::u16string image = sim::Widen(imagePath);
  const std::u16string command = sim::Widen(commandLine);
  Flasher<sim::SimNative> flasher(*run.process, *state, configBlock.data(), ConfigLayoutFor(bits),
                                  bits == sim::CallerBits::X64 ? kAtaHeader64 : kAtaHeader32);
  flasher.Run(NativeText{image.data(), image.size()}, NativeText{command.data(), command.size()});
  return run;
}

long FindConfigBlock(const std::vector<std::uint8_t>& image, sim::CallerBits bits) {
  return static_cast<long>(LocateFlasherConfig(image.data(), image.size(), ConfigLayoutFor(bits)));
}

bool RunFlasherImage(sim::Machine& machine, const sim::BootProcess& process, sim::BootRun& run) {
  const long at = FindConfigBlock(process.image, process.bits);
  if (at < 0) return false;
  const FlasherConfigLayout& layout = ConfigLayoutFor(process.bits);
  std::vector<std::uint8_t> block(process.image.begin() + at,
                                  process.image.begin() + at + static_cast<long>(layout.size));
  HostFlasherRun result =
      RunHostFlasher(machine, process.bits, block, process.imagePath, process.entry);
  run.console = result.Console();
  run.status = result.process->exitStatus;
  return true;
}

std::vector<std::uint8_t> MakeFlasherStandIn(sim::CallerBits bits) {
  const FlasherConfigLayout& layout = ConfigLayoutFor(bits);
  std::vector<std::uint8_t> image(0x400 + layout.size + 0x100, 0);
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 0x80;
  std::memcpy(image.data() + 0x80, "PE\0\0", 4);
  const std::uint16_t machine = bits == sim::CallerBits::X64 ? 0x8664 : 0x14C;
  le::Store16(image.data() + 0x84, machine);
  BuildFlasherConfig(layout, image.data() + 0x400);
  return image;
}

}  // namespace qz::bootflash
