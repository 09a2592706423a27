// The synthesiser service frame: sets each of the six 28-bit synthesisers (DDS 0-5) to a typed
// frequency or switches it off, and sets the 400 MHz synthesiser from a typed main-VCO frequency.
// The settings live in the TEST section of the INI file.
#pragma once
#include <array>
#include <string>

#include "platform/vcl/StdCtrls.h"
#include "screens/ModeFrameBase.h"

class TDDSUserFrame : public TModeFrameBase {
 public:
  static constexpr int DdsCount = 6;

  explicit TDDSUserFrame(TComponent* AOwner);

  // Applies all seven settings and saves them. A switched-on row (or the main VCO) whose edit is not a
  // frequency its synthesiser can make is refused with a message and not sent; the other rows are
  // applied and the INI file is written all the same.
  void OnDDSUpdate(TObject* Sender);
  void OnDDSEditsKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void LoadFromIni();
  void SaveToIni();
  void SetDDSFromEdit(int dds, double mhz);
  void SwitchDDSOff(int dds);

  std::array<TCheckBox*, DdsCount> CheckBoxes{};  // CheckBox1 .. CheckBox6
  std::array<TEdit*, DdsCount> Edits{};           // Edit1 .. Edit6
  TLabel* Label1 = nullptr;
  TEdit* Edit7 = nullptr;  // main VCO, MHz
  TButton* Button1 = nullptr;

 private:
  bool busy_ = false;
};
