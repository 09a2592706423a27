#include "screens/locate/Uvlfspectframeunit.h"

#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/Buffers.h"
#include "engine/SweepVlfThread.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/analyser/Volumeframeunit.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/PanelColours.h"

namespace vlf_view {

namespace {
constexpr double Spans[] = {0.5e6, 1e6, 2e6, 5e6};
constexpr double FarthestPoint = 1e9;  // well inside an int, and their difference too
}  // namespace

double NextSpan(double span, int delta) {
  const auto* at = std::find(std::begin(Spans), std::end(Spans), span);
  if (at == std::end(Spans)) return span;
  if (delta < 0) return at == std::begin(Spans) ? span : *(at - 1);
  return at + 1 == std::end(Spans) ? span : *(at + 1);
}

int PointIndex(double points) {
  const double point = std::trunc(points);
  if (std::isnan(point)) return 0;
  return int(std::clamp(point, -FarthestPoint, FarthestPoint));
}

}  // namespace vlf_view

using namespace vlf_view;

namespace {
TVolumeFrame* Volume() { return static_cast<TVolumeFrame*>(VolumeFrame); }
std::string Mhz(double hz) { return FormatFloat("0.00 MHz", hz / 1e6); }
std::string SpanTitle(double span) { return "VLF     Span: " + FormatFloat("0.0 MHz", span / 1e6); }
}  // namespace

TUVLFSpectFrame::TUVLFSpectFrame(TComponent* AOwner) : TLocateModeFrame(AOwner, "TUVLFSpectFrame") {
  Guard("TUVLFSpectFrame", [&] {
    SetBounds(0, 0, 768, 219);
    CreateBuffers();
    CreateDisplays();
    UpdateFromIni();
    CreateControls();
  });
}

// Leave first: the volume goes to 0 and the frame gives the volume frame back.
TUVLFSpectFrame::~TUVLFSpectFrame() {
  Guard("~TUVLFSpectFrame", [&] {
    Leave();
    OnSweepThreadTerminate(nullptr);
    KillDisplays();
    KillBuffers();
  });
}

void TUVLFSpectFrame::CreateBuffers() {
  Guard("CreateBuffers", [&] {
    spectrum_ = std::make_shared<DigitalBuffer>(SweepVlfThread::Points);
    spectrum_->SetRange(0, 5e6, 0, 255);
    fft_ = std::make_shared<NormalBuffer>(256);
    fft_->SetRange(0, 256, 0, 1);
    waterfall_ = std::make_shared<WaterfallBuffer>(256, 50);
    samples_ = std::make_shared<DigitalBuffer>(SweepVlfThread::ToneSamples);
    samples_->SetRange(0, 3072, 0, 5000);
  });
}

void TUVLFSpectFrame::KillBuffers() {
  Guard("KillBuffers", [&] {
    samples_.reset();
    waterfall_.reset();
    fft_.reset();
    spectrum_.reset();
  });
}

void TUVLFSpectFrame::CreateDisplays() {
  Guard("CreateDisplays", [&] {
    // In the render loop's order: the spectrum, "FFT Spektrum", "FFT Wasserfall".
    StdDisplay& main = AddDisplay({.title = SpanTitle(5e6),
                                   .viewport = {20, 10, 620, 700},
                                   .gridX = 10,
                                   .gridY = 8,
                                   .renderMode = 2,
                                   .buffer = spectrum_.get(),
                                   .window = PointWindow{0, SweepVlfThread::Points},
                                   .symbols = ViewSymbols});
    main.GenerateText();
    main.ShowCenterMarker = 1;
    main.ClampToPlot = 1;
    main.CustomText("0.00 MHz", "2.50 MHz", "5.00 MHz");
    StdDisplay& spectrum = AddDisplay({.title = "FFT Spektrum",
                                       .viewport = {640, 340, 1004, 700},
                                       .gridX = 5,
                                       .gridY = 4,
                                       .renderMode = 1,
                                       .traceColour = 0xFFFF00});
    spectrum.DataBuffer = fft_.get();
    spectrum.GenerateText();
    spectrum.CustomText("0", "2.5", "5");
    StdDisplay& water = AddDisplay({.title = "FFT Wasserfall",
                                    .viewport = {640, 10, 1004, 370},
                                    .gridX = 1,
                                    .gridY = 1,
                                    .renderMode = 4});
    water.GenerateText();
    water.WaterBuffer = waterfall_.get();
    water.CustomText("0", "2.5", "5");
  });
}

