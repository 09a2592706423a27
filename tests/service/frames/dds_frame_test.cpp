// The synthesiser service frame: typed values reach the simulated instrument's tunings, bad values
// are refused before anything is sent or saved, and the settings come back from the INI file.
#include <gtest/gtest.h>

#include "ServiceFixture.h"
#include "platform/rtl/IniFiles.h"
#include "service/Ddsuserframeunit.h"
#include "base/IniService.h"

namespace {

class DdsFrameTest : public ServiceTest {
 protected:
  TDDSUserFrame* Frame() { return win->DDSUserFrame; }
  void Type(TEdit* edit, const std::string& text) { edit->SetText(text); }
};

TEST_F(DdsFrameTest, EmptyIniShowsZeroAndClearBoxesWithoutDeviceCalls) {
  StartService();
  const usb2sim::State before = usb2sim::GetState();
  for (int n = 0; n < 6; ++n) {
    EXPECT_EQ(Frame()->Edits[static_cast<size_t>(n)]->Text(), "0");
    EXPECT_FALSE(Frame()->CheckBoxes[static_cast<size_t>(n)]->Checked());
  }
  EXPECT_EQ(Frame()->Edit7->Text(), "0");
  Frame()->LoadFromIni();
  const usb2sim::State after = usb2sim::GetState();
  for (int n = 0; n < 6; ++n)
    EXPECT_EQ(after.dds[static_cast<size_t>(n)].word, before.dds[static_cast<size_t>(n)].word);
  EXPECT_EQ(after.dds400Word, before.dds400Word);
}

TEST_F(DdsFrameTest, TypedValuesReachTheInstrumentAndTheIni) {
  StartService();
  Type(Frame()->Edits[2], "10.7");
  Type(Frame()->Edits[4], "27.3");
  Type(Frame()->Edit7, "5100.0");
  Frame()->CheckBoxes[4]->SetChecked(true);  // one click applies every row
  Frame()->CheckBoxes[2]->SetChecked(true);
  const usb2sim::State s = usb2sim::GetState();
  EXPECT_TRUE(s.dds[2].on);
  EXPECT_NEAR(s.dds[2].frequencyHz, 10.7e6, 1.0);
  EXPECT_TRUE(s.dds[4].on);
  EXPECT_NEAR(s.dds[4].frequencyHz, 27.3e6, 1.0);
  for (int n : {0, 1, 3, 5}) EXPECT_FALSE(s.dds[static_cast<size_t>(n)].on) << n;
  EXPECT_NEAR(s.dds400Hz, 19921875.0, 1.0);
  EXPECT_TRUE(TakeBoxes().empty());
  // Saved in Hz, read back at the next start.
  EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestDDSFreq(2), 10.7e6);
  EXPECT_TRUE(GlobalIniService->ReadTestDDSOn(4));
  EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestMainVcoFreq(), 5100e6);
  Frame()->Edits[2]->SetText("1");
  Frame()->LoadFromIni();
  EXPECT_EQ(Frame()->Edits[2]->Text(), "10.7");
  EXPECT_EQ(Frame()->Edit7->Text(), "5100");
  EXPECT_TRUE(Frame()->CheckBoxes[2]->Checked());
}

TEST_F(DdsFrameTest, EnterInAnEditApplies) {
  StartService();
  Frame()->CheckBoxes[3]->SetChecked(true);
  Type(Frame()->Edits[3], "12.5");
  uint16_t key = VK_RETURN;
  Frame()->OnDDSEditsKeyDown(Frame()->Edits[3], key, 0);
  EXPECT_NEAR(usb2sim::GetState().dds[3].frequencyHz, 12.5e6, 1.0);
}

TEST_F(DdsFrameTest, TheFormsOwnTextsAreAcceptedWithEveryRowOff) {
  StartService();
  // Made without an INI service, the frame keeps its form texts (DDS-1: 5038.0, the VCO-2 frequency).
  IniService* ini = GlobalIniService;
  GlobalIniService = nullptr;
  TDDSUserFrame fresh(nullptr);
  GlobalIniService = ini;
  ASSERT_EQ(fresh.Edits[1]->Text(), "5038.0");
  TakeBoxes();
  fresh.OnDDSUpdate(fresh.Button1);
  EXPECT_TRUE(TakeBoxes().empty());
  const usb2sim::State s = usb2sim::GetState();
  for (size_t n = 0; n < 6; ++n) EXPECT_FALSE(s.dds[n].on) << n;
  EXPECT_NEAR(s.dds400Hz, 19921875.0, 1.0);
  EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestDDSFreq(1), 5038e6);
  EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestDDSFreq(4), 27.3e6);
  EXPECT_FALSE(GlobalIniService->ReadTestDDSOn(1));
  EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestMainVcoFreq(), 5100e6);
}

