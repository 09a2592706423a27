// The fast-detect view of the auto category: one press on "Start" runs scan, tone search and
// verification in turn and ends with the confirmed frequencies under "ALARM", or "nothing found".
// While a run is active the idle loop draws a radar.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"
#include "screens/locate/FastDetectLogic.h"
#include "screens/locate/RadarSprites.h"

class DigitalBuffer;
class StdDisplay;
class TButton;
class TEdit;
class TPanel;
class TLabel;
class TListBox;
class TTimer;
class ZSprite;
struct TargetRangeItem;

// Set while the fast-detect view shows its radar: the idle pass then draws the radar first.
inline std::atomic<uint8_t> RadarViewActive{0};

class TFastDetectFrameV2 : public TLocateModeFrame {
 public:
  explicit TFastDetectFrameV2(TComponent* AOwner);
  ~TFastDetectFrameV2() override;

  void UpdateFromIni() override;

  void StartRun();
  void StopRun();
  void ResetView();
  void StartScanThread();
  void StartSearchThread();
  void StartCenterThread();

  // Draws the radar under the displays while it is shown, and the view's overlay over them.
  void RenderHook(RenderPass pass) override {
    if (pass == RenderPass::BeforeDisplays) {
      if (RadarViewActive) RenderRadar();
    } else {
      Render();
    }
  }
  // Nothing is drawn over the displays.
  void Render() {}
  // Draws the radar into the current scene.
  void RenderRadar();

  void OnStartButMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnStartButMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  // A click on a result line hands its frequency to the analyser (10 MHz span).
  void OnLBTestClick(TObject* Sender);

  // Service handlers of the hidden controls.
  // Scan alone, on cleared scan buffers.
  void OnTestButClick(TObject* Sender);
  // Verification alone, of the one range 418.7 to 426.7 MHz.
  void OnCenterTestButClick(TObject* Sender);
  // Starts or stops Timer1, which keeps DDS 4 at 21 MHz.
  void OnSynthTestButClick(TObject* Sender);
  void OnTimer1(TObject* Sender);

  bool Running() const { return running_; }
  bool TargetsFound() const { return targetsFound_; }
  std::string Status() const;
  std::vector<std::string> Results() const;
  const std::vector<TargetRangeItem>& Targets() const { return *targets_; }
  StdDisplay* MainDisplay() const { return main_; }
  StdDisplay* TitleDisplay(int stage) const { return titles_[stage]; }
  DigitalBuffer& ScanBuffer(int stage) { return *scan_[stage]; }
  DigitalBuffer& VerifyBuffer() { return *verify_; }
  bool AnyThreadRunning() const;
  const RadarAnimation& Radar() const { return radar_; }
  const RadarSpriteSet& RadarSprites() const { return sprites_; }

  TPanel* Panel1 = nullptr;
  TLabel* Label2 = nullptr;
  TListBox* lb = nullptr;
  // Service controls: hidden, reachable only by their handlers.
  TTimer* Timer1 = nullptr;
  TButton* Button1 = nullptr;
  TButton* Button2 = nullptr;
  TButton* Button3 = nullptr;
  TEdit* Edit1 = nullptr;
  TEdit* Edit2 = nullptr;
  TLabel* Label1 = nullptr;

 protected:
  void EnterView() override;
  void LeaveView() override;
  bool RestoreDevice() override;

 private:
  void CreateBuffers();
  void CreateDisplays();
  void CreateServiceControls();
  void CreateRadarSprites();
  // The INI settings of a stage title display: no grid and its own text colour.
  static void ApplyTitleIni(StdDisplay& display);
  void StopThreads();
  void ClearTargets();
  void SetStatus(const std::string& text, TColor colour);
  void OnScanFinished(IOThreadBase* thread);
  void OnSearchFinished(IOThreadBase* thread);
  void OnCenterFinished(IOThreadBase* thread);

  std::array<std::shared_ptr<DigitalBuffer>, 3> scan_;
  std::shared_ptr<DigitalBuffer> verify_;
  std::shared_ptr<std::vector<TargetRangeItem>> targets_;
  StdDisplay* main_ = nullptr;
  std::array<StdDisplay*, 3> titles_{};
  ThreadSlot scanThread_, searchThread_, centreThread_;
  bool running_ = false;
  bool targetsFound_ = false;
  double radarSteps_ = 50.0;
  double targetBearing_ = 0.0;
  RadarAnimation radar_;
  std::unique_ptr<RadarTextures> radarTextures_;  // made from construction on, taken at the first Enter
  RadarSpriteSet sprites_;                        // grid, beam, signal, mask, point
};