// " Autodetect" takes no pressed colour. Image1 is shown; the test controls are not.
void TUVLFSpectFrame::CreateControls() {
  Panel2 = AddPanel(" Autodetect", 20, 24, 177, 81);
  Panel2->Font()->SetName("MS Sans Serif");
  Panel2->Font()->SetHeight(-21);
  Panel2->OnMouseDown = [this](TObject* s, TMouseButton, TShiftState, int, int) { OnAutodetectMouseDown(s); };
  Panel2->OnMouseUp = [this](TObject* s, TMouseButton, TShiftState, int, int) { OnAutodetectMouseUp(s); };
  Image1 = new TImage(this);
  Image1->SetParent(this);
  Image1->SetBounds(268, 20, 169, 45);
  Panel1 = AddHidden<TPanel>();
  Panel1->SetCaption("Panel1");
  Edit1 = AddHidden<TEdit>();
  Button1 = AddHiddenButton("Test", [this](TObject* s) { OnTestButClick(s); });
}

SweepVlfThread* TUVLFSpectFrame::Thread() const { return static_cast<SweepVlfThread*>(slot_.Thread()); }

// Centre and span come back from the program settings as they were stored. The title follows the
// span, so that it never names another span than the one shown.
void TUVLFSpectFrame::EnterView() {
  if (GlobalIOSettings) {
    centre_ = GlobalIOSettings->VlfCenter;
    span_ = GlobalIOSettings->VlfSpan;
  }
  UpdateView();
  MainDisplay()->SetTitle(SpanTitle(span_));
  if (TVolumeFrame* v = Volume()) v->Attach(this, 590, 8, [this](int volume) { UpdateVolume(volume); });
  StartSweepThread();
}

void TUVLFSpectFrame::LeaveView() {
  if (TVolumeFrame* v = Volume()) {
    v->MoveSlider(-300);  // volume 0, passed on to the thread
    v->TakeOut();
  }
  OnSweepThreadTerminate(nullptr);
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
    slot_.Start(thread, [this](IOThreadBase* ended) { OnSweepThreadTerminate(ended); });
    PostTuning();
  });
}

// The slot has cleared LinkUp on a thread failure and forgotten a thread that ended by itself.
void TUVLFSpectFrame::OnSweepThreadTerminate(TObject* Sender) {
  Guard("OnSweepThreadTerminate", [&] {
    if (!Sender) slot_.Stop();
  });
}

// The thread keeps the listening tuner inside the band: a centre panned beyond it listens at the
// nearer edge.
void TUVLFSpectFrame::PostTuning() {
  if (SweepVlfThread* thread = Thread()) thread->PostAudioTuner(centre_ + SweepVlfThread::VlfOffset);
}

void TUVLFSpectFrame::UpdateVolume(int volume) {
  Guard("UpdateVolume", [&] {
    if (SweepVlfThread* thread = Thread()) thread->PostVolume(volume);
  });
}

// Points beyond the 500 of the spectrum read level 0.
void TUVLFSpectFrame::UpdateView() {
  Guard("UpdateView", [&] {
    StdDisplay* main = MainDisplay();
    const double start = centre_ - span_ / 2;
    main->ZoomStart = PointIndex(start / PointStep);
    main->ZoomEnd = PointIndex(start / PointStep + span_ / PointStep);
    main->CustomText(Mhz(start), Mhz(centre_), Mhz(start + span_));
  });
}

