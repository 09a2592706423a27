#include "screens/analyser/Uaudioframeunit.h"

#include "display/Display.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/analyser/Testsoundframeunit.h"
#include "screens/analyser/Volumeframeunit.h"
#include "base/Globals.h"
#include "base/RangeDef.h"

TUAudioFrame::TUAudioFrame(TComponent* AOwner)
    : TAnalyserViewBase(AOwner, "TUAudioFrame", "Spectrum", "Overview") {
  audioTrace_ = std::make_shared<NormalBuffer>(Bins);
  audioTrace_->SetRange(0.0f, float(Bins), 0.0f, 1.0f);
  audioWater_ = std::make_shared<WaterfallBuffer>(Bins, WaterRows);
  SetMainViewport(20, 60, 580, 640);
}

TUAudioFrame::~TUAudioFrame() {
  aSlot_.Stop();  // the thread writes the audio buffers too
}

// Made in the order they are listed on Enter: the audio spectrum, then the audio waterfall.
void TUAudioFrame::CreateExtraDisplays() {
  StdDisplay* audio = AddExtraDisplay("FFT Spectrum", 640, 400, 364, 300);
  audio->GridDivX = 5;
  audio->GridDivY = 4;
  audio->RenderMode = 1;
  audio->DataBuffer = audioTrace_.get();
  audio->TraceColor = 0x00FF00;
  audio->CustomText("0", "2.5", "5");
  StdDisplay* water = AddExtraDisplay("FFT Waterfall", 640, 60, 364, 340);
  water->RenderMode = 4;
  water->WaterBuffer = audioWater_.get();
  water->InitWater(0, Bins);
  water->CustomText("0", "2.5", "5");
}

void TUAudioFrame::DisplaysListed() {
  PlaceOverlayStrip(OverviewDisplay());
  PlaceOverlayStrip(DetailDisplay());
}

Sweep10MhzThread* TUAudioFrame::MakeAThread() {
  auto* t = new SweepFFTThread();
  t->Buffer = t->Keep(detail_);
  t->FFTTrace = t->Keep(audioTrace_);
  t->FFTWaterfall = t->Keep(audioWater_);
  return t;
}

void TUAudioFrame::EnterExtraControls() {
  if (auto* f = static_cast<TTestSoundFrame*>(TestSoundFrame)) {
    f->SetParent(this);
    f->SetBounds(880, 8, f->Width(), f->Height());
    f->Show();
    f->Enter();
    f->Update();
    f->OnChange = [this] { StartTestSound(); };
  }
}

void TUAudioFrame::LeaveExtraControls() {
  if (auto* f = static_cast<TTestSoundFrame*>(TestSoundFrame)) {
    f->Hide();
    f->SetParent(nullptr);
    f->Leave();
  }
}

bool TUAudioFrame::ReportsFailuresOf(const std::string& method) const {
  return method == "CreateDisplays" || method == "StartTestSound" ||
         TAnalyserViewBase::ReportsFailuresOf(method);
}

void TUAudioFrame::BeforeWThread() {
  // The overview's own band bar, over the range the overview shows.
  auto* freq = static_cast<TFreqControlFrame*>(FreqControlFrame);
  if (OverviewDisplay() && GlobalRangeDefList && freq)
    OverviewDisplay()->CreateRangeBar(GlobalRangeDefList, static_cast<TGraphic*>(nullptr), freq->Start,
                                      freq->Stop);
}

void TUAudioFrame::StartTestSound() {
  Operation("StartTestSound", [&] {
    auto* t = dynamic_cast<SweepFFTThread*>(AThread());
    if (!t) return;
    t->StartTestSound(VolumeFrame ? static_cast<TVolumeFrame*>(VolumeFrame)->Volume : 0);
  });
}
