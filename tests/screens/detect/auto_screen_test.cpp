// The auto-category views end to end against the simulated instrument: mobile bands, fast detect and
// silent detect, and leaving each of them in the middle of a run.
#include <algorithm>
#include <filesystem>

#include "display/DirectXBase.h"
#include "device/InOut.h"
#include "display/Display.h"
#include "platform/imaging/Imaging.h"
#include "platform/rtl/SysUtils.h"
#include "screens/locate/RadarSprites.h"
#include "engine/Buffers.h"
#include "engine/FastDetectThreads.h"
#include "engine/SilentList.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TestHooks.h"
#include "screens/locate/Ufastdetectframev2unit.h"
#include "screens/locate/Umobilframev2unit.h"
#include "screens/locate/Usilentframeunit.h"
#include "base/IniService.h"
#include "tests/screens/detect/DetectFixture.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempFolder.h"

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

// The radar's textures are made beside the start-up; entering fast detect gives it all five sprites,
// and the four texture files are there, whole.
TEST_F(AutoScreen, FastDetectEnteredHasItsRadarSpritesAndTheirFiles) {
  StartWith();
  EnterOnly(Fast());
  for (const auto& sprite : Fast()->RadarSprites()) {
    ASSERT_TRUE(sprite);
    EXPECT_TRUE(sprite->Texture);
  }
  const std::pair<const char*, int> files[] = {
      {"radartmp.png", 1024}, {"signaltmp.png", 1024}, {"masktmp.png", 2048}, {"pointtmp.png", 128}};
  for (const auto& [name, size] : files) {
    imaging::FileInfo info;
    ASSERT_TRUE(imaging::ReadFileInfo(ProgramFolder + "meshes/" + name, info)) << name;
    EXPECT_EQ(info.width, size) << name;
    EXPECT_FALSE(imaging::ReadImage(ProgramFolder + "meshes/" + name, 4, false).Empty()) << name;
  }
}

// Textures that cannot be written (a full disk) leave the files of the last start as they were.
TEST_F(AutoScreen, RadarTexturesThatCannotBeWrittenKeepTheOldFiles) {
  StartWith();
  EnterOnly(Fast());  // the start's textures are written
  const std::string meshes = ProgramFolder + "meshes/";
  const char* names[] = {"radartmp.png", "signaltmp.png", "masktmp.png", "pointtmp.png"};
  std::vector<std::string> before;
  for (const char* name : names) before.push_back(TempFolder::ReadBytes(meshes + name));
  const auto entries = [&] {
    std::vector<std::string> list;
    for (const auto& e : std::filesystem::directory_iterator(meshes)) list.push_back(e.path().filename());
    std::sort(list.begin(), list.end());
    return list;
  };
  const std::vector<std::string> filesBefore = entries();
  {
    FileSizeLimit fullDisk(1000);
    RadarTextures textures(0x404040, ProgramFolder + "meshes");  // another colour: other files
  }  // the worker has ended
  for (size_t i = 0; i < std::size(names); ++i) EXPECT_EQ(TempFolder::ReadBytes(meshes + names[i]), before[i]) << names[i];
  EXPECT_EQ(entries(), filesBefore);  // no temporary file left
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

// A result line leads from the detected frequency to the analyser: a click on it (the real mouse path)
// sets the centre to its MHz and the span to 10 MHz; a click that selects nothing changes nothing.
TEST_F(AutoScreen, ClickOnAFastDetectResultHandsItsFrequencyToTheAnalyser) {
  StartWith();
  EnterOnly(Fast());
  GlobalIOSettings->Center = 100e6;
  GlobalIOSettings->Span = 2e6;
  TListBox* lb = Fast()->lb;
  lb->SetVisible(true);
  VclTest::MouseDown(lb, mbLeft, 20, 90);  // below the last line: nothing selected
  VclTest::MouseUp(lb, mbLeft, 20, 90);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Center, 100e6);
  for (const char* line : {"418.70 MHz", "1200.05 MHz"}) lb->Items()->Add(line);
  VclTest::MouseDown(lb, mbLeft, 20, 13 + 6);  // the second line
  ASSERT_TRUE(VclTest::MouseUp(lb, mbLeft, 20, 13 + 6));
  ASSERT_EQ(lb->ItemIndex(), 1);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Center, 1200.05e6);
  EXPECT_DOUBLE_EQ(GlobalIOSettings->Span, 10e6);
}

// The stage titles stand alone: no grid, and the INI text colour goes to the main display only.
TEST_F(AutoScreen, FastDetectTitleDisplaysKeepTheirOwnTextColour) {
  StartWith();
  const int iniText = GlobalIniService->ReadDisplayTextColor();
  const int ownText = StdDisplay(xBase, 1024, 768).TextColor;
  ASSERT_NE(iniText, ownText) << "the INI colour must differ from the display's own to tell them apart";
  for (int pass = 0; pass < 2; ++pass) {  // as constructed, and after the INI settings are applied again
    EXPECT_EQ(Fast()->MainDisplay()->TextColor, iniText);
    for (int s = 0; s < 3; ++s) {
      StdDisplay* title = Fast()->TitleDisplay(s);
      EXPECT_EQ(title->TextColor, ownText) << s;
      EXPECT_EQ(title->GridColor, title->BgColor) << s;
      EXPECT_EQ(title->BgColor, GlobalIniService->ReadDisplayBgColor()) << s;
    }
    Fast()->UpdateFromIni();
  }
}

