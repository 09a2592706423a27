// The auto-category views end to end against the simulated instrument: mobile bands, fast detect and
// silent detect, and leaving each of them in the middle of a run.
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/SilentList.h"
#include "screens/locate/Ufastdetectframev2unit.h"
#include "screens/locate/Umobilframev2unit.h"
#include "screens/locate/Usilentframeunit.h"
#include "base/IniService.h"
#include "tests/screens/detect/DetectFixture.h"

namespace {

class AutoScreen : public DetectTest {
 protected:
  TAutoFrame* Auto() { return win->AutoFrame; }
  TMobilFrameV2* Mobil() { return Auto()->MobilFrame; }
  TFastDetectFrameV2* Fast() { return Auto()->FastDetectFrame; }
  TUSilentFrame* Silent() { return Auto()->SilentFrame; }
  void EnterOnly(TModeFrameBase* view) {
    OpenCategory(AutoCategory);
    for (TModeFrameBase* v : {static_cast<TModeFrameBase*>(Fast()), static_cast<TModeFrameBase*>(Mobil()),
                              static_cast<TModeFrameBase*>(Silent())})
      v->Leave();
    view->Enter();
  }
  float MaxLevel(DigitalBuffer& b) {
    float m = 0;
    for (unsigned i = 0; i < b.Count; ++i) m = std::max(m, b.Get(0, i));
    return m;
  }
};

TEST_F(AutoScreen, MobileMonitorRaisesTheGsm900AlarmAndAnEditedLevelSurvivesARestart) {
  StartWith();
  GlobalIniService->WriteBandLevelV2(1, 90);
  usb2sim::EmitterSpec phone;
  phone.frequencyHz = 897e6;
  phone.levelDbm = -25;
  phone.bandwidthHz = 200e3;
  usb2sim::AddEmitter(phone);
  EnterOnly(Mobil());
  EXPECT_EQ(Mobil()->Buffer(0).Get(3, 0), 90.0f);
  EXPECT_EQ(Mobil()->Buffer(5).Get(3, 0), 10000.0f);
  ASSERT_TRUE(RunUntil([&] { return MaxLevel(Mobil()->Buffer(0)) > 90.0f; }, 60))
      << MaxLevel(Mobil()->Buffer(0));
  EXPECT_LT(MaxLevel(Mobil()->Buffer(3)), 90.0f);  // LTE 800 stays below its alarm level

  // A press held for one tick on GSM 900, then a move to mid height: level 128 into the INI file.
  Mobil()->OnRenderWinMouseMove(0, 100, 100);
  Mobil()->OnRenderWinMouseDown(mbLeft, 0, 100, 100);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Center, 897.5e6);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Span, 35e6);
  Mobil()->OnMouseTimer(nullptr);
  Mobil()->OnRenderWinMouseMove(ssLeft, 100, 180);
  Mobil()->OnRenderWinMouseUp(mbLeft, 0, 100, 180);
  EXPECT_EQ(GlobalIniService->ReadBandLevelV2(1), 128);
  ASSERT_TRUE(RunUntil([&] { return Mobil()->Buffer(0).Get(3, 0) == 128.0f; }, 30));

  Close();
  Start();
  OpenCategory(AutoCategory);
  win->AutoFrame->FastDetectFrame->Leave();
  win->AutoFrame->MobilFrame->Enter();
  EXPECT_EQ(win->AutoFrame->MobilFrame->Buffer(0).Get(3, 0), 128.0f);
}

TEST_F(AutoScreen, MobileMonitorLeftWhilePressedDoesNotEditAfterTheNextEnter) {
  StartWith();
  GlobalIniService->WriteBandLevelV2(1, 60);
  EnterOnly(Mobil());
  Mobil()->OnRenderWinMouseMove(0, 100, 100);
  Mobil()->OnRenderWinMouseDown(mbLeft, 0, 100, 100);
  Mobil()->Leave();
  EXPECT_FALSE(Mobil()->MouseTimer->Enabled());
  Mobil()->Enter();
  Mobil()->OnRenderWinMouseMove(0, 100, 300);
  EXPECT_EQ(GlobalIniService->ReadBandLevelV2(1), 60);
}

TEST_F(AutoScreen, FastDetectEndsWithAlarmForTheRoomBug) {
  StartWith();
  EnterOnly(Fast());
  Fast()->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0);
  EXPECT_EQ(Fast()->Status(), "scanning...");
  EXPECT_EQ(RadarViewActive.load(), 1);
  ASSERT_TRUE(
      RunUntil([&] { return Fast()->Status() == "ALARM" || Fast()->Status() == "nothing found"; }, 600))
      << Fast()->Status();
  EXPECT_EQ(Fast()->Status(), "ALARM");
  const auto results = Fast()->Results();
  ASSERT_FALSE(results.empty());
  EXPECT_NEAR(std::atof(results[0].c_str()), 433.92, 0.5) << results[0];
  for (StdDisplay* title : {Fast()->TitleDisplay(0), Fast()->TitleDisplay(1), Fast()->TitleDisplay(2)})
    EXPECT_NE(title->Texts()[3].find("Signals detected"), std::string::npos);
  Fast()->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0);  // Stop
  EXPECT_EQ(Fast()->Status(), "");
  EXPECT_EQ(RadarViewActive.load(), 0);
}

TEST_F(AutoScreen, FastDetectFindsNothingWithoutRelayingEmitters) {
  StartWith(
      "[scene]\ndefault_emitters = 0\n[emitter0]\nfrequency_mhz = 868.3\nlevel_dbm = -50\ntone_hz = 1000\n");
  EnterOnly(Fast());
  Fast()->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0);
  ASSERT_TRUE(
      RunUntil([&] { return Fast()->Status() == "ALARM" || Fast()->Status() == "nothing found"; }, 600));
  EXPECT_EQ(Fast()->Status(), "nothing found");
  EXPECT_TRUE(Fast()->Results().empty());
}

// Every auto view left in the middle of its run: its threads are stopped and its buffers stay as they are.
TEST_F(AutoScreen, LeavingMidRunStopsTheThreadsAndNothingIsWrittenAfterwards) {
  StartWith();
  EnterOnly(Fast());
  Fast()->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0);
  ASSERT_TRUE(RunUntil([&] { return MaxLevel(Fast()->ScanBuffer(0)) > 0; }, 60));
  Auto()->Leave();
  EXPECT_FALSE(Fast()->AnyThreadRunning());
  EXPECT_EQ(RadarViewActive.load(), 0);
  EXPECT_TRUE(Fast()->Running());  // the run shows again at the next Enter until Stop
  const float level = Fast()->ScanBuffer(2).Get(0, 4339);

  EnterOnly(Mobil());
  ASSERT_TRUE(RunUntil([&] { return MaxLevel(Mobil()->Buffer(0)) > 0; }, 30));
  Mobil()->Leave();
  EXPECT_FALSE(Mobil()->Thread().Running());
  Mobil()->Buffer(0).Clear();
  RunFor(1.0);
  EXPECT_EQ(MaxLevel(Mobil()->Buffer(0)), 0.0f);
  EXPECT_EQ(Fast()->ScanBuffer(2).Get(0, 4339), level);
}

}  // namespace
