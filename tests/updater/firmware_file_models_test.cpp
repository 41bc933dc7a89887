// A firmware file named on the command line goes only to a drive of a model this program was
// built for (the supported-model text, or a model of its table before the file blanks it),
// whatever revision that drive runs; never to another maker's disk, not even with "/S".
#include <gtest/gtest.h>

#include "update_rig.hpp"
#include "updater/firmware_file.hpp"

namespace qz::test {
namespace {

using sim::Windows;

const std::string kSys32 = "C:\\WINDOWS\\system32\\";
const std::string kFile = "C:\\FIRMWARE\\NEW.BIN";

class FirmwareFileModels : public ::testing::Test {
 protected:
  FirmwareFileModels() : rig(Windows::Win7X86) {
    rig.machine.files.Put(kFile, std::vector<std::uint8_t>(4096, 0x5A));
  }
  UpdateRig rig;
};

TEST_F(FirmwareFileModels, BuiltForTheSupportedTextAndEveryModelOfTheTable) {
  EXPECT_EQ(BuiltForModels(rig.Block()), std::vector<std::string>{"VORTANIX QRX-480T9A"});
  rig.Text(pkg::kSupportedModelText, "VORTANIX QRX-960T9A");
  rig.Entry(0, 3, "", "", "  VORTANIX QRX-240T9A  ");
  rig.Entry(4, 7, "X1", "X9", "OLD MODEL FROM ROW 5");
  rig.Entry(1, 0, "", "", "");  // an empty model names none
  EXPECT_EQ(BuiltForModels(rig.Block()),
            (std::vector<std::string>{"VORTANIX QRX-960T9A", "VORTANIX QRX-480T9A", "VORTANIX QRX-240T9A",
                                      "OLD MODEL FROM ROW 5"}));
}

TEST_F(FirmwareFileModels, SilentRunOnAMachineOfAnotherModelStagesNothing) {
  TQuenzarMain& w = rig.Start({MakeDrive("OTHER VENDOR SSD 256G", "1.02"), MakeDrive("OTHER VENDOR HDD 1T", "CC45", 1)},
                              {"/S", kFile});
  EXPECT_TRUE(w.Options.FirmwareFromFile);
  EXPECT_EQ(w.End, StartupEnd::NoMatchedDrives);
  EXPECT_EQ(rig.drives->slots[0].Eligible, 0);
  EXPECT_EQ(rig.drives->slots[1].Eligible, 0);
  EXPECT_FALSE(rig.machine.files.Exists(kSys32 + "FW.bin"));
  EXPECT_FALSE(rig.machine.files.Exists(kSys32 + "Ombrel.exe"));
  EXPECT_FALSE(rig.BootExecute());
  EXPECT_EQ(w.ExitCode, 0);
}

TEST_F(FirmwareFileModels, SilentRunStagesTheBuiltForDriveAtAnyRevisionNotTheFirstDisk) {
  rig.ui.answers = {answer::kOk, answer::kNo};
  // VRC9 lies outside the table's range: with a file, the revision does not matter.
  TQuenzarMain& w = rig.Start({MakeDrive("OTHER VENDOR SSD 256G", "1.02"), MakeDrive(kShippedModel, "VRC9", 1)},
                              {"/S", kFile});
  EXPECT_EQ(w.End, StartupEnd::UpdateRun);
  EXPECT_EQ(rig.outcome.end, UpdateEnd::Staged);
  EXPECT_EQ(rig.outcome.identity, kShippedModel);
  EXPECT_EQ(rig.drives->selects.back(), 1);
  EXPECT_EQ(rig.machine.files.Get(kSys32 + "FW.bin")->size(), 4096u);
}

TEST_F(FirmwareFileModels, EveryOtherDriveIsListedAsNotEligible) {
  rig.Digit(12, '0');  // list every drive
  rig.Entry(0, 1, "A0", "A9", "VORTANIX QRX-240T9A");
  rig.Start({MakeDrive("OTHER VENDOR SSD 256G", "1.02"), MakeDrive(kShippedModel, "ZZZZ", 1),
             MakeDrive("VORTANIX QRX-240T9A", "B5", 2), MakeDrive("", "", 3)},
            {kFile});
  EXPECT_EQ(rig.ui.GetItemCount(UiControl::cboDrives), 4);
  EXPECT_EQ(rig.drives->slots[0].Eligible, 0);
  EXPECT_EQ(rig.drives->slots[1].Eligible, 1);
  EXPECT_EQ(rig.drives->slots[2].Eligible, 1);
  EXPECT_EQ(rig.drives->slots[3].Eligible, 0) << "a drive without a model";
  rig.Choose(0);
  EXPECT_FALSE(rig.ui.IsEnabled(UiControl::cmdUpdate));
  EXPECT_EQ(rig.ui.GetCaption(UiControl::lblUpdateMsg), UiText("This drive is not allowed to be updated."));
}

}  // namespace
}  // namespace qz::test
