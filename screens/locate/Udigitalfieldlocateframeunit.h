// The digital field-locate view of the locate category: the digital locate thread at the analyser's
// centre frequency, with the attenuation and pulse-detection panels; in pulse mode the "Intensity"
// display shows the history of the detector's maxima. A hidden track bar (never shown) sets the
// attenuation directly.
#pragma once
#include <memory>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"

class DigitalBuffer;
class DigitalWaterBuffer;
class DigFieldLocateThread;
class TTrackBar;

class TUDigFieldLocateFrame : public TLocateModeFrame {
 public:
  explicit TUDigFieldLocateFrame(TComponent* AOwner);
  ~TUDigFieldLocateFrame() override;

  void StartFieldThread(double frequency);
  // The thread's end: with no sender a stop request, with the thread as sender its own end.
  void OnFieldThreadTerminate(TObject* Sender);
  // The main display's command list for normal or pulse mode.
  void SetGraphCommands(bool pulse);
  // The panels answer only while a thread runs, except the attenuation panel's pressed colour.
  void OnAttButMouseDown(TObject* Sender);
  void OnAttButMouseUp(TObject* Sender);
  void OnPDButMouseDown(TObject* Sender);
  void OnPDButMouseUp(TObject* Sender);
  // Hidden: the bar's position (0..31) as the thread's attenuation.
  void OnTrackBar1Change(TObject* Sender);

  DigFieldLocateThread* Thread() const;
  DigitalBuffer& Buffer() const { return *buffer_; }
  StdDisplay* IntensityDisplay() const { return Displays()[1].get(); }
  bool PulseMode() const { return pulse_; }

  TPanel* Panel1 = nullptr;        // "Attenuation  Off" / "Attenuation  On"
  TPanel* Panel2 = nullptr;        // "Pulse Detect  Off" / "Pulse Detect  On"
  TTrackBar* TrackBar1 = nullptr;  // hidden, 0..31

 protected:
  void EnterView() override;
  void LeaveView() override;
  bool RestoreDevice() override;

 private:
  void CreateBuffers();
  void CreateDisplays();
  void KillBuffers();

  std::shared_ptr<DigitalBuffer> buffer_;
  std::shared_ptr<DigitalWaterBuffer> water_;
  ThreadSlot slot_;
  bool pulse_ = false;
};
