// The analyser's control frames and view numerics as tables: the frequency window's three entry
// modes, range steps and 1-2-5 span steps, the volume slider, and the windows, retunes, drag and
// band strip of the views.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/vcl/Forms.h"
#include "screens/analyser/AnalyserViewBase.h"
#include "screens/analyser/ControlFrameStyle.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/analyser/Intensitysettingsframeunit.h"
#include "screens/analyser/Volumeframeunit.h"

namespace {

class ControlFrameTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Application->Initialize(); }
  void SetUp() override { f = std::make_unique<TFreqControlFrame>(nullptr); }
  void Enter(TEdit* edit, const std::string& text) {
    edit->SetText(text);
    uint16_t key = 13;
    f->OnEditKeyDown(edit, key, 0);
  }
  void ExpectWindow(double centre, double span, double start, double stop) {
    EXPECT_DOUBLE_EQ(f->Center, centre);
    EXPECT_DOUBLE_EQ(f->Span, span);
    EXPECT_DOUBLE_EQ(f->Start, start);
    EXPECT_DOUBLE_EQ(f->Stop, stop);
  }
  std::unique_ptr<TFreqControlFrame> f;
};

TEST_F(ControlFrameTest, DefaultsAndCentreEntry) {
  EXPECT_EQ(f->Mode, TFreqControlFrame::ModeCenter);
  ExpectWindow(500, 1000, 0, 1000);
  f->SetCenter(20000);
  ExpectWindow(15000, 1000, 14500, 15500);
  f->SetCenter(-5);  // no lower clamp: the threads keep their sweeps inside 0..15 GHz
  EXPECT_DOUBLE_EQ(f->Start, -505);
  Enter(f->Edit1, "abc");
  EXPECT_DOUBLE_EQ(f->Center, 0);
  EXPECT_EQ(f->Edit1->Caption(), "0.000");
  Enter(f->Edit1, "16000");
  EXPECT_DOUBLE_EQ(f->Center, 15000);
  Enter(f->Edit1, "nan");
  EXPECT_DOUBLE_EQ(f->Center, 0);
  Enter(f->Edit1, "1e400");  // infinity to the C library, then the highest centre
  EXPECT_DOUBLE_EQ(f->Center, 15000);
  EXPECT_EQ(f->Edit1->Caption(), "15000.000");
}

// A typed span is kept as typed between 0 and the largest span, below 1 MHz too (the detail window
// holds at least one point); what is not >= 0 reads as 0.
TEST_F(ControlFrameTest, SpanEntryKeepsWhatWasTypedWithinZeroAndTheLargestSpan) {
  f->SetSpan(20);
  EXPECT_EQ(f->Mode, TFreqControlFrame::ModeSpan);
  struct Case {
    const char* text;
    double span;
    const char* shown;
  };
  for (const Case& c : {Case{"0.5", 0.5, "0.500"}, Case{"0.2", 0.2, "0.200"}, Case{"0", 0, "0.000"},
                        Case{"abc", 0, "0.000"}, Case{"-3", 0, "0.000"}, Case{"nan", 0, "0.000"},
                        Case{"-1e400", 0, "0.000"}, Case{"99999", 15000, "15000.000"},
                        Case{"1e400", 15000, "15000.000"}}) {
    Enter(f->Edit1, c.text);
    EXPECT_DOUBLE_EQ(f->Span, c.span) << c.text;
    EXPECT_EQ(f->Edit1->Caption(), c.shown) << c.text;
    EXPECT_NEAR(f->Stop - f->Start, c.span, 1e-9) << c.text;
  }
}

TEST_F(ControlFrameTest, StartStopEntry) {
  f->OnPanelMouseDown(f->Panel3, mbLeft, 0, 0, 0);
  EXPECT_EQ(f->Mode, TFreqControlFrame::ModeRange);
  f->Edit2->SetText("100");
  Enter(f->Edit3, "100");
  EXPECT_DOUBLE_EQ(f->Stop, 101);
  f->Edit3->SetText("100");
  Enter(f->Edit2, "100");
  ExpectWindow(99.5, 1, 99, 100);
  f->Edit2->SetText("400");
  Enter(f->Edit3, "600");
  ExpectWindow(500, 200, 400, 600);
  f->Edit2->SetText("nan");
  Enter(f->Edit3, "inf");  // not numbers: read as 0, then the stop keeps one above the start
  ExpectWindow(0.5, 1, 0, 1);
}

