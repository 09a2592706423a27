// The analogue field-locate view of the locate category: a 400-point level trace around the
// analyser's centre frequency, drawn by the field-locate thread, with "Auto Tracking on/off".
#pragma once
#include <memory>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"

class DigitalBuffer;
class FieldLocateThread;
class TTimer;

class TFieldLocateFrame : public TLocateModeFrame {
 public:
  explicit TFieldLocateFrame(TComponent* AOwner);
  ~TFieldLocateFrame() override;

  // Starts the thread at frequency (Hz).
  void StartFieldThread(double frequency);
  // Panel1: tracking on or off while a thread runs.
  void OnTrackingPanelMouseDown(TObject* Sender);
  void OnTrackingPanelMouseUp(TObject* Sender);
  void OnTimer1(TObject* Sender);

  FieldLocateThread* Thread() const;
  DigitalBuffer& Buffer() const { return *buffer_; }

  TPanel* Panel1 = nullptr;
  TTimer* Timer1 = nullptr;

 protected:
  void EnterView() override;
  void LeaveView() override;
  bool RestoreDevice() override;

 private:
  std::shared_ptr<DigitalBuffer> buffer_;
  ThreadSlot slot_;
  int blink_ = 0;
};
