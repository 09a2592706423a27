// The VLF spectrum view of the VLF category: the 0..5 MHz spectrum of the VLF module (panned by
// dragging, zoomed by the wheel through 0.5, 1, 2 and 5 MHz, always inside 0..5 MHz), the audio
// spectrum with its waterfall, the volume frame, and " Autodetect" with its tones.
#pragma once
#include <memory>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"

class DigitalBuffer;
class NormalBuffer;
class SweepVlfThread;
class WaterfallBuffer;

namespace vlf_view {
constexpr double PointStep = 10000.0;  // one spectrum point per 10 kHz from 0 Hz
constexpr double FullSpan = 5e6;
// The next span of the wheel (in for a negative delta); the span itself when there is none.
double NextSpan(double span, int delta);
// The centre moved so the span lies inside 0..5 MHz.
double ClampCentre(double centre, double span);
// A span of the wheel's steps, or the full span.
double ValidSpan(double span);
}  // namespace vlf_view

class TUVLFSpectFrame : public TLocateModeFrame {
 public:
  explicit TUVLFSpectFrame(TComponent* AOwner);
  ~TUVLFSpectFrame() override;

  void StartSweepThread();
  // The volume frame's changes while the view is shown.
  void UpdateVolume(int volume);
  // The main display's point range and labels from centre and span.
  void UpdateView();
  // Hands a new span to the thread.
  void ApplySpan();
  bool IsInDisplay(int x, int y) const;
  void OnAutodetectMouseDown(TObject* Sender);

  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y) override;
  void OnWheel(int Delta) override;

  SweepVlfThread* Thread() const;
  DigitalBuffer& Spectrum() const { return *spectrum_; }
  NormalBuffer& FFTTrace() const { return *fft_; }
  double Centre() const { return centre_; }
  double Span() const { return span_; }

  TPanel* Panel2 = nullptr;  // " Autodetect"

 protected:
  void EnterView() override;
  void LeaveView() override;

 private:
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
