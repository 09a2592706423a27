// The service tools of the main window: the numbered service programs, the two test displays with
// their simulated spectrum, the receiver test panel and the hidden test button and slider. They
// run only when a service build sets ServiceProgramNumber or TestDisplaySwitch.
#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "service/ServicePrograms.h"
#include "shell/RT7731_IV_Unit.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

namespace {
template <class T>
T* MakeServiceChild(TWinControl* parent, TComponent* owner) {
  T* control = new T(owner);
  control->SetParent(parent);
  return control;
}
}  // namespace

void TMainWin::BuildServiceControls() {
  ServiceProgramState = std::make_unique<ServicePrograms>();
  TestSpectrumState = std::make_unique<TestSpectrum>();
  Button1 = MakeServiceChild<TButton>(StatusPanel, this);
  Button1->SetCaption("test");
  Button1->SetBounds(400, 4, 60, 21);
  Button1->SetVisible(false);
  Button1->OnClick = [this](TObject* s) { OnTestButClick(s); };
  TrackBar1 = MakeServiceChild<TTrackBar>(StatusPanel, this);
  TrackBar1->SetBounds(470, 2, 150, 25);
  TrackBar1->SetMin(0);
  TrackBar1->SetMax(255);
  TrackBar1->SetPosition(0);
  TrackBar1->SetVisible(false);
  TrackBar1->OnChange = [this](TObject* s) { OnTrackBar1Change(s); };

  TestInputFreqPanel->SetBevelInner(bvLowered);
  TestInputFreqPanel->SetBounds(20, 290, 500, 40);
  Label1 = MakeServiceChild<TLabel>(TestInputFreqPanel, this);
  Label1->SetCaption("Center Frequency");
  Label1->SetBounds(8, 12, 100, 16);
  Edit1 = MakeServiceChild<TEdit>(TestInputFreqPanel, this);
  Edit1->SetBounds(112, 8, 100, 21);
  Edit1->SetText("100.0");
  Edit1->OnChange = [this](TObject* s) { OnChangeTestInputFreqEdit(s); };
  Button2 = MakeServiceChild<TButton>(TestInputFreqPanel, this);
  Button2->SetCaption("<<");
  Button2->SetBounds(220, 8, 30, 23);
  Button3 = MakeServiceChild<TButton>(TestInputFreqPanel, this);
  Button3->SetCaption(">>");
  Button3->SetBounds(254, 8, 30, 23);
  for (TButton* b : {Button2, Button3})
    b->OnClick = [this](TObject* s) { OnUpDownTestCenterFreqButClick(s); };
  Button4 = MakeServiceChild<TButton>(TestInputFreqPanel, this);
  Button4->SetCaption("calibrate");
  Button4->SetBounds(290, 8, 70, 23);
  Button4->OnClick = [this](TObject* s) { OnCalibrateTestButClick(s); };
  CheckBox1 = MakeServiceChild<TCheckBox>(TestInputFreqPanel, this);
  CheckBox1->SetCaption("2.VCO Low");
  CheckBox1->SetBounds(368, 10, 100, 20);
}

void TMainWin::RunServiceProgram() {
  if (!IOCtrl || !ServiceProgramState) return;
  ServiceProgramView view;
  view.ImageParent = DisplayPanel;
  view.Images = TestImageList;
  view.ClearImages = [this] { ClearTestImages(); };
  view.StatusView = StatusView;
  view.TestInputFreqPanel = TestInputFreqPanel;
  view.VcoLowBox = CheckBox1;
  view.SetCaption = [this](const std::string& text) { SetCaption(text); };
  view.TestCenterFreq = TestCenterFreq;
  HardwareLockGuard lock;
  ServiceProgramState->Run(ServiceProgramNumber, *IOCtrl, view);
}

