// The sonar view of the locate category: waits for the hand probe, then runs the sonar thread at the
// analyser's centre frequency, with "Auto Tracking on/off" and a setup panel for the probe's
// sensitivity and clock (kept in EEPROM cells 17 and 18), opened by the service panel's access
// code. A hidden "Test" button (never shown) exercises the probe's LED bar and digits.
#pragma once
#include "screens/locate/ProbeLocateFrame.h"

class SonarThread;
class TButton;
class TEdit;
class TLabel;
class TTrackBar;

class TUSonarFrame : public TProbeLocateFrame {
 public:
  static constexpr uint8_t SensitivityCell = 17;
  static constexpr uint8_t ClockCell = 18;
  static constexpr int FirstTestCount = 16;
  static constexpr int LastTestCount = 32;

  explicit TUSonarFrame(TComponent* AOwner);
  ~TUSonarFrame() override;

  // Shows the setup panel with the stored values; loading them writes the potentiometer only.
  void ShowSetupPanel();
  void OnTrackBar1Change(TObject* Sender);
  // Panel1: the pressed colour and tracking on or off while a thread runs; the released colour comes
  // back on any mouse move over the panel.
  void OnTrackingPanelMouseDown(TObject* Sender);
  void OnTrackingPanelMouseUp(TObject* Sender);
  void OnTimer2(TObject* Sender);
  // Hidden: the next count of LEDs (16..32) on the probe's bar and digits; the results in the title.
  void OnTestButClick(TObject* Sender);

  SonarThread* Sonar() const;
  int TestCount() const { return testCount_; }

  TPanel* Panel1 = nullptr;
  TPanel* SetupPanel = nullptr;
  TTrackBar* TrackBar1 = nullptr;  // sensitivity 0..255
  TTrackBar* TrackBar2 = nullptr;  // clock 150..190
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TTimer* Timer2 = nullptr;
  TButton* Button1 = nullptr;  // hidden, "Test"
  TEdit* Edit1 = nullptr;      // hidden

 protected:
  ProbeThreadBase* MakeThread(double frequency) override;
  double ProbeFrequency() const override;
  void OnThreadEnded() override;
  void LeaveView() override;

 private:
  void CreateDisplays();
  void CreateSetupPanel();
  void LoadCell(TTrackBar* bar, uint8_t cell);

  bool updating_ = false;
  int blink_ = 0;
  int testCount_ = FirstTestCount;
  bool testedOnce_ = false;
};
