#include "screens/locate/LocateModeFrame.h"

#include "base/Globals.h"
#include "base/Guard.h"
#include "base/Language.h"
#include "base/Log.h"
#include "base/PanelColours.h"
#include "display/Display.h"
#include "display/DisplayIni.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/locate/DetectFrameParts.h"

TLocateModeFrame::TLocateModeFrame(TComponent* AOwner, std::string name, ReportTexts reports)
    : TModeFrameBase(AOwner), name_(std::move(name)), reports_(std::move(reports)) {
  Guard(name_, [&] {
    Image = new TImage(this);
    Image->SetParent(this);
    Image->SetStretch(true);
  });
}

// The derived view's thread slots have stopped its threads by now; a thread that did not stop in
// time keeps the buffers and displays it holds.
TLocateModeFrame::~TLocateModeFrame() {
  Guard("~" + name_, [&] { KillDisplays(); });
}

std::string TLocateModeFrame::ReportText(const std::string& operation) const {
  const auto own = reports_.find(operation);
  return own != reports_.end() ? own->second : name_ + "::" + operation;
}

void TLocateModeFrame::Guard(const std::string& operation, const std::function<void()>& body) const {
  const std::string where = ReportText(operation);
  Guarded(where.c_str(), body);
}

// Only this view's displays leave the render loop: another view's may be listed when a view is
// freed on its own.
void TLocateModeFrame::KillDisplays() {
  Guard("KillDisplays", [&] {
    if (DisplayListGlobal)
      for (auto& display : displays_) DisplayListGlobal->Remove(display.get());
    displays_.clear();
    labelled_.clear();
  });
}

bool TLocateModeFrame::DeviceCall(bool ok) {
  if (!ok) LinkUp = 0;
  return ok;
}

void TLocateModeFrame::UpdateSkin() {
  Guard("UpdateSkin", [&] {
    if (!GlobalLanguageSkinTool) return;
    if (TBitmap* panel = GlobalLanguageSkinTool->GetPanel(3)) Image->Picture()->Assign(panel);
    SkinChanged();
  });
}

void TLocateModeFrame::OnResize(TObject*) {
  Guard("OnResize", [&] {
    Image->SetBoundsRect(ClientRect());
    UpdateSkin();
    for (StdDisplay* display : Labelled()) display->PlaceTexts();
  });
}

std::vector<StdDisplay*> TLocateModeFrame::Labelled() const {
  std::vector<StdDisplay*> labelled;
  for (size_t i = 0; i < displays_.size(); ++i)
    if (i == 0 || labelled_[i]) labelled.push_back(displays_[i].get());
  return labelled;
}

void TLocateModeFrame::UpdateFromIni() {
  Guard("UpdateFromIni", [&] {
    for (auto& display : displays_) ApplyIniDisplaySettings(*display);
  });
}

StdDisplay& TLocateModeFrame::AddDisplay(const DisplaySetup& setup, bool labelled) {
  auto* display = new StdDisplay(xBase, 1024, 768);
  ApplyDisplaySetup(display, setup);
  return AdoptDisplay(display, labelled);
}

StdDisplay& TLocateModeFrame::AdoptDisplay(StdDisplay* display, bool labelled) {
  ApplyIniDisplaySettings(*display);
  display->HideTexts();
  displays_.emplace_back(display);
  labelled_.push_back(labelled);
  return *displays_.back();
}

TButton* TLocateModeFrame::AddHiddenButton(const std::string& caption, TNotifyEvent onClick) {
  auto* button = AddHidden<TButton>();
  button->SetCaption(caption);
  button->OnClick = std::move(onClick);
  return button;
}

TPanel* TLocateModeFrame::AddPanel(const std::string& caption, int left, int top, int width, int height) {
  return MakePanelButton(this, caption, left, top, width, height, "Verdana", -16);
}

TPanel* TLocateModeFrame::AddPanelButton(const std::string& caption, int left, int top, TNotifyEvent onDown,
                                         TNotifyEvent onUp, int width, int height) {
  TPanel* panel = AddPanel(caption, left, top, width, height);
  panel->OnMouseDown = [panel, onDown](TObject* sender, TMouseButton, TShiftState, int, int) {
    panel->SetColor(panel_colours::Pressed);
    if (onDown) onDown(sender);
  };
  panel->OnMouseUp = [panel, onUp](TObject* sender, TMouseButton, TShiftState, int, int) {
    panel->SetColor(panel_colours::Released);
    if (onUp) onUp(sender);
  };
  return panel;
}

void TLocateModeFrame::StartWork() {
  Guard("Enter", [&] {
    busy_ = true;
    SetEnabled(true);
    for (StdDisplay* display : Labelled()) display->ShowTexts();
    // A view whose last Leave ended early on a failed device call still has its displays listed.
    if (DisplayListGlobal)
      for (auto& display : displays_)
        if (DisplayListGlobal->IndexOf(display.get()) < 0) DisplayListGlobal->Add(display.get());
    if (deferredResize_ && ResizeTimer) ResizeTimer->SetEnabled(true);
    EnterView();
    busy_ = false;
    if (leaveAfterEnter_) {
      leaveAfterEnter_ = false;
      RunLeave();
    }
  });
}

void TLocateModeFrame::StopWork() {
  if (busy_) {  // inside Enter: leave once it has finished; inside Leave: already leaving
    leaveAfterEnter_ = !leaving_;
    return;
  }
  RunLeave();
}

void TLocateModeFrame::TakeDisplaysOff() {
  for (StdDisplay* display : Labelled()) display->HideTexts();
  if (DisplayListGlobal) DisplayListGlobal->Clear();
}

void TLocateModeFrame::RunLeave() {
  Guard("Leave", [&] {
    busy_ = leaving_ = true;
    LeaveView();
    if (displaysOffFirst_) TakeDisplaysOff();
    // A failed restore has cleared LinkUp (the main loop shuts the program down): Leave ends there,
    // the view still shown.
    if (!RestoreDevice()) {
      KeepShown();
      busy_ = leaving_ = false;
      return;
    }
    if (!displaysOffFirst_) TakeDisplaysOff();
    AfterRestore();
    SetEnabled(false);
    busy_ = leaving_ = false;
  });
}
