#include "service/Testframeunit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "device/InOut.h"
#include "display/C_cap.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/TestThreads.h"
#include "platform/rtl/Classes.h"
#include "platform/vcl/Forms.h"
#include "service/Adjustfilter.h"
#include "service/Audiotestframeunit.h"
#include "service/Ddsuserframeunit.h"
#include "service/Filterframeunit.h"
#include "service/ServiceInput.h"
#include "service/Sweepaframeunit.h"
#include "service/Testgraph.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"
#include "base/IniService.h"
#include "base/Log.h"

namespace {

constexpr double IFCentre = 27.3e6;
constexpr double AModeSpan = 18e6;
constexpr int ToneCount = 1024;

// Runs the device steps in turn inside HardwareLock, stopping at the first that fails.
template <typename... Steps>
bool DeviceSteps(Steps&&... steps) {
  if (!IOCtrl) return false;
  HardwareLockGuard lock;
  return (steps(*IOCtrl) && ...);
}

}  // namespace

TTestFrame::TTestFrame(TComponent* AOwner) : TFrame(AOwner) {
  SetDoubleBuffered(true);
  SetBounds(0, 0, 165, 737);
  TestFrameImage = new TImage(this);
  TestFrameImage->SetParent(this);
  TestFrameImage->SetAlign(alClient);
  TestFrameImage->SetStretch(true);
  struct ButtonSpec {
    TButton** field;
    const char* caption;
    int y;
    void (TTestFrame::*handler)(TObject*);
  };
  const ButtonSpec buttons[] = {
      {&Button1, "AD  Displays", 40, &TTestFrame::OnADDisplaysButClick},
      {&Button2, "DDS Tests", 64, &TTestFrame::OnDDSTestButClick},
      {&Button3, "ZF - Filter", 88, &TTestFrame::OnZFFilterButClick},
      {&Button5, "Auto Adjust Filter", 112, &TTestFrame::OnAutoAdjustFilterButClick},
      {&Button6, "Sweep A-Mode", 136, &TTestFrame::OnSweepAModeButClick},
      {&Button7, "Sweep All", 160, &TTestFrame::OnSweepAllButClick},
      {&Button8, "Audio Test", 184, &TTestFrame::OnAudioTestButClick},
      {&Button9, "Video Test", 208, &TTestFrame::OnVideoTestButClick},
      {&Button10, "Audio FFT Test", 232, &TTestFrame::OnFFTTestButClick},
      {&Button4, "Show / Hide LogList", 592, &TTestFrame::OnShowHideLogListButClick},
  };
  for (const ButtonSpec& b : buttons) {
    TButton* button = *b.field = new TButton(this);
    button->SetParent(this);
    button->SetBounds(12, b.y, 137, 25);
    button->SetCaption(b.caption);
    button->OnClick = [this, handler = b.handler](TObject* s) { (this->*handler)(s); };
  }
  AdTimer = new TTimer(this);
  AdTimer->SetEnabled(false);
  AdTimer->SetInterval(100);
  TControl::OnResize = [this](TObject* s) { OnResize(s); };
}

TTestFrame::~TTestFrame() {
  StopAllTests();
  FreeDisplays();
}

StdDisplay* TTestFrame::Display(int slot) const {
  return slot >= 0 && slot < SlotCount ? displays_[static_cast<size_t>(slot)].get() : nullptr;
}

