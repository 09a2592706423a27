// What the sonar and VLF sonar views share: waiting for the hand probe (polled every 100 ms while no
// thread runs, with a hint on the render window while it does not answer), the probe thread started
// once it answers, and the probe put back to dark when the view is left.
#pragma once
#include <memory>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"

class DigitalBuffer;
class ProbeThreadBase;
class TTimer;

class TProbeLocateFrame : public TLocateModeFrame {
 public:
  TProbeLocateFrame(TComponent* AOwner, std::string name, unsigned points, ReportTexts reports = {});
  ~TProbeLocateFrame() override;

  // UsbTimer: while no thread runs, probes the module and the hand probe; starts the thread when
  // the probe answers, shows the hint while it does not.
  void OnUsbTimer(TObject* Sender);
  // Starts the probe thread at frequency (Hz).
  void StartSonarThread(double frequency);
  // The thread's end: with no sender a stop request (with no thread it only stops the polling),
  // with the thread as sender its own end, after which polling for the probe resumes.
  void OnSonarThreadTerminate(TObject* Sender);

  ProbeThreadBase* Thread() const;
  DigitalBuffer& Buffer() const { return *buffer_; }
  bool HintShown() const;
  // The locate views' resize, then the hint's place on the render window.
  void OnResize(TObject* Sender) override;

  TTimer* UsbTimer = nullptr;
  TPanel* ProbeHintPanel = nullptr;

 protected:
  virtual ProbeThreadBase* MakeThread(double frequency) = 0;
  // The frequency the thread starts at.
  virtual double ProbeFrequency() const = 0;
  // After a thread ended by itself (probe unplugged, or a failure).
  virtual void OnThreadEnded() {}
  // After the polling found the probe answering and a thread runs.
  virtual void ProbeAnswered() {}
  void KillBuffers();

  void EnterView() override;
  void LeaveView() override;
  bool RestoreDevice() override;
  void AfterRestore() override;
  void SkinChanged() override;
  void PlaceHint();

  std::shared_ptr<DigitalBuffer> buffer_;
  ThreadSlot slot_;

 private:
  void CreateProbeControls();
};
