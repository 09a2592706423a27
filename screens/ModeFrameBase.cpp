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
  keepShown_ = false;
  if (entered_) {
    StopWork();
    entered_ = false;
    ++leaveCount_;
    leaveRank_ = ++leaves_;
  }
  if (!keepShown_) SetVisible(false);
}

void TModeFrameBase::DeliverWheel(int Delta) {
  ++input_.wheels;
  input_.lastDelta = Delta;
  OnWheel(Delta);
}

void TModeFrameBase::DeliverMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  ++input_.downs;
  input_.lastPosition = TPoint(X, Y);
  OnRenderWinMouseDown(Button, Shift, X, Y);
}

void TModeFrameBase::DeliverMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  ++input_.ups;
  input_.lastPosition = TPoint(X, Y);
  OnRenderWinMouseUp(Button, Shift, X, Y);
}

void TModeFrameBase::DeliverMouseMove(TShiftState Shift, int X, int Y) {
  ++input_.moves;
  input_.lastPosition = TPoint(X, Y);
  OnRenderWinMouseMove(Shift, X, Y);
}

void TModeFrameBase::OnResize(TObject*) {}
void TModeFrameBase::OnWheel(int) {}
void TModeFrameBase::OnRenderWinMouseDown(TMouseButton, TShiftState, int, int) {}
void TModeFrameBase::OnRenderWinMouseUp(TMouseButton, TShiftState, int, int) {}
void TModeFrameBase::OnRenderWinMouseMove(TShiftState, int, int) {}
void TModeFrameBase::UpdateFromIni() {}