struct BadInput {
  int edit;  // 0..5 a synthesiser (switched on for the case), 6 the main VCO
  const char* text;
  double savedHz;  // what the INI file keeps: the number the text starts with
};

// A switched-on row that its synthesiser cannot make is refused and not sent; the other rows are
// applied and every row is saved as typed.
TEST_F(DdsFrameTest, ARefusedRowIsNotSentButTheOthersAreAndTheIniIsWritten) {
  StartService();
  Type(Frame()->Edits[2], "10.7");
  Frame()->CheckBoxes[2]->SetChecked(true);
  const usb2sim::State good = usb2sim::GetState();
  const BadInput cases[] = {{2, "abc", 0.0},       {2, "95", 95e6},   {2, "-1", -1e6},     {2, "1e400", 0.0},
                            {2, "10,7", 10e6},     {2, "", 0.0},      {1, "5038.0", 5038e6}, {5, "40.001", 40.001e6},
                            {0, "nan", 0.0},       {6, "-5", -5e6},   {6, "60000", 60000e6}, {6, "x5100", 0.0}};
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.text);
    TakeBoxes();
    const bool vco = c.edit == 6;
    TEdit* edit = vco ? Frame()->Edit7 : Frame()->Edits[static_cast<size_t>(c.edit)];
    const std::string old = edit->Text();
    Type(edit, c.text);
    Type(Frame()->Edits[4], "21.4");
    Frame()->CheckBoxes[4]->SetChecked(true);  // a good row, applied by the same update
    if (!vco) Frame()->CheckBoxes[static_cast<size_t>(c.edit)]->SetChecked(true);  // the refused row
    Frame()->OnDDSUpdate(nullptr);
    const auto boxes = TakeBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes.back().text.find(vco ? "VCO-1" : "DDS-" + std::to_string(c.edit)), std::string::npos)
        << boxes.back().text;
    const usb2sim::State s = usb2sim::GetState();
    if (vco) {
      EXPECT_EQ(s.dds400Word, good.dds400Word);
      EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestMainVcoFreq(), c.savedHz);
    } else {
      const auto row = static_cast<size_t>(c.edit);
      EXPECT_EQ(s.dds[row].word, good.dds[row].word);
      EXPECT_EQ(s.dds[row].on, good.dds[row].on);
      EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestDDSFreq(c.edit), c.savedHz);
      EXPECT_TRUE(GlobalIniService->ReadTestDDSOn(c.edit));
    }
    EXPECT_TRUE(s.dds[4].on);
    EXPECT_NEAR(s.dds[4].frequencyHz, 21.4e6, 1.0);
    EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestDDSFreq(4), 21.4e6);
    // Back to a good state for the next case.
    Type(edit, old);
    if (!vco && c.edit != 2) Frame()->CheckBoxes[static_cast<size_t>(c.edit)]->SetChecked(false);
    Frame()->CheckBoxes[4]->SetChecked(false);
    TakeBoxes();
  }
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(DdsFrameTest, ARowThatIsSwitchedOffIsNotChecked) {
  StartService();
  Type(Frame()->Edits[0], "abc");
  Type(Frame()->Edits[3], "500");
  Frame()->CheckBoxes[2]->SetChecked(true);
  EXPECT_TRUE(TakeBoxes().empty());
  const usb2sim::State s = usb2sim::GetState();
  EXPECT_FALSE(s.dds[0].on);
  EXPECT_FALSE(s.dds[3].on);
  EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestDDSFreq(0), 0.0);
  EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestDDSFreq(3), 500e6);
}

TEST_F(DdsFrameTest, NothingIsSentWhileTheLinkIsDownButTheIniIsWritten) {
  StartService();
  const usb2sim::State before = usb2sim::GetState();
  LinkUp = 0;
  Type(Frame()->Edits[2], "11");
  Frame()->CheckBoxes[2]->SetChecked(true);
  EXPECT_EQ(usb2sim::GetState().dds[2].word, before.dds[2].word);
  EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestDDSFreq(2), 11e6);
  LinkUp = 1;
}

}  // namespace
