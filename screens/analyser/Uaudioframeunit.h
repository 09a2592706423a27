// The audio view: the spectrum view's sweeps, and in the detail sweep the demodulated audio as an
// audio spectrum and its waterfall; the test-sound frame starts the test-sound sequence.
#pragma once
#include <memory>

#include "screens/analyser/AnalyserViewBase.h"

class TUAudioFrame : public TAnalyserViewBase {
 public:
  static constexpr int Bins = 256;
  static constexpr int WaterRows = 50;

  explicit TUAudioFrame(TComponent* AOwner);
  ~TUAudioFrame() override;

  // OnChange of the test-sound frame: the running detail sweep plays the test sound.
  void StartTestSound();

  NormalBuffer* AudioTrace() const { return audioTrace_.get(); }
  WaterfallBuffer* AudioWater() const { return audioWater_.get(); }

 protected:
  Sweep10MhzThread* MakeAThread() override;
  void EnterExtraControls() override;
  void LeaveExtraControls() override;
  void CreateExtraDisplays() override;
  void BeforeWThread() override;
  bool KeepsVolumeOnLeave() const override { return true; }
  SoundSetUp DetailSoundSetUp() const override { return SoundSetUp::SoundWordThenSpeaker; }
  void DisplaysListed() override;
  bool ReportsFailuresOf(const std::string& method) const override;

 private:
  std::shared_ptr<NormalBuffer> audioTrace_;
  std::shared_ptr<WaterfallBuffer> audioWater_;
};
