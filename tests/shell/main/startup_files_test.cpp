// The settings and registry files at start-up: each is read a handful of times however many keys the
// start reads, a large foreign section survives the run, and a file far too large for settings is
// refused, not rewritten.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/rtl/IniCache.h"
#include "tests/shell/main/MainWinFixture.h"

namespace {

std::string ForeignSection(int keys) {
  std::string text = "[FOREIGN]\r\n; kept by another tool\r\n";
  for (int i = 0; i < keys; ++i) text += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
  return text;
}

class StartUpFiles : public MainWinTest {
 protected:
  std::string ini = folder / "RT7731IV.INI";

  // Files changed just now are read again at every use for a moment (see IniCache.h); the counts
  // below are those of files written before the start, as they are when the program starts.
  static void LetTheFilesAge() {
    std::this_thread::sleep_for(std::chrono::nanoseconds(rtl_detail::RacyWindowNs) + std::chrono::milliseconds(50));
  }
};

TEST_F(StartUpFiles, EachFileIsParsedOnceAndForeignContentSurvives) {
  const std::string foreign = ForeignSection(20000);
  TempFolder::WriteBytes(ini, "[FORM]\r\nLeft=150\r\nTop=120\r\nWidth=900\r\nHeight=650\r\nMAXIMIZED=0\r\n\r\n" + foreign);
  config.Write("RT7731IV/registry.ini", "[Software\\RT7731IV]\r\nDistributor=brenholt\r\n\r\n" + foreign);
  LetTheFilesAge();
  const uint64_t before = rtl_detail::IniFileParseCount();
  Start();
  for (int i = 0; i < 20; ++i) {
    Application->ProcessMessages();
    IdlePass();
  }
  EXPECT_LE(rtl_detail::IniFileParseCount() - before, 2u);  // the settings file and the registry, once each
  EXPECT_EQ(win->Left(), 150);
  EXPECT_EQ(win->Width(), 900);
  Close();  // writes the window's bounds
  const std::string after = TempFolder::ReadBytes(ini);
  EXPECT_NE(after.find("Left=150\r\n"), std::string::npos);
  EXPECT_NE(after.find(foreign), std::string::npos);
  EXPECT_NE(RegistryText().find(foreign), std::string::npos);
}

TEST_F(StartUpFiles, SettingsFileTooLargeGivesTheDefaultsAndIsLeftAsItWas) {
  const std::string head = "[FORM]\r\nLeft=150\r\nTop=120\r\nWidth=900\r\nHeight=650\r\n";
  TempFolder::WriteBytes(ini, head);
  ASSERT_EQ(::truncate(ini.c_str(), rtl_detail::MaxIniFileBytes + 1), 0);  // a sparse tail
  testing::internal::CaptureStderr();
  Start();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(ini + ": "), std::string::npos) << said;
  EXPECT_NE(said.find("not written"), std::string::npos) << said;
  EXPECT_EQ(win->Left(), 100);  // the defaults
  EXPECT_EQ(win->Width(), 800);
  Close();
  struct stat info {};
  ASSERT_EQ(::stat(ini.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, rtl_detail::MaxIniFileBytes + 1);
  EXPECT_EQ(TempFolder::ReadBytes(ini).substr(0, head.size()), head);
}

}  // namespace
