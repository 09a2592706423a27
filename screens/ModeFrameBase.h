// Common base of the mode frames (the views a category frame switches): Enter and Leave own the
// view's running state, which is kept apart from its visibility, so hiding a view never skips
// stopping it. The owner (a category frame, the main window) leaves an entered view before it
// destroys it and before it enters another view of the same category.
//
// Enter and Leave hold the GUI thread's message dispatch (TDispatchHold) while they run: what they
// do to let pending messages run (making displays, device operations) runs none, so no click can
// switch views in the middle of a switch; the messages run after it.
#pragma once
#include "platform/vcl/Forms.h"

// The passes of the idle render loop in which a view may draw into the current scene.
enum class RenderPass {
  BeforeDisplays,  // under the displays (the fast-detect radar)
  AfterDisplays,   // over the displays (bar graphs)
};

class TModeFrameBase : public TFrame {
 public:
  explicit TModeFrameBase(TComponent* AOwner);

  // Shows the view and starts its work; the work is not started twice.
  void Enter();
  // Stops the view's work (when it runs) and hides the view.
  void Leave();
  bool IsEntered() const { return entered_; }

  // Lays the view out inside its current bounds (sender may be null).
  virtual void OnResize(TObject* Sender);
  // Signed wheel delta; views ignore it while they are not entered.
  virtual void OnWheel(int Delta);
  // Positions in the render window's 1024 x 768 space.
  virtual void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void OnRenderWinMouseMove(TShiftState Shift, int X, int Y);
  // Applies the display settings of the INI file to the view's displays.
  virtual void UpdateFromIni();
  // Called by the idle loop, inside the open scene, for every entered view, once per pass.
  virtual void RenderHook(RenderPass /*pass*/) {}

  // The entries through which the category frames deliver the render window's input: they note
  // what arrived, then call the view's handler.
  void DeliverWheel(int Delta);
  void DeliverMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void DeliverMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void DeliverMouseMove(TShiftState Shift, int X, int Y);
  // What was delivered: events of each kind, the last wheel delta and the last position.
  struct InputSeen {
    int wheels = 0, downs = 0, ups = 0, moves = 0;
    int lastDelta = 0;
    TPoint lastPosition;
  };
  const InputSeen& Input() const { return input_; }

  // How often the view was really entered and left (calls that change nothing do not count).
  int EnterCount() const { return enterCount_; }
  int LeaveCount() const { return leaveCount_; }
  // Rank of the view's last real Leave among all views' Leaves (0: never left): shows the order
  // in which a category left its views.
  int LeaveRank() const { return leaveRank_; }
  // Enter and Leave calls of all views now running on the GUI thread (nested ones count).
  static int SwitchesInProgress() { return switches_; }

 protected:
  // Called by Enter after the view was shown, and by Leave before it is hidden.
  virtual void StartWork() {}
  virtual void StopWork() {}
  // Called from StopWork: the view's work has stopped, but Leave ends there and the view stays shown
  // (a failed device call while leaving; the main loop then shuts the program down).
  void KeepShown() { keepShown_ = true; }

 private:
  bool entered_ = false;
  bool keepShown_ = false;
  InputSeen input_;
  int enterCount_ = 0;
  int leaveCount_ = 0;
  int leaveRank_ = 0;
  inline static int leaves_ = 0;  // views live in the GUI thread only
  inline static int switches_ = 0;
};
