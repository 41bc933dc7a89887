#pragma once
// WOW64 file-system redirection through kernel32, bound by name.
#include "platform/fs_redirection_api.hpp"

namespace qz {

class Win32FsRedirection final : public FsRedirectionApi {
 public:
  bool Wow64DisableWow64FsRedirection(Handle& oldValue) override;
  bool Wow64RevertWow64FsRedirection(Handle oldValue) override;
};

}  // namespace qz
