// Common base of the mode frames (the views a category frame switches): a hidden frame whose Enter
// acts only while it is hidden and whose Leave acts only while it is shown, plus the handlers the
// main window and the category frames call. A view with real work overrides the hooks.
#pragma once
#include "platform/vcl/Forms.h"

class TModeFrameBase : public TFrame {
 public:
  explicit TModeFrameBase(TComponent* AOwner);

  // Shows the view and starts its work; nothing while it is already shown.
  void Enter();
  // Stops the view's work and hides it; nothing while it is hidden.
  void Leave();
  bool IsEntered() const { return Visible(); }

  // Lays the view out inside its current bounds (sender may be null).
  virtual void OnResize(TObject* Sender);
  // Signed wheel delta; views ignore it while they are not showing.
  virtual void OnWheel(int Delta);
  // Positions in the render window's 1024 x 768 space.
  virtual void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void OnRenderWinMouseMove(TShiftState Shift, int X, int Y);
  // Applies the display settings of the INI file to the view's displays.
  virtual void UpdateFromIni();

  // How often the view was really entered and left (idempotent calls do not count).
  int EnterCount() const { return enterCount_; }
  int LeaveCount() const { return leaveCount_; }

 protected:
  // Called by Enter after the view was shown, and by Leave before it is hidden.
  virtual void StartWork() {}
  virtual void StopWork() {}

 private:
  int enterCount_ = 0;
  int leaveCount_ = 0;
};
