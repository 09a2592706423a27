#include "shell/CategoryFrames.h"

#include <memory>

#include "device/InOut.h"
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
#include "shell/Settings.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "base/Language.h"

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

TCategoryFrameBase::~TCategoryFrameBase() {
  LeaveViews(table_.leaveOrder, nullptr);
  for (auto view = views_.rbegin(); view != views_.rend(); ++view) delete *view;
  views_.clear();
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
  if (n > skinnedCount_) return;  // a button without image shows no highlight
  SetButtonPicture(n, true);
  activeButton_ = n;
}

void TCategoryFrameBase::Enter() {
  SetVisible(true);
  if (table_.markFirstButton) MarkButton(1);
  if (table_.firstView && ReadyForViews()) table_.firstView->Enter();
}

void TCategoryFrameBase::Leave() {
  LeaveViews(table_.leaveOrder, nullptr);
  SetVisible(false);
}

void TCategoryFrameBase::LeaveViews(const std::vector<TModeFrameBase*>& order, TModeFrameBase* keep) {
  for (TModeFrameBase* view : order)
    if (view != keep) view->Leave();
  // A view the order does not name is never left running.
  for (TModeFrameBase* view : views_)
    if (view != keep && view->IsEntered()) view->Leave();
}

void TCategoryFrameBase::UpdateSkin() {
  if (!GlobalLanguageSkinTool) return;
  // Only a frame that can be seen needs its title now: most categories stay hidden at start.
  if (Visible())
    MakeTitle();
  else
    titleDue_ = true;
  if (skinnedCount_ > 0) MarkButton(1);
}

void TCategoryFrameBase::SetVisible(bool visible) {
  if (visible && titleDue_) MakeTitle();
  TFrame::SetVisible(visible);
}

void TCategoryFrameBase::MakeTitle() {
  titleDue_ = false;
  if (!GlobalLanguageSkinTool) return;
  std::unique_ptr<TBitmap> title(GlobalLanguageSkinTool->CreateFrameTitle(category_, Image->BoundsRect()));
  Image->Picture()->Assign(title.get());
}

void TCategoryFrameBase::OnResize(TObject*) {
  Image->SetBoundsRect(ClientRect());
  UpdateSkin();
  for (TModeFrameBase* view : views_) PlaceView(view);
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
  for (const ButtonAction& action : table_.buttons) {
    if (action.button != n) continue;
    // Leave before Enter: a view's Leave writes back settings that the next view's Enter reads.
    LeaveViews(action.leave, action.enter);
    if (action.enter) action.enter->Enter();
    return;
  }
}

void TCategoryFrameBase::UpdateFromIni() {
  for (TModeFrameBase* view : views_) view->UpdateFromIni();
}

void TCategoryFrameBase::OnWheel(int Delta) {
  for (TModeFrameBase* view : table_.inputViews) view->DeliverWheel(Delta);
}

void TCategoryFrameBase::OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  for (TModeFrameBase* view : table_.inputViews) view->DeliverMouseDown(Button, Shift, X, Y);
}

void TCategoryFrameBase::OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  for (TModeFrameBase* view : table_.inputViews) view->DeliverMouseUp(Button, Shift, X, Y);
}

void TCategoryFrameBase::OnRenderWinMouseMove(TShiftState Shift, int X, int Y) {
  for (TModeFrameBase* view : table_.inputViews) view->DeliverMouseMove(Shift, X, Y);
}

void TCategoryFrameBase::RenderEnteredViews(RenderPass pass) {
  for (TModeFrameBase* view : views_)
    if (view->IsEntered()) view->RenderHook(pass);
}

// ---------------------------------------------------------------------------------------------
// Analyser

TAnalyzerFrame::TAnalyzerFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 1, 6, 6) {
  TModeFrameBase* A = AnalyzerFrame = AddView<TUAnalyzerFrame>();
  TModeFrameBase* Au = AudioFrame = AddView<TUAudioFrame>();
  TModeFrameBase* I = IntensityFrame = AddView<TUIntensityFrame>();
  TModeFrameBase* D = DigitalFrame = AddView<TUDigitalFrame>();
  TModeFrameBase* Df = DiffFrame = AddView<TUDiffFrame>();
  TModeFrameBase* M = MaxHoldFrame = AddView<TUMaxHoldFrame>();
  Declare({.leaveOrder = Views(),
           .buttons = {{1, {Au, I, D, Df, M}, A},
                       {2, {A, Au, D, Df, M}, I},
                       {3, {A, Au, I, Df, M}, D},
                       {4, {A, I, D, Df, M}, Au},
                       {5, {A, I, D, Df, Au}, M},
                       {6, {A, I, D, M, Au}, Df}},
           .firstView = A,
           .markFirstButton = true,
           .inputViews = Views()});
}

bool TAnalyzerFrame::ReadyForViews() {
  bool measuring = false;
  if (IOCtrl) {
    // All views have been left, so no thread holds the device; the lock is taken all the same.
    HardwareLockGuard lock;
    measuring = IOCtrl->InitMeasureMode();
  }
  if (!measuring) LinkUp = 0;
  return measuring;
}

