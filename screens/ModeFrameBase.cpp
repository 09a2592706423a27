#include "screens/ModeFrameBase.h"

#include "platform/rtl/Classes.h"

TModeFrameBase::TModeFrameBase(TComponent* AOwner) : TFrame(AOwner) {
  SetDoubleBuffered(true);
  SetVisible(false);
  TControl::OnResize = [this](TObject* sender) { OnResize(sender); };
}

namespace {
// One view's Enter or Leave in progress: no message is dispatched until it ends.
class SwitchScope {
 public:
  explicit SwitchScope(int& depth) : depth_(depth) { ++depth_; }
  ~SwitchScope() { --depth_; }
  SwitchScope(const SwitchScope&) = delete;
  SwitchScope& operator=(const SwitchScope&) = delete;

 private:
  TDispatchHold hold_;
  int& depth_;
};
}  // namespace

void TModeFrameBase::Enter() {
  SwitchScope scope(switches_);
  SetVisible(true);
  if (entered_) return;
  entered_ = true;
  ++enterCount_;
  StartWork();
}

void TModeFrameBase::Leave() {
  SwitchScope scope(switches_);
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
