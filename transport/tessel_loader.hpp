#pragma once
// Installs and loads the physical-access library (tessel.dll with tessel.sys) at start-up and
// stops its driver when released, unless a command may still be live on the system buffer.
#include <array>
#include <cstdint>
#include <string>

#include "platform/fs_redirection_api.hpp"
#include "platform/physical_access_api.hpp"
#include "platform/win32_api.hpp"
#include "transport/library_images.hpp"

namespace qz {

class TesselLoader {
 public:
  TesselLoader(Win32Api& os, FsRedirectionApi& fs, PhysicalAccessApi& library,
               const LibraryImages& images);
  ~TesselLoader();
  TesselLoader(const TesselLoader&) = delete;
  TesselLoader& operator=(const TesselLoader&) = delete;

  // 1 once maOpenLibrary has succeeded; the transports test it before every use.
  std::uint8_t Loaded = 0;
  // Set when this Windows does not take the driver at all; nothing was written then.
  std::string NotLoadedReason;
  // The code and text of the library's state after a failed physical-memory copy.
  std::array<char, 256> StateText{};
  std::uint32_t LastState = 0;
  // Set when a SiI3124 command timed out (or a port was found busy): a command may still be
  // live and write into the system buffer. From then on no SiI3124 command is sent, and the
  // driver, which would free the buffer when it stops, is left running until the restart.
  std::uint8_t StrandedCommand = 0;

  PhysicalAccessApi& library() { return library_; }

 private:
  void Load(bool installed);
  Win32Api& os_;
  PhysicalAccessApi& library_;
};

}  // namespace qz
