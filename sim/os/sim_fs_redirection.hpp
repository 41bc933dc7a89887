#pragma once
// WOW64 file-system redirection switched off and on for one simulated process.
#include "platform/fs_redirection_api.hpp"
#include "sim/os/sim_win32.hpp"

namespace qz::sim {

class SimFsRedirection final : public FsRedirectionApi {
 public:
  explicit SimFsRedirection(SimWin32& process) : process_(process) {}
  bool Wow64DisableWow64FsRedirection(Handle& oldValue) override;
  bool Wow64RevertWow64FsRedirection(Handle oldValue) override;
  bool unavailable = false;  // as on a system whose kernel32 lacks the calls

 private:
  SimWin32& process_;
};

}  // namespace qz::sim
