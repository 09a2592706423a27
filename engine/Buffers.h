// Trace buffers: what the measurement threads write and the displays draw.
//
// Sharing rule: a measurement thread writes a frame's buffer inside HardwareLock, while the render
// pass reads it on the GUI thread without that lock (it must never wait for a long device hold).
// Every level, range value and ring index is therefore an atomic word accessed with relaxed order:
// a frame may show a partly updated trace, but never a torn value, and there is no data race.
// Allocation (constructors, Resize) and destruction happen only while no thread uses the buffer.
// Levels come from NewLevels: they read 0 until written, and a large buffer's untouched levels cost
// no memory.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/SharedLevels.h"

class BufferBase {
 public:
  BufferBase();
  explicit BufferBase(int count);
  virtual ~BufferBase() = default;
  BufferBase(const BufferBase&) = delete;
  BufferBase& operator=(const BufferBase&) = delete;

  void SetRange(float start, float stop, float levelMin, float levelMax);
  virtual void Copy(BufferBase* source);

  unsigned Count = 0;             // number of points
  SharedFloat Start{0.0f};        // Hz of point 0
  SharedFloat Stop{0.0f};         // Hz of the end of the range
  SharedFloat LevelMin{0.0f};     // lowest level of the vertical range
  SharedFloat LevelMax{0.0f};     // highest level of the vertical range
  SharedFloat PointsPerHz{0.0f};  // Count / (Stop - Start), or -1 when Stop <= Start

 protected:
  void CopyRange(const BufferBase& source);
};

class NormalBuffer : public BufferBase {
 public:
  explicit NormalBuffer(int count);
  explicit NormalBuffer(BufferBase* source);
  NormalBuffer(const float* values, unsigned count);
  ~NormalBuffer() override;

  void Clear();
  void Copy(BufferBase* source) override;
  void CopyFrom(BufferBase* source, unsigned offset);
  void SetPoint(unsigned index, float value);
  float GetPoint(unsigned index) const;
  // Writes count values from offset on; values past the end are dropped.
  void SetPoints(const float* values, unsigned count, unsigned offset = 0);
  void Set(float frequency, float value);
  void Resize(int count);
  void FillGaps(int from, int to);

  SharedFloat* Points = nullptr;   // Count levels, owned
  SharedFloat RangeBarFrom{0.0f};  // Hz offsets of the highlighted span (drawn when the flag is set)
  SharedFloat RangeBarTo{0.0f};
  std::atomic<uint8_t> RangeBarFlag{0};
  std::atomic<int> Color{0};  // colour of the trace (TColor), set by frames

 private:
  void Allocate(int count);
};

// A stamp that every change of a buffer's levels or of its ring's position renews, unique among all
// buffers and never 0: a picture made from the buffer is up to date while the stamp it was made at
// is the current one. Renewed after the change, so that a reader that sees the old stamp reads it
// again after the change.
class ChangeStamped {
 public:
  uint64_t ChangeStamp() const { return stamp_.load(std::memory_order_acquire); }

 protected:
  void Changed();
  // A new stamp, unique among all buffers.
  static uint64_t NewStamp();

 private:
  std::atomic<uint64_t> stamp_{0};
};

// Ring of float rows for waterfall pictures.
class WaterfallBuffer : public ChangeStamped {
 public:
  WaterfallBuffer(unsigned width, unsigned rows);
  ~WaterfallBuffer();
  WaterfallBuffer(const WaterfallBuffer&) = delete;
  WaterfallBuffer& operator=(const WaterfallBuffer&) = delete;

  void Clear();
  void SetARow(unsigned row, const float* values);
  void SetARow(unsigned row, const float* values, float factor);
  void Insert(const float* values, bool keepRow);
  void Insert(const float* values, bool keepRow, float factor);
  // The row of the given age (age 0 = oldest kept), or null when age is outside the ring.
  SharedFloat* GetBufferForDisplay(int age) const;
  // The ring row that holds the given age while NextRow is next.
  unsigned RingRowOfAge(unsigned next, int age) const;
  // A stamp that every write of the ring row renews after the write, unique among all buffers and
  // never 0: a picture row made from it is up to date while the stamp it was made at is the current one.
  uint64_t RowVersion(unsigned row) const;

  SharedFloat** Rows = nullptr;      // RowCount rows of Width levels, owned
  std::atomic<unsigned> NextRow{0};  // row that the next advancing insert writes
  unsigned Width = 0;
  unsigned RowCount = 0;

 private:
  void Advance(bool keepRow);
  void RowWritten(unsigned row);

  std::unique_ptr<std::atomic<uint64_t>[]> rowVersions_;
};

// Ten parallel channels over one frequency range.
class DigitalBuffer {
 public:
  static constexpr int ChannelCount = 10;

  explicit DigitalBuffer(unsigned count);
  ~DigitalBuffer();
  DigitalBuffer(const DigitalBuffer&) = delete;
  DigitalBuffer& operator=(const DigitalBuffer&) = delete;

  void Clear(int channel);
  void Clear();
  void Copy(const float* values, int channel, float factor);
  void SetRange(float start, float stop, float levelMin, float levelMax);
  void CopyFrom(DigitalBuffer* source, unsigned offset);
  void Shift(unsigned channel, int offset);
  void ShiftAll(int offset);

  // Checked access: out-of-range channel or index reads 0 and ignores writes.
  float Get(int channel, unsigned index) const;
  void SetValue(int channel, unsigned index, float value);
  // Writes count values into a channel from offset on; values past the end are dropped.
  void SetValues(int channel, const float* values, unsigned count, unsigned offset = 0);

  unsigned Count = 0;
  SharedFloat** Channels = nullptr;  // ChannelCount runs of Count levels in one owned block
  SharedFloat Start{0.0f};
  SharedFloat Stop{0.0f};
  SharedFloat LevelMin{0.0f};
  SharedFloat LevelMax{0.0f};
  SharedFloat PointsPerHz{0.0f};
  // Highlighted span, as on NormalBuffer; off unless a frame sets it.
  SharedFloat RangeBarFrom{0.0f};
  SharedFloat RangeBarTo{0.0f};
  std::atomic<uint8_t> RangeBarFlag{0};
};

// Ring of DigitalBuffer rows (digital waterfall). Its rows change through Insert and Clear only.
class DigitalWaterBuffer : public ChangeStamped {
 public:
  DigitalWaterBuffer(unsigned points, unsigned rows);
  ~DigitalWaterBuffer();
  DigitalWaterBuffer(const DigitalWaterBuffer&) = delete;
  DigitalWaterBuffer& operator=(const DigitalWaterBuffer&) = delete;

  void Clear();
  void Insert(const float* values, int channel, float factor, bool keepRow);
  SharedFloat* GetBufferForDisplay(int age, int channel) const;

  DigitalBuffer** Rows = nullptr;
  std::atomic<int> NextRow{0};
  unsigned PointsPerRow = 0;
  unsigned RowCount = 0;
};

// Level to pixel row: height - height / (max - min) * (value - min), truncated; 0 when max = min.
int CalcPixelY(int height, float value, float min, float max);
int CalcPixelY(NormalBuffer* buffer, int index, int height);
int CalcPixelY(DigitalBuffer* buffer, int channel, unsigned index, int height);

// Rescales 8-bit detector samples in place: 64..255 -> 0..254; samples below 64 become 0.
void RescaleRawAD(unsigned char* data, int count);
