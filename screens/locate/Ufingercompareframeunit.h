// The fingerprint compare view of the fingerprint category: records 0 to 2 GHz segment by segment
// and compares the live recording point by point with a stored fingerprint, drawing the hits.
#pragma once
#include <memory>

#include "engine/Threads.h"
#include "screens/locate/DetectFrameParts.h"
#include "screens/locate/LocateModeFrame.h"

class DigitalBuffer;
class FingerBufferBase;
class StdDisplay;
class TOpenDialog;
class TPanel;
class TTimer;

class TUFingerCompareFrame : public TLocateModeFrame {
 public:
  // Segments (of 1 GHz) recorded by one Start, analogue and digital each.
  static constexpr int Segments = 2;

  explicit TUFingerCompareFrame(TComponent* AOwner);
  ~TUFingerCompareFrame() override;

  // Draws the view's bar graphs over the displays.
  void RenderHook(RenderPass pass) override {
    if (pass == RenderPass::AfterDisplays) RenderBarGraphs();
  }
  void RenderBarGraphs();

  void Start();
  void Test();
  void OnUsbTimer(TObject* Sender);

  bool Recording() const { return recording_; }
  DigitalBuffer& AnalogOverview() { return *analog_; }
  DigitalBuffer& DigitalOverview() { return *digital_; }
  FingerBufferBase& Recorded() { return *recorded_; }
  StdDisplay* AnalogDisplay() const { return analogDisplay_; }
  StdDisplay* DigitalDisplay() const { return digitalDisplay_; }
  BargarphLine* Bar(int n) const { return bars_.Bar(n); }

  TPanel* Panel1 = nullptr;
  TPanel* Panel2 = nullptr;
  TOpenDialog* OpenDialog = nullptr;
  TTimer* UsbTimer = nullptr;

 protected:
  void EnterView() override;
  void LeaveView() override;

 private:
  void CreateBuffers();
  void CreateDisplays();
  void StartAThread();
  void OnAThreadTerminate();
  void StartDThread();
  void OnDThreadTerminate();
  void StopChain();

  std::shared_ptr<DigitalBuffer> analog_, digital_;
  std::unique_ptr<FingerBufferBase> recorded_, loaded_;
  StdDisplay* analogDisplay_ = nullptr;
  StdDisplay* digitalDisplay_ = nullptr;
  FingerBarGraphs bars_;
  ThreadSlot segmentThread_;
  int segment_ = 0;
  bool recording_ = false;
};
