// Eligibility, the list's lines and selection, the version line of the selected drive and the
// owner drawing of the list, on the simulated window.
#include <gtest/gtest.h>

#include "platform/text.hpp"
#include "updater/drive_list.hpp"
#include "updater/drive_match.hpp"
#include "updater/ui_texts.hpp"
#include "update_rig.hpp"

namespace qz::test {
namespace {

using sim::Windows;

TEST(Eligibility, ShippedTableAdmitsOnlyTheShippedModelInItsRevisionRange) {
  UpdateRig rig;
  rig.Digit(12, '0');  // list every drive
  rig.Start({MakeDrive(kShippedModel, "VRD5    "), MakeDrive(kShippedModel, "VRE1    "),
             MakeDrive(kShippedModel, "VRC9    "), MakeDrive("OTHER DRIVE 120G", "VRD5    "),
             MakeDrive("vortanix qrx-480t9a", "VRD5    "), MakeDrive(kShippedModel, "VRD!    "),
             MakeDrive(kShippedModel, "VRD~    "), MakeDrive(kShippedModel, "VRD")});
  const auto& s = rig.drives->slots;
  EXPECT_EQ(s[0].Eligible, 1);
  EXPECT_EQ(s[0].PackageIndex, 0);
  EXPECT_EQ(s[1].Eligible, 0);
  EXPECT_EQ(s[2].Eligible, 0);
  EXPECT_EQ(s[3].Eligible, 0);
  EXPECT_EQ(s[4].Eligible, 0) << "models compare case-sensitively";
  EXPECT_EQ(s[5].Eligible, 1);
  EXPECT_EQ(s[6].Eligible, 1);
  EXPECT_EQ(s[7].Eligible, 0) << "a prefix of the minimum is below it";
}

TEST(Eligibility, RevisionOrderIsUnsignedBytewiseWithPrefixesSmaller) {
  EXPECT_LT(CompareRevisions("VRD", "VRD!"), 0);
  EXPECT_GT(CompareRevisions("VRD\xA0", "VRD~"), 0) << "bytes are unsigned";
  EXPECT_EQ(CompareRevisions("VRD5", "VRD5"), 0);
  EXPECT_EQ(TrimText(" \t VRD5  \r"), "VRD5");
  EXPECT_EQ(TrimText("   "), "");
}

TEST(Eligibility, BlankFirstEntryTakesEveryDriveEvenWithoutModel) {
  UpdateRig rig;
  rig.Digit(12, '0');
  rig.Block().ClearModelTable();
  DriveRecord anonymous = MakeDrive("", "");
  rig.Start({anonymous, MakeDrive("OTHER DRIVE 120G", "1.02")});
  EXPECT_EQ(rig.drives->slots[0].Eligible, 1);
  EXPECT_EQ(rig.drives->slots[1].Eligible, 1);
}

TEST(Eligibility, EmptyModelMatchesOnlyAnEmptyEntryModel) {
  UpdateRig rig;
  rig.Digit(12, '0');
  rig.Entry(0, 1, "", "", "");  // second entry: any model, any revision
  rig.Start({MakeDrive("", "XYZ1")});
  EXPECT_EQ(rig.drives->slots[0].Eligible, 1);

  UpdateRig other;
  other.Digit(12, '0');
  other.Start({MakeDrive("", "VRD5")});
  EXPECT_EQ(other.drives->slots[0].Eligible, 0);
}

TEST(Eligibility, FirstMatchingPackageWins) {
  UpdateRig rig;
  rig.Digit(10, '2');
  rig.Digit(12, '0');
  rig.Entry(1, 0, "VRD!", "VRD~", kShippedModel);
  rig.Entry(1, 1, "", "", "OTHER DRIVE 120G");
  rig.Start({MakeDrive(kShippedModel, "VRD5"), MakeDrive("OTHER DRIVE 120G", "1.02")});
  EXPECT_EQ(rig.drives->slots[0].PackageIndex, 0);
  EXPECT_EQ(rig.drives->slots[1].Eligible, 1);
  EXPECT_EQ(rig.drives->slots[1].PackageIndex, 1);
}

TEST(Eligibility, PackagesPastThePackageCountAreNotTried) {
  UpdateRig rig;
  rig.Digit(12, '0');
  rig.Entry(1, 0, "", "", "OTHER DRIVE 120G");
  rig.Start({MakeDrive(kShippedModel, "VRD5"), MakeDrive("OTHER DRIVE 120G", "1.02")});
  EXPECT_EQ(rig.drives->slots[1].Eligible, 0);
}

TEST(DriveList, LinesInBothFormsAndTheLastEligibleSelected) {
  UpdateRig rig;
  rig.Digit(12, '0');
  DriveRecord other = MakeDrive("OTHER DRIVE 120G", "1.02", 0);
  DriveRecord a = MakeDrive(kShippedModel, "VRD5    ", 1);
  DriveRecord b = MakeDrive(kShippedModel, "VRD6    ", 2);
  b.PathId = 1;
  b.TargetId = 2;
  b.Lun = 3;
  b.TypeTag = {'S', 'A'};
  DriveRecord c = MakeDrive(kShippedModel, "VRD7    ", 12);
  TQuenzarMain& w = rig.Start({other, a, b, c, MakeDrive(kShippedModel, "VRE1", 13)});
  ASSERT_EQ(rig.ui.GetItemCount(UiControl::cboDrives), 5);
  EXPECT_EQ(rig.ui.GetItem(UiControl::cboDrives, 0).bytes, " 0-0-0-0         OTHER DRIVE 120G 1.02");
  EXPECT_EQ(rig.ui.GetItem(UiControl::cboDrives, 1).bytes, " 1-0-0-0 VORTANIX QRX-480T9A      VRD5");
  EXPECT_EQ(rig.ui.GetItem(UiControl::cboDrives, 2).bytes, " 2-1-2-3 SAVORTANIX QRX-480T9A      VRD6");
  EXPECT_EQ(rig.ui.GetItem(UiControl::cboDrives, 3).bytes, "12-0-0-0 VORTANIX QRX-480T9A      VRD7");
  EXPECT_EQ(rig.ui.GetItemIndex(UiControl::cboDrives), 3) << "the third eligible drive";
  EXPECT_EQ(w.ItemToDrive[3], 3);
  EXPECT_EQ(w.DetectedDrivesText.substr(0, 39), " 0-0-0-0         OTHER DRIVE 120G 1.02\n");
  EXPECT_EQ(w.End, StartupEnd::WindowShown);
}

TEST(DriveList, EligibleOnlyListsTrimmedModelsAndMapsItemsToSlots) {
  UpdateRig rig;  // shipped: only eligible drives
  TQuenzarMain& w = rig.Start({MakeDrive("OTHER DRIVE 120G", "1.02"), MakeDrive(kShippedModel, "VRD5", 3)});
  ASSERT_EQ(rig.ui.GetItemCount(UiControl::cboDrives), 1);
  EXPECT_EQ(rig.ui.GetItem(UiControl::cboDrives, 0).bytes, " 3-0-0-0 VORTANIX QRX-480T9A VRD5");
  EXPECT_EQ(w.ItemToDrive[0], 1);
  EXPECT_EQ(w.DetectedDrivesText, " 3-0-0-0 VORTANIX QRX-480T9A VRD5\n");
}

TEST(DriveList, EligibleOnlyWithNoneEligibleLeavesAnEmptyListAndEnds) {
  UpdateRig rig;
  TQuenzarMain& w = rig.Start({MakeDrive("OTHER DRIVE 120G", "1.02")});
  EXPECT_EQ(rig.ui.GetItemCount(UiControl::cboDrives), 0);
  EXPECT_EQ(w.DetectedDrivesText, "");
  EXPECT_EQ(w.End, StartupEnd::NoMatchedDrives);
  ASSERT_EQ(rig.ui.boxes.size(), 1u);
  EXPECT_EQ(rig.ui.boxes[0].text.bytes, "No matched drives detected !\nDetected drives :\n");
}

TEST(DriveList, LongRevisionsShownWholeAndRightAligned) {
  UpdateRig rig;
  rig.Digit(12, '0');
  rig.Entry(0, 0, "VRD5000", "VRD5ZZZ", kShippedModel);
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5100 "), MakeDrive(kShippedModel, "VRD49")});
  EXPECT_TRUE(w.Options.LongRevisions);
  EXPECT_EQ(rig.drives->slots[0].Eligible, 1);
  EXPECT_EQ(rig.drives->slots[1].Eligible, 0) << "compared whole, VRD49 is below VRD5000";
  EXPECT_EQ(rig.ui.GetItem(UiControl::cboDrives, 1).bytes, " 0-0-0-0 VORTANIX QRX-480T9A         VRD49");
  EXPECT_EQ(rig.ui.GetItemIndex(UiControl::cboDrives), 0);
  EXPECT_EQ(rig.ui.GetCaption(UiControl::lblOldFW).bytes, "VRD5100 ");
}

TEST(DriveListChange, EligibleShowsVersionLineIneligibleRefuses) {
  UpdateRig rig;
  rig.Digit(12, '0');
  TQuenzarMain& w = rig.Start({MakeDrive("OTHER DRIVE 120G", "1.02"), MakeDrive(kShippedModel, "VRD5", 1)});
  EXPECT_TRUE(rig.ui.IsEnabled(UiControl::cmdUpdate));
  EXPECT_EQ(rig.ui.GetCaption(UiControl::lblUpdateMsg).bytes, "It will be updated from");
  EXPECT_EQ(rig.ui.GetCaption(UiControl::lblOldFW).bytes, "VRD5");
  EXPECT_EQ(rig.ui.GetCaption(UiControl::lblNewFW).bytes, "VRDC");
  EXPECT_EQ(rig.ui.GetCaption(UiControl::lblFWExt).bytes, "VRDC-4");
  EXPECT_EQ(rig.ui.GetFontColor(UiControl::lblUpdateMsg), Rgb(0, 0, 0));
  // Laid out again: the old revision follows the message.
  const UiRect msg = rig.ui.GetBounds(UiControl::lblUpdateMsg);
  EXPECT_EQ(rig.ui.GetBounds(UiControl::lblOldFW).left, msg.left + msg.width + 10);
  EXPECT_EQ(rig.drives->selects.back(), 1);

  rig.Choose(0);
  EXPECT_FALSE(rig.ui.IsEnabled(UiControl::cmdUpdate));
  EXPECT_FALSE(rig.ui.IsVisible(UiControl::lblOldFW));
  EXPECT_FALSE(rig.ui.IsVisible(UiControl::lblTo));
  EXPECT_FALSE(rig.ui.IsVisible(UiControl::lblNewFW));
  EXPECT_EQ(rig.ui.GetCaption(UiControl::lblUpdateMsg).bytes, "This drive is not allowed to be updated.");
  EXPECT_EQ(rig.ui.GetFontColor(UiControl::lblUpdateMsg), Rgb(128, 0, 0));
  EXPECT_EQ(w.SelectedPackage, 0);

  rig.Choose(1);
  EXPECT_TRUE(rig.ui.IsEnabled(UiControl::cmdUpdate));
  EXPECT_TRUE(rig.ui.IsVisible(UiControl::lblNewFW));
  EXPECT_EQ(rig.ui.GetFontColor(UiControl::lblUpdateMsg), Rgb(0, 0, 0));
}

TEST(DriveListChange, AutoUpdateDoesNotStartFromTheChangeHandler) {
  UpdateRig rig;
  rig.Digit(7, '1');
  TQuenzarMain& w = rig.Start({MakeDrive(kShippedModel, "VRD5")});
  EXPECT_FALSE(rig.ui.terminated) << "no update ran during start-up";
  EXPECT_TRUE(w.Options.AutoUpdate);
  EXPECT_FALSE(rig.machine.files.Exists("C:\\WINDOWS\\SysWOW64\\FW.bin"));
}

TEST(DriveListChange, SecondLanguageTextsInBig5) {
  UpdateRig rig;
  rig.Digit(1, '1');
  rig.Digit(12, '0');
  rig.Start({MakeDrive("OTHER DRIVE 120G", "1.02"), MakeDrive(kShippedModel, "VRD5", 1)});
  EXPECT_EQ(rig.ui.GetCaption(UiControl::lblUpdateMsg), UiText(texts::big5::kUpdateMsgEligible, kCodePageBig5));
  rig.Choose(0);
  EXPECT_EQ(rig.ui.GetCaption(UiControl::lblUpdateMsg), UiText(texts::big5::kUpdateMsgNotAllowed, kCodePageBig5));
}

class RecordingCanvas final : public DrawCanvas {
 public:
  struct Fill {
    DrawRect rect;
    std::uint32_t color;
  };
  std::vector<Fill> fills;
  std::vector<std::array<int, 3>> images;
  struct Text {
    int x, y;
    std::string text;
    std::uint32_t color;
    std::optional<std::uint32_t> background;
  };
  std::vector<Text> texts;
  void FillRect(const DrawRect& rect, std::uint32_t color) override { fills.push_back({rect, color}); }
  void DrawImage(int image, int x, int y) override { images.push_back({image, x, y}); }
  void PaintText(int x, int y, const UiText& text, std::uint32_t color,
                std::optional<std::uint32_t> background) override {
    texts.push_back({x, y, text.bytes, color, background});
  }
};

TEST(SelectionGradient, TenBandsOfTwoRampsForAnItemOf32Pixels) {
  RecordingCanvas canvas;
  PaintSelectionGradient(canvas, {0, 64, 433, 96});
  ASSERT_EQ(canvas.fills.size(), 10u);
  const std::uint32_t expected[10] = {
      Rgb(242, 242, 255), Rgb(238, 242, 255), Rgb(234, 242, 254), Rgb(229, 242, 254), Rgb(225, 242, 253),
      Rgb(200, 223, 255), Rgb(193, 219, 255), Rgb(186, 215, 255), Rgb(179, 211, 255), Rgb(172, 207, 255)};
  for (int b = 0; b < 10; ++b) {
    EXPECT_EQ(canvas.fills[b].color, expected[b]) << "band " << b;
    EXPECT_EQ(canvas.fills[b].rect, (DrawRect{0, 64 + 3 * b, 433, 67 + 3 * b})) << "band " << b;
  }
  // Rows 94 and 95 stay unpainted.
  EXPECT_EQ(canvas.fills.back().rect.bottom, 94);
}

TEST(SelectionGradient, OddBandCountAndTooSmallRectangles) {
  RecordingCanvas canvas;
  PaintSelectionGradient(canvas, {0, 0, 10, 16});  // 5 bands: 2 of the first ramp, 3 of the second
  ASSERT_EQ(canvas.fills.size(), 5u);
  EXPECT_EQ(canvas.fills[1].color, Rgb(234, 242, 254));  // 242 - 22*2/5
  EXPECT_EQ(canvas.fills[2].color, Rgb(200, 223, 255));
  EXPECT_EQ(canvas.fills[4].color, Rgb(172, 207, 255));  // 200 - 36*4/5
  RecordingCanvas none;
  PaintSelectionGradient(none, {0, 0, 10, 2});
  EXPECT_TRUE(none.fills.empty());
}

TEST(DrawItem, ItemsGetStripesIconsAndTextAtTheirPlaces) {
  UpdateRig rig;
  rig.Digit(12, '0');
  TQuenzarMain& w = rig.Start({MakeDrive("OTHER DRIVE 120G", "1.02"), MakeDrive(kShippedModel, "VRD5", 1)});
  RecordingCanvas even, odd, selected;
  EXPECT_TRUE(w.DrawItem(UiControl::cboDrives, 0, {4, 0, 433, 32}, false, even));
  ASSERT_EQ(even.fills.size(), 1u);
  EXPECT_EQ(even.fills[0].rect, (DrawRect{0, 0, 433, 32})) << "the left edge moves to 0";
  EXPECT_EQ(even.fills[0].color, Rgb(255, 255, 255));
  EXPECT_EQ(even.images[0], (std::array<int, 3>{0, 10, 0}));
  EXPECT_EQ(even.texts[0].x, 45);
  EXPECT_EQ(even.texts[0].y, 6);
  EXPECT_EQ(even.texts[0].text, rig.ui.GetItem(UiControl::cboDrives, 0).bytes);

  w.DrawItem(UiControl::cboDrives, 1, {0, 32, 433, 64}, false, odd);
  EXPECT_EQ(odd.fills[0].color, Rgb(238, 238, 238));
  EXPECT_EQ(odd.images[0], (std::array<int, 3>{1, 10, 32}));
  EXPECT_EQ(odd.texts[0].y, 38);

  w.DrawItem(UiControl::cboDrives, 1, {0, 32, 433, 64}, true, selected);
  EXPECT_EQ(selected.fills.size(), 10u);
  EXPECT_EQ(selected.fills[0].color, Rgb(242, 242, 255));
  EXPECT_EQ(selected.texts[0].background, std::nullopt) << "clear brush over the gradient";
  EXPECT_EQ(selected.texts[0].color, Rgb(0, 0, 0));
}

}  // namespace
}  // namespace qz::test
