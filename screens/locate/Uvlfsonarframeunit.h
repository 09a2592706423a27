// The VLF sonar view of the VLF category: the sonar probe through the VLF module, at the VLF centre.
#pragma once
#include "screens/locate/ProbeLocateFrame.h"

class TUVLFSonarFrame : public TProbeLocateFrame {
 public:
  explicit TUVLFSonarFrame(TComponent* AOwner);
  ~TUVLFSonarFrame() override;

 protected:
  ProbeThreadBase* MakeThread(double frequency) override;
  double ProbeFrequency() const override;
  void ProbeAnswered() override;

 private:
  void CreateDisplays();
};
