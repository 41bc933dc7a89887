#include "tools/demo/simulated_user.hpp"

#include "platform/text.hpp"
#include "updater/drive_manager_link.hpp"
#include "updater/drive_match.hpp"
#include "updater/updater_hooks.hpp"

namespace qz::demo {
namespace {

// The user picks a drive that the list marks eligible when another is selected; with a
// firmware file every listed drive is eligible, and the user picks the package's model.
void PickDrive(Transcript& out, sim::SimUi& ui, TQuenzarMain& window) {
  const std::string model = TrimText(window.Package.SupportedModelText());
  const int selected = ui.GetItemIndex(UiControl::cboDrives);
  const auto eligible = [&](int i) { return window.ItemImage(UiControl::cboDrives, i) != 0; };
  const auto shows = [&](int i) {
    return !model.empty() && ui.GetItem(UiControl::cboDrives, i).bytes.find(model) != std::string::npos;
  };
  int pick = selected;
  for (int i = ui.GetItemCount(UiControl::cboDrives) - 1; i >= 0; --i) {
    if (eligible(i) && (shows(i) || !(pick >= 0 && eligible(pick) && shows(pick)))) pick = i;
  }
  if (pick >= 0 && eligible(pick) && !shows(pick) && selected >= 0 && eligible(selected)) pick = selected;
  if (pick != selected && pick >= 0) {
    out("   the user selects list item %d\n", pick);
    ui.SetItemIndex(UiControl::cboDrives, pick);
    window.OnChange(UiControl::cboDrives);
  }
}

}  // namespace

void PlayTheUser(Transcript& out, sim::SimUi& ui, TQuenzarMain& window) {
  out("   caption: %s\n", Printable(ui.GetCaption(UiControl::Form)).c_str());
  for (int i = 0; i < ui.GetItemCount(UiControl::cboDrives); ++i) {
    out("   list item %d%s%s: %s\n", i, i == ui.GetItemIndex(UiControl::cboDrives) ? " (selected)" : "",
        window.ItemImage(UiControl::cboDrives, i) ? " [eligible]" : "",
        Printable(ui.GetItem(UiControl::cboDrives, i)).c_str());
  }
  if (!ui.terminated && ui.showMainForm) {
    window.FormShow();  // the window appears; with automatic update the command runs now
  }
  if (ui.terminated) {
    out("   the program ended without waiting for the user\n");
    return;
  }
  PickDrive(out, ui, window);
  const auto shown = [&](UiControl c) { return ui.IsVisible(c) ? Printable(ui.GetCaption(c)) : std::string(); };
  out("   version line: %s %s %s %s\n", Printable(ui.GetCaption(UiControl::lblUpdateMsg)).c_str(),
      shown(UiControl::lblOldFW).c_str(), shown(UiControl::lblTo).c_str(), shown(UiControl::lblNewFW).c_str());
  out("   update button: %s\n", ui.IsEnabled(UiControl::cmdUpdate) ? "enabled" : "disabled");
  out("\n== The user presses \"%s\"\n", Printable(ui.GetCaption(UiControl::cmdUpdate)).c_str());
  window.OnClick(UiControl::cmdUpdate);
}

std::string LaterStart(Transcript& out, sim::SimWin32& updater, sim::DriveApis& apis, std::vector<std::uint8_t> block,
                       LastRunSays& says) {
  out("\n== Later, the user starts the updater again\n");
  sim::SimUi ui;
  ui.answerer = [](const sim::ShownBox& box) { return (box.style & 0xF) == mb::kYesNo ? answer::kNo : answer::kOk; };
  MainWindowHooks hooks = UpdaterHooks(MakeDriveManagerFactory(apis.system), nullptr);
  hooks.updateCommand = [&](TQuenzarMain&) {
    out("   (the release updates at start-up; not run again here)\n");
    ui.Terminate();
  };
  std::string line;
  {
    TQuenzarMain window(ui, updater, PackageBlock(block), hooks, {});
    says = LastRunSays::Nothing;
    if (ui.IsVisible(UiControl::lblLastRun)) {
      line = Printable(ui.GetCaption(UiControl::lblLastRun));
      says = LastRunOf(ui.GetCaption(UiControl::lblLastRun).bytes);
    }
  }
  if (!line.empty()) {
    out("   under the version line: %s\n", line.c_str());
  } else {
    out("   no last boot-time run shown%s\n", ui.terminated ? " (the window was not shown)" : "");
  }
  for (const auto& box : ui.boxes) out("   [%s] %s\n", Printable(box.caption).c_str(), Printable(box.text).c_str());
  return line;
}

}  // namespace qz::demo
