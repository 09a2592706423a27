#include "screens/locate/DetectFrameParts.h"

#include "base/Globals.h"
#include "display/Display.h"
#include "platform/vcl/Forms.h"
#include "screens/PanelButton.h"

DisplaySetup FingerAnalogDisplay(DigitalBuffer* trace) {
  return {.title = "Analog",
          .viewport = {20, 20, 980, 300},
          .gridX = 15,
          .gridY = 8,
          .renderMode = 3,
          .buffer = trace,
          .window = PointWindow{0, FingerAnalogPoints},
          .traceColour = 0x00FFFF,
          .symbols = ViewSymbols};
}

DisplaySetup FingerDigitalDisplay(DigitalBuffer* trace) {
  return {.title = "Digital",
          .viewport = {20, 360, 980, 660},
          .gridX = 15,
          .gridY = 8,
          .renderMode = 3,
          .buffer = trace,
          .window = PointWindow{0, FingerDigitalPoints},
          .traceColour = 0xFFFF00,
          .symbols = ViewSymbols};
}

void LabelFingerOverview(StdDisplay* display) { display->CustomText("0 MHz", "7500 MHz", "15000 MHz"); }

FingerBarGraphs::FingerBarGraphs()
    : analog_(std::make_unique<BargarphLine>(xBase, 20, 290, 960, 12)),
      digital_(std::make_unique<BargarphLine>(xBase, 20, 650, 960, 12)) {
  analog_->Maximum = digital_->Maximum = 15;
}

void FingerBarGraphs::Restart() {
  for (BargarphLine* bar : {analog_.get(), digital_.get()}) {
    bar->Visible = 1;
    bar->Maximum = 15;
    bar->Value = 0;
  }
}

void FingerBarGraphs::Enter() {
  entered_ = true;
  Restart();
}

void FingerBarGraphs::Leave() {
  entered_ = false;
  analog_->Visible = digital_->Visible = 0;
}

void FingerBarGraphs::Render() {
  if (!entered_) return;
  analog_->Render();
  digital_->Render();
}

void TellOperator(const std::string& text, const std::string& caption) {
  if (Application) Application->MessageBox(text, caption, MB_OK);
}
