#include "service/Testgraph.h"

#include <cmath>

TestGraph::TestGraph(double start, double stop, double step, double levelMin, double levelMax) {
  Reset(start, stop, step, levelMin, levelMax);
}

void TestGraph::Reset(double start, double stop, double step, double levelMin, double levelMax) {
  start_ = start;
  stop_ = stop;
  step_ = step;
  levelMin_ = levelMin;
  levelMax_ = levelMax;
  // A zero or negative step, or an empty span, gives an empty curve instead of a division by zero.
  const double points = step > 0.0 ? (stop - start) / step : 0.0;
  count_ = std::isfinite(points) && points > 0.0 && points < 1e7 ? static_cast<int>(points) : 0;
  values_.assign(static_cast<size_t>(count_), 0.0);
}

void TestGraph::SetValue(int index, double level) {
  if (index >= 0 && index < count_) values_[static_cast<size_t>(index)] = level;
}

double TestGraph::Value(int index) const {
  return index >= 0 && index < count_ ? values_[static_cast<size_t>(index)] : 0.0;
}

double TestGraph::FrequencyAt(int index) const {
  if (count_ == 0) return start_;
  return start_ + static_cast<double>(index) / count_ * (stop_ - start_);
}

double TestGraph::ToPixelX(int width, double frequency) const {
  if (stop_ == start_) return 0.0;
  return (frequency - start_) / (stop_ - start_) * width;
}

int TestGraph::ToPixelY(int height, double level) const {
  if (levelMax_ == levelMin_) return 0;
  return static_cast<int>((level - levelMin_) * height / (levelMax_ - levelMin_));
}

double TestGraph::LevelAt(double frequency) const {
  if (frequency < start_ || frequency > stop_ || stop_ == start_) return 0.0;
  const int index = static_cast<int>((frequency - start_) / (stop_ - start_) * count_);
  return index < count_ ? values_[static_cast<size_t>(index)] : 0.0;
}

void TestGraph::SetMarker(int marker, int width, int height, double frequency) {
  if (!ValidMarker(marker)) return;
  TestGraphMarker& m = markers_[static_cast<size_t>(marker)];
  m.x = static_cast<int>(ToPixelX(width, frequency));
  m.frequency = frequency;
  m.level = LevelAt(frequency);
  m.y = height - ToPixelY(height, m.level);
}

void TestGraph::SetMarkerAtIndex(int marker, int index, int height, int width) {
  if (index >= 0 && index < count_ && ValidMarker(marker))
    SetMarker(marker, width, height, FrequencyAt(index));
}

void TestGraph::SetMarkerColor(int marker, int colour) {
  if (!ValidMarker(marker)) return;
  markers_[static_cast<size_t>(marker)].colour = colour;
  markers_[static_cast<size_t>(marker)].shown = 1;
}

TestGraph& TestGraph::Smooth(int halfWidth) {
  if (halfWidth <= 0 || count_ == 0) return *this;
  std::vector<double> smoothed(values_.size());
  for (int i = 0; i < count_; ++i) {
    double sum = 0.0;
    for (int k = i - halfWidth; k <= i + halfWidth; ++k) {
      const int clamped = k < 0 ? 0 : (k >= count_ ? count_ - 1 : k);
      sum += values_[static_cast<size_t>(clamped)];
    }
    smoothed[static_cast<size_t>(i)] = sum / (2 * halfWidth + 1);
  }
  values_ = std::move(smoothed);
  return *this;
}

int TestGraph::PeakIndex() const {
  if (count_ == 0) return 0;
  const int mid = count_ / 2;
  double right = 0.0, left = 0.0;
  int a = mid, d = mid;
  for (int i = mid; i < count_; ++i)
    if (Value(i) >= right) {
      right = Value(i);
      a = i;
    }
  for (int i = mid; i >= 0; --i)
    if (Value(i) >= left) {
      left = Value(i);
      d = i;
    }
  int k = a + 1;
  while (k < count_ && Value(k) == right) ++k;
  int j = d - 1;
  while (j >= 0 && Value(j) == left) --j;
  return right > left ? (a + k) / 2 : (d + j) / 2;
}

double TestGraph::WidthAtLevel(int marker, int width, int height, double percent) {
  const double threshold = (100.0 - percent) * 0.01 * 255.0;
  const int half = count_ / 2;
  int i = 0;
  while (i < half && Value(i) < threshold) ++i;
  int j = count_ - 1;
  while (j >= half && Value(j) < threshold) --j;
  SetMarkerAtIndex(marker, i, height, width);
  SetMarkerAtIndex(marker + 1, j, height, width);
  SetMarkerColor(marker, 0xFFFF);
  SetMarkerColor(marker + 1, 0xFFFF);
  return FrequencyAt(j) - FrequencyAt(i);
}
