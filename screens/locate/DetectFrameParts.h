// Pieces the detection views share: the panel buttons, the fingerprint views' bar graphs, and a
// message for the operator.
#pragma once
#include <memory>
#include <string>

#include "base/PanelColours.h"
#include "display/Renderobjects.h"
#include "platform/vcl/ExtCtrls.h"
#include "screens/PanelButton.h"
#include "screens/locate/DisplaySetup.h"

// The fingerprint views' two overviews of 0..15 GHz: the analogue levels (150000 points) above the
// digital activity (30000 points), both labelled "0 MHz", "7500 MHz", "15000 MHz". The set-ups
// serve both when the displays are made and whenever a view lays them out as overviews again.
constexpr int FingerAnalogPoints = 150000, FingerDigitalPoints = 30000;
DisplaySetup FingerAnalogDisplay(DigitalBuffer* trace);
DisplaySetup FingerDigitalDisplay(DigitalBuffer* trace);
void LabelFingerOverview(StdDisplay* display);

// The fingerprint views' two progress bars, under the analogue and the digital display (15 steps
// each), drawn by the idle pass while the view is entered.
class FingerBarGraphs {
 public:
  FingerBarGraphs();
  // Entered: both bars visible from 0; left: hidden and no longer drawn.
  void Enter();
  void Leave();
  // Both bars visible again from 0 (a new recording).
  void Restart();
  void Render();
  BargarphLine& Analog() { return *analog_; }
  BargarphLine& Digital() { return *digital_; }
  BargarphLine* Bar(int n) const { return n == 0 ? analog_.get() : digital_.get(); }

 private:
  std::unique_ptr<BargarphLine> analog_, digital_;
  bool entered_ = false;
};

// Shows a message for the operator (on stderr too when headless).
void TellOperator(const std::string& text, const std::string& caption = "RT7731 IV");
