// The spectrum view of the analyser category: the shared analyser life cycle with the plain
// detail and overview sweeps, and a small live video preview from the first capture driver
// ("Video On", "Quelle wählen") shown beside the detail sweep.
#pragma once
#include "screens/analyser/AnalyserViewBase.h"

class TCap;
class TForm;
class TImage;
class TListBox;
class TPanel;

class TUAnalyzerFrame : public TAnalyserViewBase {
 public:
  explicit TUAnalyzerFrame(TComponent* AOwner);
  ~TUAnalyzerFrame() override;

  void OnResize(TObject* Sender) override;

  void OnVideoButMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnVideoButMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnVideoSrcButMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnVideoSrcButMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

  bool VideoOn() const { return cap_ != nullptr; }
  TCap* Capture() const { return cap_; }

  TListBox* lb = nullptr;        // hidden: the Sound-Modul expander's bit 7 as read by Enter
  TPanel* Panel1 = nullptr;      // "Video On" / "Video off"
  TPanel* Panel2 = nullptr;      // "Quelle wählen", shown while the video is on
  TPanel* VideoPanel = nullptr;  // the preview's frame on the render window, shown with the detail sweep
  TImage* VideoBackground = nullptr;
  TForm* CaptureHost = nullptr;  // the window the capture preview lives in

 protected:
  void StartWork() override;
  void StopWork() override;
  void AfterFreqSpan() override;
  void DetailThreadEnded() override;
  void SkinChanged() override;

 private:
  void MakeVideoPanel();
  // Writes the Sound-Modul port expander's bit 7 ("0" or "128") into lb.
  void ReadSoundExpander();
  // Puts the video panel on the render window at the top right of the spectrum plot.
  void PlaceVideoPanel();
  void ShowStatus(const std::string& text);
  void ClearStatus();
  void VideoToOn();
  void VideoToOff();
  // The panel is shown while the video is on and the detail sweep runs.
  void ShowVideoPanelIfDetail();

  TCap* cap_ = nullptr;
};
