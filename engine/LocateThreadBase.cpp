#include "engine/LocateThreadBase.h"

#include "device/InOut.h"
#include "display/Display.h"
#include "engine/LocateMath.h"
#include "engine/SoundBuffer.h"
#include "platform/rtl/SysUtils.h"
#include "base/Globals.h"

namespace {
constexpr int ClickSamples = 3072;
constexpr double ClickHz = 800.0;
constexpr uint8_t KeyBit = 0x40;
constexpr int MaxKeyReads = 1000;
}  // namespace

void PrepareTone(SoundBufferBase& sound) {
  sound.RampUp(256);
  sound.RampDown(256);
  sound.SetEndMark();
  sound.ExchangeBytes();
}

bool LocateThreadBase::HealthCheck(double seconds, const std::string& tag) {
  bool due = false;
  Locked([&] { due = IOCtrl->GetElapsedSeconds() > seconds; });
  if (!due) return true;
  if (!DeviceStep(tag, [] { return IOCtrl->CheckAkku(); })) return false;
  RestartHealthTimer();
  return true;
}

void LocateThreadBase::RestartHealthTimer() {
  Locked([] { IOCtrl->StartTimer(); });
}

bool LocateThreadBase::StoreSound(SoundBufferBase& sound) {
  bool ok = false;
  Locked([&] { ok = IOCtrl->StoreSound(&sound, 0, 0); });
  return ok;
}

bool LocateThreadBase::StoreClickTone() {
  SoundBufferBase click(ClickSamples);
  click.CreateSinus2205(ClickHz);
  PrepareTone(click);
  return StoreSound(click);
}

bool LocateThreadBase::ReadKey() {
  uint8_t port = 0xFF;  // released unless the expander says otherwise
  bool ok = false;
  Locked([&] { ok = IOCtrl->I2CReadByte(I2CAddr::Frontend, &port); });
  if (ok) KeyPressed = (port & KeyBit) == 0;
  return ok;
}

bool LocateThreadBase::WaitForKeyRelease() {
  for (int i = 0; i < MaxKeyReads && KeyPressed && !Terminated(); ++i)
    if (!ReadKey()) return false;
  return true;
}

bool LocateThreadBase::PlayClick() {
  bool ok = false;
  Locked([&] {
    ok = IOCtrl->WriteSoundPCA9539(0x83) && IOCtrl->SetSoundProcVolume(180) && IOCtrl->PlaySound(0, 24, 0) &&
         IOCtrl->SetSoundProcVolume(100) && IOCtrl->WriteSoundPCA9539(0x87) &&
         IOCtrl->SetSoundProcVolume(140);
  });
  return ok;
}

bool LocateThreadBase::SetLocateSoundPath() {
  bool ok = false;
  Locked([&] {
    ok = IOCtrl->SetAudioSpeaker(true, true, true, true, false, false, true) &&
         IOCtrl->WriteSoundPCA9539(0x87) && IOCtrl->SetSoundProcVolume(140);
  });
  return ok;
}

void LocateThreadBase::LabelAround(StdDisplay* display, double hz) {
  if (!display) return;
  const double mhz = hz / 1e6;
  display->CustomText(FormatFloat("0.0", mhz - 10), FormatFloat("0.000", mhz), FormatFloat("0.0", mhz + 10));
}

void LocateThreadBase::ShowTrackingCommands(StdDisplay* display, bool tracking) {
  if (!display || !display->Commands) return;
  GraphCommandList& commands = *display->Commands;
  commands.ClearAll();
  commands.AddCommand(locate::RawChannel, 2, 0x0000FF, 3);
  if (!tracking) return;
  commands.AddCommand(locate::FloorChannel, 2, 0xFFFF00, 1);
  commands.AddCommand(locate::SmoothChannel, 2, 0x00FFFF, 1);
  commands.AddCommand(locate::MaskChannel, 2, 0x008000, 1);
  commands.AddCommand(locate::CentreChannel, 3, 0x00FFFF, 1);
}
