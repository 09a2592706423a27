// The life cycle the six analyser views share: the detail trace fed by a detail sweep thread at a
// span of 10 MHz or less and the overview trace fed by an overview sweep thread above it, switched
// at the boundary; the frequency, up/down and volume frames parented while the view is entered;
// peak search, auto-centre, drag, wheel and volume; the band strip; centre and span taken from
// the program's settings on Enter and written back on Leave. A view adds only its differences
// through the hooks below.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "engine/Buffers.h"
#include "engine/SweepThreads.h"
#include "engine/SweepWideThreads.h"
#include "engine/Threads.h"
#include "screens/ModeFrameBase.h"

class StdDisplay;

// The numbers of the view's windows.
namespace analyser {
constexpr double DetailSpanLimit = 10.0;  // MHz: at or below, the detail sweep runs
constexpr int DetailPoints = 1000;
constexpr int DragPoints = 3000;
constexpr int OverviewPoints = 300000;  // 0..15 GHz on the 50 kHz grid
struct Window {
  int From = 0;
  int To = 0;
};
// The detail window of a span (MHz): n = trunc(span x 100) points about point 500.
Window DetailWindow(double spanMHz);
// The overview window of a range (MHz) in 50 kHz points, inside the overview trace.
Window OverviewWindow(double startMHz, double stopMHz);
// Centre after a detail-trace hit at index (single precision, as the display shows it).
double DetailHitCentre(double centreMHz, int index);
// Centre after an overview hit at grid index.
double OverviewHitCentre(int index);
// Centre while the overview is dragged by dx virtual pixels over a viewport of the given width.
double OverviewDragCentre(int dx, double spanMHz, int viewportWidth, double pressCentreHz);
// Band strip place for a viewport (virtual 1024 x 768) on a render window of w x h pixels.
TRect StripBounds(int viewLeft, int viewTop, int viewWidth, int w, int h);
}  // namespace analyser

class TAnalyserViewBase : public TModeFrameBase {
 public:
  TAnalyserViewBase(TComponent* AOwner, std::string detailTitle, std::string overviewTitle);
  ~TAnalyserViewBase() override;

  void OnResize(TObject* Sender) override;
  void OnWheel(int Delta) override;
  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y) override;
  void UpdateFromIni() override;

  // Set by the main window: the window caption, the info line (text, milliseconds), clearing it.
  std::function<void(const std::string&)> SetCaptionCallback;
  std::function<void(const std::string&, int)> ShowInfoCallback;
  std::function<void()> ClearInfoCallback;

  bool DetailRunning() const { return aSlot_.Running(); }
  bool OverviewRunning() const { return wSlot_.Running(); }
  NormalBuffer* DetailTrace() const { return detail_.get(); }
  NormalBuffer* OverviewTrace() const { return overview_.get(); }
  StdDisplay* DetailDisplay() const { return detailDisplay_.get(); }
  StdDisplay* OverviewDisplay() const { return overviewDisplay_.get(); }
  Sweep10MhzThread* AThread() const { return aThread_; }
  SweepWideThread* WThread() const { return wThread_; }

  // Handlers of the control frames while the view is entered.
  void UpdateFreqSpan();
  void SearchUpDown(bool up);
  void UpdateVolume(int volume);
  void AutoCenter();

 protected:
  void StartWork() override;
  void StopWork() override;

  // The differences of the views.
  virtual Sweep10MhzThread* MakeAThread() { return new Sweep10MhzThread(); }
  virtual SweepWideThread* MakeWThread() { return new SweepWideThread(); }
  // Parents further control frames (Enter) and takes them away again (Leave).
  virtual void EnterExtraControls() {}
  virtual void LeaveExtraControls() {}

  void StartAThread();
  void StartWThread();
  void StopAThread();
  void StopWThread();
  void SetAModeFromControlFrame();
  void ChangeWThreadSettings();
  // The display of the running sweep, or null.
  StdDisplay* ActiveDisplay() const;
  void Fade(StdDisplay* display, int symbol);

  std::shared_ptr<NormalBuffer> detail_, drag_, overview_;
  std::unique_ptr<StdDisplay> detailDisplay_, overviewDisplay_;
  Sweep10MhzThread* aThread_ = nullptr;
  SweepWideThread* wThread_ = nullptr;
  ThreadSlot aSlot_, wSlot_;
  std::string detailTitle_, overviewTitle_;
  double lastSpan_ = 1000.0;

 private:
  void CreateDisplays();
  void EnterControls();
  void LeaveControls();
  void ShowOverlayStrip();
  void HideOverlayStrip();
  void PlaceOverlayStrip(StdDisplay* display);
  void DrawBandStrip();
  void SetDetailWindow();
  // Device calls on the GUI thread while no thread runs; false (LinkUp cleared) on a failure.
  bool Prepare(const std::function<bool()>& calls);

  // Drag state.
  bool dragging_ = false;
  int pressX_ = 0;
  double pressCentre_ = 0.0;
  double draggedCentre_ = 0.0;
  bool stripShown_ = false;
};
