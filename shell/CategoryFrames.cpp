#include "shell/CategoryFrames.h"

#include <memory>

#include "device/InOut.h"
#include "platform/rtl/SyncObjs.h"
#include "screens/analyser/Uanalyzerframeunit.h"
#include "screens/analyser/Uaudioframeunit.h"
#include "screens/analyser/Udiffframeunit.h"
#include "screens/analyser/Udigitalframeunit.h"
#include "screens/analyser/Uintensityframeunit.h"
#include "screens/analyser/Umaxholdframeunit.h"
#include "screens/locate/Udigitalfieldlocateframeunit.h"
#include "screens/locate/Ufastdetectframev2unit.h"
#include "screens/locate/Ufieldlocateframeunit.h"
#include "screens/locate/Ufingercompareframeunit.h"
#include "screens/locate/Ufingerframeunit.h"
#include "screens/locate/Umobilframev2unit.h"
#include "screens/locate/Usilentframeunit.h"
#include "screens/locate/Usonarframeunit.h"
#include "screens/locate/Uvlfsonarframeunit.h"
#include "screens/locate/Uvlfspectframeunit.h"
#include "service/Selfcheckframeunit.h"
#include "shell/base/Globals.h"
#include "shell/base/Language.h"

namespace {

template <class View>
View* MakeView(TComponent* owner) {
  View* view = new View(owner);
  view->SetVisible(false);
  return view;
}

template <class View>
void DeleteView(View*& view) {
  delete view;
  view = nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Common part

TCategoryFrameBase::TCategoryFrameBase(TComponent* AOwner, int category, int buttons, int skinned)
    : TFrame(AOwner), category_(category), buttonCount_(buttons), skinnedCount_(skinned) {
  SetDoubleBuffered(true);
  Image = new TImage(this);
  Image->SetParent(this);
  Image->SetStretch(category == 1);
  TImage** fields[MaxFrameButtons] = {&ButImage1, &ButImage2, &ButImage3, &ButImage4, &ButImage5, &ButImage6};
  for (int n = 1; n <= buttons && n <= MaxFrameButtons; ++n) {
    TImage* button = new TImage(this);
    button->SetParent(this);
    button->SetBounds(FrameButtonLeft, FrameButtonTop(n), FrameButtonWidth, FrameButtonHeight);
    button->OnClick = [this](TObject* sender) { OnFrameButClick(sender); };
    buttons_[n - 1] = button;
    *fields[n - 1] = button;
  }
  TControl::OnResize = [this](TObject* sender) { OnResize(sender); };
}

TImage* TCategoryFrameBase::Button(int n) const {
  return n >= 1 && n <= buttonCount_ ? buttons_[n - 1] : nullptr;
}

int TCategoryFrameBase::ButtonOf(TObject* sender) const {
  for (int n = 1; n <= buttonCount_; ++n)
    if (buttons_[n - 1] == sender) return n;
  return 0;
}

void TCategoryFrameBase::SetButtonPicture(int n, bool active) {
  TImage* button = Button(n);
  if (!button || !GlobalLanguageSkinTool) return;
  button->Picture()->Assign(GlobalLanguageSkinTool->GetFrameButton(category_, n, active));
}

void TCategoryFrameBase::ClearFrameButtonsHighlight() {
  for (int n = 1; n <= skinnedCount_; ++n) SetButtonPicture(n, false);
  activeButton_ = 0;
}

void TCategoryFrameBase::MarkButton(int n) {
  ClearFrameButtonsHighlight();
  SetButtonPicture(n, true);
  activeButton_ = n;
}

void TCategoryFrameBase::Enter() { SetVisible(true); }
void TCategoryFrameBase::Leave() { SetVisible(false); }

void TCategoryFrameBase::UpdateSkin() {
  if (!GlobalLanguageSkinTool) return;
  std::unique_ptr<TBitmap> title(GlobalLanguageSkinTool->CreateFrameTitle(category_, Image->BoundsRect()));
  Image->Picture()->Assign(title.get());
  if (skinnedCount_ > 0) MarkButton(1);
}

void TCategoryFrameBase::OnResize(TObject*) {
  Image->SetBoundsRect(ClientRect());
  UpdateSkin();
}

void TCategoryFrameBase::PlaceView(TControl* view) {
  if (!view || !HostPanel) return;
  view->SetBoundsRect(HostPanel->ClientRect());
  view->SetParent(HostPanel);
}

void TCategoryFrameBase::OnFrameButClick(TObject* Sender) {
  const int n = ButtonOf(Sender);
  if (n == 0) return;
  MarkButton(n);
}

void TCategoryFrameBase::SwitchViews(int button, const std::vector<ButtonAction>& actions, bool leaveOnlyShowing) {
  for (const ButtonAction& action : actions) {
    if (action.button != button) continue;
    for (TModeFrameBase* view : action.leave)
      if (view && (!leaveOnlyShowing || view->Visible())) view->Leave();
    if (action.enter) action.enter->Enter();
    return;
  }
}

// ---------------------------------------------------------------------------------------------
// Analyser

TAnalyzerFrame::TAnalyzerFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 1, 6, 6) {
  AnalyzerFrame = MakeView<TUAnalyzerFrame>(this);
  AudioFrame = MakeView<TUAudioFrame>(this);
  IntensityFrame = MakeView<TUIntensityFrame>(this);
  DigitalFrame = MakeView<TUDigitalFrame>(this);
  DiffFrame = MakeView<TUDiffFrame>(this);
  MaxHoldFrame = MakeView<TUMaxHoldFrame>(this);
}

TAnalyzerFrame::~TAnalyzerFrame() {
  DeleteView(MaxHoldFrame);
  DeleteView(DiffFrame);
  DeleteView(DigitalFrame);
  DeleteView(IntensityFrame);
  DeleteView(AudioFrame);
  DeleteView(AnalyzerFrame);
}

std::vector<TModeFrameBase*> TAnalyzerFrame::Views() const {
  return {AnalyzerFrame, AudioFrame, IntensityFrame, DigitalFrame, DiffFrame, MaxHoldFrame};
}

void TAnalyzerFrame::Enter() {
  ClearFrameButtonsHighlight();
  MarkButton(1);
  SetVisible(true);
  bool measuring = false;
  if (IOCtrl) {
    // All views have been left, so no thread holds the device; the lock is taken all the same.
    if (HardwareLock) HardwareLock->Acquire();
    measuring = IOCtrl->InitMeasureMode();
    if (HardwareLock) HardwareLock->Release();
  }
  if (measuring)
    AnalyzerFrame->Enter();
  else
    LinkUp = 0;
}

void TAnalyzerFrame::Leave() {
  SetVisible(false);
  for (TModeFrameBase* view : Views()) view->Leave();
}

void TAnalyzerFrame::OnResize(TObject* Sender) {
  TCategoryFrameBase::OnResize(Sender);
  for (TModeFrameBase* view : Views()) PlaceView(view);
}

void TAnalyzerFrame::OnFrameButClick(TObject* Sender) {
  const int n = ButtonOf(Sender);
  if (n == 0) return;
  MarkButton(n);
  TModeFrameBase* A = AnalyzerFrame;
  TModeFrameBase* Au = AudioFrame;
  TModeFrameBase* I = IntensityFrame;
  TModeFrameBase* D = DigitalFrame;
  TModeFrameBase* Df = DiffFrame;
  TModeFrameBase* M = MaxHoldFrame;
  SwitchViews(n,
              {{1, {Au, I, D, Df, M}, A},
               {2, {A, Au, D, Df, M}, I},
               {3, {A, Au, I, Df, M}, D},
               {4, {A, I, D, Df, M}, Au},
               {5, {A, I, D, Df, Au}, M},
               {6, {A, I, D, M, Au}, Df}},
              true);
}

void TAnalyzerFrame::UpdateFromIni() {
  for (TModeFrameBase* view : Views()) view->UpdateFromIni();
}

void TAnalyzerFrame::OnWheel(int Delta) {
  for (TModeFrameBase* view : Views()) view->OnWheel(Delta);
}

void TAnalyzerFrame::OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  for (TModeFrameBase* view : Views()) view->OnRenderWinMouseDown(Button, Shift, X, Y);
}

