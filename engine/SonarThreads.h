// The sonar hand probe: the receiver listens at one frequency, the probe's level (AD channel 4) is
// smoothed into its 32-LED bar and 4-digit display, and a narrow sweep around the IF is drawn for
// the screen. SonarThread works on the receiver's normal input, VlfSonarThread through the VLF
// module. A probe that stops answering ends the thread quietly (no error, no finished event); the
// frame's polling timer starts a new one once the probe answers again.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>

#include "engine/LocateThreadBase.h"

class DigitalBuffer;
class StdDisplay;

// The loop and the probe update both sonar threads share.
class ProbeThreadBase : public LocateThreadBase {
 public:
  ProbeThreadBase(StdDisplay* display, double frequency, bool reverse);

  DigitalBuffer* Buffer = nullptr;  // set before Resume
  StdDisplay* const Display;

  // Read by the frame and the tests.
  std::atomic<double> Frequency;
  std::atomic<double> ProbeLevel{255.0};  // smoothed 0..255
  // True when the thread ended because the probe stopped answering.
  std::atomic<bool> ProbeLost{false};

 protected:
  void RunLoop(const char* where);
  virtual bool Init() = 0;
  virtual bool Sweep() = 0;
  // Between a pass's probe update and its health check (posted changes, tracking).
  virtual bool AfterProbe() { return true; }
  virtual unsigned SettleMs() const { return 0; }

  // Reads EEPROM cells 17 (sensitivity) and 18 (beat) into the probe's two potentiometer channels;
  // inside the caller's lock hold.
  static bool LoadProbeSettings();
  // Digit control for the probe display and the probe's own sound path at the given volume.
  static bool SetProbeSoundPath(uint8_t volume);
  // Writes count samples to channel 0, reversed when the thread is built so.
  void StoreSweep(const uint8_t* samples, int count);

  double startFrequency_ = 0.0;

 private:
  enum class ProbeResult { Ok, Lost, Failed };
  ProbeResult UpdateProbe();

  std::array<double, 256> table_;
  bool reverse_;
};

struct SonarParameters {
  uint8_t beat = 0;
  uint8_t sensitivity = 0;
  bool store = false;  // also write them to the EEPROM (cells 18 and 17)
};

class SonarThread : public ProbeThreadBase {
 public:
  static constexpr double PointStep = 25000.0;
  static constexpr double TrackStep = 10000.0;

  SonarThread(StdDisplay* display, double frequency);

  // GUI thread: the draw commands of the mode and the tracking flag.
  void SetGraphCommands(bool tracking);
  bool AutoTracking() const { return tracking_.load(); }
  // GUI thread: new potentiometer values; written before the next pass.
  void SetParameters(uint8_t beat, uint8_t sensitivity, bool store) {
    parameters_.Post({beat, sensitivity, store});
  }

 protected:
  void Execute() override;
  bool Init() override;
  bool Sweep() override;
  bool AfterProbe() override;

 private:
  bool ApplyParameters(const SonarParameters& p);
  void AutoTracking(int count);

  Posted<SonarParameters> parameters_;
  std::atomic<bool> tracking_{false};
};

class VlfSonarThread : public ProbeThreadBase {
 public:
  static constexpr int Points = 160;
  static constexpr double PointStep = 2500.0;

  VlfSonarThread(StdDisplay* display, double frequency);

 protected:
  void Execute() override;
  bool Init() override;
  bool Sweep() override;
  unsigned SettleMs() const override { return 50; }
};
