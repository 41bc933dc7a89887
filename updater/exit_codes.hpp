#pragma once
// The updater's exit code, in the installer conventions that deployment tools read from a
// silent run. Nothing on screen depends on it.
namespace qz::exit_code {

inline constexpr int kNothingNeeded = 0;     // no eligible drive: nothing was staged
inline constexpr int kDeclined = 1602;       // the user said no (notice, or closed the window)
inline constexpr int kFailure = 1603;        // rights, firmware file, staging, copy helper, ...
inline constexpr int kRestartStarted = 1641; // staged, and the restart is under way
inline constexpr int kRestartNeeded = 3010;  // staged; it runs at the next restart

}  // namespace qz::exit_code