void TAnalyzerFrame::OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  for (TModeFrameBase* view : Views()) view->OnRenderWinMouseUp(Button, Shift, X, Y);
}

void TAnalyzerFrame::OnRenderWinMouseMove(TShiftState Shift, int X, int Y) {
  for (TModeFrameBase* view : Views()) view->OnRenderWinMouseMove(Shift, X, Y);
}

// ---------------------------------------------------------------------------------------------
// Auto detection

TAutoFrame::TAutoFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 2, 5, 5) {
  FastDetectFrame = MakeView<TFastDetectFrameV2>(this);
  MobilFrame = MakeView<TMobilFrameV2>(this);
  SilentFrame = MakeView<TUSilentFrame>(this);
  ButImage2->SetEnabled(false);
  ButImage3->SetEnabled(false);
  ButImage5->SetEnabled(true);
}

TAutoFrame::~TAutoFrame() {
  DeleteView(SilentFrame);
  DeleteView(FastDetectFrame);
  DeleteView(MobilFrame);
}

void TAutoFrame::Enter() {
  ClearFrameButtonsHighlight();
  MarkButton(1);
  SetVisible(true);
  FastDetectFrame->Enter();
}

void TAutoFrame::Leave() {
  SilentFrame->Leave();
  MobilFrame->Leave();
  FastDetectFrame->Leave();
  SetVisible(false);
}

