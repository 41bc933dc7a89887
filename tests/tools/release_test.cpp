// Reading a release description: files relative to it, optional builds, and clear errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tools/packer/release.hpp"

namespace qz::packer {
namespace {

namespace fs = std::filesystem;

class ReleaseFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qz-release-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_ / "fw");
    Write("fw/a.bin", std::string(64, 'A'));
    Write("ombrel-xp.exe", std::string(100, 'X'));
    Write("ferry7.exe", std::string(50, 'F'));
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }
  std::optional<Release> Load(const std::string& json, std::string& error) {
    Write("release.json", json);
    return LoadRelease((dir_ / "release.json").string(), error);
  }
  fs::path dir_;
};

constexpr char kHeader[] = R"("product_version": "v1", "product_title": "T", "release_date": "D",
  "supported_model": "M", "options": "0000000001000000000000000000000")";

TEST_F(ReleaseFiles, ReadsEveryField) {
  std::string error;
  const auto r = Load(std::string("{") + kHeader + R"(, "package_mode": -3,
    "packages": [{"image": "fw/a.bin", "new_fw": "N1", "fw_ext": "E1",
                  "models": [{"min": "A", "max": "B", "model": "M1"}, {"model": "M2", "aux": "z"}]}],
    "flashers": {"xp_x86": "ombrel-xp.exe", "win7_x64": null},
    "copy_helpers": {"win7": "ferry7.exe"}})", error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(r->productVersion, "v1");
  EXPECT_EQ(r->packageMode, -3);
  ASSERT_EQ(r->packages.size(), 1u);
  EXPECT_EQ(r->packages[0].image, std::vector<std::uint8_t>(64, 'A'));
  EXPECT_EQ(r->packages[0].newRevision, "N1");
  ASSERT_EQ(r->packages[0].models.size(), 2u);
  EXPECT_EQ(r->packages[0].models[0].auxText, "#");  // the shipped table's aux text
  EXPECT_EQ(r->packages[0].models[1].minRevision, "");
  EXPECT_EQ(r->packages[0].models[1].auxText, "z");
  EXPECT_FALSE(r->packages[0].anyModel);
  ASSERT_TRUE(r->flashers[0]);
  EXPECT_EQ(r->flashers[0]->size(), 100u);
  EXPECT_FALSE(r->flashers[9]);
  EXPECT_FALSE(r->flashers[1]);
  ASSERT_TRUE(r->copyHelpers[0]);
  EXPECT_EQ(r->copyHelpers[0]->size(), 50u);
}

TEST_F(ReleaseFiles, AnyModelIsSaidOnThePackage) {
  std::string error;
  const auto r = Load(std::string("{") + kHeader +
                          R"(, "packages": [{"image": "fw/a.bin", "new_fw": "N1", "fw_ext": "E1", "any_model": true}]})",
                      error);
  ASSERT_TRUE(r) << error;
  EXPECT_TRUE(r->packages[0].anyModel);
  EXPECT_TRUE(r->packages[0].models.empty());
}

TEST_F(ReleaseFiles, ErrorsNameTheField) {
  struct Case { std::string json; const char* expected; };
  const std::string h = std::string("{") + kHeader;
  for (const Case& c : std::vector<Case>{
           {"{", "release.json"},
           {"[]", "not a JSON object"},
           {R"({"product_version": "v1"})", "product_title: missing"},
           {h + R"(, "package_mode": 200})", "package_mode"},
           {h + R"(, "package_mode": "x"})", "package_mode"},
           {h + R"(, "packages": [{"image": "fw/none.bin", "new_fw": "N", "fw_ext": "E"}]})",
            "packages[1].image: can't read"},
           {h + R"(, "packages": [{"image": "fw/a.bin", "fw_ext": "E"}]})", "packages[1].new_fw: missing"},
           {h + R"(, "packages": [{"image": "fw/a.bin", "new_fw": 5, "fw_ext": "E"}]})",
            "packages[1].new_fw: must be a text"},
           {h + R"(, "flashers": {"xp_x87": "ombrel-xp.exe"}})", "flashers.xp_x87: no such slot"},
           {h + R"(, "packages": [{"image": "fw/a.bin", "new_fw": "N", "fw_ext": "E", "any_model": 1}]})",
            "packages[1].any_model: must be true or false"},
           {h + R"(, "copy_helpers": {"xp": "missing.exe"}})", "copy_helpers.xp: can't read"},
       }) {
    std::string error;
    EXPECT_FALSE(Load(c.json, error)) << c.json;
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.json << " -> " << error;
  }
}

TEST_F(ReleaseFiles, PackageModeIsCheckedExactly) {
  const std::string h = std::string("{") + kHeader;
  for (const char* bad : {"18446744073709551615", "9223372036854775808", "128", "-129",
                          "-9223372036854775808", "1.0", "1e2"}) {
    std::string error;
    EXPECT_FALSE(Load(h + R"(, "package_mode": )" + bad + "}", error)) << bad;
    EXPECT_NE(error.find("package_mode"), std::string::npos) << bad << " -> " << error;
  }
  for (const int good : {-128, 127, 0}) {
    std::string error;
    const auto r = Load(h + R"(, "package_mode": )" + std::to_string(good) + "}", error);
    ASSERT_TRUE(r) << good << ": " << error;
    EXPECT_EQ(r->packageMode, good);
  }
}

TEST_F(ReleaseFiles, AFileLargerThanItsSlotIsRefusedWithoutBeingRead) {
  const std::string h = std::string("{") + kHeader;
  Write("fw/big.bin", std::string(262144 + 1, 'B'));
  Write("fw/full.bin", std::string(262144, 'B'));
  Write("ferry-big.exe", std::string(12288 + 16, 'F'));
  std::string error;
  EXPECT_FALSE(Load(h + R"(, "packages": [{"image": "fw/big.bin", "new_fw": "N", "fw_ext": "E"}]})",
                    error));
  EXPECT_NE(error.find("packages[1].image: 262145 bytes is over its slot of 262144 bytes"),
            std::string::npos) << error;
  EXPECT_FALSE(Load(h + R"(, "copy_helpers": {"xp": "ferry-big.exe"}})", error));
  EXPECT_NE(error.find("copy_helpers.xp: 12304 bytes is over its slot of 12288"),
            std::string::npos) << error;
  // A file with no size of its own ends after one byte past the slot.
  EXPECT_FALSE(Load(h + R"(, "flashers": {"xp_x86": "/dev/zero"}})", error));
  EXPECT_NE(error.find("flashers.xp_x86: more than 262144 bytes is over its slot"),
            std::string::npos) << error;
  const auto r = Load(h + R"(, "packages": [{"image": "fw/full.bin", "new_fw": "N", "fw_ext": "E"}]})",
                      error);
  ASSERT_TRUE(r) << error;
  EXPECT_EQ(r->packages[0].image.size(), 262144u);
}

}  // namespace
}  // namespace qz::packer
