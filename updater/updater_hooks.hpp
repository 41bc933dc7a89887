#pragma once
// The main window's hooks as the updater ships them: the drive list, its change handler and
// the update command, over the given drive manager.
#include "updater/main_window.hpp"
#include "updater/update_command.hpp"

namespace qz {

// `lastUpdate`, when given, receives the update command's outcome.
MainWindowHooks UpdaterHooks(DriveManagerFactory createDriveManager,
                             UpdateOutcome* lastUpdate = nullptr);

}  // namespace qz
