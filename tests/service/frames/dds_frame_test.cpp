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

struct BadInput {
  int edit;  // 0..5 a synthesiser, 6 the main VCO
  const char* text;
};

TEST_F(DdsFrameTest, ValuesOutsideTheSynthesiserOrNotNumbersAreRefused) {
  StartService();
  Type(Frame()->Edits[2], "10.7");
  Frame()->CheckBoxes[2]->SetChecked(true);
  const usb2sim::State good = usb2sim::GetState();
  const std::string iniBefore = folder.Read("RT7731IV.INI");
  const BadInput cases[] = {{2, "abc"},    {2, "95"}, {2, "-1"},    {2, "1e400"}, {2, "10,7"},   {2, ""},
                            {1, "5038.0"}, {6, "-5"}, {6, "60000"}, {6, "x5100"}, {5, "40.001"}, {0, "nan"}};
  for (const BadInput& c : cases) {
    TakeBoxes();
    TEdit* edit = c.edit == 6 ? Frame()->Edit7 : Frame()->Edits[static_cast<size_t>(c.edit)];
    const std::string old = edit->Text();
    Type(edit, c.text);
    Frame()->OnDDSUpdate(nullptr);
    const auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u) << c.text;
    EXPECT_NE(boxes[0].text.find(c.edit == 6 ? "VCO-1" : "DDS-"), std::string::npos) << boxes[0].text;
    const usb2sim::State s = usb2sim::GetState();
    for (size_t n = 0; n < 6; ++n) {
      EXPECT_EQ(s.dds[n].word, good.dds[n].word) << c.text;
      EXPECT_EQ(s.dds[n].on, good.dds[n].on) << c.text;
    }
    EXPECT_EQ(s.dds400Word, good.dds400Word) << c.text;
    EXPECT_DOUBLE_EQ(GlobalIniService->ReadTestDDSFreq(2), 10.7e6) << c.text;
    Type(edit, old);
  }
  EXPECT_EQ(LinkUp.load(), 1);
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