void TMainWin::CreateTestDisplays() {
  if (!TestDisplay1 || !TestDisplay2 || !DisplayListGlobal) return;
  TestDisplay1->SetPosition(20, 10, 984, 280);
  TestDisplay1->GridDivX = 15;
  TestDisplay1->GridDivY = 8;
  TestDisplay1->DataBuffer = nullptr;
  TestDisplay1->GenerateText();
  TestDisplay1->SetTitle("Overview");
  delete TestBuffer;
  TestBuffer = new NormalBuffer(300000);
  TestBuffer->SetRange(0.0f, 1.5e10f, 0.0f, 255.0f);
  TestDisplay1->DataBuffer = TestBuffer;
  TestDisplay1->GenerateText();
  TestDisplay1->RenderMode = 1;
  TestDisplay1->ShowFrame = 1;
  // The overview is entered in the display list too: it is what the test timer fills.
  DisplayListGlobal->Add(TestDisplay1);

  TestDisplay2->SetPosition(20, 330, 984, 400);
  TestDisplay2->GridDivX = 15;
  TestDisplay2->GridDivY = 8;
  TestDisplay2->DataBuffer = nullptr;
  TestDisplay2->GenerateText();
  TestDisplay2->SetTitle("Spectrum");
  DisplayListGlobal->Add(TestDisplay2);
  delete TestBuffer2;
  TestBuffer2 = new NormalBuffer(1800);
  TestBuffer2->SetRange(93.4e6f, 111.4e6f, 0.0f, 255.0f);
  TestDisplay2->DataBuffer = TestBuffer2;
  TestDisplay2->GenerateText();
}

void TMainWin::KillTestDisplays() {
  if (DisplayListGlobal) {
    DisplayListGlobal->Remove(TestDisplay1);
    DisplayListGlobal->Remove(TestDisplay2);
  }
  if (TestDisplay2) TestDisplay2->DataBuffer = nullptr;
  delete TestBuffer2;
  TestBuffer2 = nullptr;
}

void TMainWin::OnTestTimer(TObject*) {
  if (TestSpectrumState)
    TestSpectrumState->Tick(TestBuffer, TestBuffer2, [] { Application->ProcessMessages(); });
}

void TMainWin::OnTestButClick(TObject*) {
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  IOCtrl->InitAudioSpeaker();
  IOCtrl->InitSoundProc();
  IOCtrl->SetAudioSpeaker(true, true, true, true, false, false, true);
  IOCtrl->SetSoundProcVolume(200);
  IOCtrl->InitPCA9539(0x74);
  IOCtrl->WritePCA9539(0x74, 0x0000);
  ShowInfo(IntToStr(IOCtrl->SetIFBandwidth(1) ? 1 : 0), 2000);
}

void TMainWin::OnTrackBar1Change(TObject*) {
  if (!IOCtrl) return;
  {
    HardwareLockGuard lock;
    IOCtrl->WriteDualPot(0x2D, false, static_cast<uint8_t>(TrackBar1->Position()));
  }
  ShowInfo(IntToStr(TrackBar1->Position()), 10000);
}

void TMainWin::OnChangeTestInputFreqEdit(TObject*) {
  // A centre the 400 MHz synthesiser cannot make keeps the last good one and says why on the info
  // line, instead of tuning to a wrapped or saturated frequency.
  double mhz = 0.0;
  std::string message;
  if (ReadTestCenterFreq(Edit1->Text(), mhz, message))
    TestCenterFreq = mhz;
  else
    ShowInfo(message, 2000);
}

void TMainWin::OnUpDownTestCenterFreqButClick(TObject* Sender) {
  OnChangeTestInputFreqEdit(Sender);
  TestCenterFreq = StepTestCenterFreq(TestCenterFreq, Sender != Button2);
  Edit1->SetText(FloatToStr(TestCenterFreq));  // fires OnChangeTestInputFreqEdit again
}

void TMainWin::OnCalibrateTestButClick(TObject*) {
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  IOCtrl->CalibrateXO400();
}
