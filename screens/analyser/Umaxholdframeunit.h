// The max hold view: next to the live trace, the highest level of every point since the sweep
// started or since "Clear" was released.
#pragma once
#include "platform/vcl/ExtCtrls.h"
#include "screens/analyser/DigitalTraceViewBase.h"

class TUMaxHoldFrame : public TDigitalTraceViewBase {
 public:
  explicit TUMaxHoldFrame(TComponent* AOwner);

  void OnClearButMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnClearButMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

  TPanel* Panel1 = nullptr;  // "Clear"

 protected:
  Sweep10MhzThread* MakeAThread() override;
  SweepWideThread* MakeWThread() override;
  // The held trace moves with a retune to a detail hit.
  void DetailHit(int index, bool beforeRetune) override;
  void LeaveExtraControls() override;
};
