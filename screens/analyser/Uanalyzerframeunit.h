// The spectrum view of the analyser category: the shared analyser life cycle with the plain
// detail and overview sweeps.
#pragma once
#include "screens/analyser/AnalyserViewBase.h"

class TUAnalyzerFrame : public TAnalyserViewBase {
 public:
  explicit TUAnalyzerFrame(TComponent* AOwner) : TAnalyserViewBase(AOwner, "Spectrum", "Overview") {}
};
