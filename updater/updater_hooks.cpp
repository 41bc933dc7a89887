#include "updater/updater_hooks.hpp"

#include <utility>

#include "updater/drive_list.hpp"

namespace qz {

MainWindowHooks UpdaterHooks(DriveManagerFactory createDriveManager, UpdateOutcome* lastUpdate) {
  MainWindowHooks hooks;
  hooks.createDriveManager = std::move(createDriveManager);
  hooks.buildDriveList = [](TQuenzarMain& w) {
    BuildDriveList(w);
    cboDrivesChange(w);
  };
  hooks.driveListChange = [](TQuenzarMain& w) { cboDrivesChange(w); };
  hooks.updateCommand = [lastUpdate](TQuenzarMain& w) {
    const UpdateOutcome outcome = cmdUpdateClick(w);
    if (lastUpdate != nullptr) *lastUpdate = outcome;
  };
  return hooks;
}

}  // namespace qz
