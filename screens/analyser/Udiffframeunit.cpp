#include "screens/analyser/Udiffframeunit.h"

#include "device/InOut.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

Sweep10MhzThread* TUDiffFrame::MakeAThread() {
  auto* t = new Sweep10MhzDiffThread();
  t->DiffBuffer = t->Keep(detailDigital_);
  return t;
}

SweepWideThread* TUDiffFrame::MakeWThread() {
  auto* t = new SweepWideDiffThread();
  t->DiffBuffer = t->Keep(overviewDigital_);
  return t;
}

void TUDiffFrame::FreqFrameEntered() {
  if (auto* f = static_cast<TFreqControlFrame*>(FreqControlFrame)) f->SetMaxima(true);
}

void TUDiffFrame::LeaveExtraControls() {
  if (auto* f = static_cast<TFreqControlFrame*>(FreqControlFrame)) f->SetMaxima(false);
}

void TUDiffFrame::LeaveDone() {
  // The instrument leaves the view on its normal input (both threads have stopped).
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  if (!IOCtrl->SelectInputNormal()) LinkUp = 0;
}
