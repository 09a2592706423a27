// The sonar view of the locate category: waits for the hand probe, then runs the sonar thread at the
// analyser's centre frequency, with "Auto Tracking on/off" and a setup panel for the probe's
// sensitivity and clock (kept in EEPROM cells 17 and 18).
#pragma once
#include "screens/locate/ProbeLocateFrame.h"

class SonarThread;
class TLabel;
class TTrackBar;

class TUSonarFrame : public TProbeLocateFrame {
 public:
  static constexpr uint8_t SensitivityCell = 17;
  static constexpr uint8_t ClockCell = 18;

  explicit TUSonarFrame(TComponent* AOwner);

  // Shows the setup panel with the stored values; loading them writes the potentiometer only.
  void ShowSetupPanel();
  void OnTrackBar1Change(TObject* Sender);
  void OnTrackingPanelMouseDown(TObject* Sender);
  void OnTimer2(TObject* Sender);

  SonarThread* Sonar() const;

  TPanel* Panel1 = nullptr;
  TPanel* SetupPanel = nullptr;
  TTrackBar* TrackBar1 = nullptr;  // sensitivity 0..255
  TTrackBar* TrackBar2 = nullptr;  // clock 150..190
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TTimer* Timer2 = nullptr;

 protected:
  ProbeThreadBase* MakeThread(double frequency) override;
  double ProbeFrequency() const override;
  void OnThreadEnded() override;
  void LeaveView() override;

 private:
  bool updating_ = false;
  int blink_ = 0;
};