// The service controls stay hidden; their handlers run the pipeline's parts on their own.
TEST_F(AutoScreen, FastDetectServiceHandlers) {
  StartWith();
  EnterOnly(Fast());
  TFastDetectFrameV2* f = Fast();
  EXPECT_EQ(f->Button1->Caption(), "Test");
  EXPECT_EQ(f->Button2->Caption(), "Center Thread");
  EXPECT_EQ(f->Edit1->Caption(), "300");
  EXPECT_EQ(f->Edit2->Caption(), "500");
  EXPECT_EQ(f->Label1->Caption(), "Label1");
  EXPECT_FALSE(f->Timer1->Enabled());
  EXPECT_EQ(f->Timer1->Interval(), 100u);

  // Synthesiser test: Timer1 on and off with the caption; each tick puts DDS 4 at 21 MHz.
  f->OnSynthTestButClick(nullptr);
  EXPECT_TRUE(f->Timer1->Enabled());
  EXPECT_EQ(f->Button3->Caption(), "Synth Test on");
  IOCtrl->SetDDSFrequency(4, 80e6, 10e6);
  ASSERT_NEAR(usb2sim::GetState().dds[4].frequencyHz, 10e6, 10e3);
  f->OnTimer1(nullptr);
  EXPECT_NEAR(usb2sim::GetState().dds[4].frequencyHz, 21e6, 21e3);
  f->OnSynthTestButClick(nullptr);
  EXPECT_FALSE(f->Timer1->Enabled());
  EXPECT_EQ(f->Button3->Caption(), "Synth Test off");
  f->OnSynthTestButClick(nullptr);
  f->Leave();  // the test ends with the view
  EXPECT_FALSE(f->Timer1->Enabled());
  EXPECT_EQ(f->Button3->Caption(), "Synth Test off");
  f->Enter();

  // Test: the scan alone on cleared buffers; the run counts as running, so Start now stops it.
  f->ScanBuffer(1).SetValue(3, 7, 80.0f);
  f->OnTestButClick(nullptr);
  EXPECT_EQ(f->ScanBuffer(1).Get(3, 7), 0.0f);
  EXPECT_TRUE(f->Running());
  EXPECT_EQ(f->Status(), "scanning...");
  EXPECT_TRUE(f->AnyThreadRunning());
  f->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0);
  EXPECT_FALSE(f->AnyThreadRunning());
  EXPECT_FALSE(f->Running());

  // Center Thread: the verification alone, of 418.7 to 426.7 MHz.
  f->OnCenterTestButClick(nullptr);
  ASSERT_EQ(f->Targets().size(), 1u);
  EXPECT_DOUBLE_EQ(f->Targets()[0].lower, 418.7e6);
  EXPECT_DOUBLE_EQ(f->Targets()[0].upper, 426.7e6);
  EXPECT_EQ(f->Status(), "verify...");
  ASSERT_TRUE(RunUntil([&] { return !f->AnyThreadRunning(); }, 300));
  EXPECT_TRUE(f->Status() == "ALARM" || f->Status() == "nothing found") << f->Status();
  for (const std::string& line : f->Results()) {
    const double mhz = std::atof(line.c_str());
    EXPECT_TRUE(mhz >= 418.7 && mhz <= 426.7) << line;
  }
  for (TControl* c :
       std::initializer_list<TControl*>{f->Button1, f->Button2, f->Button3, f->Edit1, f->Edit2, f->Label1})
    EXPECT_FALSE(c->Visible());
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

// The fast-detect view's Leave takes its four displays off (labels hidden, render loop emptied) before
// its device calls: a failed call ends Leave with the view shown and its displays already off.
TEST_F(AutoScreen, FastDetectLeaveTakesItsDisplaysOffBeforeItsDeviceCalls) {
  StartWith();
  EnterOnly(Fast());
  ASSERT_EQ(DisplayListGlobal->Count(), 4);
  usb2sim::UnplugNow();
  Fast()->Leave();
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_TRUE(Fast()->Visible()) << "Leave ended at the failed call";
  EXPECT_EQ(DisplayListGlobal->Count(), 0);
  for (const auto& display : Fast()->Displays()) EXPECT_FALSE(display->LabelTitle->Visible());
}

// The silent-detect panels keep a plain font: "MS Sans Serif", height -21, clScrollBar, not bold.
TEST_F(AutoScreen, SilentDetectPanelsTakeAPlainFont) {
  StartWith();
  for (TPanel* p : {Silent()->Panel1, Silent()->Panel2, Silent()->Panel3, Silent()->Panel4}) {
    EXPECT_EQ(p->Font()->Name(), "MS Sans Serif") << p->Caption();
    EXPECT_EQ(p->Font()->Height(), -21) << p->Caption();
    EXPECT_EQ(p->Font()->Style() & fsBold, 0u) << p->Caption();
    EXPECT_EQ(p->Font()->Color(), clScrollBar) << p->Caption();
  }
}

}  // namespace
