#include "screens/ModeFrameBase.h"

TModeFrameBase::TModeFrameBase(TComponent* AOwner) : TFrame(AOwner) {
  SetDoubleBuffered(true);
  SetVisible(false);
  TControl::OnResize = [this](TObject* sender) { OnResize(sender); };
}

void TModeFrameBase::Enter() {
  SetVisible(true);
  if (entered_) return;
  entered_ = true;
  ++enterCount_;
  StartWork();
}

void TModeFrameBase::Leave() {
  if (entered_) {
    StopWork();
    entered_ = false;
    ++leaveCount_;
  }
  SetVisible(false);
}

void TModeFrameBase::OnResize(TObject*) {}
void TModeFrameBase::OnWheel(int) {}
void TModeFrameBase::OnRenderWinMouseDown(TMouseButton, TShiftState, int, int) {}
void TModeFrameBase::OnRenderWinMouseUp(TMouseButton, TShiftState, int, int) {}
void TModeFrameBase::OnRenderWinMouseMove(TShiftState, int, int) {}
void TModeFrameBase::UpdateFromIni() {}
