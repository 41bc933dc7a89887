// The second-language texts are Big5 (code page 950): decoded by the host's converter they
// must read as the Traditional Chinese they stand for.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "updater/ui_texts.hpp"
#include "updater/update_texts.hpp"

namespace qz {
namespace {

std::string Big5ToUtf8(const std::string& big5) {
  iconv_t cd = iconv_open("UTF-8", "CP950");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "BIG5");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in = big5;
  std::string out(in.size() * 4, '\0');
  char* inp = in.data();
  char* outp = out.data();
  std::size_t inLeft = in.size(), outLeft = out.size();
  const std::size_t done = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  EXPECT_NE(done, static_cast<std::size_t>(-1)) << "not valid Big5";
  out.resize(out.size() - outLeft);
  return out;
}

TEST(UiTexts, SecondLanguageTextsDecodeFromCodePage950) {
  using namespace texts::big5;
  EXPECT_EQ(Big5ToUtf8(kLabel1), "請選擇您要更新的SSD");
  EXPECT_EQ(Big5ToUtf8(kUpdateMsgStartup), "SDD韌體將被更新 , 從");
  EXPECT_EQ(Big5ToUtf8(kTo), "到");
  EXPECT_EQ(Big5ToUtf8(kMessage), "狀態訊息");
  EXPECT_EQ(Big5ToUtf8(kUpdate), "更新");
  EXPECT_EQ(Big5ToUtf8(kClose), "關閉");
  EXPECT_EQ(Big5ToUtf8(kBatteryLow), "電池電量不足，請使用 AC 電源 !");
  EXPECT_EQ(Big5ToUtf8(kNoFirmware), "執行檔並無韌體檔案存在 !");
  EXPECT_EQ(Big5ToUtf8(kDeviceInitFailed), "初始化裝置物件失敗 !");
  EXPECT_EQ(Big5ToUtf8(kErrorDots), "錯誤 ...");
  EXPECT_EQ(Big5ToUtf8(kAccessDenied), "存取遭拒 ! 您必須具有管理者權限才能更新SSD韌體");
  EXPECT_EQ(Big5ToUtf8(kNoMatchedDrives), "找不到符合條件的SSD !\n");
  EXPECT_EQ(Big5ToUtf8(kNoticeHead), "這個韌體更新程式只能適用於 ");
  EXPECT_EQ(Big5ToUtf8(kNoticeModelTail), " 這個型號的SSD.\n\n");
  EXPECT_EQ(Big5ToUtf8(kNoticeTitle), "注意 : \n\n");
  EXPECT_EQ(Big5ToUtf8(kNotice1), "1> 在執行這個韌體更新程式之前請先關閉所有的應用程式 !\n");
  EXPECT_EQ(Big5ToUtf8(kNotice2), "2> 在韌體更新過程當中請勿關閉電源 ! \n");
  EXPECT_EQ(Big5ToUtf8(kNotice3), "3> 在韌體更新過程當中請勿拔除電源插頭以及電池 ! \n");
  EXPECT_EQ(Big5ToUtf8(kNoticeQuestion), "\n您確定要繼續嗎 ?");
  EXPECT_EQ(Big5ToUtf8(kUpdateMsgEligible), "裝置的韌體將被更新 , 從");
  EXPECT_EQ(Big5ToUtf8(kUpdateMsgNotAllowed), "您所選擇這台裝置並不允許被更新韌體 !");
  EXPECT_EQ(Big5ToUtf8(kLastRunHead), "上次韌體更新 ");
  EXPECT_EQ(Big5ToUtf8(kLastRunDateUnknown), "(日期不明)");
  EXPECT_EQ(Big5ToUtf8(kLastRunDisk), " : 磁碟 ");
  EXPECT_EQ(Big5ToUtf8(kLastRunTo), " 到 ");
  EXPECT_EQ(Big5ToUtf8(kLastRunPassed), ", 成功");
  EXPECT_EQ(Big5ToUtf8(kLastRunFailed), ", 失敗");
  EXPECT_EQ(Big5ToUtf8(kLastRunNoneFlashed), " : 沒有磁碟被更新");
  EXPECT_EQ(Big5ToUtf8(kUnreachedDisk), "磁碟 ");
  EXPECT_EQ(Big5ToUtf8(kUnreachedDriver), ", 控制器驅動程式 ");
  EXPECT_EQ(Big5ToUtf8(kUnreachedTail), ":\n無法透過這個驅動程式更新這台裝置的韌體 !\n");
  EXPECT_EQ(Big5ToUtf8(kUnknownDriver), "(不明)");
  EXPECT_EQ(Big5ToUtf8(texts::update::big5::kFastStartup),
            "Windows 快速啟動已開啟: 請選擇「重新啟動」, 不要選擇「關機」, 才能執行更新.\n");
}

TEST(UiTexts, TheRefusalOfAFlasherBuildInBothLanguages) {
  EXPECT_EQ(Big5ToUtf8(std::string(texts::update::big5::kNoFlasherHead) + "x64" +
                       texts::update::big5::kNoFlasherTail),
            "這個韌體更新程式沒有適用於此 Windows (x64) 的開機更新程式 !\n沒有寫入任何檔案.\n");
  EXPECT_EQ(std::string(texts::update::kNoFlasherHead) + "x64" + texts::update::kNoFlasherTail,
            "This utility has no boot-time F/W update program for this Windows (x64) !\n"
            "Nothing was written.\n");
}

}  // namespace
}  // namespace qz