NormalBuffer* TTestFrame::Buffer(int slot) const {
  return slot >= 0 && slot < SlotCount ? buffers_[static_cast<size_t>(slot)].get() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Displays

void TTestFrame::MakeDisplays(std::initializer_list<DisplaySpec> specs, bool intoList) {
  FreeDisplays();  // a slot is never reused without freeing what it held
  size_t slot = 0;
  for (const DisplaySpec& s : specs) {
    auto display = std::make_unique<StdDisplay>(xBase, 1024, 768);
    display->SetPosition(s.x, s.y, s.width, s.height);
    if (s.gridX) {
      display->GridDivX = s.gridX;
      display->GridDivY = s.gridY;
    }
    display->RenderMode = static_cast<uint8_t>(s.renderMode);
    display->SetTitle(s.title);
    auto buffer = std::make_shared<NormalBuffer>(s.points);
    buffer->SetRange(s.start, s.stop, s.levelMin, s.levelMax);
    display->DataBuffer = buffer.get();
    display->GenerateText();
    if (intoList && DisplayListGlobal) DisplayListGlobal->Add(display.get());
    displays_[slot] = std::move(display);
    buffers_[slot] = std::move(buffer);
    ++slot;
  }
}

void TTestFrame::FreeDisplays() {
  for (auto& display : displays_) {
    if (display && DisplayListGlobal) DisplayListGlobal->Remove(display.get());
    display.reset();
  }
  for (auto& buffer : buffers_) buffer.reset();
}

void TTestFrame::ApplyDisplaySettings() {
  if (!DisplayListGlobal || !GlobalIniService) return;
  IniService& ini = *GlobalIniService;
  for (int i = 0; i < DisplayListGlobal->Count(); ++i) {
    StdDisplay* d = DisplayListGlobal->GetDisplay(i);
    if (!d) continue;
    d->GridColor = static_cast<TColorValue>(ini.ReadGridColor());
    d->GridAlpha = static_cast<uint8_t>(ini.ReadGridTransparence());
    d->GridWidth = static_cast<float>(ini.ReadGridSize() * 0.1);
    d->TextColor = static_cast<TColorValue>(ini.ReadDisplayTextColor());
    d->Dims = ini.ReadDisplayDims() ? 1 : 0;
    d->GenerateText();
    d->BgColor = static_cast<TColorValue>(ini.ReadDisplayBgColor());
  }
}

// ---------------------------------------------------------------------------------------------
// Start and stop

bool TTestFrame::BeginTest(int state) {
  // The alignment lets window messages run; a click then must not start a test under it.
  if (FilterAlignmentRunning()) return false;
  StopAllTests();
  AppState = state;
  return true;
}

void TTestFrame::SetButtonsEnabled(bool on) {
  for (TButton* b :
       {Button1, Button2, Button3, Button5, Button6, Button7, Button8, Button9, Button10, Button4})
    b->SetEnabled(on);
}

bool TTestFrame::EndThreadTest(ThreadSlot& slot, TObject* Sender) {
  if (!Sender) {
    if (!slot.Running()) return false;
    slot.Stop();  // clears LinkUp when the thread stopped on a device failure
  }
  FreeDisplays();
  if (DisplayListGlobal) DisplayListGlobal->Clear();
  return true;
}

void TTestFrame::StopAllTests() {
  Guarded("TTestFrame::StopAllTests", [&] {
    StopSweepAll();
    OnADCheckTerminate(nullptr);
    OnFilterCheckTerminate(nullptr);
    OnSweepAModeTerminate(nullptr);
    OnFFTTestTerminate(nullptr);
    if (DDSUserFrame) DDSUserFrame->Leave();
    if (FilterUserFrame) FilterUserFrame->Leave();
    if (AudioTestFrame) AudioTestFrame->Leave();
    StopVideoTest();
    // A test 2 or 7 ends by hiding its frame.
    if (AppState == 2 || AppState == 7) AppState = 0;
  });
}

// ---------------------------------------------------------------------------------------------
// Test 1: AD displays

void TTestFrame::OnADDisplaysButClick(TObject*) {
  if (!LinkUp || FilterAlignmentRunning()) return;
  StopAllTests();
  StartADCheck();
}

void TTestFrame::StartADCheck() {
  Guarded("TTestFrame::StartADCheck", [&] {
    if (FilterAlignmentRunning()) return;
    AppState = 1;
    const char* titles[] = {"AD-0", "AD-1", "AD-2", "AD-3", "AD-4", "AD-5"};
    MakeDisplays({{titles[0], 30, 30, 300, 300, 0, 0, 0, 250, 0, 250, 0, 255},
                  {titles[1], 360, 30, 300, 300, 0, 0, 0, 250, 0, 250, 0, 255},
                  {titles[2], 690, 30, 300, 300, 0, 0, 0, 250, 0, 250, 0, 255},
                  {titles[3], 30, 370, 300, 300, 0, 0, 0, 250, 0, 250, 0, 255},
                  {titles[4], 360, 370, 300, 300, 0, 0, 0, 250, 0, 250, 0, 255},
                  {titles[5], 690, 370, 300, 300, 0, 0, 0, 250, 0, 250, 0, 255}},
                 true);
    ApplyDisplaySettings();
    auto* thread = new ADCheckThread();
    for (size_t i = 0; i < ADCheckThread::Channels; ++i) {
      thread->Buffers[i] = buffers_[i].get();
      thread->Hold(buffers_[i]);
    }
    ADCheck.Start(thread, [this](IOThreadBase* t) { OnADCheckTerminate(t); });
  });
}

void TTestFrame::OnADCheckTerminate(TObject* Sender) {
  // A thread that failed leaves AppState at 1: the main window restarts the test when the link
  // comes back. A stop by the user ends the test.
  if (EndThreadTest(ADCheck, Sender) && !Sender) AppState = 0;
}

// ---------------------------------------------------------------------------------------------
// Test 3: IF-filter check

void TTestFrame::FilterCheckRange(int range, double& start, double& stop) {
  const double halfSpans[3] = {9e6, 2e6, 0.5e6};
  const double half = halfSpans[range >= 0 && range <= 2 ? range : 0];
  start = 10.7e6 - half;
  stop = 10.7e6 + half;
}

void TTestFrame::OnZFFilterButClick(TObject*) {
  if (!LinkUp || !BeginTest(3)) return;
  if (FilterUserFrame) {
    FilterUserFrame->Enter();
    FilterUserFrame->OnChange = [this](TObject* s) { OnFilterFrameChange(s); };
  }
  StartFilterCheck(FilterUserFrame ? FilterUserFrame->CheckRange() : 0, 0);
}

void TTestFrame::OnFilterFrameChange(TObject*) {
  if (!FilterUserFrame || FilterAlignmentRunning()) return;
  OnFilterCheckTerminate(nullptr);
  StartFilterCheck(FilterUserFrame->CheckRange(), FilterUserFrame->CheckModule());
}

void TTestFrame::StartFilterCheck(int range, int module) {
  Guarded("TTestFrame::StartFilterCheck", [&] {
    if (FilterAlignmentRunning()) return;
    AppState = 3;
    double start = 0.0, stop = 0.0;
    FilterCheckRange(range, start, stop);
    const float a = static_cast<float>(start), b = static_cast<float>(stop);
    MakeDisplays({{"Fi0  Total", 30, 30, 450, 340, 10, 8, 0, 250, a, b, 0, 255},
                  {"Fi1  2 MHz", 520, 30, 450, 340, 10, 8, 0, 250, a, b, 0, 255},
                  {"Fi2  250 kHz", 30, 390, 300, 340, 10, 8, 0, 250, a, b, 0, 255},
                  {"Fi3  150 kHz", 360, 390, 300, 340, 10, 8, 0, 250, a, b, 0, 255},
                  {"Fi4  50 kHz", 690, 390, 300, 340, 10, 8, 0, 250, a, b, 0, 255}},
                 true);
    ApplyDisplaySettings();
    auto* thread = new FilterCheckThreadV2();
    for (size_t i = 0; i < FilterCheckThreadV2::Settings; ++i) {
      thread->Buffers[i] = buffers_[i].get();
      thread->Hold(buffers_[i]);
    }
    thread->SweepParam = 0;
    thread->StartFrequency = start;
    thread->StopFrequency = stop;
    thread->Module = module == 1 ? 1 : 0;
    FilterCheck.Start(thread, [this](IOThreadBase* t) { OnFilterCheckTerminate(t); });
  });
}

void TTestFrame::OnFilterCheckTerminate(TObject* Sender) {
  if (EndThreadTest(FilterCheck, Sender) && !Sender) AppState = 0;
}

// ---------------------------------------------------------------------------------------------
// Test 4: automatic IF-filter alignment

void TTestFrame::OnAutoAdjustFilterButClick(TObject*) {
  if (!BeginTest(4)) return;
  RunAutoAdjustFilter();
}

void TTestFrame::RunAutoAdjustFilter() {
  Guarded("TTestFrame::RunAutoAdjustFilter", [&] {
    if (FilterAlignmentRunning() || !IOCtrl) return;
    AppState = 4;
    MakeDisplays({{"Auto Adj Fil. Wob", 30, 30, 950, 700, 0, 0, 0, 200, 10.2e6f, 11.2e6f, 0, 255}}, true);
    ApplyDisplaySettings();
    if (DisplayListGlobal) DisplayListGlobal->Clear();  // the alignment draws its display itself
    TestGraph graph(10.2, 11.2, 0.005, 0.0, 255.0);
    // The other tests stay disabled while the alignment lets window messages run.
    SetButtonsEnabled(false);
    AlignResult result = AlignResult::DeviceFailed;
    const bool pathSelected = DeviceSteps([](IOControl& io) { return io.SelectFilterPath(2, 0); });
    if (pathSelected) AdjustFilter(IOCtrl, 0, &graph, displays_[0].get(), &result);
    if (result == AlignResult::Done) {
      // The three trim records of the sweep module into EEPROM records 0-2, each write checked: an
      // unchecked failure would leave old records behind an alignment reported as done.
      for (uint8_t k = 0; k < 3; ++k)
        if (!DeviceSteps(
                [&](IOControl& io) { return io.WriteFilterRecord(k, FilterAlignRecords[k + 1u].Data()); })) {
          result = AlignResult::DeviceFailed;
          break;
        }
    }
    SetButtonsEnabled(true);
    FreeDisplays();
    AppState = 0;
    if (result == AlignResult::DeviceFailed) LinkUp = 0;
    if (result == AlignResult::DeadFilter) ShowServiceMessage(AlignResultText(result));
    WriteLog(AlignResultText(result));
  });
}

// ---------------------------------------------------------------------------------------------
// Test 5: A-mode sweep

void TTestFrame::OnSweepAModeButClick(TObject*) {
  if (!BeginTest(5)) return;
  Guarded("TTestFrame::OnSweepAModeButClick", [&] {
    if (SweepAFrame) {
      SweepAFrame->Enter();
      SweepAFrame->OnChange = [this](uint8_t module, float span) { OnSweepAModeChange(module, span); };
    }
    MakeDisplays({{"Sweep A-Mode", 30, 30, 950, 700, 10, 8, 0, 500, 10.2e6f, 11.2e6f, 0, 255}}, true);
    ApplyDisplaySettings();
    const bool ready =
        DeviceSteps([](IOControl& io) { return io.DDSOff(2); }, [](IOControl& io) { return io.DDSOff(3); },
                    [](IOControl& io) { return io.SetIFFilterPort(2, 0); });
    if (!ready) {
      // A failed set-up is a lost link, as in every service test; the test ends with nothing left
      // rather than a display without a measurement that looks like a running test.
      LinkUp = 0;
      FreeDisplays();
      if (DisplayListGlobal) DisplayListGlobal->Clear();
      if (SweepAFrame) SweepAFrame->Leave();
      AppState = 0;
      return;
    }
    StartSweepAModeThread(0, AModeSpan);
  });
}

void TTestFrame::StartSweepAModeThread(uint8_t module, double spanHz) {
  auto* thread = new SweepAModeThread();
  thread->SweepParam = 0;
  // From 0 Hz at the lowest, as the running sweep holds a wide span: no synthesiser makes a negative
  // frequency, and the axis would not match what is swept.
  const double half = std::min(spanHz / 2.0, IFCentre);
  thread->StartFrequency = IFCentre - half;
  thread->StopFrequency = IFCentre + half;
  thread->StepFrequency = spanHz * 0.002;
  thread->Module = module;
  thread->Trace = buffers_[0].get();
  thread->Hold(buffers_[0]);
  // The axis shows the sweep from its first pass (the thread changes it with the span).
  buffers_[0]->SetRange(static_cast<float>(thread->StartFrequency), static_cast<float>(thread->StopFrequency),
                        0.0f, 255.0f);
  sweepAModule_ = module;
  SweepAMode.Start(thread, [this](IOThreadBase* t) { OnSweepAModeTerminate(t); });
}

void TTestFrame::OnSweepAModeChange(uint8_t module, float spanHz) {
  Guarded("TTestFrame::OnSweepAModeChange", [&] {
    auto* thread = static_cast<SweepAModeThread*>(SweepAMode.Thread());
    // A span that is not above 0 would give a zero or negative sweep step: the sweep keeps its span.
    if (!thread || !buffers_[0] || !(spanHz > 0.0f)) return;
    if (module != sweepAModule_) {
      // The module is read by the running sweep: another module is a new thread, not a posted value.
      SweepAMode.Stop();
      if (LinkUp) StartSweepAModeThread(module, spanHz);
      return;
    }
    thread->Change.Post(AModeRange{spanHz, spanHz * 0.002});
  });
}

void TTestFrame::OnSweepAModeTerminate(TObject* Sender) {
  if (!EndThreadTest(SweepAMode, Sender)) return;
  if (SweepAFrame) SweepAFrame->Leave();
  AppState = 0;
}

// ---------------------------------------------------------------------------------------------
// Test 6: one wide sweep

void TTestFrame::OnSweepAllButClick(TObject*) {
  if (!BeginTest(6)) return;
  Guarded("TTestFrame::OnSweepAllButClick", [&] {
    // 5000 points of 1 MHz input steps cover 0 to 5 GHz of input: the axis says so.
    MakeDisplays({{"Sweep All", 30, 30, 950, 350, 10, 8, 0, 5000, 0.0f, 5e9f, 0, 255}}, true);
    ApplyDisplaySettings();
    const bool ready = DeviceSteps(
        [](IOControl& io) { return io.SetIFFilter(1); }, [](IOControl& io) { return io.SelectADChannel(0); },
        [](IOControl& io) { return io.ResetDDS400(); }, [](IOControl& io) { return io.InitDDS400Control(); },
        [](IOControl& io) { return io.SetDDSFrequency(4, 80e6, IFCentre); },
        [](IOControl& io) { return io.SetMainboardPort(1); },
        [](IOControl& io) { return io.SetAttenuator(0); }, [](IOControl& io) { return io.SetMainVCOLow(); });
    std::vector<uint8_t> data(5000);
    bool ok = ready;
    if (ok) {
      IOCtrl->ParSetTimeout(5000);
      ok = DeviceSteps([&](IOControl& io) { return io.Sweep400(5000, 0, 19531250.0, 3906.25, data.data()); });
    }
    if (ok) {
      HardwareLockGuard lock;
      for (unsigned i = 0; i < 5000; ++i) buffers_[0]->SetPoint(i, data[i]);
    }
    if (ok) ok = DeviceSteps([](IOControl& io) { return io.SetDDS400FrequencyFast(23101562.5); });
    if (!ok) {
      LinkUp = 0;  // a failed device call is a lost link, not an empty display
      StopSweepAll();
      AppState = 0;
    }
  });
}

void TTestFrame::StopSweepAll() {
  if (AppState != 6) return;
  HardwareLockGuard lock;
  FreeDisplays();
  if (DisplayListGlobal) DisplayListGlobal->Clear();
}

// ---------------------------------------------------------------------------------------------
// Tests 2 and 7: the companion frames

void TTestFrame::OnDDSTestButClick(TObject*) {
  if (!BeginTest(2)) return;
  if (DDSUserFrame) DDSUserFrame->Enter();
}

void TTestFrame::OnAudioTestButClick(TObject*) {
  if (!BeginTest(7)) return;
  if (AudioTestFrame) AudioTestFrame->ShowAndInit();
}

// ---------------------------------------------------------------------------------------------
// Test 8: camera

void TTestFrame::OnVideoTestButClick(TObject*) {
  if (AppState == 8 || !BeginTest(8)) return;
  StartVideoTest();
}

void TTestFrame::StartVideoTest() {
  if (!RenderWindow) return;
  Cap = new TCap(RenderWindow);
  const int drivers = Cap->ListDrivers();
  if (LogListBox)
    for (int i = 0; i < Cap->DriverList()->Count(); ++i)
      LogListBox->Items()->Add(Cap->DriverList()->Strings(i));
  if (drivers > 0) Cap->Connect(0);
}

void TTestFrame::StopVideoTest() {
  if (AppState != 8) return;
  delete Cap;
  Cap = nullptr;
  AppState = 0;
  if (RenderWindow && RenderWindow->Parent())
    RenderWindow->SetBoundsRect(RenderWindow->Parent()->ClientRect());
}

// ---------------------------------------------------------------------------------------------
// Test 9: audio FFT

void TTestFrame::MakeTestTone(uint16_t* samples, int count, double f) {
  if (!samples || count <= 0) return;
  if (f == 0.0) {
    for (int i = 0; i < count; ++i) samples[i] = 0;
    return;
  }
  const int p = count / 10, q = count / 5;
  std::vector<double> s(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    s[static_cast<size_t>(i)] = std::sin(f * (360.0 / 22050.0) * i * M_PI / 180.0) * 32760.0;
  // Fades of fewer than two samples would divide by zero: short tones are left unfaded there.
  if (p > 1)
    for (int i = 0; i < p; ++i) s[static_cast<size_t>(i)] *= static_cast<double>(i) / (p - 1);
  if (q > 1)
    for (int i = 0; i < q; ++i)
      s[static_cast<size_t>(count - q + i)] *= 1.0 - static_cast<double>(i) / (q - 1);
  for (int i = 0; i < count; ++i) {
    const auto v = static_cast<uint16_t>(static_cast<int>(s[static_cast<size_t>(i)] + 32767.0));
    samples[i] = static_cast<uint16_t>(v << 8 | v >> 8);
  }
}

void TTestFrame::OnFFTTestButClick(TObject*) {
  if (!BeginTest(9)) return;
  StartFFTTest();
}

void TTestFrame::StartFFTTest() {
  Guarded("TTestFrame::StartFFTTest", [&] {
    AppState = 9;
    MakeDisplays({{"FFT Test", 30, 30, 950, 350, 10, 8, 1, ToneCount / 2, 0, ToneCount / 2.0f, 0, 10000},
                  {"Scope", 30, 410, 950, 350, 10, 8, 0, ToneCount, 0, float(ToneCount), 0, 10000}},
                 true);
    ApplyDisplaySettings();
    std::vector<uint16_t> tone(ToneCount);
    MakeTestTone(tone.data(), ToneCount, 3300.0);
    if (!DeviceSteps([&](IOControl& io) {
          return io.WriteSoundPages(reinterpret_cast<const uint8_t*>(tone.data()), 0, 8, 0);
        })) {
      LinkUp = 0;
      FreeDisplays();
      if (DisplayListGlobal) DisplayListGlobal->Clear();
      AppState = 0;
      return;
    }
    auto* thread = new FFTTestThread(ToneCount);
    thread->FFTTrace = buffers_[0].get();
    thread->TimeTrace = buffers_[1].get();
    thread->Hold(buffers_[0]);
    thread->Hold(buffers_[1]);
    FFTTest.Start(thread, [this](IOThreadBase* t) { OnFFTTestTerminate(t); });
  });
}

void TTestFrame::OnFFTTestTerminate(TObject* Sender) {
  if (EndThreadTest(FFTTest, Sender)) AppState = 0;
}

// ---------------------------------------------------------------------------------------------

void TTestFrame::OnShowHideLogListButClick(TObject*) {
  if (!LogListBox) return;
  if (LogListBox->Visible()) {
    LogListBox->Hide();
    return;
  }
  LogListBox->Items()->Clear();
  if (LogList)
    for (int i = 0; i < LogList->Count(); ++i) LogListBox->Items()->Add(LogList->Strings(i));
  LogListBox->Show();
}

void TTestFrame::OnResize(TObject*) {
  if (TestFrameImage) TestFrameImage->SetBoundsRect(ClientRect());
}
