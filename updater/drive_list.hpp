#pragma once
// The drive list of the main window: its lines, the selection after it is built, the version
// line shown for the selected drive, and the owner drawing of its items.
#include <string>

#include "platform/draw_api.hpp"
#include "updater/drive_manager_api.hpp"

namespace qz {

class TQuenzarMain;

// The list line of one drive: the full form, or the form used when only eligible drives are
// listed (model trimmed); each with the 4-character or the long revision.
std::string DriveListLine(const DriveRecord& drive, bool eligibleOnly, bool longRevisions);

// Fills the list, ItemToDrive and DetectedDrivesText (matching the drives first) and selects
// the last eligible item, or item 0.
void BuildDriveList(TQuenzarMain& window);

// The list's change handler: selects the item's drive and shows its version line, or the
// refusal, and enables the update button only for an eligible drive.
void cboDrivesChange(TQuenzarMain& window);

// Owner drawing of item `item` in `rect`.
void cboDrivesDrawItem(TQuenzarMain& window, int item, DrawRect rect, bool selected,
                       DrawCanvas& canvas);

// The selected item's background: bands 3 pixels high, two colour ramps.
void PaintSelectionGradient(DrawCanvas& canvas, const DrawRect& rect);

}  // namespace qz
