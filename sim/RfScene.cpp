#include "sim/RfScene.h"

#include <algorithm>
#include <cmath>

namespace usb2sim {

namespace {

constexpr double kFloorCounts = 68.0;
constexpr double kCountsPerDb = 1.8;
constexpr double kSampleRate = 22050.0;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kToneAmplitude = 8000.0;
constexpr uint64_t kNoteSamples = 2205;  // the room melody changes every 0.1 s
// Fall-off of the 0 Hz line: 14 detector counts per 5 kHz. At the default +15 dBm the line
// saturates the detector at the point nearest 0 Hz and at its 5 kHz neighbours, but not 10 kHz away.
constexpr double kZeroLineDbPerHz = 14.0 / 1.8 / 5000.0;

double DbmToMw(double dbm) { return std::pow(10.0, dbm / 10.0); }

}  // namespace

FilterShape FilterForType(int type) {
  switch (type) {
    case 1:
      return {750e3, 1.75e6};
    case 2:
      return {112.5e3, 262.5e3};
    case 3:
      return {90e3, 210e3};
    case 4:
      return {30e3, 70e3};
    default:
      return {4e6, 8e6};
  }
}

double FilterAttenuationDb(int type, double offsetHz) {
  const FilterShape f = FilterForType(type);
  const double d = std::fabs(offsetHz);
  if (d <= f.flatHz) return 0.0;
  if (d >= f.edgeHz) return -1.0;
  return kFilterDepthDb * (d - f.flatHz) / (f.edgeHz - f.flatHz);
}

namespace {

// One section of the tunable filter: rounded passband (1 dB at the flat edge), then linear in dB.
double SectionLossDb(const FilterShape& f, double widthFactor, double offsetHz) {
  const double flat = f.flatHz * widthFactor;
  const double edge = flat + (f.edgeHz - f.flatHz) * widthFactor;
  const double d = std::fabs(offsetHz);
  constexpr double kEdgeRoundDb = 1.0;
  if (d <= flat) return kEdgeRoundDb * (d / flat) * (d / flat);
  if (d >= edge) return kFilterDepthDb;
  return kEdgeRoundDb + (kFilterDepthDb - kEdgeRoundDb) * (d - flat) / (edge - flat);
}

}  // namespace

double SectionWeight(uint8_t levelTrim) {
  // A section's share of the response falls with its level (coupling) trim: 1 at the healthy 128,
  // about 0.1 at 255, where the section is nearly switched off, and about 1.9 at 0.
  const auto share = [](double level) { return 1.0 - 0.95 * level / 255.0; };
  return share(levelTrim) / share(kHealthyTrim);
}

double FilterLossDb(int type, const FilterTrim& trim, double offsetHz) {
  if (type < 2 || type > 4) {
    const double att = FilterAttenuationDb(type, offsetHz);
    return att < 0.0 ? kFilterRejected : att;
  }
  const FilterShape f = FilterForType(type);
  const double centreStepHz = f.flatHz / 16.0;
  constexpr double kLevelDbPerStep = 3.0 / 128.0;  // a low level trim narrows and raises the level
  constexpr double kGainDbAt64Steps = 6.0;
  double sections = 0.0, weights = 0.0;
  double levelDb = 0.0;
  for (size_t s = 0; s < 4; ++s) {
    const double centre = (trim.centre[s] - double(kHealthyTrim)) * centreStepHz;
    const double width = std::exp2((trim.level[s] - double(kHealthyTrim)) / 128.0);
    const double weight = SectionWeight(trim.level[s]);
    sections += weight * SectionLossDb(f, width, offsetHz - centre);
    weights += weight;
    levelDb += (trim.level[s] - double(kHealthyTrim)) * kLevelDbPerStep;
  }
  sections /= weights;
  if (sections >= kFilterDepthDb) return kFilterRejected;
  const double g = (trim.gain - double(kHealthyTrim)) / 64.0;
  return sections + levelDb / 4.0 + kGainDbAt64Steps * g * g;
}

void RfScene::Configure(const Scenario& scenario) {
  scenario_ = scenario;
  emitters_.clear();
  nextId_ = 1;
  started_.clear();
  for (const EmitterSpec& spec : scenario.emitters) {
    emitters_.push_back({NextId(), spec});
    Restart(emitters_.back().id);
  }
}

EmitterSpec RfScene::Current(const Emitter& e) const {
  EmitterSpec spec = e.spec;
  if (spec.driftHzPerS == 0.0 && spec.levelRiseDbPerS == 0.0) return spec;
  const auto it = started_.find(e.id);
  const double t = it == started_.end()
                       ? 0.0
                       : std::chrono::duration<double>(std::chrono::steady_clock::now() - it->second).count();
  double drift = spec.driftHzPerS * t;
  if (spec.driftLimitHz > 0.0) drift = std::clamp(drift, -spec.driftLimitHz, spec.driftLimitHz);
  spec.frequencyHz += drift;
  if (spec.levelRiseDbPerS > 0.0)
    spec.levelDbm = std::min(spec.levelLimitDbm, spec.levelDbm + spec.levelRiseDbPerS * t);
  if (spec.levelRiseDbPerS < 0.0)
    spec.levelDbm = std::max(spec.levelLimitDbm, spec.levelDbm + spec.levelRiseDbPerS * t);
  return spec;
}

PointPower RfScene::Prepare(const Listening& at) const {
  PointPower p;
  p.steadyMw = DbmToMw(scenario_.noiseFloorDbm);
  if (!at.tuned) return p;
  // The lines at 0 Hz pass neither the attenuator nor the input switch. The local oscillator's
  // feedthrough is a clean carrier: it falls off steeply on both sides (see kZeroLineDbPerHz),
  // so a sweep shows one sharp maximum where the receiver is tuned to 0 Hz.
  if (at.vlf) {
    const double att = FilterLossDb(at.filterType, at.trim, at.rfHz);
    if (att != kFilterRejected) p.steadyMw += DbmToMw(scenario_.vlfZeroHzDbm - att);
  } else if (scenario_.zeroHzSignal) {
    const double att = FilterLossDb(at.filterType, at.trim, at.rfHz);
    const double slope = std::fabs(at.rfHz) * kZeroLineDbPerHz;
    if (att != kFilterRejected && slope < 200.0)
      p.steadyMw += DbmToMw(scenario_.zeroHzDbm - std::max(att, slope));
  }
  for (const Emitter& emitter : emitters_) {
    const EmitterSpec spec = Current(emitter);
    const double offset = std::max(0.0, std::fabs(spec.frequencyHz - at.rfHz) - spec.bandwidthHz / 2);
    const double att = FilterLossDb(at.filterType, at.trim, offset);
    if (att == kFilterRejected) continue;
    const double mw = DbmToMw(spec.levelDbm - att - at.attenuatorDb + at.inputOffsetDb);
    if (!spec.pulsed) {
      p.steadyMw += mw;
    } else if (p.pulsedCount < static_cast<int>(p.pulsedMw.size())) {
      p.pulsedMw[static_cast<size_t>(p.pulsedCount)] = mw;
      p.pulsedDuty[static_cast<size_t>(p.pulsedCount)] = spec.dutyCycle;
      ++p.pulsedCount;
    } else {
      p.steadyMw += mw * spec.dutyCycle;  // too many bursts at once: their average
    }
  }
  return p;
}

uint8_t RfScene::Convert(const PointPower& power, Prng& rng) const {
  double mw = power.steadyMw;
  for (int i = 0; i < power.pulsedCount; ++i)
    if (rng.Unit() < power.pulsedDuty[static_cast<size_t>(i)]) mw += power.pulsedMw[static_cast<size_t>(i)];
  const double db = 10.0 * std::log10(mw) - scenario_.noiseFloorDbm;
  const double counts = kFloorCounts + kCountsPerDb * db + rng.Jitter(3);
  return static_cast<uint8_t>(std::clamp(counts, 0.0, 255.0));
}

int RfScene::RoomBackground(uint64_t t) const {
  if (scenario_.roomLevel <= 0.0) return 0;
  const uint64_t note = t / kNoteSamples;
  const double hz = 300.0 + 50.0 * static_cast<double>(Prng::Hash(scenario_.seed, note) % 13);
  const double phase = kTwoPi * hz * static_cast<double>(t % 22050) / kSampleRate;
  return static_cast<int>(scenario_.roomLevel * std::sin(phase));
}

void RfScene::Demodulate(const Listening& at, const std::vector<int>& room, uint64_t startSample,
                         std::vector<int>& out) const {
  out.assign(room.size(), 0);
  if (!at.tuned) return;
  for (const Emitter& emitter : emitters_) {
    const EmitterSpec spec = Current(emitter);
    if (spec.toneHz <= 0.0 && !spec.echo) continue;
    const double offset = std::max(0.0, std::fabs(spec.frequencyHz - at.rfHz) - spec.bandwidthHz / 2);
    const double att = FilterLossDb(at.filterType, at.trim, offset);
    if (att == kFilterRejected) continue;
    const double weight = std::clamp(1.0 - att / 20.0, 0.0, 1.0);  // audible up to 20 dB off the passband
    if (weight <= 0.0) continue;
    for (size_t k = 0; k < out.size(); ++k) {
      double v = 0.0;
      if (spec.echo) v += room[k];
      if (spec.toneHz > 0.0) {
        const double t = static_cast<double>((startSample + k) % 2205000);
        v += kToneAmplitude * std::sin(kTwoPi * spec.toneHz * t / kSampleRate);
      }
      out[k] += static_cast<int>(weight * v);
    }
  }
}

}  // namespace usb2sim
