#include "sim/os/sim_fs_redirection.hpp"

namespace qz::sim {

bool SimFsRedirection::Wow64DisableWow64FsRedirection(Handle& oldValue) {
  if (unavailable || !process_.IsWow64()) {
    process_.SetLastError(1);  // ERROR_INVALID_FUNCTION
    return false;
  }
  oldValue = process_.fsRedirectionDisabled ? 1 : 0;
  process_.fsRedirectionDisabled = true;
  return true;
}

bool SimFsRedirection::Wow64RevertWow64FsRedirection(Handle oldValue) {
  if (unavailable || !process_.IsWow64()) return false;
  process_.fsRedirectionDisabled = oldValue != 0;
  return true;
}

}  // namespace qz::sim
