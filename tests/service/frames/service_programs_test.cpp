// The service programs of a service build, run in the main window against the simulated
// instrument: what each program leaves in the instrument, which run once, which draw images; the
// receiver test panel and the simulated spectrum of the test displays.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "ServiceFixture.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "service/ServicePrograms.h"

namespace {

class ServiceProgramTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    StartService();
    win->ServiceProgramState = std::make_unique<ServicePrograms>();
    ServiceProgramDone = 0;
  }
  void TearDown() override {
    ServiceProgramNumber = 0;
    ServiceProgramDone = 0;
    ServiceTest::TearDown();
  }
  void Run(int program) {
    ServiceProgramNumber = program;
    win->RunServiceProgram();
  }
  int ImageCount() const { return win->TestImageList->Count(); }
  int ImageWidth(int i) const { return static_cast<TImage*>(win->TestImageList->Items(i))->Width(); }
};

struct ProgramCase {
  int program;
  bool once;
  int images;  // -1: none made
  std::function<void(const usb2sim::State&)> check;
};

TEST_F(ServiceProgramTest, EachProgramLeavesItsSettingsInTheInstrument) {
  const auto dds400 = [](double hz) {
    return [hz](const usb2sim::State& s) { EXPECT_NEAR(s.dds400Hz, hz, 1.0); };
  };
  const ProgramCase cases[] = {
      {1, true, -1, dds400(29e6)},
      {4, true, -1,
       [](const usb2sim::State& s) {
         EXPECT_EQ(s.attenuatorDb, 0);
         EXPECT_EQ(s.mainboardPort, 0x0A);
       }},
      {5, true, -1, [](const usb2sim::State& s) { EXPECT_EQ(s.mainboardPort, 0x09); }},
      {6, true, -1,
       [](const usb2sim::State& s) {
         EXPECT_EQ(s.mainboardPort, 0x0A);
         EXPECT_NEAR(s.dds400Hz, 19.921875e6, 1.0);
       }},
      {7, true, -1,
       [](const usb2sim::State& s) {
         EXPECT_EQ(s.mainboardPort, 0x6D);
         EXPECT_NEAR(s.dds400Hz, 26.7578125e6, 1.0);
       }},
      {8, true, -1,
       [](const usb2sim::State& s) {
         EXPECT_TRUE(s.dds[5].on);
         EXPECT_NEAR(s.dds[5].frequencyHz, 33e6, 1.0);
       }},
      {9, true, -1,
       [](const usb2sim::State& s) {
         EXPECT_NEAR(s.dds400Hz, 29.296875e6, 1.0);
         EXPECT_TRUE(s.dds[1].on);  // the main VCO's reference
       }},
      {10, true, -1,
       [](const usb2sim::State& s) {
         EXPECT_NEAR(s.dds400Hz, 29.296875e6, 1.0);
         EXPECT_NEAR(s.dds[4].frequencyHz, 27.3e6, 1.0);
         EXPECT_NEAR(s.dds[5].frequencyHz, 27.3e6, 1.0);
       }},
      {11, false, 2,
       [](const usb2sim::State& s) {
         EXPECT_EQ(s.ifFilter[0], 4);
         EXPECT_EQ(s.ifFilter[1], 4);
         EXPECT_EQ(s.adChannel, 1);
       }},
      {12, false, 2,
       [](const usb2sim::State& s) {
         EXPECT_NEAR(s.dds400Hz, 19.921875e6, 1.0);  // centre 100 MHz
         EXPECT_EQ(s.adChannel, 1);
       }},
      {13, true, -1, [](const usb2sim::State&) {}},
      {14, false, 2,
       [](const usb2sim::State& s) {
         EXPECT_TRUE(s.vlfOn);
         EXPECT_EQ(s.adChannel, 0);
       }},
      {15, false, 1, [](const usb2sim::State& s) { EXPECT_GT(s.sweeps, 0u); }},
      {16, false, -1, [](const usb2sim::State& s) { EXPECT_TRUE((s.controlWord >> 8) & 0x04); }},
      {17, false, -1,
       [](const usb2sim::State& s) {
         EXPECT_EQ(s.lastPlay.start, 0);
         EXPECT_EQ(s.lastPlay.pages, 2);
       }},
  };
  for (const ProgramCase& c : cases) {
    SCOPED_TRACE(c.program);
    win->ServiceProgramState = std::make_unique<ServicePrograms>();
    win->ClearTestImages();
    ServiceProgramDone = 0;
    Run(c.program);
    c.check(usb2sim::GetState());
    EXPECT_EQ(ServiceProgramDone, c.once ? 1 : 0);
    EXPECT_EQ(ImageCount(), c.images < 0 ? 0 : c.images);
    // A program that ran once is not run again.
    const unsigned commands = usb2sim::GetState().sweeps + usb2sim::GetState().dds400Resets;
    const usb2sim::State before = usb2sim::GetState();
    Run(c.program);
    if (c.once) {
      EXPECT_EQ(usb2sim::GetState().dds400Resets, before.dds400Resets);
      EXPECT_EQ(usb2sim::GetState().sweeps + usb2sim::GetState().dds400Resets, commands);
    }
  }
  EXPECT_TRUE(win->TestInputFreqPanel->Visible());  // program 12 showed it
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(ServiceProgramTest, ProgramTwoSweepsTheDds400From19To39MHzAndStartsAgain) {
  std::vector<double> seen;
  for (int pass = 0; pass < 203; ++pass) {
    Run(2);
    seen.push_back(usb2sim::GetState().dds400Hz);
  }
  EXPECT_NEAR(seen[0], 19.0e6, 1.0);
  EXPECT_NEAR(seen[1], 19.1e6, 1.0);
  EXPECT_NEAR(seen[200], 39.0e6, 1.0);
  EXPECT_NEAR(seen[201], 19.0e6, 1.0);
  EXPECT_NEAR(seen[202], 19.1e6, 1.0);
  EXPECT_EQ(ServiceProgramDone, 0);
  Run(3);
  EXPECT_EQ(usb2sim::GetState().mainboardPort, 0x0F);
  Run(3);
  EXPECT_NEAR(usb2sim::GetState().dds400Hz, 19.01e6, 1.0);
}

TEST_F(ServiceProgramTest, NumbersOutsideTheTableRunNothingAndImagesFollowThePrograms) {
  const unsigned sweeps = usb2sim::GetState().sweeps;
  Run(18);
  Run(-1);
  EXPECT_EQ(usb2sim::GetState().sweeps, sweeps);
  EXPECT_EQ(ImageCount(), 0);
  Run(15);
  ASSERT_EQ(ImageCount(), 1);
  EXPECT_EQ(ImageWidth(0), 1000);
  Run(11);
  ASSERT_EQ(ImageCount(), 2);
  EXPECT_EQ(ImageWidth(0), 500);
  EXPECT_EQ(ImageWidth(1), 500);
}

TEST_F(ServiceProgramTest, IdlePassesRunTheProgramAndHideTheRenderWindow) {
  ServiceProgramNumber = 1;
  IdlePass();
  EXPECT_FALSE(RenderWindow->Visible());
  EXPECT_NEAR(usb2sim::GetState().dds400Hz, 29e6, 1.0);
  EXPECT_EQ(ServiceProgramDone, 1);
  const unsigned resets = usb2sim::GetState().dds400Resets;
  IdlePass();
  EXPECT_EQ(usb2sim::GetState().dds400Resets, resets);
}

TEST_F(ServiceProgramTest, TestPanelCentreIsCheckedAndStepped) {
  const struct {
    const char* text;
    TButton* TMainWin::*button;  // null: typed only
    double centre;
    const char* shown;
  } cases[] = {
      {"3", &TMainWin::Button2, 0.0, "0"},
      {"100", &TMainWin::Button3, 105.0, "105"},
      {"14998", &TMainWin::Button3, 15003.0, "15003"},
      {"97398", &TMainWin::Button3, 97398.0, "97398"},  // a step past the synthesiser's reach: kept
      {"250.5", nullptr, 250.5, "250.5"},
      {"abc", nullptr, 0.0, "abc"},  // read as far as it is a number: none is 0
      {"", nullptr, 0.0, ""},
      {"433.9 MHz", nullptr, 433.9, "433.9 MHz"},
      {"-5", nullptr, -5.0, "-5"},
      {"250", nullptr, 250.0, "250"},
      {"1e30", nullptr, 250.0, "1e30"},  // beyond the tuning word: the last centre stays
      {"97400", nullptr, 250.0, "97400"},
      {"-5001", nullptr, 250.0, "-5001"},
  };
  for (const auto& c : cases) {
    win->Edit1->SetText(c.text);
    if (c.button) (win->*c.button)->Click();
    EXPECT_DOUBLE_EQ(win->TestCenterFreq, c.centre) << c.text;
    EXPECT_EQ(win->Edit1->Text(), c.shown) << c.text;
  }
  win->Edit1->SetText("100");
  Run(12);
  EXPECT_NEAR(usb2sim::GetState().dds400Hz, TestPanelDds400Hz(100.0), 1.0);
  EXPECT_DOUBLE_EQ(TestPanelDds400Hz(100.0), 19921875.0);
}

TEST(TestSpectrum, FillsBothBuffersAndSkipsANestedTick) {
  NormalBuffer overview(300000), detail(1800);
  overview.SetRange(0.0f, 1.5e10f, 0.0f, 255.0f);
  detail.SetRange(93.4e6f, 111.4e6f, 0.0f, 255.0f);
  TestSpectrum spectrum;
  int nested = 0, skipped = 0;
  const bool ran = spectrum.Tick(&overview, &detail, [&] {
    if (nested++ == 10) skipped += !spectrum.Tick(&overview, &detail, nullptr);
  });
  EXPECT_TRUE(ran);
  EXPECT_EQ(skipped, 1);
  EXPECT_FALSE(spectrum.Running());
  EXPECT_FLOAT_EQ(overview.GetPoint(20000), 255.0f);  // the 1 GHz line
  for (unsigned i : {0u, 900u, 1799u}) {
    EXPECT_GE(detail.GetPoint(i), 50.0f);
    EXPECT_LT(detail.GetPoint(i), 60.0f);
  }
}

}  // namespace