void TAutoFrame::OnResize(TObject* Sender) {
  TCategoryFrameBase::OnResize(Sender);
  PlaceView(FastDetectFrame);
  PlaceView(MobilFrame);
  PlaceView(SilentFrame);
}

void TAutoFrame::OnFrameButClick(TObject* Sender) {
  const int n = ButtonOf(Sender);
  if (n == 0) return;
  MarkButton(n);
  SwitchViews(n,
              {{1, {MobilFrame, SilentFrame}, FastDetectFrame},
               {4, {FastDetectFrame, SilentFrame}, MobilFrame},
               {5, {FastDetectFrame, MobilFrame}, SilentFrame}},
              true);
}

void TAutoFrame::OnWheel(int) {
  if (MobilFrame) MobilFrame->OnWheel(0);  // the mobile-band view takes no delta
}

void TAutoFrame::OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  MobilFrame->OnRenderWinMouseDown(Button, Shift, X, Y);
}

void TAutoFrame::OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  MobilFrame->OnRenderWinMouseUp(Button, Shift, X, Y);
}

void TAutoFrame::OnRenderWinMouseMove(TShiftState Shift, int X, int Y) {
  MobilFrame->OnRenderWinMouseMove(Shift, X, Y);
}

// ---------------------------------------------------------------------------------------------
// Locate: three skinned buttons and a fourth without image

TLocateFrame::TLocateFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 3, 4, 3) {
  FieldLocateFrame = MakeView<TFieldLocateFrame>(this);
  SonarFrame = MakeView<TUSonarFrame>(this);
  DigFieldLocateFrame = MakeView<TUDigFieldLocateFrame>(this);
}

TLocateFrame::~TLocateFrame() {
  DeleteView(DigFieldLocateFrame);
  DeleteView(SonarFrame);
  DeleteView(FieldLocateFrame);
}

void TLocateFrame::Enter() {
  SetVisible(true);
  ClearFrameButtonsHighlight();
  MarkButton(1);
  SonarFrame->Enter();
}

void TLocateFrame::Leave() {
  SetVisible(false);
  FieldLocateFrame->Leave();
  SonarFrame->Leave();
  DigFieldLocateFrame->Leave();
}

void TLocateFrame::OnResize(TObject* Sender) {
  TCategoryFrameBase::OnResize(Sender);
  PlaceView(FieldLocateFrame);
  PlaceView(SonarFrame);
  PlaceView(DigFieldLocateFrame);
}

void TLocateFrame::OnFrameButClick(TObject* Sender) {
  const int n = ButtonOf(Sender);
  if (n == 0) return;
  MarkButton(n);
  SwitchViews(n,
              {{1, {FieldLocateFrame, DigFieldLocateFrame}, SonarFrame},
               {2, {SonarFrame, DigFieldLocateFrame}, FieldLocateFrame},
               {3, {SonarFrame, FieldLocateFrame}, DigFieldLocateFrame},
               {4, {SonarFrame, FieldLocateFrame, DigFieldLocateFrame}, nullptr}},
              false);
  if (n == 4) ClearFrameButtonsHighlight();  // the fourth button has no image to mark
}

// ---------------------------------------------------------------------------------------------
// VLF

TVlfFrame::TVlfFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 4, 4, 4) {
  VLFSpectFrame = MakeView<TUVLFSpectFrame>(this);
  VLFSonarFrame = MakeView<TUVLFSonarFrame>(this);
  ButImage2->SetEnabled(false);
  ButImage3->SetEnabled(false);
}

TVlfFrame::~TVlfFrame() {
  DeleteView(VLFSonarFrame);
  DeleteView(VLFSpectFrame);
}

void TVlfFrame::Enter() {
  SetVisible(true);
  ClearFrameButtonsHighlight();
  MarkButton(1);
  VLFSpectFrame->Enter();
}

void TVlfFrame::Leave() {
  SetVisible(false);
  VLFSpectFrame->Leave();
  VLFSonarFrame->Leave();
}

void TVlfFrame::OnResize(TObject* Sender) {
  TCategoryFrameBase::OnResize(Sender);
  PlaceView(VLFSpectFrame);
  PlaceView(VLFSonarFrame);
}

