// The VLF spectrum view of the VLF category: the 0..5 MHz spectrum of the VLF module (panned by
// dragging, zoomed by the wheel through 0.5, 1, 2 and 5 MHz), the audio spectrum with its waterfall,
// the volume frame, and " Autodetect" with its tones. Panning does not bound the centre: beyond the
// band the spectrum reads level 0 and the listening tuner stays at the band's nearer edge. A hidden
// "Test" button (never shown) draws the band table's range bar.
#pragma once
#include <memory>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"

class DigitalBuffer;
class NormalBuffer;
class SweepVlfThread;
class TButton;
class TEdit;
class WaterfallBuffer;

namespace vlf_view {
constexpr double PointStep = 10000.0;  // one spectrum point per 10 kHz from 0 Hz
// The next span of the wheel (in for a negative delta); the span itself when there is none.
double NextSpan(double span, int delta);
// A point position truncated towards zero, kept well within the range of an int (a centre panned
// far out gives a point range the display reads as level 0); not a number gives 0.
int PointIndex(double points);
}  // namespace vlf_view

class TUVLFSpectFrame : public TLocateModeFrame {
 public:
  explicit TUVLFSpectFrame(TComponent* AOwner);
  ~TUVLFSpectFrame() override;

  void StartSweepThread();
  // The thread's end: with no sender a stop request, with the thread as sender its own end.
  void OnSweepThreadTerminate(TObject* Sender);
  // The volume frame's changes while the view is shown.
  void UpdateVolume(int volume);
  // The main display's point range and labels from centre and span.
  void UpdateView();
  // Hands a new span to the thread.
  void ApplySpan();
  bool IsInDisplay(int x, int y) const;
  void OnAutodetectMouseDown(TObject* Sender);
  void OnAutodetectMouseUp(TObject* Sender);
  // Hidden: the band table's range bar for the main display, drawn into Image1 on Panel1.
  void OnTestButClick(TObject* Sender);

  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y) override;
  void OnWheel(int Delta) override;

  SweepVlfThread* Thread() const;
  DigitalBuffer& Spectrum() const { return *spectrum_; }
  NormalBuffer& FFTTrace() const { return *fft_; }
  double Centre() const { return centre_; }
  double Span() const { return span_; }

  TPanel* Panel2 = nullptr;  // " Autodetect"
  TImage* Image1 = nullptr;
  TPanel* Panel1 = nullptr;    // hidden
  TEdit* Edit1 = nullptr;      // hidden; the X of the last press in the spectrum
  TButton* Button1 = nullptr;  // hidden, "Test"

 protected:
  void EnterView() override;
  void LeaveView() override;

 private:
  void CreateBuffers();
  void CreateDisplays();
  void CreateControls();
  void KillBuffers();
  void PostTuning();

  std::shared_ptr<DigitalBuffer> spectrum_;
  std::shared_ptr<NormalBuffer> fft_;
  std::shared_ptr<WaterfallBuffer> waterfall_;
  std::shared_ptr<DigitalBuffer> samples_;
  ThreadSlot slot_;
  double centre_ = 2.5e6;
  double span_ = 5e6;
  int pressX_ = 0;
  double pressCentre_ = 0.0;
};
