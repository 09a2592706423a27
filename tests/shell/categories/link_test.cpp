// The instrument link as the operator meets it, in the real main window with the simulated instrument
// in process: the bring-up stops at its first failed step, the analyser entered while the instrument
// does not answer enters no view and takes the link down, and the program then ends through the exit
// screen, which shows its picture.
#include <gtest/gtest.h>

#include <string>

#include "base/Globals.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/TestHooks.h"
#include "shell/CategoryFrames.h"
#include "shell/Splashoutunit.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"
#include "tests/support/SimInstrument.h"

namespace {

class LinkTest : public SimMainWinTest {
 protected:
  void SetUp() override {
    SimMainWinTest::SetUp();
    ASSERT_EQ(LinkUp.load(), 1);
  }
};

// A step that fails (the instrument refuses its command) ends the bring-up: the link goes down and no
// later step runs. The bring-up's last step writes 0xFF to the IF-filter port 0x22, which is set to 0
// first to see whether it ran; the sound processor's volume register (0x40 register 0, cleared by
// the step after the synthesisers are switched off) is set to 0x3F to see the same.
TEST_F(LinkTest, BringUpStopsAtTheFirstFailedStep) {
  struct Case {
    const char* step;
    uint8_t failingCommand;   // 0: none
    bool soundProcessorRuns;  // a step after the synthesisers, before the clock offsets
  };
  const Case cases[] = {
      {"all steps", 0, true},
      {"synthesisers off", 11, false},  // a synthesiser word
      {"clock offsets", 32, true},      // an EEPROM read
  };
  ASSERT_TRUE(VclTest::Click(win->MainBut5));  // a category without views: nothing measures meanwhile
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    ASSERT_TRUE(IOCtrl->I2CWriteByte(0x22, 0x00));
    ASSERT_TRUE(IOCtrl->SetSoundProcVolume(252));  // register 0 := 252 / 4
    ASSERT_EQ(usb2sim::ChipRegister(0x22, 0), 0x00);
    ASSERT_EQ(usb2sim::ChipRegister(0x40, 0), 0x3F);
    if (c.failingCommand) usb2sim::SetCommandFails(c.failingCommand, true);
    const bool up = win->InitHardware();
    if (c.failingCommand) usb2sim::SetCommandFails(c.failingCommand, false);
    EXPECT_EQ(up, c.failingCommand == 0);
    EXPECT_EQ(LinkUp.load(), c.failingCommand == 0 ? 1 : 0);
    EXPECT_EQ(usb2sim::ChipRegister(0x22, 0), c.failingCommand == 0 ? 0xFF : 0x00) << "the last step";
    EXPECT_EQ(usb2sim::ChipRegister(0x40, 0) != 0x3F, c.soundProcessorRuns) << "the sound processor's step";
    LinkUp = 1;
  }
}

// The analyser category entered while the instrument does not answer its commands (the module is
// still there, so nothing else notices): its frame shows with button 1 active, no view is entered and
// the link is down; the next idle pass ends the program through the exit screen, which hides the
// main window and shows the exit picture.
TEST_F(LinkTest, AnalyserEnteredWithoutAnswerEntersNoViewAndTheExitScreenShowsItsPicture) {
  ASSERT_TRUE(VclTest::Click(win->MainBut5));
  usb2sim::SetCommandFails(11, true);  // the synthesiser words that the measuring set-up writes first
  ASSERT_EQ(LinkUp.load(), 1);
  ASSERT_TRUE(VclTest::Click(win->MainBut1));
  TCategoryFrameBase* analyser = win->CategoryFrame(1);
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_TRUE(analyser->Visible());
  EXPECT_EQ(analyser->ActiveButton(), 1);
  for (TModeFrameBase* view : analyser->Views()) EXPECT_FALSE(view->IsEntered());

  ASSERT_NE(SplashOut, nullptr);
  EXPECT_FALSE(SplashOut->Visible());
  IdlePass();
  EXPECT_FALSE(win->Visible());
  EXPECT_TRUE(SplashOut->Visible());
  // The picture on the splash is the exit picture of the program folder, pixel for pixel.
  TPicture expected;
  expected.LoadFromFile(folder.path() + "Images/SplashOut_2.jpg");
  TBitmap* shown = SplashOut->Image1->Picture()->Bitmap();
  ASSERT_EQ(shown->Width(), expected.Width());
  ASSERT_EQ(shown->Height(), expected.Height());
  int differing = 0, colours = 0;
  const TColor first = shown->Canvas()->Pixels(0, 0);
  for (int y = 0; y < expected.Height(); y += 7)
    for (int x = 0; x < expected.Width(); x += 7) {
      const TColor pixel = shown->Canvas()->Pixels(x, y);
      differing += pixel != expected.Bitmap()->Canvas()->Pixels(x, y);
      colours += pixel != first;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(colours, 1000) << "a picture, not a plain area";
}

}  // namespace
