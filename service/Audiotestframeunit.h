// The audio test frame: speaker and output switches, the port expander and the sound processor
// (volume, mute, low pass, high pass) of the sound module. Every failed call is shown at once with
// its name, and the interface module's last error number is shown in the frame.
#pragma once
#include <array>
#include <string>

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/ModeFrameBase.h"

class TAudioTestFrame : public TModeFrameBase {
 public:
  explicit TAudioTestFrame(TComponent* AOwner);

  // Enters the frame, which initialises the audio path.
  void ShowAndInit() { Enter(); }
  void OnTestButClick(TObject* Sender);
  void OnSpeakerSelectClick(TObject* Sender);
  void OnTB1Change(TObject* Sender);
  void OnCBMuteClick(TObject* Sender);
  void OnTB2Change(TObject* Sender);
  void OnTB3Change(TObject* Sender);

  TButton* Button1 = nullptr;
  TLabel* InfoLabel = nullptr;
  TPanel* Panel1 = nullptr;
  std::array<TCheckBox*, 7> CB{};  // "Sp-1" .. "Sp-4", "Probe", "Phones", "Amp"
  TPanel* Panel2 = nullptr;
  TTrackBar* TB1 = nullptr;  // volume
  TCheckBox* CBMute = nullptr;
  TTrackBar* TB2 = nullptr;  // low pass
  TTrackBar* TB3 = nullptr;  // high pass

 protected:
  void StartWork() override;

 private:
  // One step: a failure shows the call's name (caption "ERROR"); the label shows the error number.
  void Step(const char* name, bool ok);
};
