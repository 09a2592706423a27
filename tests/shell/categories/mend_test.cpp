// Start-up and shut-down faults that must not pass silently: a huge stored window, a registry that
// cannot be written, an instrument that is absent.
#include <gtest/gtest.h>

#include <string>

#include "base/Log.h"
#include "device/InOut.h"
#include "engine/Threads.h"
#include "platform/vcl/Forms.h"
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

// A view's device call fails while the instrument still answers (a failed command): the exit screen
// says which views were entered and that the instrument is still attached, not that it was lost.
TEST_F(MainWinTest, FailedCallOfAViewIsToldFromALostLink) {
  Start();
  ASSERT_EQ(LinkUp.load(), 1);
  const std::string views = win->EnteredViewNames();
  ASSERT_NE(views, "no view");
  ClearLastThreadFailureReport();
  ClearLastModuleFailure();
  LinkUp = 0;  // as a view does when its call fails
  testing::internal::CaptureStderr();
  IdlePass();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(win->Visible());
  const std::string reason =
      "Device operation failed in " + views + ": no module call failed" + CommandFailedSuffix;
  EXPECT_NE(err.find(reason), std::string::npos) << err;
  EXPECT_EQ(err.find(LinkLostMessage), std::string::npos) << err;
  EXPECT_EQ(LogList->Strings(LogList->Count() - 1), reason);
}

}  // namespace
