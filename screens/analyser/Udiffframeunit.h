// The differential view: every sweep is made with input A and input B; the display shows both
// traces, coloured by which input is stronger. It works from 0 to 5000 MHz.
#pragma once
#include "screens/analyser/DigitalTraceViewBase.h"

class TUDiffFrame : public TDigitalTraceViewBase {
 public:
  explicit TUDiffFrame(TComponent* AOwner)
      : TDigitalTraceViewBase(AOwner, "TUDiffFrame", "Differential", 9, 0) {}

 protected:
  Sweep10MhzThread* MakeAThread() override;
  SweepWideThread* MakeWThread() override;
  float DifferenceOffset() const override { return 5.0f; }
  double MaxDragCentre() const override { return 5000.0; }
  void FreqFrameEntered() override;
  void LeaveExtraControls() override;
  void LeaveDone() override;
};
