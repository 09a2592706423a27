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
#include <vector>

#include "engine/Buffers.h"
#include "engine/SweepThreads.h"
#include "engine/SweepWideThreads.h"
#include "engine/Threads.h"
#include "base/Guard.h"
#include "screens/ModeFrameBase.h"

class SearchMarkList;
class StdDisplay;
class TImage;

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
  // viewClass names the view in its failure reports ("TUDigitalFrame").
  TAnalyserViewBase(TComponent* AOwner, std::string viewClass, std::string detailTitle,
                    std::string overviewTitle);
  ~TAnalyserViewBase() override;

  // The control strip's background takes skin panel 3, then the view its own skin texts.
  void UpdateSkin();
  // The "Class::Method" text under which an exception escaping the named operation ends the
  // program, or empty where the view leaves that operation to the caller.
  std::string FailureText(const std::string& method) const;

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

  TImage* Image = nullptr;  // skin background, filling the view

  // Handlers of the control frames while the view is entered.
  void UpdateFreqSpan();
  void SearchUpDown(bool up);
  void UpdateVolume(int volume);
  void AutoCenter();

 protected:
  void StartWork() override;
  void StopWork() override;

  // The differences of the views.
  // The detail and overview sweeps, with their target buffers set (kept alive by the thread).
  virtual Sweep10MhzThread* MakeAThread();
  virtual SweepWideThread* MakeWThread();
  // Points a display at the view's data when its sweep starts.
  virtual void ShowDetailData(StdDisplay& display);
  virtual void ShowOverviewData(StdDisplay& display);
  // Peak searches on the view's data (true and the hits, nearest first).
  virtual bool SearchDetail(bool up, SearchMarkList& list);
  virtual bool SearchOverview(int start, int lower, int upper, bool up, SearchMarkList& list);
  virtual bool FindDetailCentre(int& index);
  virtual bool FindOverviewCentre(int start, int& index);
  // A detail hit at index before (search) or after (auto-centre) the retune.
  virtual void DetailHit(int /*index*/, bool /*beforeRetune*/) {}
  // Drag of the detail picture: a frozen copy shown from offset 1000 of the drag buffer while the
  // pointer moves, and copied back (shifted by offset) when it is released.
  virtual void FreezeDetail(StdDisplay& display);
  virtual void ThawDetail(StdDisplay& display, int offset);
  // The highest centre a drag of the overview reaches (MHz).
  virtual double MaxDragCentre() const { return 15000.0; }
  // Right after the frequency frame was parented and entered (Enter).
  virtual void FreqFrameEntered() {}
  // Parents further control frames after the volume frame (Enter), and takes them away again before
  // the frequency frame leaves (Leave, after the threads stopped).
  virtual void EnterExtraControls() {}
  virtual void LeaveExtraControls() {}
  // The last step of Leave, after centre and span were written back.
  virtual void LeaveDone() {}
  // After the displays were listed on Enter.
  virtual void DisplaysListed() {}
  // Makes the view's further displays (once the scene exists) with AddExtraDisplay.
  virtual void CreateExtraDisplays() {}
  // After every change of centre or span and on Enter, with the new windows set.
  virtual void AfterFreqSpan() {}
  // The detail sweep's filter after the normal IF bandwidth (inside the lock); false on a failure.
  virtual bool SetDetailFilter() { return true; }
  // How the detail sweep's set-up puts the sound path up: the speaker switches before the sound
  // word (0x74), or after it with their failure ending the start, or after it with their result
  // ignored.
  enum class SoundSetUp { SpeakerThenSoundWord, SoundWordThenSpeaker, SoundWordThenSpeakerUnchecked };
  virtual SoundSetUp DetailSoundSetUp() const { return SoundSetUp::SpeakerThenSoundWord; }
  // The left button went down (true) or up (false) over the running overview.
  virtual void HoldOverview(bool /*held*/) {}
  // Skin-dependent texts of the view, after the background took the skin (with a skin only).
  virtual void SkinChanged() {}
  // Just before the overview thread is made, with the overview display showing the overview data.
  virtual void BeforeWThread() {}
  // After the detail sweep thread was stopped or ended by itself.
  virtual void DetailThreadEnded() {}
  // Leaving keeps the volume slider where it is (true) or moves it to 0 (false).
  virtual bool KeepsVolumeOnLeave() const { return false; }
  // Whether the view reports failures of the named operation itself (see FailureText).
  virtual bool ReportsFailuresOf(const std::string& method) const;

  // Runs an operation of the view under its failure report, where the view has one.
  template <typename Body>
  void Operation(const char* method, Body&& body) {
    const std::string where = FailureText(method);
    if (where.empty())
      body();
    else
      Guarded(where.c_str(), body);
  }

  // A further display of the view: listed after the two main displays while the view is entered,
  // given the INI settings with them, its texts shown when asked.
  StdDisplay* AddExtraDisplay(const std::string& title, int left, int top, int width, int height,
                              bool showTexts = true);

  // Place of the detail and overview displays on the virtual screen.
  void SetMainViewport(int left, int top, int width, int height);
  // Place of the detail and overview displays' fade symbols on the virtual screen.
  void SetSymbolPlace(int x, int y);

  void StartAThread();
  void StartWThread();
  void StopAThread();
  void StopWThread();
  void SetAModeFromControlFrame();
  void ChangeWThreadSettings();
  // The display of the running sweep, or null.
  StdDisplay* ActiveDisplay() const;
  // The detail and overview displays share one place: shows the one of the running sweep.
  void ShowSweepDisplay(bool detail);
  void Fade(StdDisplay* display, int symbol);
  void PlaceOverlayStrip(StdDisplay* display);

  std::shared_ptr<NormalBuffer> detail_, drag_, overview_;
  std::unique_ptr<StdDisplay> detailDisplay_, overviewDisplay_;
  Sweep10MhzThread* aThread_ = nullptr;
  SweepWideThread* wThread_ = nullptr;
  ThreadSlot aSlot_, wSlot_;
  std::string viewClass_, detailTitle_, overviewTitle_;
  double lastSpan_ = 1000.0;

 private:
  void CreateDisplays();
  // The main and further displays, in display-list order.
  std::vector<StdDisplay*> AllDisplays() const;
  void EnterControls();
  void LeaveControls();
  void ShowOverlayStrip();
  void HideOverlayStrip();
  void DrawBandStrip();
  // Common end of a stopped or ended measurement thread.
  void ThreadEnded(bool detail);
  void SetDetailWindow();
  // Device calls on the GUI thread while no thread runs; false (LinkUp cleared) on a failure.
  bool Prepare(const std::function<bool()>& calls);
  // The sound word and the speaker switches of the detail sweep, in the view's order.
  bool SetUpDetailSound();

  int viewLeft_ = 20, viewTop_ = 60, viewWidth_ = 984, viewHeight_ = 700;
  int symbolX_ = 50, symbolY_ = 200;
  // Drag state.
  bool dragging_ = false;
  bool detailFrozen_ = false;
  int pressX_ = 0;
  double pressCentre_ = 0.0;
  double draggedCentre_ = 0.0;
  bool stripShown_ = false;
  struct ExtraDisplay {
    std::unique_ptr<StdDisplay> display;
    bool showTexts = true;
  };
  std::vector<ExtraDisplay> extras_;
  bool extrasMade_ = false;
};
