#include "engine/Buffers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "base/Guard.h"
#include "base/Log.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

void ZeroLevels(SharedFloat* levels, unsigned count) {
  for (unsigned i = 0; i < count; ++i) levels[i].store(0.0f, relaxed);
}

float PointsPerHzOf(unsigned count, float start, float stop) {
  return start >= stop ? -1.0f : float(count) / (stop - start);
}

// The frequency and level range shared by traces and digital buffers: an empty or reversed frequency
// range marks the buffer unmapped (-1 points per Hz); an empty level range keeps the old one.
template <class Buffer>
void StoreRange(Buffer& buffer, float start, float stop, float levelMin, float levelMax) {
  buffer.Start.store(start, relaxed);
  buffer.Stop.store(stop, relaxed);
  buffer.PointsPerHz.store(PointsPerHzOf(buffer.Count, start, stop), relaxed);
  if (start >= stop) return;
  if (levelMin < levelMax) {
    buffer.LevelMin.store(levelMin, relaxed);
    buffer.LevelMax.store(levelMax, relaxed);
  }
}

// Truncation toward zero that stays defined for huge or non-finite values.
int TruncToInt(double value) {
  if (std::isnan(value)) return 0;
  return int(std::clamp(value, -1.0e9, 1.0e9));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// BufferBase

BufferBase::BufferBase() : BufferBase(0) {}

BufferBase::BufferBase(int count) : Count(count > 0 ? unsigned(count) : 0u) {}

void BufferBase::SetRange(float start, float stop, float levelMin, float levelMax) {
  StoreRange(*this, start, stop, levelMin, levelMax);
}

void BufferBase::CopyRange(const BufferBase& source) {
  const float start = source.Start.load(relaxed);
  const float stop = source.Stop.load(relaxed);
  Start.store(start, relaxed);
  Stop.store(stop, relaxed);
  LevelMin.store(source.LevelMin.load(relaxed), relaxed);
  LevelMax.store(source.LevelMax.load(relaxed), relaxed);
  PointsPerHz.store(PointsPerHzOf(Count, start, stop), relaxed);
}

void BufferBase::Copy(BufferBase* source) {
  if (!source) return;
  Count = source->Count;
  CopyRange(*source);
}

// ---------------------------------------------------------------------------------------------
// NormalBuffer

NormalBuffer::NormalBuffer(int count) : BufferBase(count) {
  Guarded("NormalBuffer::NormalBuffer", [&] { Allocate(int(Count)); });
}

NormalBuffer::NormalBuffer(BufferBase* source) {
  Guarded("NormalBuffer::NormalBuffer", [&] {
    if (!source) ReportFatalError("NormalBuffer::NormalBuffer");
    Allocate(int(source->Count));
    Copy(source);
  });
}

NormalBuffer::NormalBuffer(const float* values, unsigned count) {
  Guarded("NormalBuffer::NormalBuffer", [&] {
    if (!values) ReportFatalError("NormalBuffer::NormalBuffer");
    Allocate(int(count));
    for (unsigned i = 0; i < count; ++i) Points[i].store(values[i], relaxed);
  });
}

NormalBuffer::~NormalBuffer() { DeleteLevels(Points); }

void NormalBuffer::Allocate(int count) {
  DeleteLevels(Points);
  Points = nullptr;
  Count = count > 0 ? unsigned(count) : 0u;
  Points = NewLevels(Count);
}

void NormalBuffer::Clear() { ZeroLevels(Points, Count); }

// Copies range and levels. The point array is not reallocated: a source with more points than
// this buffer holds is copied only as far as this buffer reaches (the count stays this buffer's).
void NormalBuffer::Copy(BufferBase* source) {
  if (!source) return;
  Guarded("NormalBuffer::Copy", [&] {
    CopyRange(*source);
    CopyFrom(source, 0);
  });
}

void NormalBuffer::CopyFrom(BufferBase* source, unsigned offset) {
  auto* normal = dynamic_cast<NormalBuffer*>(source);
  if (!normal || !normal->Points) return;
  for (unsigned i = 0; i < normal->Count; ++i) {
    const uint64_t target = uint64_t(offset) + i;
    if (target >= Count) break;
    Points[target].store(normal->Points[i].load(relaxed), relaxed);
  }
}

void NormalBuffer::SetPoint(unsigned index, float value) {
  if (index < Count) Points[index].store(value, relaxed);
}

void NormalBuffer::SetPoints(const float* values, unsigned count, unsigned offset) {
  if (!values || offset >= Count) return;
  const unsigned n = std::min(count, Count - offset);
  for (unsigned i = 0; i < n; ++i) Points[offset + i].store(values[i], relaxed);
}

float NormalBuffer::GetPoint(unsigned index) const {
  return index < Count ? Points[index].load(relaxed) : 0.0f;
}

// Stores only for a valid range: with no range (points per Hz <= 0) every frequency would land
// on a bogus index.
void NormalBuffer::Set(float frequency, float value) {
  const float perHz = PointsPerHz.load(relaxed);
  if (!(perHz > 0.0f)) return;
  const double index = double((frequency - Start.load(relaxed)) * perHz);
  if (!(index > -1.0) || index >= double(Count)) return;  // truncation toward zero: (-1, 0) is 0
  Points[unsigned(index)].store(value, relaxed);
}

void NormalBuffer::Resize(int count) {
  Guarded("NormalBuffer::Resize", [&] { Allocate(count); });
}

void NormalBuffer::FillGaps(int from, int to) {
  const int last = std::min<long long>(to, (long long)Count - 1);
  for (int i = std::max(from, 1); i <= last; ++i)
    if (Points[i].load(relaxed) == 0.0f) Points[i].store(Points[i - 1].load(relaxed), relaxed);
}

// ---------------------------------------------------------------------------------------------
// WaterfallBuffer

WaterfallBuffer::WaterfallBuffer(unsigned width, unsigned rows) {
  Guarded("WaterfallBuffer::WaterfallBuffer", [&] {
    Width = width;
    RowCount = rows;
    Rows = new SharedFloat*[rows > 0 ? rows : 1]();
    rowVersions_ = std::make_unique<std::atomic<uint64_t>[]>(rows > 0 ? rows : 1);
    for (unsigned r = 0; r < rows; ++r) {
      Rows[r] = NewLevels(width);
      rowVersions_[r].store(NewStamp(), relaxed);
    }
    NextRow.store(rows > 0 ? rows - 1 : 0, relaxed);
  });
  Changed();
}

uint64_t ChangeStamped::NewStamp() {
  static std::atomic<uint64_t> lastStamp{0};
  return lastStamp.fetch_add(1, relaxed) + 1;
}

void ChangeStamped::Changed() { stamp_.store(NewStamp(), std::memory_order_release); }

WaterfallBuffer::~WaterfallBuffer() {
  if (!Rows) return;
  for (unsigned r = 0; r < RowCount; ++r) DeleteLevels(Rows[r]);
  delete[] Rows;
}

void WaterfallBuffer::Clear() {
  for (unsigned r = 0; r < RowCount; ++r) {
    ZeroLevels(Rows[r], Width);
    RowWritten(r);
  }
  Changed();
}

void WaterfallBuffer::RowWritten(unsigned row) {
  rowVersions_[row].store(NewStamp(), std::memory_order_release);
}

uint64_t WaterfallBuffer::RowVersion(unsigned row) const {
  return row < RowCount ? rowVersions_[row].load(std::memory_order_acquire) : 0;
}

void WaterfallBuffer::SetARow(unsigned row, const float* values) { SetARow(row, values, 1.0f); }

void WaterfallBuffer::SetARow(unsigned row, const float* values, float factor) {
  if (!values || row >= RowCount) return;
  for (unsigned i = 0; i < Width; ++i) Rows[row][i].store(values[i] * factor, relaxed);
  RowWritten(row);
  Changed();
}

void WaterfallBuffer::Advance(bool keepRow) {
  unsigned next = NextRow.load(relaxed);
  if (!keepRow) ++next;
  if (next >= RowCount) next = 0;
  NextRow.store(next, relaxed);
  Changed();
}

void WaterfallBuffer::Insert(const float* values, bool keepRow) { Insert(values, keepRow, 1.0f); }

void WaterfallBuffer::Insert(const float* values, bool keepRow, float factor) {
  if (RowCount == 0) return;
  SetARow(NextRow.load(relaxed), values, factor);
  Advance(keepRow);
}

SharedFloat* WaterfallBuffer::GetBufferForDisplay(int age) const {
  if (age < 0 || unsigned(age) >= RowCount) return nullptr;
  return Rows[RingRowOfAge(NextRow.load(relaxed), age)];
}

unsigned WaterfallBuffer::RingRowOfAge(unsigned next, int age) const {
  return unsigned((uint64_t(next) + 1 + unsigned(age)) % RowCount);
}

// ---------------------------------------------------------------------------------------------
// DigitalBuffer

DigitalBuffer::DigitalBuffer(unsigned count) {
  Guarded("DigitalBuffer::DigitalBuffer", [&] {
    Count = count;
    Channels = new SharedFloat*[ChannelCount]();
    // One run holds every channel: a buffer of short channels is one mapping (or heap block)
    // instead of ten, and its untouched levels stay free like those of a long one.
    const unsigned stride = std::max(count, 1u);
    if (stride > std::numeric_limits<unsigned>::max() / ChannelCount) throw std::bad_alloc();
    SharedFloat* levels = NewLevels(ChannelCount * stride);
    for (int c = 0; c < ChannelCount; ++c) Channels[c] = levels + size_t(c) * stride;
  });
}

DigitalBuffer::~DigitalBuffer() {
  if (!Channels) return;
  DeleteLevels(Channels[0]);
  delete[] Channels;
}

void DigitalBuffer::Clear(int channel) {
  if (channel >= 0 && channel < ChannelCount) ZeroLevels(Channels[channel], Count);
}

void DigitalBuffer::Clear() {
  for (int c = 0; c < ChannelCount; ++c) ZeroLevels(Channels[c], Count);
}

void DigitalBuffer::Copy(const float* values, int channel, float factor) {
  if (!values || channel < 0 || channel >= ChannelCount) return;
  for (unsigned i = 0; i < Count; ++i) Channels[channel][i].store(values[i] * factor, relaxed);
}

void DigitalBuffer::SetRange(float start, float stop, float levelMin, float levelMax) {
  StoreRange(*this, start, stop, levelMin, levelMax);
}

void DigitalBuffer::CopyFrom(DigitalBuffer* source, unsigned offset) {
  if (!source) return;
  for (int c = 0; c < ChannelCount; ++c)
    for (unsigned j = 0; j < source->Count; ++j) {
      const uint64_t target = uint64_t(offset) + j;
      if (target >= Count) break;
      Channels[c][target].store(source->Channels[c][j].load(relaxed), relaxed);
    }
}

void DigitalBuffer::Shift(unsigned channel, int offset) {
  if (channel >= unsigned(ChannelCount) || offset == 0) return;
  SharedFloat* points = Channels[channel];
  const long long n = Count;
  auto sourceValue = [&](long long i) {
    const long long from = i - offset;
    return from >= 0 && from < n ? points[from].load(relaxed) : 0.0f;
  };
  if (offset > 0)
    for (long long i = n - 1; i >= 0; --i) points[i].store(sourceValue(i), relaxed);
  else
    for (long long i = 0; i < n; ++i) points[i].store(sourceValue(i), relaxed);
}

void DigitalBuffer::ShiftAll(int offset) {
  for (unsigned c = 0; c < unsigned(ChannelCount); ++c) Shift(c, offset);
}

float DigitalBuffer::Get(int channel, unsigned index) const {
  if (channel < 0 || channel >= ChannelCount || index >= Count) return 0.0f;
  return Channels[channel][index].load(relaxed);
}

void DigitalBuffer::SetValue(int channel, unsigned index, float value) {
  if (channel < 0 || channel >= ChannelCount || index >= Count) return;
  Channels[channel][index].store(value, relaxed);
}

void DigitalBuffer::SetValues(int channel, const float* values, unsigned count, unsigned offset) {
  if (!values || channel < 0 || channel >= ChannelCount || offset >= Count) return;
  const unsigned n = std::min(count, Count - offset);
  for (unsigned i = 0; i < n; ++i) Channels[channel][offset + i].store(values[i], relaxed);
}

// ---------------------------------------------------------------------------------------------
// DigitalWaterBuffer

DigitalWaterBuffer::DigitalWaterBuffer(unsigned points, unsigned rows) {
  Guarded("DigitalWaterBuffer::DigitalWaterBuffer", [&] {
    PointsPerRow = points;
    RowCount = rows;
    Rows = new DigitalBuffer*[rows > 0 ? rows : 1]();
    for (unsigned r = 0; r < rows; ++r) Rows[r] = new DigitalBuffer(points);
    NextRow.store(0, relaxed);
  });
  Changed();
}

DigitalWaterBuffer::~DigitalWaterBuffer() {
  if (!Rows) return;
  for (unsigned r = 0; r < RowCount; ++r) delete Rows[r];
  delete[] Rows;
}

void DigitalWaterBuffer::Clear() {
  for (unsigned r = 0; r < RowCount; ++r) Rows[r]->Clear();
  Changed();
}

void DigitalWaterBuffer::Insert(const float* values, int channel, float factor, bool keepRow) {
  if (RowCount == 0) return;
  int next = NextRow.load(relaxed);
  Rows[next]->Copy(values, channel, factor);
  if (!keepRow) ++next;
  if (next >= int(RowCount)) next = 0;
  NextRow.store(next, relaxed);
  Changed();
}

SharedFloat* DigitalWaterBuffer::GetBufferForDisplay(int age, int channel) const {
  if (age < 0 || unsigned(age) >= RowCount) return nullptr;
  if (channel < 0 || channel >= DigitalBuffer::ChannelCount) return nullptr;
  const unsigned row = unsigned((uint64_t(NextRow.load(relaxed)) + 1 + unsigned(age)) % RowCount);
  return Rows[row]->Channels[channel];
}

// ---------------------------------------------------------------------------------------------
// Free functions

int CalcPixelY(int height, float value, float min, float max) {
  if (max == min) return 0;
  const float row = float(height) - float(height) / (max - min) * (value - min);
  return TruncToInt(row);
}

int CalcPixelY(NormalBuffer* buffer, int index, int height) {
  if (!buffer) return 0;
  const float value = index >= 0 ? buffer->GetPoint(unsigned(index)) : 0.0f;
  return CalcPixelY(height, value, buffer->LevelMin.load(relaxed), buffer->LevelMax.load(relaxed));
}

int CalcPixelY(DigitalBuffer* buffer, int channel, unsigned index, int height) {
  if (!buffer) return 0;
  return CalcPixelY(height, buffer->Get(channel, index), buffer->LevelMin.load(relaxed),
                    buffer->LevelMax.load(relaxed));
}

void RescaleRawAD(unsigned char* data, int count) {
  if (!data) return;
  const double factor = 255.0 / 191.0;
  for (int i = 0; i < count; ++i) {
    const int above = data[i] >= 64 ? data[i] - 64 : 0;
    data[i] = static_cast<unsigned char>(int(above * factor));
  }
}