// The thread rejects a span it cannot sweep; the view shows the span all the same.
void TUVLFSpectFrame::ApplySpan() {
  Guard("ApplySpan", [&] {
    SweepVlfThread* thread = Thread();
    if (!thread) return;
    thread->PostSpan(span_);
    UpdateView();
    MainDisplay()->SetTitle(SpanTitle(span_));
    if (GlobalIOSettings) GlobalIOSettings->VlfSpan = span_;
  });
}

bool TUVLFSpectFrame::IsInDisplay(int x, int y) const {
  bool inside = false;
  Guard("IsInDisplay", [&] {
    const auto& v = MainDisplay()->ViewPort;
    inside = x >= v.left && x < v.right && y >= v.top && y < v.bottom;
  });
  return inside;
}

void TUVLFSpectFrame::OnRenderWinMouseDown(TMouseButton Button, TShiftState, int X, int Y) {
  Guard("OnRenderWinMouseDown", [&] {
    if (!IsEntered() || Button != mbLeft || !IsInDisplay(X, Y)) return;
    pressX_ = X;
    pressCentre_ = centre_;
    Edit1->SetText(std::to_string(X));
  });
}

void TUVLFSpectFrame::OnRenderWinMouseUp(TMouseButton, TShiftState, int, int) {
  Guard("OnRenderWinMouseUp", [] {});
}

// The centre moves by the span per viewport width, without bounds.
void TUVLFSpectFrame::OnRenderWinMouseMove(TShiftState Shift, int X, int Y) {
  Guard("OnRenderWinMouseMove", [&] {
    if (!IsEntered() || !(Shift & ssLeft) || !IsInDisplay(X, Y)) return;
    const auto& v = MainDisplay()->ViewPort;
    centre_ = pressCentre_ + (pressX_ - X) * span_ / (v.right - v.left);
    UpdateView();
    if (!Thread()) return;
    PostTuning();
    if (GlobalIOSettings) GlobalIOSettings->VlfCenter = centre_;
  });
}

void TUVLFSpectFrame::OnWheel(int Delta) {
  Guard("OnWheel", [&] {
    if (!IsEntered()) return;
    const double next = NextSpan(span_, Delta);
    if (next == span_) return;
    span_ = next;
    ApplySpan();
  });
}

// The search marks its findings in channels 5 and 6. The three commands are set once, not appended
// anew at every press: the drawing is the same, and the list does not grow with each press.
void TUVLFSpectFrame::OnAutodetectMouseDown(TObject*) {
  Guard("OnAutodetectMouseDown", [&] {
    if (TVolumeFrame* v = Volume()) v->MoveSlider(-300);
    if (SweepVlfThread* thread = Thread()) thread->RequestSearch();
    fft_->Clear();
    waterfall_->Clear();
    GraphCommandList& commands = *MainDisplay()->Commands;
    commands.ClearAll();
    commands.AddCommand(6, 3, 0xFFFFFF, 3);
    commands.AddCommand(5, 3, 0x0000FF, 3);
    commands.AddCommand(0, 2, 0x00FFFF, 3);
  });
}

void TUVLFSpectFrame::OnAutodetectMouseUp(TObject*) {
  Guard("OnAutodetectMouseUp", [&] { Panel2->SetColor(panel_colours::Released); });
}

// Panel1 stays hidden: the picture is there for whoever shows it.
void TUVLFSpectFrame::OnTestButClick(TObject*) {
  Guard("OnTestButClick", [&] {
    TBitmap* bitmap = Image1->Picture()->Bitmap();
    bitmap->SetSize(Image1->Width(), Image1->Height());
    Panel1->SetBounds(Panel1->Left(), Panel1->Top(), 500, 30);
    if (RenderWindow) Panel1->SetParent(RenderWindow);
    Image1->SetParent(Panel1);
    Image1->SetBounds(0, 0, 500, 30);
    Image1->SetAlign(alClient);
    MainDisplay()->CreateRangeBar(GlobalRangeDefList, bitmap, 80, 140);
  });
}
