// The frequency window of the analyser views: centre, span, start and stop in MHz, entered in one of
// three modes (centre, span, start/stop), and moved by half a span up or down. One instance exists;
// the entered view parents it, sets OnChange and reads the fields.
#pragma once
#include <functional>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"

class TFreqControlFrame : public TFrame {
 public:
  enum { ModeCenter = 1, ModeSpan = 2, ModeRange = 3 };
  enum { NoRangeStep = 0, RangeStepUp = 1, RangeStepDown = 2 };

  explicit TFreqControlFrame(TComponent* AOwner);

  // Captions and the edit of the current mode, layout, then OnChange.
  void Update() override;
  void SetCenter(double x);
  void SetSpan(double x);
  void SpanUp();
  void SpanDown();
  void RangeUp();
  void RangeDown();
  // Both maxima 5000 MHz when limited, else 15000 MHz.
  void SetMaxima(bool limited);
  void Enter() {}
  void Leave() {}

  // The handlers of the form (also driven by tests).
  void OnPanelMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnPanelMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void OnEditKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);

  int Mode = ModeCenter;
  double Center = 500.0, Span = 1000.0, Start = 0.0, Stop = 1000.0;  // MHz
  double MaxFrequency = 15000.0, MaxSpan = 15000.0;
  std::function<void()> OnChange;
  int RangeStepMark = NoRangeStep;

  TImage* Image1 = nullptr;
  TLabel* Label1 = nullptr;
  TPanel* Panel1 = nullptr;  // Center
  TPanel* Panel2 = nullptr;  // Span
  TPanel* Panel3 = nullptr;  // Range
  TPanel* Panel4 = nullptr;  // Up
  TPanel* Panel5 = nullptr;  // Down
  TEdit* Edit1 = nullptr;    // centre or span
  TEdit* Edit2 = nullptr;    // start
  TEdit* Edit3 = nullptr;    // stop

 private:
  void LayoutControls();
  void ShowValues();
  void ShiftCenter(bool up, double x);
  void StoreSpan(double x);
  void AroundCenter();
  void Changed();
};
