#pragma once
// The window's pictures, drawn in code: the banner and the two drive-state icons.
#include "platform/win32/windows.hpp"

#include <commctrl.h>

namespace qz {

// A 449 x 65 banner bitmap.
HBITMAP MakeBanner(int width, int height);
// An image list of two 30 x 30 icons: 0 a drive that can't be updated, 1 an eligible drive.
HIMAGELIST MakeDriveIcons();

}  // namespace qz
