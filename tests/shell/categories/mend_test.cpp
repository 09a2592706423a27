// Start-up and shut-down faults that must not pass silently: a huge stored window, a registry that
// cannot be written, an instrument that is absent.
#include <gtest/gtest.h>

#include <string>

#include "platform/vcl/Forms.h"
#include "base/Log.h"
#include "tests/shell/main/MainWinFixture.h"

namespace {

TEST_F(MainWinTest, HugeStoredWindowIsShrunkToTheScreenAndDrawn) {
  folder.Write("RT7731IV.INI", "[FORM]\r\nLeft=0\r\nTop=0\r\nWidth=24000\r\nHeight=24000\r\n");
  Start();
  EXPECT_LE(win->Width(), Screen->Width());
  EXPECT_LE(win->Height(), Screen->Height());
  EXPECT_GE(win->Width(), 462);
  EXPECT_FALSE(IdlePass());  // the scene is drawn at the restored size
}

TEST_F(MainWinTest, FailedRegistryWriteIsReportedOnStderr) {
  config.Write("RT7731IV", "a file where the registry's folder belongs");
  testing::internal::CaptureStderr();
  Start("[eeprom]\ncell.50=1\n");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(LinkUp.load(), 1);
  EXPECT_NE(err.find("cannot write \\Software\\RT7731IV Distributor"), std::string::npos) << err;
}

TEST_F(MainWinTest, AbsentInstrumentEndsTheProgramSayingWhy) {
  Start("[device]\npresent=0\n");
  ASSERT_EQ(LinkUp.load(), 0);
  testing::internal::CaptureStderr();
  IdlePass();  // the exit screen closes the window
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(win->Visible());
  EXPECT_NE(err.find(LinkLostMessage), std::string::npos) << err;
  EXPECT_EQ(LogList->Strings(LogList->Count() - 1), LinkLostMessage);
  EXPECT_NE(TempFolder::ReadBytes(LogFileName()).find(LinkLostMessage), std::string::npos);
}

}  // namespace
