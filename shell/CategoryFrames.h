// The nine category frames of the main window's frame column. Each shows a title over a bar of
// skinned image buttons; the buttons choose one of the category's views, which the frame owns and
// lays out in the host panel (the main window's user bar). Exactly one view of a category runs.
#pragma once
#include <array>
#include <vector>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"

class TModeFrameBase;
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

  virtual void Enter();
  virtual void Leave();
  // Title and buttons from the skin; button 1 shows as active.
  virtual void UpdateSkin();
  // Lays out the title and places the views in the host panel.
  virtual void OnResize(TObject* Sender);
  virtual void OnFrameButClick(TObject* Sender);
  // Every skinned button gets its normal image.
  void ClearFrameButtonsHighlight();

  // Forwarders the main window calls; a category without views ignores them.
  virtual void UpdateFromIni() {}
  virtual void OnWheel(int /*Delta*/) {}
  virtual void OnRenderWinMouseDown(TMouseButton, TShiftState, int, int) {}
  virtual void OnRenderWinMouseUp(TMouseButton, TShiftState, int, int) {}
  virtual void OnRenderWinMouseMove(TShiftState, int, int) {}

  int Category() const { return category_; }
  int ButtonCount() const { return buttonCount_; }
  // The button that shows its active image (0: none).
  int ActiveButton() const { return activeButton_; }
  // Button n (1..ButtonCount), null outside.
  TImage* Button(int n) const;

  TImage* Image = nullptr;
  TImage* ButImage1 = nullptr;
  TImage* ButImage2 = nullptr;
  TImage* ButImage3 = nullptr;
  TImage* ButImage4 = nullptr;
  TImage* ButImage5 = nullptr;
  TImage* ButImage6 = nullptr;
  TWinControl* HostPanel = nullptr;  // set by the main window; not owned

 protected:
  // The view chosen by button n and the views left before it is entered.
  struct ButtonAction {
    int button;
    std::vector<TModeFrameBase*> leave;
    TModeFrameBase* enter;
  };
  // Runs the action of the clicked button; leaveOnlyShowing: test each view's visibility first.
  void SwitchViews(int button, const std::vector<ButtonAction>& actions, bool leaveOnlyShowing);
  // Highlight: button n active, the other skinned buttons normal.
  void MarkButton(int n);
  void SetButtonPicture(int n, bool active);
  // Bounds := the host panel's client rectangle, parent := the host panel (when it is set).
  void PlaceView(TControl* view);
  int ButtonOf(TObject* sender) const;

 private:
  int category_;
  int buttonCount_;
  int skinnedCount_;
  int activeButton_ = 0;
  std::array<TImage*, MaxFrameButtons> buttons_{};
};

class TAnalyzerFrame : public TCategoryFrameBase {
 public:
  explicit TAnalyzerFrame(TComponent* AOwner);
  ~TAnalyzerFrame() override;
  void Enter() override;
  void Leave() override;
  void OnResize(TObject* Sender) override;
  void OnFrameButClick(TObject* Sender) override;
  void UpdateFromIni() override;
  void OnWheel(int Delta) override;
  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y) override;
  // The six views in creation order.
  std::vector<TModeFrameBase*> Views() const;

  TUAnalyzerFrame* AnalyzerFrame = nullptr;
  TUAudioFrame* AudioFrame = nullptr;
  TUIntensityFrame* IntensityFrame = nullptr;
  TUDigitalFrame* DigitalFrame = nullptr;
  TUDiffFrame* DiffFrame = nullptr;
  TUMaxHoldFrame* MaxHoldFrame = nullptr;
};

class TAutoFrame : public TCategoryFrameBase {
 public:
  explicit TAutoFrame(TComponent* AOwner);
  ~TAutoFrame() override;
  void Enter() override;
  void Leave() override;
  void OnResize(TObject* Sender) override;
  void OnFrameButClick(TObject* Sender) override;
  void OnWheel(int Delta) override;
  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y) override;

  TFastDetectFrameV2* FastDetectFrame = nullptr;
  TMobilFrameV2* MobilFrame = nullptr;
  TUSilentFrame* SilentFrame = nullptr;
  TListView* MainListView = nullptr;  // kept for the views; not owned
  TScrollBox* ScrollBox = nullptr;
};

class TLocateFrame : public TCategoryFrameBase {
 public:
  explicit TLocateFrame(TComponent* AOwner);
  ~TLocateFrame() override;
  void Enter() override;
  void Leave() override;
  void OnResize(TObject* Sender) override;
  void OnFrameButClick(TObject* Sender) override;

  TFieldLocateFrame* FieldLocateFrame = nullptr;
  TUSonarFrame* SonarFrame = nullptr;
  TUDigFieldLocateFrame* DigFieldLocateFrame = nullptr;
};

class TVlfFrame : public TCategoryFrameBase {
 public:
  explicit TVlfFrame(TComponent* AOwner);
  ~TVlfFrame() override;
  void Enter() override;
  void Leave() override;
  void OnResize(TObject* Sender) override;
  void OnFrameButClick(TObject* Sender) override;
  void OnWheel(int Delta) override;
  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y) override;

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
  ~TFingerFrame() override;
  void Enter() override;
  void Leave() override;
  void OnResize(TObject* Sender) override;
  void OnRenderWinMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void OnRenderWinMouseMove(TShiftState Shift, int X, int Y) override;

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
  ~TSettingFrame() override;
  void Enter() override;
  void Leave() override;
  void OnResize(TObject* Sender) override;
  void OnFrameButClick(TObject* Sender) override;

  TSelfCheckFrame* SelfCheckFrame = nullptr;
  TForm* SettingsForm = nullptr;  // the settings window; shown and hidden here, not owned
};

class THelpFrame : public TCategoryFrameBase {
 public:
  explicit THelpFrame(TComponent* AOwner);
};
