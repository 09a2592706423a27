// What the locating threads (field locate, sonar, mobile bands, fast detect) share beyond the
// measurement thread base: the periodic health check, the stored click tone with the front-end key,
// and the frequency labels of a sweep around one frequency.
#pragma once
#include <string>

#include "engine/Threads.h"

class StdDisplay;
class SoundBufferBase;

class LocateThreadBase : public IOThreadBase {
 protected:
  // Runs the battery and temperature check once more than `seconds` have passed since the last one
  // (then restarts the timer). False (after ErrorExit(tag)) when the check failed.
  bool HealthCheck(double seconds, const std::string& tag);
  // Restarts the health-check timer.
  void RestartHealthTimer();

  // Stores a sound buffer in the Sound-PIC from page 0 (parameter 0).
  bool StoreSound(SoundBufferBase& sound);
  // Stores the 800 Hz click (3072 samples, ramped) in the Sound-PIC from page 0.
  bool StoreClickTone();
  // Reads the front-end key (bit 6 of the front-end expander, pressed when low) into KeyPressed.
  bool ReadKey();
  // After a click: reads the key until it is released, at most 1000 reads.
  bool WaitForKeyRelease();
  // Plays the stored click loud and returns the speaker to the locate volume.
  bool PlayClick();
  // Sets the locate sound path: speakers and amplifier on, locate routing, volume 140.
  bool SetLocateSoundPath();

  // Labels of a sweep centred on hz: left and right 10 MHz off, the centre with kHz precision.
  static void LabelAround(StdDisplay* display, double hz);
  // The draw commands of a tracked sweep: the raw level, and with tracking the floor, the smoothed
  // trace, the mask and the centre.
  static void ShowTrackingCommands(StdDisplay* display, bool tracking);

  bool KeyPressed = false;
};

// A sound of count samples made by fill, ramped in and out over 256 samples, end-marked and put in
// the Sound-PIC's byte order.
void PrepareTone(SoundBufferBase& sound);
