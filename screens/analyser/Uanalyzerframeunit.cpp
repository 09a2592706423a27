#include "screens/analyser/Uanalyzerframeunit.h"

#include <algorithm>

#include "device/InOut.h"
#include "display/C_cap.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/analyser/ControlFrameStyle.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"
#include "base/Language.h"

namespace {

constexpr int PreviewWidth = 160, PreviewHeight = 120;
constexpr int VideoPanelWidth = 187, VideoPanelHeight = 141;
// The preview's place in the virtual 1024 x 768 screen: its right edge 10 short of the spectrum
// plot's right edge (1004), its top below the band strip (which ends at 120).
constexpr int VideoRightVirtual = 994, VideoTopVirtual = 130;

TPanel* MakeVideoButton(TFrame* frame, const char* caption, int top, int height, int fontHeight) {
  TPanel* p = control_style::MakeButton(frame, caption, 884, top, 145, height);
  p->SetBevelOuter(bvNone);
  p->Font()->SetName("Arial");
  p->Font()->SetStyle(fsBold);
  p->Font()->SetHeight(fontHeight);
  return p;
}

std::string GeneralText(int item, const char* fallback) {
  return GlobalLanguageSkinTool ? GlobalLanguageSkinTool->GetGeneralText(item) : fallback;
}

}  // namespace

TUAnalyzerFrame::TUAnalyzerFrame(TComponent* AOwner)
    : TAnalyserViewBase(AOwner, "TUAnalyzerFrame", "Spectrum", "Overview") {
  Guarded("TUAnalyzerFrame::TUAnalyzerFrame", [&] {
    lb = new TListBox(this);
    lb->SetParent(this);
    lb->SetVisible(false);
    Panel1 = MakeVideoButton(this, "Video On", 12, 37, -19);
    Panel1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnVideoButMouseDown(s, b, sh, x, y);
    };
    Panel1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnVideoButMouseUp(s, b, sh, x, y);
    };
    Panel2 = MakeVideoButton(this, "Quelle wählen", 56, 29, -16);
    Panel2->SetVisible(false);
    Panel2->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnVideoSrcButMouseDown(s, b, sh, x, y);
    };
    Panel2->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      OnVideoSrcButMouseUp(s, b, sh, x, y);
    };
    MakeVideoPanel();
  });
}

TUAnalyzerFrame::~TUAnalyzerFrame() {
  // The capture window lives in the host window: it goes first.
  delete cap_;
  cap_ = nullptr;
  delete VideoPanel;  // with the host window and the background inside it
}

void TUAnalyzerFrame::MakeVideoPanel() {
  VideoPanel = new TPanel(nullptr);
  VideoPanel->SetBounds(0, 0, VideoPanelWidth, VideoPanelHeight);
  VideoPanel->SetBevelOuter(bvNone);
  VideoPanel->SetVisible(false);
  VideoBackground = new TImage(VideoPanel);
  VideoBackground->SetParent(VideoPanel);
  VideoBackground->SetBounds(0, 0, VideoPanelWidth, VideoPanelHeight);
  VideoBackground->Picture()->Bitmap()->SetSize(VideoPanelWidth, VideoPanelHeight);
  const std::string background = ProgramFolder + "Images/VideoBg.bmp";
  if (FileExists(background)) {
    try {
      VideoBackground->Picture()->LoadFromFile(background);
    } catch (const std::exception&) {
      // An unreadable picture leaves the panel plain, as a missing one does.
    }
  }
  CaptureHost = new TForm(VideoPanel);
  CaptureHost->SetBorderStyle(bsNone);
  CaptureHost->SetParent(VideoPanel);
  CaptureHost->SetBounds(13, 10, PreviewWidth, PreviewHeight);
  CaptureHost->Show();
}

void TUAnalyzerFrame::ShowStatus(const std::string& text) {
  if (ShowInfoCallback) ShowInfoCallback(text, 0);
}

void TUAnalyzerFrame::ClearStatus() {
  if (ClearInfoCallback) ClearInfoCallback();
}

void TUAnalyzerFrame::SkinChanged() { Panel2->SetCaption(GeneralText(21, "Quelle wählen")); }

void TUAnalyzerFrame::OnResize(TObject* Sender) {
  TAnalyserViewBase::OnResize(Sender);
  PlaceVideoPanel();
}

