// The fingerprint record view of the fingerprint category: records 0 to 15 GHz in one scan, saves the
// fingerprint as a ".fng" file, compares it with a stored one and lists the differences; a click on
// a difference opens a live view around it beside the stored reference.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "engine/Threads.h"
#include "screens/locate/DetectFrameParts.h"
#include "screens/locate/LocateModeFrame.h"
#include "screens/locate/FingerprintLogic.h"

class DigitalBuffer;
class FingerBufferBase;
class StdDisplay;
class TCheckListBox;
class TLabel;
class TOpenDialog;
class TPanel;
class TSaveDialog;
class TTimer;
class WaterfallBuffer;

class TUFingerFrame : public TLocateModeFrame {
 public:
  enum ViewMode { Overview, CompareOverview, AnalogRealtime, DigitalRealtime };

  explicit TUFingerFrame(TComponent* AOwner);
  ~TUFingerFrame() override;

  // Draws the view's bar graphs over the displays.
  void RenderHook(RenderPass pass) override {
    if (pass == RenderPass::AfterDisplays) RenderBarGraphs();
  }
  void RenderBarGraphs();

  void OnResize(TObject* Sender) override;
  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y) override;

  void SetViewMode(ViewMode mode);
  void StartScanThread();
  void StopScanThread();
  void OnScanThreadTerminate(TObject* Sender);
  void StoreFingerprint();
  void ShowSaveDialog();
  void CompareWithFile();
  void CompareFingerprints();
  void FillResultList();
  void OnResultListClick(TObject* Sender);
  void AutoCenter();
  void UpdateVolume(int volume);
  void OnUsbTimer(TObject* Sender);

  // Panel handlers.
  void OnStartButMouseDown(TObject*, TMouseButton, TShiftState, int, int);
  void OnStartButMouseUp(TObject*, TMouseButton, TShiftState, int, int);
  void OnSavePanelMouseUp(TObject*, TMouseButton, TShiftState, int, int);
  void OnComparePanelMouseUp(TObject*, TMouseButton, TShiftState, int, int);

  ViewMode Mode() const { return mode_; }
  bool Scanning() const { return scanThread_.Running(); }
  bool RealtimeRunning() const { return realtimeThread_.Running(); }
  double RealtimeFrequency() const { return realtimeFrequency_; }
  DigitalBuffer& AnalogOverview() { return *analog_; }
  DigitalBuffer& DigitalOverview() { return *digital_; }
  DigitalBuffer& RealtimeBuffer() { return *realtime_; }
  FingerBufferBase& Recorded() { return *recorded_; }
  FingerBufferBase& Loaded() { return *loaded_; }
  StdDisplay* AnalogDisplay() const { return analogDisplay_; }
  BargarphLine* Bar(int n) const { return bars_.Bar(n); }

  TPanel* Panel1 = nullptr;
  TPanel* Panel2 = nullptr;
  TPanel* Panel3 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TSaveDialog* SaveDialog = nullptr;
  TOpenDialog* OpenDialog = nullptr;
  TTimer* UsbTimer = nullptr;
  TCheckListBox* ResultList = nullptr;

 protected:
  void EnterView() override;
  void LeaveView() override;
  void SkinChanged() override;

 private:
  void CreateBuffers();
  void CreateDisplays();
  // The shared volume frame leaves this view (its volume kept), if the view holds it.
  void TakeOutVolumeFrame();
  // The displays of a realtime view mode ("Analog" or "Digital").
  void ShowRealtimeLayout(const std::string& kind, int liveBottom, const Viewport& overview,
                          DigitalBuffer* recording, int recordingPoints);
  // handler: "Class::OnXPanel", completed with "MouseDown" and "MouseUp" in fatal-error reports.
  TPanel* MakeFilePanel(int top, TLabel*& small, const std::string& smallText, TLabel*& big,
                        const std::string& bigText, const std::string& handler, std::function<void()> onUp);
  void StartRealtimeThread();
  void OnResultListDrawItem(TWinControl* control, int index, const TRect& rect);

  std::shared_ptr<DigitalBuffer> analog_, digital_, realtime_, audio_;
  std::shared_ptr<WaterfallBuffer> waterfall_;
  std::shared_ptr<FingerBufferBase> recorded_, loaded_;
  StdDisplay* analogDisplay_ = nullptr;
  StdDisplay* digitalDisplay_ = nullptr;
  StdDisplay* audioDisplay_ = nullptr;
  StdDisplay* intensityDisplay_ = nullptr;
  FingerBarGraphs bars_;
  ThreadSlot scanThread_, realtimeThread_;
  ViewMode mode_ = Overview;
  bool listInUse_ = false;
  double realtimeFrequency_ = 0.0;
  int pressX_ = 0;
  double pressFrequency_ = 0.0;
};
