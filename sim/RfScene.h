// The radio environment the simulated receiver hears: emitters over a noise floor, seen through
// the selected IF filter and the attenuator, turned into detector bytes and demodulated audio.
#pragma once

#include "sim/Instrument.h"
#include "sim/Prng.h"
#include "sim/Scenario.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <map>
#include <vector>

namespace usb2sim {

// The nine trim values of a module's tunable filter (types 2..4), as its trim pots hold them:
// the centre trims of the four resonator sections, their level (coupling) trims and the stage
// gain. 128 everywhere is the healthy, aligned filter.
constexpr uint8_t kHealthyTrim = 128;
struct FilterTrim {
  std::array<uint8_t, 4> centre{kHealthyTrim, kHealthyTrim, kHealthyTrim, kHealthyTrim};
  std::array<uint8_t, 4> level{kHealthyTrim, kHealthyTrim, kHealthyTrim, kHealthyTrim};
  uint8_t gain = kHealthyTrim;
};

// What one receive path hears at one moment.
struct Listening {
  bool tuned = false;  // false: no local oscillator or tuner running, noise only
  bool vlf = false;    // the VLF converter is on: rfHz is a VLF frequency
  double rfHz = 0.0;
  int filterType = 0;  // 0..4
  FilterTrim trim;     // shapes filter types 2..4
  double attenuatorDb = 0.0;
  double inputOffsetDb = 0.0;
};

// IF filter of one type: flat within +-flatHz, falling linearly (in dB) to full rejection at
// +-edgeHz. Type 0 is about 10 MHz wide, 1 about 2 MHz, 2 about 150 kHz, 3 the narrow detail
// filter, 4 the VLF filter.
struct FilterShape {
  double flatHz;
  double edgeHz;
};
FilterShape FilterForType(int type);
// Attenuation in dB at offset offsetHz from the filter centre; <0 beyond the edge (rejected).
double FilterAttenuationDb(int type, double offsetHz);
constexpr double kFilterDepthDb = 70.0;

// Loss in dB of the filter of `type` with its trims at offsetHz from 10.7 MHz, or kFilterRejected.
// Types 0 and 1 ignore the trims. Types 2..4 are four resonator sections in cascade: each is centred
// by its centre trim (1/16 of the flat half-width per step), widened by its level trim (twice as wide
// at 256, half at 0) and falls off like the fixed shape with a slight roundness in the passband; the
// loss is the sections' mean, weighted by SectionWeight, plus the level and gain terms, so that a
// section can be measured alone with the others' level trims at 255. Every term is a smooth function of the
// trims and the healthy record (all 128) is the optimum: highest level at 10.7 MHz, nominal width.
// The loss may be negative (a low level trim raises the level).
constexpr double kFilterRejected = std::numeric_limits<double>::infinity();
USB2SIM_API double SectionWeight(uint8_t levelTrim);
USB2SIM_API double FilterLossDb(int type, const FilterTrim& trim, double offsetHz);

// The signal power at one point, prepared once and then converted any number of times.
struct PointPower {
  double steadyMw = 0.0;
  int pulsedCount = 0;
  std::array<double, 8> pulsedMw{};
  std::array<double, 8> pulsedDuty{};
};

class RfScene {
 public:
  void Configure(const Scenario& scenario);

  std::vector<Emitter>& Emitters() { return emitters_; }
  const std::vector<Emitter>& Emitters() const { return emitters_; }
  int NextId() { return nextId_++; }
  // The emitter's drift and level change count from now.
  void Restart(int id) { started_[id] = std::chrono::steady_clock::now(); }
  // The emitter as it is now: its drift and level change applied.
  EmitterSpec Current(const Emitter& e) const;

  PointPower Prepare(const Listening& at) const;
  // One AD conversion of the detector: floor about 68, about 1.8 counts per dB, 255 at most.
  uint8_t Convert(const PointPower& power, Prng& rng) const;

  // Demodulated audio of the receive path (signed counts around 0) for n samples, given
  // the room sound at those samples.
  void Demodulate(const Listening& at, const std::vector<int>& room, uint64_t startSample,
                  std::vector<int>& out) const;

  // The room's own background sound (a slowly changing melody) at absolute sample t.
  int RoomBackground(uint64_t t) const;

 private:
  Scenario scenario_;
  std::vector<Emitter> emitters_;
  int nextId_ = 1;
  std::map<int, std::chrono::steady_clock::time_point> started_;
};

}  // namespace usb2sim