// ---------------------------------------------------------------------------------------------
// Auto detection: buttons 2 and 3 are disabled

TAutoFrame::TAutoFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 2, 5, 5) {
  TModeFrameBase* fast = FastDetectFrame = AddView<TFastDetectFrameV2>();
  TModeFrameBase* mobil = MobilFrame = AddView<TMobilFrameV2>();
  TModeFrameBase* silent = SilentFrame = AddView<TUSilentFrame>();
  ButImage2->SetEnabled(false);
  ButImage3->SetEnabled(false);
  ButImage5->SetEnabled(true);
  Declare({.leaveOrder = {silent, mobil, fast},
           .buttons = {{1, {mobil, silent}, fast}, {4, {fast, silent}, mobil}, {5, {fast, mobil}, silent}},
           .firstView = fast,
           .markFirstButton = true,
           .inputViews = {mobil}});
}

// ---------------------------------------------------------------------------------------------
// Locate: three skinned buttons and a fourth without image, which leaves every view

TLocateFrame::TLocateFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 3, 4, 3) {
  TModeFrameBase* field = FieldLocateFrame = AddView<TFieldLocateFrame>();
  TModeFrameBase* sonar = SonarFrame = AddView<TUSonarFrame>();
  TModeFrameBase* digField = DigFieldLocateFrame = AddView<TUDigFieldLocateFrame>();
  Declare({.leaveOrder = Views(),
           .buttons = {{1, {field, digField}, sonar},
                       {2, {sonar, digField}, field},
                       {3, {sonar, field}, digField},
                       {4, {sonar, field, digField}, nullptr}},
           .firstView = sonar,
           .markFirstButton = true});
}

// ---------------------------------------------------------------------------------------------
// VLF: buttons 2 and 3 are disabled

TVlfFrame::TVlfFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 4, 4, 4) {
  TModeFrameBase* spect = VLFSpectFrame = AddView<TUVLFSpectFrame>();
  TModeFrameBase* sonar = VLFSonarFrame = AddView<TUVLFSonarFrame>();
  ButImage2->SetEnabled(false);
  ButImage3->SetEnabled(false);
  Declare({.leaveOrder = Views(),
           .buttons = {{1, {sonar}, spect}, {4, {spect}, sonar}},
           .firstView = spect,
           .markFirstButton = true,
           .inputViews = {spect}});
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
// Fingerprint: all buttons hidden

TFingerFrame::TFingerFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 6, 5, 5) {
  TModeFrameBase* finger = FingerFrame = AddView<TUFingerFrame>();
  FingerCompareFrame = AddView<TUFingerCompareFrame>();
  for (int n = 1; n <= 5; ++n) Button(n)->SetVisible(false);
  Declare({.leaveOrder = Views(), .firstView = finger, .inputViews = {finger}});
}

// ---------------------------------------------------------------------------------------------
// Settings: the settings window and the self-test view

TSettingFrame::TSettingFrame(TComponent* AOwner) : TCategoryFrameBase(AOwner, 8, 5, 5) {
  // The self-test view is made hidden and shows only while "System Test" is chosen: visible from
  // the start it would cover the analyser's controls in the shared user panel.
  TModeFrameBase* selfCheck = SelfCheckFrame = AddView<TSelfCheckFrame>();
  for (int n = 3; n <= 5; ++n) Button(n)->SetVisible(false);
  Declare({.leaveOrder = Views(), .buttons = {{1, {selfCheck}, nullptr}, {2, {}, selfCheck}}});
}

// Entering the category shows the settings window only; the self-test view appears when its
// button ("System Test") is pressed.
void TSettingFrame::Enter() {
  TCategoryFrameBase::Enter();
  if (SettingsForm) SettingsForm->SetVisible(true);
}

void TSettingFrame::Leave() {
  TCategoryFrameBase::Leave();
  SelfCheckFrame->SetVisible(false);
  if (SettingsForm) SettingsForm->SetVisible(false);
}

void TSettingFrame::OnResize(TObject* Sender) {
  TCategoryFrameBase::OnResize(Sender);
  PlaceSettingsForm();
}

// The settings window is a child of the main window: its position is taken in the coordinates of
// its own parent, so it lands on the render window's top-left corner. It stays within the render
// window, shrinking (its contents scroll) in a small main window: at its full size it would cover
// the frame buttons and reach beyond the main window.
void TSettingFrame::PlaceSettingsForm() {
  if (SettingsForm && RenderWindow) {
    TPoint origin = RenderWindow->ClientToScreen(TPoint(0, 0));
    if (TWinControl* parent = SettingsForm->Parent()) origin = parent->ScreenToClient(origin);
    SettingsForm->PlaceWithin(Rect(origin.X, origin.Y, origin.X + RenderWindow->ClientWidth(),
                                   origin.Y + RenderWindow->ClientHeight()));
  }
}

void TSettingFrame::OnFrameButClick(TObject* Sender) {
  const int n = ButtonOf(Sender);
  if (SettingsForm && (n == 1 || n == 2)) SettingsForm->SetVisible(n == 1);  // button 2: system test
  TCategoryFrameBase::OnFrameButClick(Sender);
}
