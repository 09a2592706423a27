#include "service/Selfcheckframeunit.h"

#include <algorithm>
#include <vector>

#include "device/InOut.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "screens/locate/Usonarframeunit.h"
#include "service/SelfTestChecks.h"
#include "service/SelfTestRun.h"
#include "service/ServicePanel.h"
#include "base/Branding.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/Language.h"
#include "base/PanelColours.h"

namespace {

constexpr const char* HeaderName = "a0";
constexpr const char* RunningHeader = "Self-test active ... please wait";
constexpr const char* CompleteHeader = "Selbsttes ... complete";
constexpr const char* AbortedHeader = "Self-test aborted ... the instrument does not answer";
constexpr const char* StoppedHeader = "Self-test stopped ... the program ends";

// A text in the sheet's own colour could not be read (the button face of the "connected" and
// "complete" texts is the sheet's colour): such a text is shown in the window-text colour.
TColor ReadableOn(const TControl* background, TColor text) {
  return ColorToRGB(text) == ColorToRGB(background->Color()) ? clWindowText : text;
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

std::string RowName(int row) { return "a" + IntToStr(row); }
std::string ValueName(int row) { return RowName(row) + "a"; }

TPanel* MakeButtonPanel(TWinControl* parent, TComponent* owner, const std::string& caption, int left, int top,
                        int width, int height) {
  TPanel* panel = new TPanel(owner);
  panel->SetParent(parent);
  panel->SetBounds(left, top, width, height);
  panel->SetBevelOuter(bvNone);
  panel->SetCaption(caption);
  panel->SetColor(panel_colours::Released);
  panel->Font()->SetColor(clScrollBar);
  return panel;
}

TGroupBox* MakeGroup(TWinControl* parent, TComponent* owner, const std::string& caption, int left, int top,
                     int width, int height) {
  TGroupBox* group = new TGroupBox(owner);
  group->SetParent(parent);
  group->SetBounds(left, top, width, height);
  group->SetCaption(caption);
  group->SetVisible(false);
  return group;
}

TTrackBar* MakeTrackBar(TWinControl* parent, TComponent* owner, int left, int top, int min, int max,
                        int position) {
  TTrackBar* bar = new TTrackBar(owner);
  bar->SetParent(parent);
  bar->SetBounds(left, top, 121, 13);
  bar->SetMin(min);
  bar->SetMax(max);
  bar->SetFrequency(1);
  bar->SetPosition(position);
  return bar;
}

TLabel* MakeLabel(TWinControl* parent, TComponent* owner, const std::string& caption, int left, int top) {
  TLabel* label = new TLabel(owner);
  label->SetParent(parent);
  label->SetBounds(left, top, label->Width(), label->Height());
  label->SetCaption(caption);
  return label;
}

// The result sheet as the run sees it.
class SheetWriter : public SelfTestSheet {
 public:
  explicit SheetWriter(TSelfCheckFrame& frame) : frame_(frame) {}
  void ShowResult(int row, const std::string& text, TColor colour) override {
    frame_.SetResult(ValueName(row), text, colour);
  }
  TCanvas* CurveCanvas() override {
    TForm* sheet = frame_.ResultSheet();
    TImage* image = sheet ? dynamic_cast<TImage*>(sheet->FindComponent("Image1")) : nullptr;
    return image ? image->Picture()->Bitmap()->Canvas() : &spare_;
  }
  void Refresh() override { Application->ProcessMessages(); }

 private:
  TSelfCheckFrame& frame_;
  TCanvas spare_;  // draws nowhere: without a sheet the run stops before the sweeps
};

}  // namespace

TSelfCheckFrame::TSelfCheckFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {
  SetEnabled(false);
  // The pause between two checks ends early when the program is asked to end.
  Pause = [](unsigned milliseconds) {
    constexpr unsigned slice = 10;
    for (unsigned waited = 0; waited < milliseconds && !Application->TerminationRequested(); waited += slice)
      Sleep(std::min(slice, milliseconds - waited));
  };
  Image = new TImage(this);
  Image->SetParent(this);
  Image->SetBounds(0, 0, 881, 157);
  Image->SetStretch(true);
  BuildStartPanel();
  BuildServicePanel();
}

TSelfCheckFrame::~TSelfCheckFrame() { KillResultSheet(); }

void TSelfCheckFrame::BuildStartPanel() {
  Panel1 = MakeButtonPanel(this, this, "Start", 20, 24, 125, 81);
  Panel1->Font()->SetName("MS Sans Serif");
  Panel1->Font()->SetStyle(fsBold);
  Panel1->Font()->SetHeight(-21);
  Panel1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnStartButMouseDown(s, b, sh, x, y);
  };
  Panel1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnStartButMouseUp(s, b, sh, x, y);
  };
}

