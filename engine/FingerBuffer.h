// One spectrum fingerprint of 0 to 15 GHz: analogue levels at 100 kHz spacing and digital activity
// values at 500 kHz spacing, held in memory and stored as a ".fng" file of exactly both blocks.
#pragma once
#include <cstdint>
#include <string>

class FingerBufferBase {
 public:
  static constexpr unsigned AnalogSize = 150000;  // bytes, level at k x 100 kHz
  static constexpr unsigned DigitalSize = 30000;  // bytes, activity at k x 500 kHz
  static constexpr unsigned FileSize = AnalogSize + DigitalSize;

  FingerBufferBase();
  ~FingerBufferBase();
  FingerBufferBase(const FingerBufferBase&) = delete;
  FingerBufferBase& operator=(const FingerBufferBase&) = delete;

  void Clear();
  // "Finger_d_m_yyyy__h_m_s.fng" of the local date and time, numbers without leading zeros.
  static std::string CreateFileName();
  static std::string FileNameFor(int day, int month, int year, int hour, int minute, int second);
  // Writes both blocks, replacing the file; raises EFCreateError when it cannot be written
  // (an existing file then stays as it was).
  void Save(const std::string& path);
  // Reads both blocks. False, with the buffer unchanged, when the file is missing or not exactly
  // FileSize bytes long; raises EFOpenError when an existing file cannot be read.
  bool Load(const std::string& path);
  // Why the last Load returned false ("" after a successful one), for the frame to show.
  const std::string& LoadError() const { return loadError_; }

  // Checked access: reads beyond a block give 0, writes beyond it are ignored.
  uint8_t GetAnalog(unsigned index) const;
  void SetAnalog(unsigned index, uint8_t level);
  uint8_t GetDigital(unsigned index) const;
  // Stores the low 8 bits (a difference of -3 becomes 0xFD).
  void SetDigital(unsigned index, int value);

  uint8_t* Analog = nullptr;   // AnalogSize bytes, owned
  uint8_t* Digital = nullptr;  // DigitalSize bytes, owned

 private:
  bool Refuse(const std::string& reason);
  bool RefuseSize(const std::string& path, uintmax_t size);

  std::string loadError_;
};
