#pragma once
// WOW64 file-system redirection of a 32-bit process on 64-bit Windows (kernel32, bound by
// name: missing before XP x64). Used where a 32-bit program must reach the real system32.
#include "platform/types.hpp"

namespace qz {

class FsRedirectionApi {
 public:
  virtual ~FsRedirectionApi() = default;
  // False when redirection cannot be turned off (no WOW64, or the calls are missing).
  virtual bool Wow64DisableWow64FsRedirection(Handle& oldValue) = 0;
  virtual bool Wow64RevertWow64FsRedirection(Handle oldValue) = 0;
};

}  // namespace qz
