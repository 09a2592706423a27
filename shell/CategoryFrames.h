// The nine category frames of the main window's frame column. Each shows a title over a bar of
// skinned image buttons; the buttons choose one of the category's views, which the frame owns and
// lays out in the host panel (the main window's user bar). Exactly one view of a category runs.
// The common base does the switching, leaving, layout and input forwarding; each category only
// declares its views and its tables.
#pragma once
#include <array>
#include <utility>
#include <vector>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "screens/ModeFrameBase.h"

class TSettingsWin;
class TUAnalyzerFrame;
class TUAudioFrame;
class TUIntensityFrame;
class TUDigitalFrame;
class TUDiffFrame;
class TUMaxHoldFrame;
class TFastDetectFrameV2;
class TMobilFrameV2;
class TUSilentFrame;
class TFieldLocateFrame;
class TUSonarFrame;
class TUDigFieldLocateFrame;
class TUVLFSpectFrame;
class TUVLFSonarFrame;
class TUFingerFrame;
class TUFingerCompareFrame;
class TSelfCheckFrame;
class TListView;
class TScrollBox;

// Geometry of the frame buttons: 140 x 40 at left 12, button n (1..6) at top 116 + 40 (n - 1).
constexpr int FrameButtonLeft = 12;
constexpr int FrameButtonWidth = 140;
constexpr int FrameButtonHeight = 40;
constexpr int FrameButtonTop(int n) { return 116 + 40 * (n - 1); }
constexpr int MaxFrameButtons = 6;

class TCategoryFrameBase : public TFrame {
 public:
  // category: 1..9 (its main button); buttons: how many buttons the frame has; skinned: how many
  // of them show skin images (the locate frame's fourth button has none).
  TCategoryFrameBase(TComponent* AOwner, int category, int buttons, int skinned);
  // Leaves every entered view, then deletes the views in reverse order of creation.
  ~TCategoryFrameBase() override;

  // Shows the frame, marks button 1 (where the category says so) and enters its first view.
  virtual void Enter();
  // Leaves the views in the category's leave order (and any other still entered), hides the frame.
  virtual void Leave();
  // Title and buttons from the skin; button 1 shows as active. A hidden frame makes its title when
  // it is next shown.
  void UpdateSkin();
  // Shown, a frame whose title is due makes it first.
  void SetVisible(bool visible) override;
  // Lays out the title and places the views in the host panel.
  virtual void OnResize(TObject* Sender);
  // Marks the clicked button, leaves the views its row names and enters its view.
  virtual void OnFrameButClick(TObject* Sender);
  // Every skinned button gets its normal image.
  void ClearFrameButtonsHighlight();

  // Forwarders the main window calls: the INI update reaches every view, mouse and wheel the
  // category's input views (positions in the render window's 1024 x 768 space).
  void UpdateFromIni();
  void OnWheel(int Delta);
  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y);
  // Lets every entered view draw its part of the given pass.
  void RenderEnteredViews(RenderPass pass);

  int Category() const { return category_; }
  int ButtonCount() const { return buttonCount_; }
  // The button that shows its active image (0: none).
  int ActiveButton() const { return activeButton_; }
  // Button n (1..ButtonCount), null outside.
  TImage* Button(int n) const;
  // The views in creation order.
  const std::vector<TModeFrameBase*>& Views() const { return views_; }

  TImage* Image = nullptr;
  TImage* ButImage1 = nullptr;
  TImage* ButImage2 = nullptr;
  TImage* ButImage3 = nullptr;
  TImage* ButImage4 = nullptr;
  TImage* ButImage5 = nullptr;
  TImage* ButImage6 = nullptr;
  TWinControl* HostPanel = nullptr;  // set by the main window; not owned

 protected:
  // The view run by a button and the views left, in this order, before it is entered.
  struct ButtonAction {
    int button;
    std::vector<TModeFrameBase*> leave;
    TModeFrameBase* enter;  // null: no view
  };
  // What a category declares besides its views.
  struct Table {
    std::vector<TModeFrameBase*> leaveOrder{};  // Leave leaves these, in this order
    std::vector<ButtonAction> buttons{};
    TModeFrameBase* firstView = nullptr;        // entered with the category
    bool markFirstButton = false;               // Enter shows button 1 as active
    std::vector<TModeFrameBase*> inputViews{};  // receive the render window's mouse and wheel
  };

  // Makes a view owned by this frame, hidden, and adds it to the views.
  template <class View>
  View* AddView() {
    View* view = new View(this);
    views_.push_back(view);
    return view;
  }
  void Declare(Table table) { table_ = std::move(table); }
  // Called by Enter before the first view is entered; false: enter no view.
  virtual bool ReadyForViews() { return true; }
  // Bounds := the host panel's client rectangle, parent := the host panel (when it is set).
  void PlaceView(TControl* view);
  int ButtonOf(TObject* sender) const;

 private:
  // Highlight: button n active, the other skinned buttons normal; none for an unskinned button.
  void MarkButton(int n);
  // The title from the skin, in the frame's size.
  void MakeTitle();
  void SetButtonPicture(int n, bool active);
  // Leaves the given views in order, then every other entered view except keep.
  void LeaveViews(const std::vector<TModeFrameBase*>& order, TModeFrameBase* keep);

  int category_;
  int buttonCount_;
  int skinnedCount_;
  int activeButton_ = 0;
  bool titleDue_ = false;  // the skin or the size changed while the frame was hidden
  std::array<TImage*, MaxFrameButtons> buttons_{};
  std::vector<TModeFrameBase*> views_;
  Table table_;
};

