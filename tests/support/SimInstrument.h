// The simulated instrument in the test's own process: the device module bound to the simulator built
// beside the tests (the one linked into them, so the test reads and changes the very instrument the
// device object drives), a scenario loaded into it, and the main window's hardware bring-up.
#pragma once
#include <cstdint>
#include <string>

#include "device/InOut.h"
#include "sim/Instrument.h"

namespace siminstrument {

// The device module is the simulator of the build; Unbind returns to the program's own module name.
inline void Bind() { SetUsb2ModuleName(std::string(RT_BIN_DIR) + "/libusb2.so"); }
inline void Unbind() { SetUsb2ModuleName("usb2.dll"); }

// The instrument starts anew with the scenario (the text of usb2sim.ini; empty: the default scene).
// False when the text had a problem.
[[nodiscard]] inline bool Load(const std::string& scenario) { return usb2sim::LoadScenarioText(scenario); }

// The first steps of the main window's hardware bring-up, the ones a start with the hardware self-check
// runs before the checks: module present, opened, powered, parallel bus set up.
inline bool PowerUp(IOControl& io) {
  return io.DevicePresent() && io.Init() && io.SetDevicePower(true) && io.ParInit(8);
}

// The main window's whole hardware bring-up (TMainWin::InitHardware, without its settling pause):
// PowerUp, synthesisers off, audio and sound processor, band 0, clock offsets, the I2C port expander.
// False at the first step that fails.
inline bool BringUp(IOControl& io) {
  if (!PowerUp(io)) return false;
  for (uint8_t dds = 0; dds <= 5; ++dds)
    if (!io.DDSOff(dds)) return false;
  return io.InitAudioSpeaker() && io.InitSoundProc() && io.InitSoundPCA9539() && io.SetBand(0, true) &&
         io.LoadClockOffsets() && io.I2CWriteByte(0x22, 0xFF);
}

}  // namespace siminstrument
