#include "service/Ddsuserframeunit.h"

#include "device/InOut.h"
#include "platform/rtl/SysUtils.h"
#include "service/ServiceInput.h"
#include "base/Globals.h"
#include "base/Guard.h"
#include "base/HardwareLockGuard.h"
#include "base/IniService.h"

namespace {
constexpr double DdsClock = 80000000.0;
constexpr double Dds400Clock = 400000000.0;
constexpr double VcoPerDds400 = 256.0;

struct DdsRow {
  const char* caption;
  const char* hint;
  const char* text;
};
constexpr DdsRow Rows[TDDSUserFrame::DdsCount] = {
    {"DDS-0", "nicht benutzt", "10.0"},   {"DDS-1", "VCO-2", "5038.0"},
    {"DDS-2", "Filter Wobbel", "10.7"},   {"DDS-3", "Filter Audio", "10.7"},
    {"DDS-4", "ZF-Tuner Wobbel", "27.3"}, {"DDS-5", "ZF-Tuner Audio", "27.3"},
};

bool DeviceReady() { return IOCtrl && LinkUp; }

// One device call inside HardwareLock; a failure takes the link down.
template <typename Op>
void DeviceCall(Op op) {
  if (!DeviceReady()) return;
  HardwareLockGuard lock;
  if (!op(*IOCtrl)) LinkUp = 0;
}
}  // namespace

TDDSUserFrame::TDDSUserFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {
  SetBounds(0, 0, 240, 260);
  auto keyDown = [this](TObject* s, uint16_t& key, TShiftState shift) { OnDDSEditsKeyDown(s, key, shift); };
  for (int n = 0; n < DdsCount; ++n) {
    const int y = 8 + 28 * n;
    TCheckBox* box = CheckBoxes[static_cast<size_t>(n)] = new TCheckBox(this);
    box->SetParent(this);
    box->SetBounds(8, y, 80, 21);
    box->SetCaption(Rows[n].caption);
    box->SetHint(Rows[n].hint);
    box->SetShowHint(true);
    box->OnClick = [this](TObject* s) { OnDDSUpdate(s); };
    TEdit* edit = Edits[static_cast<size_t>(n)] = new TEdit(this);
    edit->SetParent(this);
    edit->SetBounds(96, y, 120, 21);
    edit->SetText(Rows[n].text);
    edit->OnKeyDown = keyDown;
  }
  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetBounds(8, 180, 120, 16);
  Label1->SetCaption("VCO-1 Freq. MHz");
  Edit7 = new TEdit(this);
  Edit7->SetParent(this);
  Edit7->SetBounds(96, 198, 120, 21);
  Edit7->SetText("5100.0");
  Edit7->OnKeyDown = keyDown;
  Button1 = new TButton(this);
  Button1->SetParent(this);
  Button1->SetBounds(8, 228, 208, 25);
  Button1->SetCaption("Update");
  Button1->OnClick = [this](TObject* s) { OnDDSUpdate(s); };
  LoadFromIni();
}

void TDDSUserFrame::LoadFromIni() {
  busy_ = true;
  if (GlobalIniService) {
    for (int n = 0; n < DdsCount; ++n) {
      Edits[static_cast<size_t>(n)]->SetText(FloatToStr(GlobalIniService->ReadTestDDSFreq(n) * 1e-6));
      CheckBoxes[static_cast<size_t>(n)]->SetChecked(GlobalIniService->ReadTestDDSOn(n));
    }
    Edit7->SetText(FloatToStr(GlobalIniService->ReadTestMainVcoFreq() * 1e-6));
  }
  busy_ = false;
}

void TDDSUserFrame::OnDDSUpdate(TObject*) {
  Guarded("TDDSUserFrame::OnDDSUpdate", [&] {
    if (busy_) return;
    // Only what is sent is checked: a row that is switched off may hold any text (DDS-1's form
    // text, 5038 MHz, is the VCO-2 frequency, beyond the synthesiser's own range). A switched-on
    // row the synthesiser cannot make is refused instead of being sent as a wrong tuning word.
    std::string refused;
    auto refuse = [&](const std::string& message) { refused += (refused.empty() ? "" : "\n") + message; };
    std::string message;
    for (int n = 0; n < DdsCount; ++n) {
      const auto row = static_cast<size_t>(n);
      double mhz = 0.0;
      if (!CheckBoxes[row]->Checked())
        SwitchDDSOff(n);
      else if (ReadMHz(Rows[n].caption, Edits[row]->Text(), DdsLimits, mhz, message))
        SetDDSFromEdit(n, mhz);
      else
        refuse(message);
    }
    SaveToIni();
    double vco = 0.0;
    if (ReadMHz("VCO-1", Edit7->Text(), MainVcoLimits, vco, message))
      DeviceCall([&](IOControl& io) {
        return io.InitDDS400Control() && io.SetDDS400FrequencyClock(Dds400Clock, vco * 1e6 / VcoPerDds400);
      });
    else
      refuse(message);
    if (!refused.empty()) ShowServiceMessage(refused);
  });
}

void TDDSUserFrame::OnDDSEditsKeyDown(TObject* Sender, uint16_t& Key, TShiftState) {
  if (Key == VK_RETURN) OnDDSUpdate(Sender);
}

void TDDSUserFrame::SetDDSFromEdit(int dds, double mhz) {
  DeviceCall(
      [&](IOControl& io) { return io.SetDDSFrequency(static_cast<uint8_t>(dds), DdsClock, mhz * 1e6); });
}

void TDDSUserFrame::SwitchDDSOff(int dds) {
  DeviceCall([&](IOControl& io) { return io.DDSOff(static_cast<uint8_t>(dds)); });
}

void TDDSUserFrame::SaveToIni() {
  if (!GlobalIniService) return;
  for (int n = 0; n < DdsCount; ++n) {
    GlobalIniService->WriteTestDDSFreq(n, LeadingNumber(Edits[static_cast<size_t>(n)]->Text()) * 1e6);
    GlobalIniService->WriteTestDDSOn(n, CheckBoxes[static_cast<size_t>(n)]->Checked());
  }
  GlobalIniService->WriteTestMainVcoFreq(LeadingNumber(Edit7->Text()) * 1e6);
}
