// The life cycle every locating and detection view shares: the skinned background, the displays
// (created after the buffers, freed before them), the INI display settings, the panel buttons, and
// Enter and Leave around the view's own work.
//
// Enter shows the display labels, hands the displays to the render loop and starts the view's work
// (EnterView). Leave stops the view's work (LeaveView: timers, then threads through their slots),
// puts the device back (RestoreDevice: the view's calls; the first failure clears LinkUp and ends
// Leave there, with the view still shown), hides the labels and takes the displays off the render
// loop (a view may take them off before the device calls instead), then ends the view's own steps
// (AfterRestore).
//
// Every operation of a view runs under its fatal-error guard; the report names the operation as
// "Name::Operation" unless the view gives its own text for it (a bare "Enter", another class's
// "Leave").
//
// Enter and Leave run device calls that let the GUI process messages (volume ramps); a Leave that
// arrives while Enter still runs is carried out when Enter has finished, and an Enter or Leave that
// arrives while Leave runs is ignored, so the two never interleave.
//
// Threads get the view's buffers and displays as shared pointers (IOThreadBase::Hold), so a thread
// that outlives its stop never writes freed memory. The destructor stops the threads (the slots of
// the derived view go first) and touches no control frame of the main window: the owner leaves a
// view before deleting it.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "screens/ModeFrameBase.h"
#include "screens/locate/DisplaySetup.h"

class StdDisplay;
class TImage;
class TButton;
class TPanel;

// Colour of the views' blinking captions (0x00BBGGRR).
namespace locate_colours {
constexpr int BlinkRed = 0x0000FF;
}  // namespace locate_colours

class TLocateModeFrame : public TModeFrameBase {
 public:
  // Operation -> report text, for the operations whose text is not "Name::Operation".
  using ReportTexts = std::map<std::string, std::string>;

  // name: the class name used in fatal-error reports ("TFieldLocateFrame"). The constructor's
  // operation is the class name, the destructor's "~" and the class name.
  TLocateModeFrame(TComponent* AOwner, std::string name, ReportTexts reports = {});
  ~TLocateModeFrame() override;

  // The class name of the reports.
  const std::string& ReportName() const { return name_; }
  // The text the guarded operation reports when it fails.
  std::string ReportText(const std::string& operation) const;

  // Background from skin panel 3, then the view's own skin texts.
  void UpdateSkin();
  // The background fills the view; skin; the labels of the labelled displays are placed.
  void OnResize(TObject* Sender) override;
  // The INI display settings on every display of the view.
  void UpdateFromIni() override;

  StdDisplay* MainDisplay() const { return displays_.empty() ? nullptr : displays_.front().get(); }
  const std::vector<std::shared_ptr<StdDisplay>>& Displays() const { return displays_; }
  // True while Enter or Leave runs (they do not interleave).
  bool Busy() const { return busy_; }

  TImage* Image = nullptr;

 protected:
  // Adds a display made from the description (the first one is the main display) and gives it the
  // INI settings. Labelled displays show their labels while the view is entered, as the main display
  // always does.
  StdDisplay& AddDisplay(const DisplaySetup& setup, bool labelled = false);
  // Takes over a display made elsewhere, as AddDisplay does.
  StdDisplay& AdoptDisplay(StdDisplay* display, bool labelled = false);
  // A panel button in the views' style; it takes the pressed colour on mouse-down and the released
  // colour on mouse-up before the handlers run.
  TPanel* AddPanelButton(const std::string& caption, int left, int top, TNotifyEvent onDown,
                         TNotifyEvent onUp, int width = 233, int height = 57);
  // A panel in the same style without handlers: the view binds its mouse events and sets the
  // colours itself.
  TPanel* AddPanel(const std::string& caption, int left, int top, int width = 233, int height = 57);
  // The views' service and test controls stay hidden: made on the view, parented and not shown.
  template <class Control>
  Control* AddHidden() {
    auto* control = new Control(this);
    control->SetParent(this);
    control->SetVisible(false);
    return control;
  }
  // A hidden button with its caption and click handler.
  TButton* AddHiddenButton(const std::string& caption, TNotifyEvent onClick);
  // Takes the displays off the render loop and frees them.
  void KillDisplays();

  // Hooks of the derived view.
  virtual void EnterView() {}
  virtual void LeaveView() {}
  // The view's device calls after its threads stopped; false at the first failure (LinkUp is then 0).
  virtual bool RestoreDevice() { return true; }
  // Leave's last steps of the view once the device was put back, before the view is hidden.
  virtual void AfterRestore() {}
  // Skin-dependent texts of the view (language changes).
  virtual void SkinChanged() {}
  // Whether Enter starts the main window's deferred resize.
  bool deferredResize_ = true;
  // Whether Leave takes the displays off (labels hidden, render loop emptied) before the device calls
  // instead of after them.
  bool displaysOffFirst_ = false;
  // Runs body under the view's fatal-error guard for the operation (ReportText).
  void Guard(const std::string& operation, const std::function<void()>& body) const;
  // A device call of the view: false clears LinkUp.
  static bool DeviceCall(bool ok);

 private:
  void StartWork() final;
  void StopWork() final;
  void RunLeave();
  // Hides the labels and empties the render loop.
  void TakeDisplaysOff();

  std::string name_;
  ReportTexts reports_;
  // The labels of these displays are shown while the view is entered (the main display's always).
  std::vector<StdDisplay*> Labelled() const;

  std::vector<std::shared_ptr<StdDisplay>> displays_;
  std::vector<bool> labelled_;
  bool busy_ = false;
  bool leaving_ = false;
  bool leaveAfterEnter_ = false;
};