void TVlfFrame::OnFrameButClick(TObject* Sender) {
  const int n = ButtonOf(Sender);
  if (n == 0) return;
  MarkButton(n);
  SwitchViews(n, {{1, {VLFSonarFrame}, VLFSpectFrame}, {4, {VLFSpectFrame}, VLFSonarFrame}}, true);
}

void TVlfFrame::OnWheel(int Delta) {
  if (VLFSpectFrame) VLFSpectFrame->OnWheel(Delta);
}

void TVlfFrame::OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (VLFSpectFrame) VLFSpectFrame->OnRenderWinMouseDown(Button, Shift, X, Y);
}

void TVlfFrame::OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (VLFSpectFrame) VLFSpectFrame->OnRenderWinMouseUp(Button, Shift, X, Y);
}

void TVlfFrame::OnRenderWinMouseMove(TShiftState Shift, int X, int Y) {
  if (VLFSpectFrame) VLFSpectFrame->OnRenderWinMouseMove(Shift, X, Y);
}

// ---------------------------------------------------------------------------------------------
// Video, project and help: buttons only, all hidden

TVideoFrame::TVideoFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 5, 2, 2) {
  ButImage1->SetVisible(false);
  ButImage2->SetVisible(false);
}

TProjectFrame::TProjectFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 7, 5, 5) {
  for (int n = 1; n <= 5; ++n) Button(n)->SetVisible(false);
}

THelpFrame::THelpFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 9, 5, 5) {
  for (int n = 1; n <= 5; ++n) Button(n)->SetVisible(false);
}

// ---------------------------------------------------------------------------------------------
// Fingerprint

TFingerFrame::TFingerFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 6, 5, 5) {
  FingerFrame = MakeView<TUFingerFrame>(this);
  FingerCompareFrame = MakeView<TUFingerCompareFrame>(this);
  for (int n = 1; n <= 5; ++n) Button(n)->SetVisible(false);
}

TFingerFrame::~TFingerFrame() {
  DeleteView(FingerCompareFrame);
  DeleteView(FingerFrame);
}

void TFingerFrame::Enter() {
  SetVisible(true);
  FingerFrame->Enter();
}

void TFingerFrame::Leave() {
  FingerFrame->Leave();
  FingerCompareFrame->Leave();
  SetVisible(false);
}

void TFingerFrame::OnResize(TObject* Sender) {
  TCategoryFrameBase::OnResize(Sender);
  PlaceView(FingerFrame);
  PlaceView(FingerCompareFrame);
}

void TFingerFrame::OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FingerFrame->OnRenderWinMouseDown(Button, Shift, X, Y);
}

void TFingerFrame::OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FingerFrame->OnRenderWinMouseUp(Button, Shift, X, Y);
}

void TFingerFrame::OnRenderWinMouseMove(TShiftState Shift, int X, int Y) {
  FingerFrame->OnRenderWinMouseMove(Shift, X, Y);
}

// ---------------------------------------------------------------------------------------------
// Settings: the settings window and the self-test view

TSettingFrame::TSettingFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 8, 5, 5) {
  SelfCheckFrame = MakeView<TSelfCheckFrame>(this);
  for (int n = 3; n <= 5; ++n) Button(n)->SetVisible(false);
}

TSettingFrame::~TSettingFrame() { DeleteView(SelfCheckFrame); }

void TSettingFrame::Enter() {
  SetVisible(true);
  if (SettingsForm) SettingsForm->SetVisible(true);
}

void TSettingFrame::Leave() {
  SelfCheckFrame->Leave();
  if (SettingsForm) SettingsForm->SetVisible(false);
  SetVisible(false);
}

void TSettingFrame::OnResize(TObject* Sender) {
  TCategoryFrameBase::OnResize(Sender);
  PlaceView(SelfCheckFrame);
  // The settings window is a child of the main window: its position is taken in the coordinates
  // of its own parent, so it lands on the render window's top-left corner.
  if (SettingsForm && RenderWindow) {
    TPoint origin = RenderWindow->ClientToScreen(TPoint(0, 0));
    if (TWinControl* parent = SettingsForm->Parent()) origin = parent->ScreenToClient(origin);
    SettingsForm->SetBounds(origin.X, origin.Y, SettingsForm->Width(), SettingsForm->Height());
  }
}

void TSettingFrame::OnFrameButClick(TObject* Sender) {
  const int n = ButtonOf(Sender);
  if (n == 0) return;
  MarkButton(n);
  if (n == 1) {
    if (SettingsForm) SettingsForm->SetVisible(true);
    SelfCheckFrame->Leave();
  } else if (n == 2) {
    if (SettingsForm) SettingsForm->SetVisible(false);
    SelfCheckFrame->Enter();
  }
}