TEST_F(ControlFrameTest, RangeStepsMoveByHalfASpanInsideTheLimits) {
  struct Case {
    double centre, span;
    bool up;
    double expectedCentre;
  };
  for (const Case& c : {Case{14800, 1000, true, 14500}, Case{300, 1000, false, 500},
                        Case{1000, 200, true, 1100}, Case{1000, 200, false, 900}}) {
    f->SetSpan(c.span);
    f->SetCenter(c.centre);
    c.up ? f->RangeUp() : f->RangeDown();
    EXPECT_DOUBLE_EQ(f->Center, c.expectedCentre) << c.centre;
    EXPECT_DOUBLE_EQ(f->Stop - f->Start, c.span);
    EXPECT_EQ(f->Mode, TFreqControlFrame::ModeRange);
    EXPECT_EQ(f->RangeStepMark, c.up ? TFreqControlFrame::RangeStepUp : TFreqControlFrame::RangeStepDown);
  }
}

TEST_F(ControlFrameTest, WheelStepsTheSpanAlongOneTwoFive) {
  struct Case {
    double from;
    bool up;
    double to;
  };
  for (const Case& c :
       {Case{1, false, 1}, Case{2, false, 1}, Case{1.5, false, 1}, Case{5, false, 2}, Case{10, false, 5},
        Case{1000, false, 500}, Case{1, true, 2}, Case{2, true, 5}, Case{5, true, 10}, Case{200, true, 500},
        Case{10000, true, 15000}, Case{12000, true, 15000}, Case{15000, true, 15000}}) {
    f->SetSpan(c.from);
    c.up ? f->SpanUp() : f->SpanDown();
    EXPECT_DOUBLE_EQ(f->Span, c.to) << c.from << (c.up ? " up" : " down");
  }
}

TEST_F(ControlFrameTest, OnChangeFollowsEveryChange) {
  int changes = 0;
  f->OnChange = [&] { ++changes; };
  f->SetSpan(100);  // mode 1 -> 2: from Update and after ShowValues
  EXPECT_EQ(changes, 2);
  f->SetSpan(50);
  EXPECT_EQ(changes, 3);
  f->SetMaxima(true);
  f->SetCenter(9000);
  EXPECT_DOUBLE_EQ(f->Center, 5000);
}

TEST(VolumeSlider, KnobPositionsGiveZeroOrSixtyToTwoHundredForty) {
  Application->Initialize();
  TVolumeFrame v(nullptr);
  int reported = -1;
  v.OnChange = [&](int volume) { reported = volume; };
  struct Step {
    int dx;
    int left;
    int volume;
  };
  for (const Step& s :
       {Step{-300, 24, 0}, Step{1, 25, 60}, Step{500, 227, 240}, Step{-102, 125, 149}, Step{-300, 24, 0}}) {
    v.MoveSlider(s.dx);
    EXPECT_EQ(v.Image1->Left(), s.left);
    EXPECT_EQ(v.Volume, s.volume);
    EXPECT_EQ(reported, s.volume);
  }
}

TEST(ViewNumerics, DetailAndOverviewWindows) {
  struct Detail {
    double span;
    int from, to;
  };
  for (const Detail& d : {Detail{10, 0, 1000}, Detail{5, 250, 750}, Detail{2, 400, 600}, Detail{1, 450, 550},
                          Detail{1.23, 439, 562}, Detail{0.5, 475, 525}, Detail{0, 500, 501}}) {
    const analyser::Window w = analyser::DetailWindow(d.span);
    EXPECT_EQ(w.From, d.from) << d.span;
    EXPECT_EQ(w.To, d.to) << d.span;
  }
  struct Overview {
    double start, stop;
    int from, to;
  };
  for (const Overview& o :
       {Overview{0, 1000, 0, 20000}, Overview{490, 510, 9800, 10200}, Overview{2400, 2500, 48000, 50000},
        Overview{0, 15000, 0, 300000}, Overview{-8.85, 11.15, 0, 223}, Overview{0, 20000, 0, 300000},
        Overview{NAN, 100, 0, 2000}}) {
    const analyser::Window w = analyser::OverviewWindow(o.start, o.stop);
    EXPECT_EQ(w.From, o.from) << o.start;
    EXPECT_EQ(w.To, o.to) << o.start;
  }
}

