// The device self-test view of the settings category: "Start" builds a result sheet over the
// render window and runs the self-test row by row; the service panel behind the access code sets
// the sonar probe's clock and sensitivity and the branding.
#pragma once
#include <functional>
#include <string>

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/ModeFrameBase.h"

class TScrollBox;

class TSelfCheckFrame : public TModeFrameBase {
 public:
  explicit TSelfCheckFrame(TComponent* AOwner);
  ~TSelfCheckFrame() override;

  void OnResize(TObject* Sender) override;
  void UpdateSkin();

  // ---- Self-test ----
  void OnStartButMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnStartButMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void CreateResultSheet();
  void KillResultSheet();
  void AddResultLabel(const std::string& name, const std::string& caption, TColor colour, int left, int top);
  void SetResult(const std::string& name, const std::string& text, TColor colour);
  // The whole run; true when it completed, false when a device operation failed. Navigation is
  // disabled while it runs and enabled again either way.
  bool RunSelfTest();
  TForm* ResultSheet() const { return resultSheet_; }
  // The pauses between the sweep checks (tests shorten them).
  std::function<void(unsigned milliseconds)> Pause;

  // ---- Service panel ----
  void OnPassEditChange(TObject* Sender);
  void OnInitEEPromMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnTrackBar1Change(TObject* Sender);
  void OnTrackBar2Change(TObject* Sender);
  bool PanelUnlocked() const { return Panel2->Visible(); }

  TImage* Image = nullptr;
  TPanel* Panel1 = nullptr;
  TLabel* Label1 = nullptr;
  TEdit* Edit1 = nullptr;
  TPanel* Panel2 = nullptr;
  TGroupBox* GroupBox1 = nullptr;
  TLabel* Label2 = nullptr;
  TTrackBar* TrackBar1 = nullptr;
  TGroupBox* GroupBox2 = nullptr;
  TLabel* Label3 = nullptr;
  TTrackBar* TrackBar2 = nullptr;
  TGroupBox* GroupBox3 = nullptr;
  TRadioButton* RadioButton1 = nullptr;
  TRadioButton* RadioButton2 = nullptr;
  // The line under the panel that reports what the panel could not read or write.
  TLabel* PanelStatusLabel = nullptr;

 protected:
  void StartWork() override;
  void StopWork() override;

 private:
  void BuildStartPanel();
  void BuildServicePanel();
  void SetNavigationEnabled(bool enabled);
  void LoadServicePanel();
  void ShowPanelStatus(const std::string& text, bool failed);
  TForm* resultSheet_ = nullptr;
  TScrollBox* sheetArea_ = nullptr;  // on the sheet and owned by it: holds the labels and the image
  bool running_ = false;
};
