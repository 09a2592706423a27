#include "screens/locate/Uvlfspectframeunit.h"

#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/SweepVlfThread.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "screens/analyser/Volumeframeunit.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

namespace vlf_view {

namespace {
constexpr double Spans[] = {0.5e6, 1e6, 2e6, 5e6};
}

double NextSpan(double span, int delta) {
  const auto* at = std::find(std::begin(Spans), std::end(Spans), span);
  if (at == std::end(Spans)) return span;
  if (delta < 0) return at == std::begin(Spans) ? span : *(at - 1);
  return at + 1 == std::end(Spans) ? span : *(at + 1);
}

double ClampCentre(double centre, double span) { return std::clamp(centre, span / 2, FullSpan - span / 2); }

double ValidSpan(double span) {
  return std::find(std::begin(Spans), std::end(Spans), span) == std::end(Spans) ? FullSpan : span;
}

}  // namespace vlf_view

using namespace vlf_view;

namespace {
TVolumeFrame* Volume() { return static_cast<TVolumeFrame*>(VolumeFrame); }
std::string Mhz(double hz) { return FormatFloat("0.00 MHz", hz / 1e6); }
std::string SpanTitle(double span) { return "VLF     Span: " + FormatFloat("0.0 MHz", span / 1e6); }
}  // namespace

TUVLFSpectFrame::TUVLFSpectFrame(TComponent* AOwner) : TLocateModeFrame(AOwner, "TUVLFSpectFrame") {
  SetBounds(0, 0, 768, 219);
  spectrum_ = std::make_shared<DigitalBuffer>(SweepVlfThread::Points);
  spectrum_->SetRange(0, 5e6, 0, 255);
  fft_ = std::make_shared<NormalBuffer>(256);
  fft_->SetRange(0, 256, 0, 1);
  waterfall_ = std::make_shared<WaterfallBuffer>(256, 50);
  samples_ = std::make_shared<DigitalBuffer>(SweepVlfThread::ToneSamples);
  samples_->SetRange(0, 3072, 0, 5000);

  // In the render loop's order: the spectrum, "FFT Spektrum", "FFT Wasserfall".
  StdDisplay& main = AddDisplay({20, 10, 620, 700, 10, 8, SpanTitle(5e6), 2});
  main.DigBuffer = spectrum_.get();
  main.DigChannel = 0;
  main.GenerateText();
  main.ShowCenterMarker = 1;
  main.MoveSymbols(80, 130);
  main.ZoomStart = 0;
  main.ZoomEnd = SweepVlfThread::Points;
  main.ClampToPlot = 1;
  main.CustomText("0.00 MHz", "2.50 MHz", "5.00 MHz");
  StdDisplay& spectrum = AddDisplay({640, 340, 1004, 700, 5, 4, "FFT Spektrum", 1});
  spectrum.DataBuffer = fft_.get();
  spectrum.GenerateText();
  spectrum.CustomText("0", "2.5", "5");
  spectrum.TraceColor = 0xFFFF00;
  StdDisplay& water = AddDisplay({640, 10, 1004, 370, 1, 1, "FFT Wasserfall", 4});
  water.GenerateText();
  water.WaterBuffer = waterfall_.get();
  water.CustomText("0", "2.5", "5");

  Panel2 = AddPanelButton(
      " Autodetect", 20, 24, [this](TObject* s) { OnAutodetectMouseDown(s); }, {}, 177, 81);
  Panel2->Font()->SetName("MS Sans Serif");
  Panel2->Font()->SetHeight(-21);
}

TUVLFSpectFrame::~TUVLFSpectFrame() { slot_.Stop(); }

SweepVlfThread* TUVLFSpectFrame::Thread() const { return static_cast<SweepVlfThread*>(slot_.Thread()); }

// Centre and span come back from the program settings, brought inside 0..5 MHz.
void TUVLFSpectFrame::EnterView() {
  if (GlobalIOSettings) {
    span_ = ValidSpan(GlobalIOSettings->VlfSpan);
    centre_ = ClampCentre(GlobalIOSettings->VlfCenter, span_);
  }
  UpdateView();
  MainDisplay()->SetTitle(SpanTitle(span_));
  if (TVolumeFrame* v = Volume()) v->Attach(this, 590, 8, [this](int volume) { UpdateVolume(volume); });
  StartSweepThread();
}

void TUVLFSpectFrame::LeaveView() {
  if (TVolumeFrame* v = Volume()) v->Detach();
  slot_.Stop();
}