// The preview stands in the measurement area, at the top right of the spectrum plot below the band
// strip, and follows the render window's size as the displays' labels do; it keeps its own size,
// stays inside the render window and so never covers the main or frame buttons. Without a render
// window (a view built on its own) it stays where it is.
void TUAnalyzerFrame::PlaceVideoPanel() {
  if (!RenderWindow) return;
  if (VideoPanel->Parent() != RenderWindow) VideoPanel->SetParent(RenderWindow);
  const int width = RenderWindow->ClientWidth(), height = RenderWindow->ClientHeight();
  const int left = int(VideoRightVirtual * width / 1024.0) - VideoPanelWidth;
  const int top = int(VideoTopVirtual * height / 768.0);
  VideoPanel->SetBounds(std::clamp(left, 0, std::max(0, width - VideoPanelWidth)),
                        std::clamp(top, 0, std::max(0, height - VideoPanelHeight)), VideoPanelWidth,
                        VideoPanelHeight);
  VideoPanel->BringToFront();
}

void TUAnalyzerFrame::StartWork() {
  ReadSoundExpander();
  TAnalyserViewBase::StartWork();
}

void TUAnalyzerFrame::ReadSoundExpander() {
  lb->Clear();
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  uint8_t port = 0;
  if (IOCtrl->ReadIOExpander(I2CAddr::SpeakerExpander, &port)) lb->Items()->Add(std::to_string(port & 0x80));
}

void TUAnalyzerFrame::StopWork() {
  TAnalyserViewBase::StopWork();
  VideoPanel->Hide();
}

void TUAnalyzerFrame::DetailThreadEnded() { VideoPanel->Hide(); }

void TUAnalyzerFrame::AfterFreqSpan() { ShowVideoPanelIfDetail(); }

void TUAnalyzerFrame::ShowVideoPanelIfDetail() {
  const bool show = VideoOn() && DetailRunning();
  if (show && VideoPanel->Parent() != RenderWindow) PlaceVideoPanel();
  VideoPanel->SetVisible(show);
  if (show) VideoPanel->BringToFront();
}

void TUAnalyzerFrame::OnVideoButMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Panel1->SetColor(panel_colours::Pressed);
  Application->ProcessMessages();
}

void TUAnalyzerFrame::OnVideoButMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TUAnalyzerFrame::OnVideoButMouseUp", [&] {
    Panel1->SetColor(panel_colours::Released);
    Application->ProcessMessages();
    if (VideoOn())
      VideoToOff();
    else
      VideoToOn();
  });
}

void TUAnalyzerFrame::VideoToOff() {
  ShowStatus("Video off...");
  delete cap_;
  cap_ = nullptr;
  Panel1->SetCaption(GeneralText(19, "Video on"));
  Panel2->Hide();
  ClearStatus();
  VideoPanel->Hide();
}

void TUAnalyzerFrame::VideoToOn() {
  ShowStatus("Video on...");
  cap_ = new TCap(CaptureHost, PreviewWidth, PreviewHeight);
  cap_->Connect(0);
  if (capture::IsCaptureWindow(cap_->CaptureWindow())) capture::SetScale(cap_->CaptureWindow(), true);
  capture::SetWindowSize(cap_->CaptureWindow(), PreviewWidth, PreviewHeight);
  CaptureHost->SetBounds(CaptureHost->Left(), CaptureHost->Top(), PreviewWidth, PreviewHeight);
  Panel1->SetCaption(GeneralText(20, "Video off"));
  Panel2->Show();
  // No camera: the operator is told; the preview stays empty until one is connected.
  if (cap_->ConnectedDriver() < 0)
    ShowStatus("No video source");
  else
    ClearStatus();
  ShowVideoPanelIfDetail();
}

void TUAnalyzerFrame::OnVideoSrcButMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Panel2->SetColor(panel_colours::Pressed);
  Application->ProcessMessages();
}

void TUAnalyzerFrame::OnVideoSrcButMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Guarded("TUAnalyzerFrame::OnVideoSrcButMouseUp", [&] {
    Panel2->SetColor(panel_colours::Released);
    Application->ProcessMessages();
    if (!VideoOn()) return;
    ShowStatus("Change Video Source...");
    Application->ProcessMessages();
    capture::ShowSourceDialog(cap_->CaptureWindow());
    ClearStatus();
  });
}
