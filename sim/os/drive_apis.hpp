#pragma once
// The drive-facing interfaces over one process's view of a simulated machine, bundled as the
// command device takes them, with the register-access libraries' images that the loaders
// install (stand-ins of the right processor).
#include <cstdint>
#include <vector>

#include "sim/machine/machine.hpp"
#include "sim/os/sim_fs_redirection.hpp"
#include "sim/os/sim_physical_access.hpp"
#include "sim/os/sim_port_io.hpp"
#include "sim/os/sim_setup_api.hpp"
#include "sim/os/sim_win32.hpp"
#include "sim/os/sim_wmi.hpp"
#include "sim/devices/stub_image.hpp"
#include "transport/ata_command_device.hpp"

namespace qz::sim {

struct DriveApis {
  DriveApis(Machine& machine, SimWin32& api)
      : setup(api), wmi(api), fs(api), portIo(api), physical(api),
        system{api, setup, wmi, fs, portIo, physical, machine.userBuffers,
               {ntport, ntport, ntport64}, {tessel, tessel, tessel64}} {}
  SimSetupApi setup;
  SimWmi wmi;
  SimFsRedirection fs;
  SimPortIo portIo;
  SimPhysicalAccess physical;
  std::vector<std::uint8_t> ntport = StubImage(kImageX86, 3000, 1);
  std::vector<std::uint8_t> ntport64 = StubImage(kImageX64, 3000, 2);
  std::vector<std::uint8_t> tessel = StubImage(kImageX86, 4000, 3);
  std::vector<std::uint8_t> tessel64 = StubImage(kImageX64, 4000, 4);
  CommandDeviceSystem system;
};

}  // namespace qz::sim
