// Splash windows: the branding chosen by the registry value, the progress steps, the pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "platform/rtl/Registry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "shell/Splashinunit.h"
#include "shell/Splashoutunit.h"
#include "base/Globals.h"
#include "tests/support/TempFolder.h"

namespace {

// A program folder with the shipped pictures and a registry of its own.
class SplashTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    oldConfig = old ? old : "";
    hadConfig = old != nullptr;
    setenv("XDG_CONFIG_HOME", (config.path() + "config").c_str(), 1);
    std::filesystem::copy(std::string(RT_SOURCE_DIR) + "/assets/Images", program.path() + "Images");
    SetProgramFolder(program.path());
  }
  void TearDown() override {
    SetProgramFolder("");
    ProgramFolder.clear();
    if (hadConfig)
      setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }
  void StoreDistributor(const std::string& value) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\RT7731IV", true));
    ASSERT_TRUE(registry.WriteString("Distributor", value));
  }

  TempFolder program;
  TempFolder config;
  std::string oldConfig;
  bool hadConfig = false;
};

struct BrandingCase {
  const char* name;
  const char* stored;  // nullptr: no value
  const char* distributor;
  const char* picture;
};

void PrintTo(const BrandingCase& c, std::ostream* os) {
  *os << c.name << " stored ";
  if (c.stored)
    *os << '"' << c.stored << '"';
  else
    *os << "nothing";
}

class SplashBrandingTest : public SplashTest, public testing::WithParamInterface<BrandingCase> {};

TEST_P(SplashBrandingTest, ChoosesThePictureByTheExactRegistryValue) {
  if (GetParam().stored) StoreDistributor(GetParam().stored);
  EXPECT_EQ(TSplashIn::ReadDistributor(), GetParam().distributor);
  EXPECT_EQ(TSplashIn::SplashImageName(TSplashIn::ReadDistributor()), GetParam().picture);
  TSplashIn splash(nullptr);
  EXPECT_EQ(splash.Distributor(), GetParam().distributor);
  EXPECT_EQ(splash.Image1->Picture()->Width(), 700);
  EXPECT_EQ(splash.Image1->Picture()->Height(), 401);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplashBrandingTest,
    testing::Values(BrandingCase{"FirstStart", nullptr, "brenholt", "Images\\Splash_3.jpg"},
                    BrandingCase{"Tarvix", "tarvix", "tarvix", "Images\\Splash_3b.jpg"},
                    BrandingCase{"OtherCase", "Tarvix", "brenholt", "Images\\Splash_3.jpg"},
                    BrandingCase{"Brenholt", "brenholt", "brenholt", "Images\\Splash_3.jpg"},
                    BrandingCase{"Blank", "tarvix ", "brenholt", "Images\\Splash_3.jpg"},
                    BrandingCase{"Empty", "", "brenholt", "Images\\Splash_3.jpg"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SplashTest, TarvixLoadsItsOwnPicture) {
  // Give the tarvix picture a size of its own to see which file was read.
  std::filesystem::copy_file(program.path() + "Images/SplashOut_2.jpg",
                             program.path() + "Images/Splash_3b.jpg",
                             std::filesystem::copy_options::overwrite_existing);
  StoreDistributor("tarvix");
  TSplashIn splash(nullptr);
  EXPECT_EQ(splash.Image1->Picture()->Height(), 494);
}

TEST_F(SplashTest, StartSplashLayoutAndThirtyOneStepsEndAtTheMaximum) {
  TSplashIn splash(nullptr);
  EXPECT_EQ(splash.Width(), 700);
  EXPECT_EQ(splash.Height(), 401);
  EXPECT_EQ(splash.BorderStyle(), bsNone);
  EXPECT_EQ(splash.Progress->Left(), 200);
  EXPECT_EQ(splash.Progress->Top(), 381);
  EXPECT_EQ(splash.Progress->Max(), 30);
  EXPECT_EQ(splash.Progress->Position(), 0);
  for (int i = 0; i < 31; ++i) splash.Step();
  EXPECT_EQ(splash.Progress->Position(), 30);
}

TEST_F(SplashTest, ExitSplashShowsItsPicture) {
  ProgramFolder = program.path();
  TSplashOut splash(nullptr);
  EXPECT_EQ(splash.Width(), 700);
  EXPECT_EQ(splash.Height(), 494);
  EXPECT_EQ(splash.Image1->Picture()->Width(), 700);
  EXPECT_EQ(splash.Image1->Picture()->Height(), 494);
}

TEST_F(SplashTest, MissingPictureRaisesTheLoadError) {
  std::filesystem::remove(program.path() + "Images/Splash_3.jpg");
  std::filesystem::remove(program.path() + "Images/SplashOut_2.jpg");
  EXPECT_THROW(TSplashIn splash(nullptr), Exception);
  ProgramFolder = program.path();
  EXPECT_THROW(TSplashOut splash(nullptr), Exception);
}

}  // namespace