namespace {

TEST_F(ServiceTest, TheDeliveredBuildRunsNoServiceTool) {
  if (!RT_DELIVERED_BUILD) GTEST_SKIP() << "a service build";
  EXPECT_EQ(ServiceProgramNumber, 0);
  EXPECT_EQ(TestDisplaySwitch, 0);
  StartService();
  EXPECT_FALSE(win->TestTimer->Enabled());
  EXPECT_FALSE(win->Button1->Visible());
  EXPECT_FALSE(win->TrackBar1->Visible());
  EXPECT_FALSE(win->TestInputFreqPanel->Visible());
  EXPECT_EQ(win->TestBuffer2, nullptr);
}

TEST_F(ServiceTest, TestDisplaysShowASimulatedSpectrumAndKeepTheProgramAliveWithoutLink) {
  TestDisplaySwitch = 1;
  StartService();
  EXPECT_TRUE(win->TestTimer->Enabled());
  ASSERT_NE(win->TestBuffer2, nullptr);
  EXPECT_EQ(win->TestBuffer->Count, 300000u);
  EXPECT_EQ(win->TestDisplay2->Texts()[3], "Spectrum");
  EXPECT_GE(DisplayListGlobal->IndexOf(win->TestDisplay2), 0);
  win->OnTestTimer(nullptr);
  EXPECT_FLOAT_EQ(win->TestBuffer->GetPoint(20000), 255.0f);
  LinkUp = 0;
  IdlePass();
  EXPECT_TRUE(win->Visible());  // no exit screen
  LinkUp = 1;
  Close();
  TestDisplaySwitch = 0;
}

}  // namespace
