// The mobile-band monitor of the auto category: six small displays, one per band, each with the
// current level, the held peak and the alarm level line. A press on a band hands its centre and span
// to the analyser; a press held for one second edits the band's alarm level with the mouse height,
// stored in the INI file at once.
#pragma once
#include <array>
#include <memory>

#include "engine/Threads.h"
#include "screens/locate/LocateModeFrame.h"
#include "screens/locate/MobilBands.h"

class DigitalBuffer;
class StdDisplay;
class TTimer;

class TMobilFrameV2 : public TLocateModeFrame {
 public:
  explicit TMobilFrameV2(TComponent* AOwner);
  ~TMobilFrameV2() override;

  void OnWheel(int) override {}
  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y) override;

  void ClearBuffers();
  void StartMobilThread();
  void OnMouseTimer(TObject* Sender);

  DigitalBuffer& Buffer(int band) { return *buffers_[band]; }
  StdDisplay* Display(int band) const { return bandDisplays_[band]; }
  bool Hovered(int band) const { return hovered_[band]; }
  bool Pressed() const { return pressed_; }
  ThreadSlot& Thread() { return thread_; }

  TTimer* MouseTimer = nullptr;

 protected:
  void EnterView() override;
  void LeaveView() override;

 private:
  void CreateBuffers();
  void CreateDisplays();
  void EditLevels(int y);

  std::array<std::shared_ptr<DigitalBuffer>, MobilBandCount> buffers_;
  std::array<StdDisplay*, MobilBandCount> bandDisplays_{};
  std::array<bool, MobilBandCount> hovered_{};
  bool pressed_ = false;
  ThreadSlot thread_;
};
