// The A-mode sweep control strip (zoom, typed span, filter and module) and the audio test frame
// against the simulated instrument.
#include <gtest/gtest.h>

#include "ServiceFixture.h"
#include "platform/rtl/SysUtils.h"
#include "service/Audiotestframeunit.h"
#include "service/Sweepaframeunit.h"

namespace {

class SweepAFrameTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    StartService();
    Frame()->OnChange = [this](uint8_t module, float span) { calls.emplace_back(module, span); };
  }
  TSweepAFrame* Frame() { return win->SweepAFrame; }
  void PressEnter() {
    uint16_t key = VK_RETURN;
    Frame()->OnSpanEditKeyDown(Frame()->SpanEdit, key, 0);
  }
  std::vector<std::pair<int, float>> calls;
};

struct ZoomCase {
  const char* span;
  bool zoomIn;
  const char* shown;  // the edit afterwards
  float sentMHz;      // 0: nothing sent
};

TEST_F(SweepAFrameTest, ZoomStepsAndLimits) {
  const ZoomCase cases[] = {
      {"18", true, "11.88", 11.88f}, {"1.2", true, "1", 1.0f},  {"1", true, "1", 0.0f},
      {"15", false, "18", 18.0f},    {"18", false, "18", 0.0f}, {"10", false, "13.3", 13.3f},
  };
  for (const ZoomCase& c : cases) {
    calls.clear();
    Frame()->SpanEdit->SetText(c.span);
    Frame()->OnZoomButClick(c.zoomIn ? Frame()->ZoomInBut : Frame()->ZoomOutBut);
    EXPECT_EQ(Frame()->SpanEdit->Text(), c.shown) << c.span;
    if (c.sentMHz == 0.0f) {
      EXPECT_TRUE(calls.empty()) << c.span;
    } else {
      ASSERT_EQ(calls.size(), 1u) << c.span;
      EXPECT_EQ(calls[0].first, 0);
      EXPECT_NEAR(calls[0].second, c.sentMHz * 1e6f, 20.0f) << c.span;
    }
  }
}

// A typed span is read as far as it is a number; one that is not above 0 (or too large for a
// float) is refused with a message. Spans outside 1..18 MHz, such as 0.5 and 25, are sent as typed.
TEST_F(SweepAFrameTest, TypedSpanIsReadAsFarAsItIsANumber) {
  Frame()->RBModAudio->SetChecked(true);  // a module click sends the current span
  calls.clear();
  TakeBoxes();
  const struct {
    const char* text;
    float sentMHz;  // 0: refused, with a message
  } cases[] = {{"4.5", 4.5f}, {"0.5", 0.5f}, {"25", 25.0f}, {"100", 100.0f}, {"2,5", 2.0f}, {"12abc", 12.0f},
               {"abc", 0},    {"", 0},      {"0", 0},      {"-3", 0},       {"1e39", 0}};
  for (const auto& c : cases) {
    calls.clear();
    Frame()->SpanEdit->SetText(c.text);
    PressEnter();
    EXPECT_EQ(TakeBoxes().size(), c.sentMHz == 0 ? 1u : 0u) << c.text;
    EXPECT_EQ(Frame()->SpanEdit->Text(), c.text);
    if (c.sentMHz == 0) {
      EXPECT_TRUE(calls.empty()) << c.text;
    } else {
      ASSERT_EQ(calls.size(), 1u) << c.text;
      EXPECT_EQ(calls[0].first, 1) << c.text;
      EXPECT_FLOAT_EQ(calls[0].second, c.sentMHz * 1e6f) << c.text;
    }
  }
}

TEST_F(SweepAFrameTest, FilterButtonsSetBothModules) {
  for (int i = 0; i < 5; ++i) {
    Frame()->CBF[static_cast<size_t>(i)]->SetChecked(true);
    const usb2sim::State s = usb2sim::GetState();
    EXPECT_EQ(s.ifFilter[0], i) << i;
    EXPECT_EQ(s.ifFilter[1], i) << i;
  }
}

class AudioTestFrameTest : public ServiceTest {
 protected:
  TAudioTestFrame* Frame() { return win->AudioTestFrame; }
};

TEST_F(AudioTestFrameTest, ControlsReachTheSoundModule) {
  StartService();
  Frame()->ShowAndInit();
  EXPECT_TRUE(Frame()->Visible());
  Frame()->TB1->SetPosition(200);
  Frame()->CBMute->SetChecked(true);
  EXPECT_EQ(usb2sim::ChipRegister(0x40, 7), 0x80);
  Frame()->CB[0]->SetChecked(true);
  Frame()->CB[6]->SetChecked(true);
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_EQ(Frame()->InfoLabel->Caption(), "0");
  const usb2sim::State s = usb2sim::GetState();
  EXPECT_NE(s.speakerPort, 0);
}

TEST_F(AudioTestFrameTest, EveryFailedCallIsShownByNameAndTheOthersStillRun) {
  StartService();
  // A chip that does not answer fails no call; the label shows the interface's error number.
  usb2sim::SetChipAbsent(0x40, true);
  Frame()->TB2->SetPosition(10);
  EXPECT_TRUE(TakeBoxes().empty());
  EXPECT_EQ(Frame()->InfoLabel->Caption(), "2");
  // Without the interface every call fails, each is named, and the handler goes on.
  usb2sim::UnplugNow();
  Frame()->OnTestButClick(nullptr);
  std::vector<std::string> names;
  for (const auto& box : TakeBoxes()) {
    EXPECT_EQ(box.caption, "ERROR");
    names.push_back(box.text);
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"InitPCA9539", "WritePCA9539", "InitSoundProc", "SetSoundProcVolume"}));
  EXPECT_EQ(Frame()->InfoLabel->Caption(), "1");
  EXPECT_EQ(LinkUp.load(), 1);  // this frame never takes the link down
}

}  // namespace
