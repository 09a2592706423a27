#include "screens/analyser/Umaxholdframeunit.h"

#include "screens/analyser/ControlFrameStyle.h"
#include "screens/analyser/Freqcontrolframeunit.h"
#include "screens/PanelButton.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

TUMaxHoldFrame::TUMaxHoldFrame(TComponent* AOwner)
    : TDigitalTraceViewBase(AOwner, "TUMaxHoldFrame", "Max Hold", 10, 1) {
  Panel1 = MakePanelButton(this, "Clear", 888, 16, 145, 37, "Arial", -19);
  Panel1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnClearButMouseDown(s, b, sh, x, y);
  };
  Panel1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnClearButMouseUp(s, b, sh, x, y);
  };
}

Sweep10MhzThread* TUMaxHoldFrame::MakeAThread() {
  auto* t = new Sweep10MhzMaxHoldThread();
  t->MaxHoldBuffer = t->Keep(detailDigital_);
  return t;
}

SweepWideThread* TUMaxHoldFrame::MakeWThread() {
  auto* t = new SweepWideMaxHoldThread();
  t->MaxHoldBuffer = t->Keep(overviewDigital_);
  return t;
}

void TUMaxHoldFrame::DetailHit(int index, bool) {
  // The held trace moves with the retuned centre, the hit to point 499; the thread merges under the
  // lock.
  HardwareLockGuard lock;
  detailDigital_->ShiftAll(499 - index);
}

void TUMaxHoldFrame::LeaveExtraControls() {
  if (auto* f = static_cast<TFreqControlFrame*>(FreqControlFrame)) f->SetMaxima(false);
}

void TUMaxHoldFrame::OnClearButMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Panel1->SetColor(panel_colours::Pressed);
}

void TUMaxHoldFrame::OnClearButMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Panel1->SetColor(panel_colours::Released);
  DigitalBuffer* running = AThread() ? detailDigital_.get() : WThread() ? overviewDigital_.get() : nullptr;
  if (!running) return;
  HardwareLockGuard lock;
  running->Clear();
}
