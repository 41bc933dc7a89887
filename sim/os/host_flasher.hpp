#pragma once
// The flasher built on the host against the simulated machine's native API: runs one process
// of it, and serves as the machine's boot-time program for flasher images found through
// BootExecute.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bootflash/flasher_config.hpp"
#include "sim/machine/boot.hpp"
#include "sim/machine/machine.hpp"
#include "sim/os/sim_native.hpp"

namespace qz::bootflash {

struct HostFlasherRun {
  std::unique_ptr<sim::SimNative> process;  // what the process did
  std::string Console() const { return process->Console(); }
};

// One run of the flasher as a `bits` process with the given configuration block (in the
// layout of `bits`), image path and command line.
HostFlasherRun RunHostFlasher(sim::Machine& machine, sim::CallerBits bits,
                              const std::vector<std::uint8_t>& configBlock,
                              const std::string& imagePath, const std::string& commandLine,
                              const std::function<void(sim::SimNative&)>& prepare = {});

// The offset of the configuration block in a flasher image of `bits`, or -1.
long FindConfigBlock(const std::vector<std::uint8_t>& image, sim::CallerBits bits);

// The boot-time program for RebootMachine: runs images that carry a flasher configuration
// block, with that block.
bool RunFlasherImage(sim::Machine& machine, const sim::BootProcess& process, sim::BootRun& run);

// A stand-in for a built flasher, for host tests: a PE header naming the processor and the
// configuration block as built.
std::vector<std::uint8_t> MakeFlasherStandIn(sim::CallerBits bits);

const FlasherConfigLayout& ConfigLayoutFor(sim::CallerBits bits);

}  // namespace qz::bootflash