void TSelfCheckFrame::BuildServicePanel() {
  Label1 = MakeLabel(this, this, "Admin Password", 176, 24);
  Label1->Font()->SetColor(clWindow);
  Label1->SetTransparent(true);
  Edit1 = new TEdit(this);
  Edit1->SetParent(this);
  Edit1->SetBounds(172, 44, 89, 21);
  Edit1->SetBorderStyle(bsNone);
  Edit1->SetColor(clWindowFrame);
  Edit1->Font()->SetColor(cl3DLight);
  Edit1->OnChange = [this](TObject* s) { OnPassEditChange(s); };

  Panel2 = MakeButtonPanel(this, this, "Init EEPR", 168, 80, 97, 25);
  Panel2->SetVisible(false);
  Panel2->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    OnInitEEPromMouseDown(s, b, sh, x, y);
  };

  GroupBox1 = MakeGroup(this, this, "Sonar Takt", 348, 24, 181, 41);
  Label2 = MakeLabel(GroupBox1, this, "Label2", 8, 20);
  TrackBar1 = MakeTrackBar(GroupBox1, this, 52, 20, SonarClockMin, SonarClockMax, SonarClockDefault);
  TrackBar1->OnChange = [this](TObject* s) { OnTrackBar1Change(s); };

  GroupBox2 = MakeGroup(this, this, "Sonar Sens", 348, 68, 181, 41);
  Label3 = MakeLabel(GroupBox2, this, "Label3", 8, 20);
  TrackBar2 = MakeTrackBar(GroupBox2, this, 52, 16, 0, 255, 89);
  TrackBar2->OnChange = [this](TObject* s) { OnTrackBar2Change(s); };

  GroupBox3 = MakeGroup(this, this, "Distributor", 532, 24, 105, 85);
  RadioButton1 = new TRadioButton(this);
  RadioButton1->SetParent(GroupBox3);
  RadioButton1->SetBounds(8, 20, 81, 17);
  RadioButton1->SetCaption(DistributorBrenholt);
  RadioButton1->SetChecked(true);
  RadioButton2 = new TRadioButton(this);
  RadioButton2->SetParent(GroupBox3);
  RadioButton2->SetBounds(8, 36, 81, 17);
  RadioButton2->SetCaption(DistributorTarvix);

  PanelStatusLabel = MakeLabel(this, this, "", 645, 28);
  PanelStatusLabel->SetVisible(false);
}

// ---- View life cycle ----

void TSelfCheckFrame::StartWork() { SetEnabled(true); }

void TSelfCheckFrame::StopWork() {
  KillResultSheet();
  SetEnabled(false);
}

void TSelfCheckFrame::OnResize(TObject*) {
  Image->SetBoundsRect(ClientRect());
  UpdateSkin();
  if (resultSheet_ && RenderWindow) resultSheet_->SetBoundsRect(RenderWindow->ClientRect());
}

void TSelfCheckFrame::UpdateSkin() {
  Guarded("TSelfCheckFrame::UpdateSkin", [&] {
    if (GlobalLanguageSkinTool) Image->Picture()->Assign(GlobalLanguageSkinTool->GetPanel(3));
  });
}

// ---- Result sheet ----

void TSelfCheckFrame::OnStartButMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  Panel1->SetColor(panel_colours::Pressed);
  CreateResultSheet();
  Application->ProcessMessages();
}

void TSelfCheckFrame::OnStartButMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
  Panel1->SetColor(panel_colours::Released);
  RunSelfTest();
}

void TSelfCheckFrame::CreateResultSheet() {
  KillResultSheet();
  TWinControl* host = RenderWindow;
  resultSheet_ = new TForm(host);
  resultSheet_->SetParent(host);
  resultSheet_->SetBorderStyle(bsNone);
  resultSheet_->SetColor(clInactiveCaptionText);
  if (host) resultSheet_->SetBoundsRect(host->ClientRect());
  // The rows reach down to 534 and across to 600 pixels: a render window smaller than that (the
  // default window's is 610 x 295) scrolls them, so that every result can still be read.
  sheetArea_ = new TScrollBox(resultSheet_);
  sheetArea_->SetParent(resultSheet_);
  sheetArea_->SetColor(resultSheet_->Color());
  sheetArea_->SetAlign(alClient);
  resultSheet_->SetVisible(true);
  AddResultLabel(HeaderName, RunningHeader, clYellow, 10, 10);
  for (int row = 1; row <= SelfTestRowCount; ++row) {
    const bool firstColumn = row <= 42;
    const int top = firstColumn ? 30 + 12 * (row - 1) : 240 + 12 * (row - 43);
    AddResultLabel(RowName(row), SelfTestRowCaption(row), PendingColour, firstColumn ? 10 : 350, top);
    AddResultLabel(ValueName(row), "---", PendingColour, firstColumn ? 180 : 520, top);
  }
  TImage* image = new TImage(resultSheet_);
  image->SetName("Image1");
  image->SetParent(sheetArea_);
  image->SetBounds(350, 20, MaskSize, MaskSize);
  TBitmap* bitmap = image->Picture()->Bitmap();
  bitmap->SetSize(MaskSize, MaskSize);
  bitmap->Canvas()->Brush()->SetColor(clBlack);
  bitmap->Canvas()->FillRect(Rect(0, 0, MaskSize, MaskSize));
  Application->ProcessMessages();
}

