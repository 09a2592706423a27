// The digital field-locate view of the locate category: the digital locate thread at the analyser's
// centre frequency, with the attenuation and pulse-detection panels; in pulse mode the "Intensity"
// display shows the history of the detector's maxima.
#pragma once
#include <memory>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"

class DigitalBuffer;
class DigitalWaterBuffer;
class DigFieldLocateThread;

class TUDigFieldLocateFrame : public TLocateModeFrame {
 public:
  explicit TUDigFieldLocateFrame(TComponent* AOwner);
  ~TUDigFieldLocateFrame() override;

  void StartFieldThread(double frequency);
  // The main display's command list for normal or pulse mode.
  void SetGraphCommands(bool pulse);
  void OnAttButMouseUp(TObject* Sender);
  void OnPDButMouseUp(TObject* Sender);

  DigFieldLocateThread* Thread() const;
  DigitalBuffer& Buffer() const { return *buffer_; }
  StdDisplay* IntensityDisplay() const { return Displays()[1].get(); }
  bool PulseMode() const { return pulse_; }

  TPanel* Panel1 = nullptr;  // "Attenuation  Off" / "Attenuation  On"
  TPanel* Panel2 = nullptr;  // "Pulse Detect  Off" / "Pulse Detect  On"

 protected:
  void EnterView() override;
  void LeaveView() override;
  bool RestoreDevice() override;

 private:
  std::shared_ptr<DigitalBuffer> buffer_;
  std::shared_ptr<DigitalWaterBuffer> water_;
  ThreadSlot slot_;
  bool pulse_ = false;
};
