// The workshop's test frame: a column of buttons, each starting one test of the instrument's
// hardware (AD inputs, synthesisers, IF-filter check, automatic IF-filter alignment, A-mode sweep,
// one wide sweep, audio path, camera, audio FFT), with the results drawn as displays in the scene.
// One test runs at a time; AppState names it. The frame is made hidden and shown only by a service
// configuration.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "base/Globals.h"  // AppState
#include "engine/Threads.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

class TDDSUserFrame;
class TFilterUserFrame;
class TSweepAFrame;
class TAudioTestFrame;
class StdDisplay;
class NormalBuffer;
class TCap;

class TTestFrame : public TFrame {
 public:
  static constexpr int SlotCount = 6;

  explicit TTestFrame(TComponent* AOwner);
  ~TTestFrame() override;

  // ---- Buttons ----
  void OnADDisplaysButClick(TObject* Sender);
  void OnDDSTestButClick(TObject* Sender);
  void OnZFFilterButClick(TObject* Sender);
  void OnAutoAdjustFilterButClick(TObject* Sender);
  void OnSweepAModeButClick(TObject* Sender);
  void OnSweepAllButClick(TObject* Sender);
  void OnAudioTestButClick(TObject* Sender);
  void OnVideoTestButClick(TObject* Sender);
  void OnFFTTestButClick(TObject* Sender);
  void OnShowHideLogListButClick(TObject* Sender);
  void OnResize(TObject* Sender);

  // ---- The tests. A terminate handler with a sender is the thread's own end; without one it
  // stops the test. ----
  void StartADCheck();
  void OnADCheckTerminate(TObject* Sender);
  void StartFilterCheck(int range, int module);
  void OnFilterCheckTerminate(TObject* Sender);
  void OnFilterFrameChange(TObject* Sender);
  void RunAutoAdjustFilter();
  void OnSweepAModeTerminate(TObject* Sender);
  void OnSweepAModeChange(uint8_t module, float spanHz);
  void StopSweepAll();
  void StartFFTTest();
  void OnFFTTestTerminate(TObject* Sender);
  void StartVideoTest();
  void StopVideoTest();
  void StopAllTests();
  void ApplyDisplaySettings();

  // 16-bit test tone of frequency f at 22050 samples a second, faded in over the first tenth and
  // out over the last fifth, offset binary with the high byte first (as the sound memory keeps it).
  static void MakeTestTone(uint16_t* samples, int count, double f);
  // Filter-check range 0..2 in Hz.
  static void FilterCheckRange(int range, double& start, double& stop);

  StdDisplay* Display(int slot) const;
  NormalBuffer* Buffer(int slot) const;

  // ---- Components ----
  TButton* Button1 = nullptr;   // "AD  Displays"
  TButton* Button2 = nullptr;   // "DDS Tests"
  TButton* Button3 = nullptr;   // "ZF - Filter"
  TButton* Button5 = nullptr;   // "Auto Adjust Filter"
  TButton* Button6 = nullptr;   // "Sweep A-Mode"
  TButton* Button7 = nullptr;   // "Sweep All"
  TButton* Button8 = nullptr;   // "Audio Test"
  TButton* Button9 = nullptr;   // "Video Test"
  TButton* Button10 = nullptr;  // "Audio FFT Test"
  TButton* Button4 = nullptr;   // "Show / Hide LogList"
  TImage* TestFrameImage = nullptr;
  TTimer* AdTimer = nullptr;

  // The measurement threads, one slot each.
  ThreadSlot ADCheck, FilterCheck, SweepAMode, FFTTest;
  TCap* Cap = nullptr;  // owned while the video test runs

  // Given by the main window, not owned.
  TForm* RenderWindow = nullptr;
  TDDSUserFrame* DDSUserFrame = nullptr;
  TFilterUserFrame* FilterUserFrame = nullptr;
  TSweepAFrame* SweepAFrame = nullptr;
  TAudioTestFrame* AudioTestFrame = nullptr;

 private:
  struct DisplaySpec {
    const char* title;
    int x, y, width, height;
    int gridX, gridY;  // 0: the display's default grid
    int renderMode;
    int points;
    float start, stop, levelMin, levelMax;
  };
  void MakeDisplays(std::initializer_list<DisplaySpec> specs, bool intoList);
  // Frees the test's displays (the running thread keeps its buffers until it ends).
  void FreeDisplays();
  // Common stop and end of a thread test; false when there was nothing to stop.
  bool EndThreadTest(ThreadSlot& slot, TObject* Sender);
  // Each start first ends the running test; nothing starts while an alignment runs.
  bool BeginTest(int state);
  void StartSweepAModeThread(uint8_t module, double spanHz);
  void SetButtonsEnabled(bool on);

  std::array<std::unique_ptr<StdDisplay>, SlotCount> displays_;
  std::array<std::shared_ptr<NormalBuffer>, SlotCount> buffers_;
  uint8_t sweepAModule_ = 0;
};
