// The measured-curve object of the IF-filter alignment: evenly spaced levels over a frequency span
// (MHz), with level look-ups, a moving-average smoother, a peak locator, a width-at-level
// measurement and ten marker slots that the width measurement fills. No device, no scene.
#pragma once
#include <array>
#include <vector>

struct TestGraphMarker {
  int x = 0;  // pixel position in the given width
  int y = 0;  // pixel position from the top of the given height
  double frequency = 0.0;
  double level = 0.0;
  int colour = 0xFFFF;
  int shown = 0;  // 1 once a width measurement placed it
};

class TestGraph {
 public:
  static constexpr int MarkerCount = 10;

  TestGraph(double start, double stop, double step, double levelMin, double levelMax);

  // Sets everything up again as the constructor does; the markers stay.
  void Reset(double start, double stop, double step, double levelMin, double levelMax);

  // An index outside 0..count-1 is ignored.
  void SetValue(int index, double level);
  double Value(int index) const;
  int Count() const { return count_; }
  double Start() const { return start_; }
  double Stop() const { return stop_; }
  double StepSize() const { return step_; }
  double LevelMin() const { return levelMin_; }
  double LevelMax() const { return levelMax_; }

  double FrequencyAt(int index) const;
  double ToPixelX(int width, double frequency) const;
  int ToPixelY(int height, double level) const;
  // 0.0 outside start..stop and at stop itself.
  double LevelAt(double frequency) const;

  // Markers outside 0..9 are ignored.
  void SetMarker(int marker, int width, int height, double frequency);
  void SetMarkerAtIndex(int marker, int index, int height, int width);
  void SetMarkerColor(int marker, int colour);
  const TestGraphMarker& Marker(int marker) const { return markers_.at(marker); }

  // Moving average over 2n+1 points, the ends repeating the first and last value.
  TestGraph& Smooth(int halfWidth);
  // Position of the response's maximum, searched from the middle outwards.
  int PeakIndex() const;
  // Span (MHz) over which the curve reaches (100 - percent) % of 255; -1 step when it never does.
  double WidthAtLevel(int marker, int width, int height, double percent);

 private:
  static bool ValidMarker(int marker) { return marker >= 0 && marker < MarkerCount; }

  double start_ = 0.0, stop_ = 0.0, step_ = 0.0;
  double levelMin_ = 0.0, levelMax_ = 0.0;
  int count_ = 0;
  std::vector<double> values_;
  std::array<TestGraphMarker, MarkerCount> markers_{};
};
