#pragma once
// The simulated user in front of the updater's window: what the user reads, picks and presses,
// written to the transcript.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/machine/ui.hpp"
#include "sim/os/drive_apis.hpp"
#include "sim/os/sim_win32.hpp"
#include "tools/demo/demo_transcript.hpp"
#include "tools/demo/verdict.hpp"
#include "updater/main_window.hpp"

namespace qz::demo {

// The window as the user finds it, the drive the user picks, and the press of the button.
void PlayTheUser(Transcript& out, sim::SimUi& ui, TQuenzarMain& window);

// The user starts the updater again after the restarts, with no argument, and reads the window:
// the line under the version line tells what the last boot-time run did. Nothing is updated.
// Returns the line as the terminal shows it; `says` gets its claim.
std::string LaterStart(Transcript& out, sim::SimWin32& updater, sim::DriveApis& apis, std::vector<std::uint8_t> block,
                       LastRunSays& says);

}  // namespace qz::demo