TEST(ViewNumerics, RetunesDragAndBandStrip) {
  EXPECT_FLOAT_EQ(float(analyser::DetailHitCentre(500, 520)), 500.2f);
  EXPECT_FLOAT_EQ(float(analyser::DetailHitCentre(14999.5, 123)), 14995.73f);
  EXPECT_FLOAT_EQ(float(analyser::OverviewHitCentre(12345)), 617.25f);
  EXPECT_FLOAT_EQ(float(analyser::OverviewHitCentre(299999)), 14999.95f);
  EXPECT_NEAR(analyser::OverviewDragCentre(100, 1000, 984, 500e6), 601.626, 0.001);
  EXPECT_EQ(analyser::OverviewDragCentre(-10000, 1000, 984, 500e6), 0.0);
  EXPECT_EQ(analyser::OverviewDragCentre(100000, 1000, 984, 500e6), 15000.0);
  struct Strip {
    int l, t, w, W, H;
    TRect expected;
  };
  for (const Strip& s : {Strip{20, 60, 984, 1280, 960, TRect(25, 112, 25 + 1230, 112 + 37)},
                         Strip{20, 60, 984, 800, 600, TRect(15, 70, 15 + 768, 70 + 23)}}) {
    const TRect r = analyser::StripBounds(s.l, s.t, s.w, s.W, s.H);
    EXPECT_EQ(r.Left, s.expected.Left);
    EXPECT_EQ(r.Top, s.expected.Top);
    EXPECT_EQ(r.Width(), s.expected.Width());
    EXPECT_EQ(r.Height(), s.expected.Height());
  }
}

TEST(IntensitySettings, EachClickStepsOneSettingAndTellsTheViewOnce) {
  Application->Initialize();
  TIntensitySettingsFrame f(nullptr);
  EXPECT_EQ(f.Speed, intensity::NormalSpeed);
  EXPECT_EQ(f.Filter, intensity::NormalFilter);
  f.OnPanelMouseDown(f.Panel1, mbLeft, 0, 0, 0);  // no OnChange yet: only the setting moves
  EXPECT_EQ(f.Speed, intensity::Slow);
  int changes = 0;
  f.OnChange = [&] { ++changes; };
  struct Click {
    TPanel* panel;
    uint8_t speed, filter;
  };
  for (const Click& c : {Click{f.Panel1, intensity::Fast, intensity::NormalFilter},
                         Click{f.Panel1, intensity::NormalSpeed, intensity::NormalFilter},
                         Click{f.Panel2, intensity::NormalSpeed, intensity::Narrow},
                         Click{f.Panel2, intensity::NormalSpeed, intensity::Wide}}) {
    f.OnPanelMouseDown(c.panel, mbRight, 0, 0, 0);  // any button counts
    EXPECT_EQ(c.panel->Color(), panel_colours::Pressed);
    f.OnPanelMouseUp(c.panel, mbRight, 0, 0, 0);
    EXPECT_EQ(c.panel->Color(), panel_colours::Released);
    EXPECT_EQ(f.Speed, c.speed);
    EXPECT_EQ(f.Filter, c.filter);
  }
  EXPECT_EQ(changes, 4);
}

TEST(IntensitySettings, WhatEachSettingMeans) {
  struct Setting {
    uint8_t value;
    int rows, detailBandwidth, overviewOffset, speedText, filterText;
  };
  for (const Setting& s : {Setting{0, 50, 1, 1, 7, 10}, Setting{1, 100, 0, 0, 9, 9}, Setting{2, 200, 4, 2, 8, 11}}) {
    SCOPED_TRACE(int(s.value));
    EXPECT_EQ(intensity::RowsForSpeed(s.value), s.rows);
    EXPECT_EQ(intensity::DetailBandwidth(s.value), s.detailBandwidth);
    EXPECT_EQ(intensity::OverviewFilterOffset(s.value), s.overviewOffset);
    EXPECT_EQ(intensity::SpeedTextItem(s.value), s.speedText);
    EXPECT_EQ(intensity::FilterTextItem(s.value), s.filterText);
  }
}

}  // namespace
