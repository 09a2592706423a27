// The battery monitor: the battery state in the title bar, the temperatures in the caption, and
// the end of the program on a low battery.
#include <algorithm>
#include <cmath>

#include "device/InOut.h"
#include "platform/rtl/SysUtils.h"
#include "shell/RT7731_IV_Unit.h"
#include "base/Globals.h"
#include "base/Language.h"

double BatteryValue(uint8_t level) { return level * 1.22; }

double ChargeFraction(uint8_t level) {
  return std::max(BatteryValue(level) - 180.0, 0.0) * 0.022727272727272728;
}

bool BatteryTooLow(uint8_t level) { return BatteryValue(level) < LowBatteryValue; }

std::string FormatSupplyVoltage() { return "V " + FormatFloat("0.000", SupplyVoltage * 0.001); }

std::string BatteryValueText(double fraction, const std::string& chargingText) {
  if (fraction > 1.3) return chargingText;
  return FormatFloat("0", std::min(fraction * 100.0, 100.0)) + " %";
}

GaugeBar ComputeGaugeBar(double fraction, int width, int height) {
  const double shown = std::min(fraction, 1.0);
  const int w = width - 6;
  const int c = static_cast<int>(std::trunc(w - w * shown));
  TColor colour = 0x8000;               // green
  if (shown <= 0.4) colour = 0x4080FF;  // orange
  if (shown <= 0.2) colour = 0xFF;      // red
  return {Rect(c + 3, 3, width - 3, height - 3), colour};
}

std::string BatteryCaption(double powerModuleTemperature, double mainboardTemperature) {
  return std::string(7, ' ') + FormatSupplyVoltage() + std::string(4, ' ') +
         FormatFloat("0.0", powerModuleTemperature) + " °C" + std::string(3, ' ') +
         FormatFloat("0.0", mainboardTemperature) + " °C\r\n";
}

void TMainWin::OnAkkuTimer(TObject*) {
  if (!IOCtrl) return;
  ProbeLink();
  // An open box or dialog would hold the idle loop, and with it the way out: close it.
  if (LinkLossEndsProgram()) Application->DismissDialogs();
  // The values of the last health check; each is an atomic, written by the measurement threads.
  const uint8_t level = IOCtrl->BatteryLevel;
  SetCaption(BatteryCaption(IOCtrl->PowerModuleTemperature, IOCtrl->MainboardTemperature));
  ShowBatteryState(ChargeFraction(level));
  if (BatteryTooLow(level)) Close();
}

void TMainWin::ShowBatteryState(double fraction) {
  const std::string charging = GlobalLanguageSkinTool ? GlobalLanguageSkinTool->GetGeneralText(17) : "";
  AkkuLabel2->SetCaption(BatteryValueText(fraction, charging));
  TBitmap* bitmap = AkkuImage1->Picture()->Bitmap();
  TCanvas* canvas = AkkuImage1->Canvas();
  const int width = bitmap->Width();
  const int height = bitmap->Height();
  canvas->Brush()->SetColor(0x808080);
  canvas->FillRect(Rect(0, 0, width, height));
  const GaugeBar bar = ComputeGaugeBar(fraction, width, height);
  canvas->Brush()->SetColor(bar.Color);
  canvas->FillRect(bar.Bar);
  if (GlobalLanguageSkinTool) AkkuLabel1->SetCaption(GlobalLanguageSkinTool->GetGeneralText(16));
  AkkuImage1->Repaint();
}
