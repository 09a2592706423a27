// The analogue field-locate view of the locate category: a 400-point level trace around the
// analyser's centre frequency, drawn by the field-locate thread, with "Auto Tracking on/off". Hidden
// service controls (never shown): the sound potentiometer's first channel, tracking by check box,
// and an audio set-up at the analyser centre.
#pragma once
#include <memory>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"

class DigitalBuffer;
class FieldLocateThread;
class TButton;
class TCheckBox;
class TTimer;
class TTrackBar;

class TFieldLocateFrame : public TLocateModeFrame {
 public:
  explicit TFieldLocateFrame(TComponent* AOwner);
  ~TFieldLocateFrame() override;

  // Starts the thread at frequency (Hz).
  void StartFieldThread(double frequency);
  // The thread's end: with no sender a stop request, with the thread as sender its own end.
  void OnFieldThreadTerminate(TObject* Sender);
  // Panel1: tracking on or off while a thread runs.
  void OnTrackingPanelMouseDown(TObject* Sender);
  void OnTrackingPanelMouseUp(TObject* Sender);
  void OnTimer1(TObject* Sender);
  // Hidden: stops the thread, then the bar's position to the sound potentiometer's first channel.
  void OnTrackBar1Change(TObject* Sender);
  // Hidden: tracking as the box is ticked, while a thread runs.
  void OnCB1Click(TObject* Sender);
  // Hidden: stops the thread and sets the audio path up at the analyser centre.
  void OnClickButClick(TObject* Sender);

  FieldLocateThread* Thread() const;
  DigitalBuffer& Buffer() const { return *buffer_; }

  TPanel* Panel1 = nullptr;
  TTimer* Timer1 = nullptr;
  TTrackBar* TrackBar1 = nullptr;  // hidden, 0..255
  TCheckBox* CB1 = nullptr;        // hidden, "Tracking"
  TButton* Button1 = nullptr;      // hidden, "Click"

 protected:
  void EnterView() override;
  void LeaveView() override;
  bool RestoreDevice() override;

 private:
  void CreateBuffers();
  void CreateDisplays();
  void CreateHiddenControls();
  void KillBuffers();

  std::shared_ptr<DigitalBuffer> buffer_;
  ThreadSlot slot_;
  int blink_ = 0;
};
