// Watches six mobile-radio bands at once: every pass sweeps each band, turns the detector bytes
// into levels and keeps a per-point peak held for a few seconds, for the mobile-band screen.
#pragma once
#include <array>
#include <cstdint>

#include "engine/LocateThreadBase.h"

class DigitalBuffer;

struct MobilBand {
  const char* name;
  double firstHz;  // first point swept
  double stepHz;
  int points;     // points swept (40 for the wide bands: two samples a buffer point)
  double factor;  // level factor
  double holdSeconds;
  double stopHz;  // end of the buffer's range
};

class MobilThreadV2 : public LocateThreadBase {
 public:
  static constexpr int BandCount = 6;
  static constexpr int BufferPoints = 20;
  // GSM 900, GSM 1800, UMTS, LTE 800, LTE 2600, DECT: the order of the buffers and of every pass.
  static const std::array<MobilBand, BandCount> Bands;

  MobilThreadV2();

  // Set before Resume: one 20-point buffer per band (null skips the band).
  std::array<DigitalBuffer*, BandCount> Buffers{};

  // GUI thread: the operator's alarm level of a band, copied to channel 3 point 0 of its buffer.
  void PostAlarmLevel(int band, uint8_t level);

 protected:
  void Execute() override;

 private:
  void Run();
  // Copies every posted alarm level; false when none was pending.
  bool ApplyAlarmLevels();
  bool MeasureBand(int band);
  // Seconds since the thread started (time stamps stay small enough for float channels).
  double Now() const;

  std::array<Posted<uint8_t>, BandCount> alarmLevels_;
  double startSeconds_ = 0.0;
};