class TAnalyzerFrame : public TCategoryFrameBase {
 public:
  explicit TAnalyzerFrame(TComponent* AOwner);

  TUAnalyzerFrame* AnalyzerFrame = nullptr;
  TUAudioFrame* AudioFrame = nullptr;
  TUIntensityFrame* IntensityFrame = nullptr;
  TUDigitalFrame* DigitalFrame = nullptr;
  TUDiffFrame* DiffFrame = nullptr;
  TUMaxHoldFrame* MaxHoldFrame = nullptr;

 protected:
  // Puts the instrument into measuring mode; when that fails the link is marked down.
  bool ReadyForViews() override;
};

class TAutoFrame : public TCategoryFrameBase {
 public:
  explicit TAutoFrame(TComponent* AOwner);

  TFastDetectFrameV2* FastDetectFrame = nullptr;
  TMobilFrameV2* MobilFrame = nullptr;
  TUSilentFrame* SilentFrame = nullptr;
  TListView* MainListView = nullptr;  // kept for the views; not owned
  TScrollBox* ScrollBox = nullptr;
};

class TLocateFrame : public TCategoryFrameBase {
 public:
  explicit TLocateFrame(TComponent* AOwner);

  TFieldLocateFrame* FieldLocateFrame = nullptr;
  TUSonarFrame* SonarFrame = nullptr;
  TUDigFieldLocateFrame* DigFieldLocateFrame = nullptr;
};

class TVlfFrame : public TCategoryFrameBase {
 public:
  explicit TVlfFrame(TComponent* AOwner);

  TUVLFSpectFrame* VLFSpectFrame = nullptr;
  TUVLFSonarFrame* VLFSonarFrame = nullptr;
};

class TVideoFrame : public TCategoryFrameBase {
 public:
  explicit TVideoFrame(TComponent* AOwner);
};

class TFingerFrame : public TCategoryFrameBase {
 public:
  explicit TFingerFrame(TComponent* AOwner);

  TUFingerFrame* FingerFrame = nullptr;
  TUFingerCompareFrame* FingerCompareFrame = nullptr;
};

class TProjectFrame : public TCategoryFrameBase {
 public:
  explicit TProjectFrame(TComponent* AOwner);
};

class TSettingFrame : public TCategoryFrameBase {
 public:
  explicit TSettingFrame(TComponent* AOwner);
  void Enter() override;
  void Leave() override;
  void OnResize(TObject* Sender) override;
  void OnFrameButClick(TObject* Sender) override;
  // Moves the settings window to the render window's top-left corner.
  void PlaceSettingsForm();

  TSelfCheckFrame* SelfCheckFrame = nullptr;
  TSettingsWin* SettingsForm = nullptr;  // the settings window; shown and hidden here, not owned
};

class THelpFrame : public TCategoryFrameBase {
 public:
  explicit THelpFrame(TComponent* AOwner);
};
