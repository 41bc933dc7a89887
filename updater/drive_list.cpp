#include "updater/drive_list.hpp"

#include <cstdio>

#include "platform/text.hpp"
#include "updater/drive_match.hpp"
#include "updater/main_window.hpp"
#include "updater/ui_texts.hpp"

namespace qz {
namespace {

struct Color3 {
  int r, g, b;
};

constexpr Color3 kGradient1{242, 242, 255}, kGradient2{220, 241, 252};
constexpr Color3 kGradient3{200, 223, 255}, kGradient4{164, 203, 255};
constexpr int kBandHeight = 3;

std::uint32_t Ramp(Color3 from, Color3 to, int step, int bands) {
  auto channel = [&](int a, int b) { return static_cast<std::uint8_t>(a + (b - a) * 2 * step / bands); };
  return Rgb(channel(from.r, to.r), channel(from.g, to.g), channel(from.b, to.b));
}

}  // namespace

std::string DriveListLine(const DriveRecord& drive, bool eligibleOnly, bool longRevisions) {
  const std::string tag = FieldText(drive.TypeTag, 2);
  const std::string model = FieldText(drive.ModelText);
  const std::string revision = FieldText(drive.FirmwareRevision);
  char line[160];
  if (eligibleOnly) {
    const std::string trimmed = TrimText(model);
    std::snprintf(line, sizeof line, longRevisions ? "%2d-%d-%d-%d %.2s%s %8s" : "%2d-%d-%d-%d %.2s%s %.4s",
                  drive.PortNumber, drive.PathId, drive.TargetId, drive.Lun, tag.c_str(),
                  trimmed.c_str(), revision.c_str());
  } else {
    std::snprintf(line, sizeof line, longRevisions ? "%2d-%d-%d-%d %.2s%24s %8s" : "%2d-%d-%d-%d %.2s%24s %.4s",
                  drive.PortNumber, drive.PathId, drive.TargetId, drive.Lun, tag.c_str(),
                  model.c_str(), revision.c_str());
  }
  return line;
}

void BuildDriveList(TQuenzarMain& w) {
  w.Ui.ClearItems(UiControl::cboDrives);
  w.DetectedDrivesText.clear();
  if (!w.Drives) return;
  DriveManagerApi& drives = *w.Drives;
  MatchDrivesToPackage(w.Package, w.Options, drives);

  const unsigned count = drives.GetCount();
  for (unsigned i = 0; i < count; ++i) {
    const DriveRecord* drive = drives.GetItem(i);
    if (drive == nullptr) continue;
    if (w.Options.ListEligibleOnly && !(drive->Present == 1 && drive->Eligible == 1)) continue;
    // The list holds one item per drive slot.
    if (w.Ui.GetItemCount(UiControl::cboDrives) >= TQuenzarMain::kMaxListItems) break;
    const std::string line = DriveListLine(*drive, w.Options.ListEligibleOnly, w.Options.LongRevisions);
    w.DetectedDrivesText += line + "\n";
    const int item = w.Ui.AddItem(UiControl::cboDrives, line);
    if (item >= 0 && item < TQuenzarMain::kMaxListItems) w.ItemToDrive[static_cast<std::size_t>(item)] = static_cast<int>(i);
  }

  w.Ui.SetItemIndex(UiControl::cboDrives, 0);
  const int items = w.Ui.GetItemCount(UiControl::cboDrives);
  for (int n = 0; n < items; ++n) {
    const DriveRecord* drive = drives.GetItem(static_cast<unsigned>(w.ItemToDrive[static_cast<std::size_t>(n)]));
    if (drive != nullptr && drive->Present == 1 && drive->Eligible == 1) {
      w.Ui.SetItemIndex(UiControl::cboDrives, n);
    }
  }
}

void cboDrivesChange(TQuenzarMain& w) {
  using namespace texts;
  try {
    w.SelectedPackage = 0;
    const int item = w.Ui.GetItemIndex(UiControl::cboDrives);
    if (item < 0 || item >= TQuenzarMain::kMaxListItems || !w.Drives) return;
    const int slot = w.ItemToDrive[static_cast<std::size_t>(item)];
    w.Drives->Select(static_cast<std::int16_t>(slot));
    const DriveRecord* drive = w.Drives->GetItem(static_cast<unsigned>(slot));
    if (drive == nullptr) return;

    const bool zh = w.Options.SecondLanguage();
    const std::uint32_t page = w.TextCodePage();
    if (drive->Eligible == 1) {
      w.Ui.SetEnabled(UiControl::cmdUpdate, true);
      w.Ui.SetVisible(UiControl::lblOldFW, true);
      w.Ui.SetVisible(UiControl::lblTo, true);
      w.Ui.SetVisible(UiControl::lblNewFW, true);
      w.Ui.SetCaption(UiControl::lblUpdateMsg, UiText(zh ? big5::kUpdateMsgEligible : en::kUpdateMsgEligible, page));
      w.Ui.SetFontColor(UiControl::lblUpdateMsg, Rgb(0, 0, 0));
      w.Ui.SetFontColor(UiControl::lblTo, Rgb(0, 0, 0));
      w.SelectedPackage = drive->PackageIndex;
      const int package = drive->PackageIndex + 1;
      w.Ui.SetCaption(UiControl::lblNewFW, w.Package.NewRevision(package));
      w.Ui.SetCaption(UiControl::lblFWExt, w.Package.Extension(package));
      const std::string revision = FieldText(drive->FirmwareRevision);
      w.Ui.SetCaption(UiControl::lblOldFW, w.Options.LongRevisions ? revision : revision.substr(0, 4));
      // Lay the version line out again without starting an update from here.
      const bool autoUpdate = w.Options.AutoUpdate;
      w.Options.AutoUpdate = false;
      try {
        w.FormShow();
      } catch (...) {
        w.Options.AutoUpdate = autoUpdate;
        throw;
      }
      w.Options.AutoUpdate = autoUpdate;
    } else {
      w.Ui.SetEnabled(UiControl::cmdUpdate, false);
      w.Ui.SetVisible(UiControl::lblOldFW, false);
      w.Ui.SetVisible(UiControl::lblTo, false);
      w.Ui.SetVisible(UiControl::lblNewFW, false);
      w.Ui.SetCaption(UiControl::lblUpdateMsg, UiText(zh ? big5::kUpdateMsgNotAllowed : en::kUpdateMsgNotAllowed, page));
      w.Ui.SetFontColor(UiControl::lblUpdateMsg, Rgb(128, 0, 0));
    }
  } catch (...) {
    // Never reaches the user; the labels keep what was set so far.
  }
}

void PaintSelectionGradient(DrawCanvas& canvas, const DrawRect& rect) {
  const int bands = (rect.bottom - rect.top) / kBandHeight;
  const int half = bands / 2;
  for (int b = 0; b < bands; ++b) {
    const std::uint32_t color = b < half ? Ramp(kGradient1, kGradient2, b, bands)
                                         : Ramp(kGradient3, kGradient4, b - half, bands);
    const int top = rect.top + kBandHeight * b;
    canvas.FillRect({rect.left, top, rect.right, top + kBandHeight}, color);
  }
}

void cboDrivesDrawItem(TQuenzarMain& w, int item, DrawRect rect, bool selected, DrawCanvas& canvas) {
  int image = 0;
  if (w.Drives && item >= 0 && item < TQuenzarMain::kMaxListItems) {
    const DriveRecord* drive = w.Drives->GetItem(static_cast<unsigned>(w.ItemToDrive[static_cast<std::size_t>(item)]));
    if (drive != nullptr && drive->Eligible == 1) image = 1;
  }
  rect.left = 0;
  std::optional<std::uint32_t> background;
  if (selected) {
    PaintSelectionGradient(canvas, rect);
  } else {
    background = (item % 2 != 0) ? Rgb(238, 238, 238) : Rgb(255, 255, 255);
    canvas.FillRect(rect, *background);
  }
  canvas.DrawImage(image, rect.left + 10, rect.top);
  canvas.PaintText(rect.left + 45, rect.top + 6, w.Ui.GetItem(UiControl::cboDrives, item), Rgb(0, 0, 0),
                  background);
}

}  // namespace qz
