#pragma once
// Installs and loads the port-I/O library (tesselio.dll with tesselio.sys) at start-up and
// stops its driver when released.
#include <cstdint>
#include <string>

#include "platform/fs_redirection_api.hpp"
#include "platform/port_io_api.hpp"
#include "platform/win32_api.hpp"
#include "transport/library_images.hpp"

namespace qz {

class NtPortLoader {
 public:
  NtPortLoader(Win32Api& os, FsRedirectionApi& fs, PortIoApi& library, const LibraryImages& images);
  ~NtPortLoader();
  NtPortLoader(const NtPortLoader&) = delete;
  NtPortLoader& operator=(const NtPortLoader&) = delete;

  std::uint8_t Loaded = 0;
  // Set when this Windows does not take the driver at all; nothing was written then.
  std::string NotLoadedReason;
  PortIoApi& library() { return library_; }

 private:
  void Load(bool installed);
  Win32Api& os_;
  PortIoApi& library_;
};

}  // namespace qz