void TSelfCheckFrame::KillResultSheet() {
  delete resultSheet_;  // frees the labels, the image and the scroll area it owns
  resultSheet_ = nullptr;
  sheetArea_ = nullptr;
}

void TSelfCheckFrame::AddResultLabel(const std::string& name, const std::string& caption, TColor colour,
                                     int left, int top) {
  if (!resultSheet_) return;
  TLabel* label = new TLabel(resultSheet_);
  label->SetName(name);
  label->SetParent(sheetArea_);
  label->SetCaption(caption);
  label->Font()->SetName("Consolas");
  label->Font()->SetSize(10);
  label->Font()->SetColor(ReadableOn(resultSheet_, colour));
  label->SetLeft(left);
  label->SetTop(top);
}

void TSelfCheckFrame::SetResult(const std::string& name, const std::string& text, TColor colour) {
  if (!resultSheet_) return;
  TLabel* label = dynamic_cast<TLabel*>(resultSheet_->FindComponent(name));
  if (!label) return;
  label->SetCaption(text);
  label->Font()->SetColor(ReadableOn(resultSheet_, colour));
  Application->ProcessMessages();
}

void TSelfCheckFrame::SetNavigationEnabled(bool enabled) {
  if (ActionPanelRef) ActionPanelRef->SetEnabled(enabled);
  if (FramePanelRef) FramePanelRef->SetEnabled(enabled);
  Panel1->SetVisible(enabled);
  // The service panel must not write the EEPROM between two checks either.
  for (TControl* control :
       {static_cast<TControl*>(Edit1), static_cast<TControl*>(Panel2), static_cast<TControl*>(GroupBox1),
        static_cast<TControl*>(GroupBox2), static_cast<TControl*>(GroupBox3)})
    control->SetEnabled(enabled);
}

bool TSelfCheckFrame::RunSelfTest() {
  if (!resultSheet_ || !IOCtrl || running_) return true;
  running_ = true;
  SetNavigationEnabled(false);
  Application->ProcessMessages();
  SheetWriter writer(*this);
  SelfTestRun run(*IOCtrl, writer, Pause);
  // A request to end the program ends the run at its next step (a lost link fails that step).
  run.StopRequested = [] { return Application->TerminationRequested(); };
  const bool completed = run.Run();
  // A device failure ends the run, but never leaves the program without navigation.
  SetNavigationEnabled(true);
  if (completed)
    SetResult(HeaderName, CompleteHeader, clBtnFace);
  else
    SetResult(HeaderName, Application->TerminationRequested() ? StoppedHeader : AbortedHeader, FailColour);
  running_ = false;
  return completed;
}

// ---- Service panel ----

void TSelfCheckFrame::OnPassEditChange(TObject*) {
  if (!IsServiceAccessCode(Edit1->Text())) return;
  Panel2->SetVisible(true);
  // The sonar view's own set-up panel opens with it.
  if (auto* sonar = dynamic_cast<TUSonarFrame*>(SonarFrameRef)) sonar->ShowSetupPanel();
  GroupBox1->SetVisible(true);
  GroupBox2->SetVisible(true);
  GroupBox3->SetVisible(true);
  LoadServicePanel();
}

void TSelfCheckFrame::LoadServicePanel() {
  if (!IOCtrl) return;
  std::vector<std::string> failures;
  const ServicePanelValues values = ReadServicePanelValues(*IOCtrl, failures);
  TrackBar1->SetPosition(values.SonarClock);
  TrackBar2->SetPosition(values.SonarSensitivity);
  (values.Distributor ? RadioButton2 : RadioButton1)->SetChecked(true);
  OnTrackBar1Change(TrackBar1);
  OnTrackBar2Change(TrackBar2);
  if (failures.empty())
    ShowPanelStatus("", false);
  else
    ShowPanelStatus("EEPROM read failed, default shown: " + JoinNames(failures), true);
}

void TSelfCheckFrame::OnInitEEPromMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  if (!IOCtrl) return;
  ServicePanelValues values;
  values.SonarClock = TrackBar1->Position();
  values.SonarSensitivity = TrackBar2->Position();
  values.Distributor = RadioButton2->Checked();
  const std::vector<std::string> failures = WriteServicePanelValues(*IOCtrl, values);
  if (failures.empty())
    ShowPanelStatus("EEPROM written", false);
  else
    ShowPanelStatus("Write failed: " + JoinNames(failures), true);
}

void TSelfCheckFrame::ShowPanelStatus(const std::string& text, bool failed) {
  PanelStatusLabel->SetCaption(text);
  PanelStatusLabel->Font()->SetColor(failed ? FailColour : clWindow);
  PanelStatusLabel->SetVisible(!text.empty());
}

void TSelfCheckFrame::OnTrackBar1Change(TObject*) { Label2->SetCaption(IntToStr(TrackBar1->Position())); }

void TSelfCheckFrame::OnTrackBar2Change(TObject*) { Label3->SetCaption(IntToStr(TrackBar2->Position())); }
