// The IF-filter service frame: the control strip of the IF-filter check (sweep width and filter
// module) and the copy of the six IF-filter trim records between the device EEPROM and the ".fil"
// files in the program folder.
#pragma once
#include <array>
#include <functional>
#include <string>

#include "platform/vcl/StdCtrls.h"
#include "screens/ModeFrameBase.h"

constexpr int FilterRecordCount = 6;
// "Filter_W_0.fil" .. "Filter_W_2.fil" (sweep module), "Filter_A_3.fil" .. "Filter_A_5.fil" (audio).
const char* FilterFileName(int record);

class TFilterUserFrame : public TModeFrameBase {
 public:
  explicit TFilterUserFrame(TComponent* AOwner);

  void OnRBSweepClick(TObject* Sender);
  void OnRBModulClick(TObject* Sender);
  // "Save Filter from PIC": the six EEPROM records into the six files.
  void OnSaveFilterButClick(TObject* Sender);
  // "Save Filter to PIC-EEPROM": after checking all six files and asking, the files into the EEPROM.
  void OnUpdateEEPROMButClick(TObject* Sender);

  // The check the radio buttons choose: range 2 for "1 MHz", 1 for "4 MHz", else 0; module 1 for
  // "Audio", else 0.
  int CheckRange() const;
  int CheckModule() const;

  std::function<void(TObject*)> OnChange;  // set by the test frame

  TGroupBox* GroupBox1 = nullptr;
  TRadioButton* RB1 = nullptr;  // "18 MHz"
  TRadioButton* RB2 = nullptr;  // "4 MHz"
  TRadioButton* RB3 = nullptr;  // "1 MHz"
  TGroupBox* GroupBox2 = nullptr;
  TRadioButton* RBModWobbel = nullptr;
  TRadioButton* RBModAudio = nullptr;
  TButton* Button1 = nullptr;
  TButton* Button2 = nullptr;
};
