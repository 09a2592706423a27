#include "screens/analyser/Uaudioframeunit.h"

#include "display/Display.h"
#include "screens/analyser/Testsoundframeunit.h"
#include "screens/analyser/Volumeframeunit.h"
#include "shell/base/Globals.h"

TUAudioFrame::TUAudioFrame(TComponent* AOwner) : TAnalyserViewBase(AOwner, "Spectrum", "Overview") {
  audioTrace_ = std::make_shared<NormalBuffer>(Bins);
  audioTrace_->SetRange(0.0f, float(Bins), 0.0f, 1.0f);
  audioWater_ = std::make_shared<WaterfallBuffer>(Bins, WaterRows);
  SetMainViewport(20, 60, 580, 640);
}

TUAudioFrame::~TUAudioFrame() {
  aSlot_.Stop();  // the thread writes the audio buffers too
  if (DisplayListGlobal) {
    DisplayListGlobal->Remove(audioDisplay_.get());
    DisplayListGlobal->Remove(waterDisplay_.get());
  }
}

void TUAudioFrame::CreateAudioDisplays() {
  if (audioDisplay_ || !xBase) return;
  waterDisplay_ = std::make_unique<StdDisplay>(xBase, 1024, 768);
  waterDisplay_->SetPosition(640, 60, 364, 340);
  waterDisplay_->SetTitle("FFT Waterfall");
  waterDisplay_->GridDivX = waterDisplay_->GridDivY = 1;
  waterDisplay_->RenderMode = 4;
  waterDisplay_->WaterBuffer = audioWater_.get();
  waterDisplay_->InitWater(0, Bins);
  waterDisplay_->CustomText("0", "2.5", "5");
  audioDisplay_ = std::make_unique<StdDisplay>(xBase, 1024, 768);
  audioDisplay_->SetPosition(640, 400, 364, 300);
  audioDisplay_->SetTitle("FFT Spectrum");
  audioDisplay_->GridDivX = 5;
  audioDisplay_->GridDivY = 4;
  audioDisplay_->RenderMode = 1;
  audioDisplay_->DataBuffer = audioTrace_.get();
  audioDisplay_->TraceColor = 0x00FF00;
  audioDisplay_->CustomText("0", "2.5", "5");
}

Sweep10MhzThread* TUAudioFrame::MakeAThread() {
  auto* t = new SweepFFTThread();
  t->Buffer = t->Keep(detail_);
  t->FFTTrace = t->Keep(audioTrace_);
  t->FFTWaterfall = t->Keep(audioWater_);
  return t;
}

void TUAudioFrame::EnterExtraControls() {
  CreateAudioDisplays();
  if (auto* f = static_cast<TTestSoundFrame*>(TestSoundFrame)) {
    f->SetParent(this);
    f->SetBounds(880, 8, f->Width(), f->Height());
    f->Show();
    f->Enter();
    f->Update();
    f->OnChange = [this] { StartTestSound(); };
  }
  if (!audioDisplay_) return;
  audioDisplay_->ShowTexts();
  waterDisplay_->ShowTexts();
  if (DisplayListGlobal) {
    DisplayListGlobal->Add(audioDisplay_.get());
    DisplayListGlobal->Add(waterDisplay_.get());
  }
}

void TUAudioFrame::LeaveExtraControls() {
  if (auto* f = static_cast<TTestSoundFrame*>(TestSoundFrame)) {
    f->Hide();
    f->SetParent(nullptr);
    f->Leave();
  }
  if (!audioDisplay_) return;
  audioDisplay_->HideTexts();
  waterDisplay_->HideTexts();
}

void TUAudioFrame::StartTestSound() {
  auto* t = dynamic_cast<SweepFFTThread*>(AThread());
  if (!t) return;
  t->StartTestSound(VolumeFrame ? static_cast<TVolumeFrame*>(VolumeFrame)->Volume : 0);
}