void TUVLFSpectFrame::StartSweepThread() {
  Guard("StartSweepThread", [&] {
    if (!IOCtrl) return;
    {
      HardwareLockGuard lock;
      if (!DeviceCall(IOCtrl->WritePCA9539(I2CAddr::SoundPCA9539, 0))) return;
      IOCtrl->SetAudioSpeaker(true, true, true, true, false, false, true);
      if (!DeviceCall(IOCtrl->VolumeUp(uint8_t(Volume() ? Volume()->Volume : 0)))) return;
    }
    MainDisplay()->ShowTexts();
    SweepVlfThread* thread = nullptr;
    {
      HardwareLockGuard lock;  // the constructor stores the search tones
      thread = new SweepVlfThread();
    }
    thread->Buffer = thread->Keep(spectrum_);
    thread->FFTTrace = thread->Keep(fft_);
    thread->FFTWaterfall = thread->Keep(waterfall_);
    thread->ToneBuffer = thread->Keep(samples_);
    thread->Hold(Displays().front());
    thread->PostSpan(span_);
    slot_.Start(thread);
    PostTuning();
  });
}

void TUVLFSpectFrame::PostTuning() {
  if (SweepVlfThread* thread = Thread()) thread->PostAudioTuner(centre_ + SweepVlfThread::VlfOffset);
}

void TUVLFSpectFrame::UpdateVolume(int volume) {
  if (SweepVlfThread* thread = Thread()) thread->PostVolume(volume);
}

void TUVLFSpectFrame::UpdateView() {
  StdDisplay* main = MainDisplay();
  const double start = centre_ - span_ / 2;
  main->ZoomStart = int(std::trunc(start / PointStep));
  main->ZoomEnd = int(std::trunc(start / PointStep + span_ / PointStep));
  main->CustomText(Mhz(start), Mhz(centre_), Mhz(start + span_));
}

void TUVLFSpectFrame::ApplySpan() {
  SweepVlfThread* thread = Thread();
  if (!thread) return;
  thread->PostSpan(span_);
  centre_ = ClampCentre(centre_, span_);  // zooming out at an edge keeps the view inside the band
  PostTuning();
  UpdateView();
  MainDisplay()->SetTitle(SpanTitle(span_));
  if (GlobalIOSettings) {
    GlobalIOSettings->VlfSpan = span_;
    GlobalIOSettings->VlfCenter = centre_;
  }
}

bool TUVLFSpectFrame::IsInDisplay(int x, int y) const {
  const auto& v = MainDisplay()->ViewPort;
  return x >= v.left && x < v.right && y >= v.top && y < v.bottom;
}

void TUVLFSpectFrame::OnRenderWinMouseDown(TMouseButton Button, TShiftState, int X, int Y) {
  if (!IsEntered() || Button != mbLeft || !IsInDisplay(X, Y)) return;
  pressX_ = X;
  pressCentre_ = centre_;
}

void TUVLFSpectFrame::OnRenderWinMouseMove(TShiftState Shift, int X, int Y) {
  if (!IsEntered() || !(Shift & ssLeft) || !IsInDisplay(X, Y)) return;
  const auto& v = MainDisplay()->ViewPort;
  centre_ = ClampCentre(pressCentre_ + (pressX_ - X) * span_ / (v.right - v.left), span_);
  UpdateView();
  if (!Thread()) return;
  PostTuning();
  if (GlobalIOSettings) GlobalIOSettings->VlfCenter = centre_;
}

void TUVLFSpectFrame::OnWheel(int Delta) {
  if (!IsEntered()) return;
  const double next = NextSpan(span_, Delta);
  if (next == span_) return;
  span_ = next;
  ApplySpan();
}

// The search marks its findings in channels 5 and 6; the commands are set once, not appended anew.
void TUVLFSpectFrame::OnAutodetectMouseDown(TObject*) {
  if (TVolumeFrame* v = Volume()) v->MoveSlider(-300);
  if (SweepVlfThread* thread = Thread()) thread->RequestSearch();
  fft_->Clear();
  waterfall_->Clear();
  GraphCommandList& commands = *MainDisplay()->Commands;
  commands.ClearAll();
  commands.AddCommand(6, 3, 0xFFFFFF, 3);
  commands.AddCommand(5, 3, 0x0000FF, 3);
  commands.AddCommand(0, 2, 0x00FFFF, 3);
}
