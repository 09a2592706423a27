#include "engine/FingerBuffer.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/rtl/Classes.h"

FingerBufferBase::FingerBufferBase()
    : Analog(new uint8_t[AnalogSize]()), Digital(new uint8_t[DigitalSize]()) {}

FingerBufferBase::~FingerBufferBase() {
  delete[] Analog;
  delete[] Digital;
}

void FingerBufferBase::Clear() {
  std::fill(Analog, Analog + AnalogSize, uint8_t(0));
  std::fill(Digital, Digital + DigitalSize, uint8_t(0));
}

std::string FingerBufferBase::FileNameFor(int day, int month, int year, int hour, int minute, int second) {
  return "Finger_" + std::to_string(day) + "_" + std::to_string(month) + "_" + std::to_string(year) + "__" +
         std::to_string(hour) + "_" + std::to_string(minute) + "_" + std::to_string(second) + ".fng";
}

std::string FingerBufferBase::CreateFileName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return FileNameFor(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                     local.tm_sec);
}

// The file is written beside the target and then renamed over it, so a failed write never
// leaves a damaged fingerprint in place of a good one.
void FingerBufferBase::Save(const std::string& path) {
  const std::string temporary = path + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Analog), AnalogSize);
    out.write(reinterpret_cast<const char*>(Digital), DigitalSize);
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      throw EFCreateError("Cannot write the fingerprint file " + path);
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::remove(temporary.c_str());
    throw EFCreateError("Cannot write the fingerprint file " + path + ": " + error.message());
  }
}

bool FingerBufferBase::Refuse(const std::string& reason) {
  loadError_ = reason;
  return false;
}

bool FingerBufferBase::RefuseSize(const std::string& path, uintmax_t size) {
  return Refuse("The file " + path + " is not a fingerprint: it holds " + std::to_string(size) +
                " bytes instead of " + std::to_string(FileSize) + ".");
}

bool FingerBufferBase::Load(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) return Refuse("The fingerprint file " + path + " does not exist.");
  // A folder, a pipe or a device is never read: a pipe could block the program for good.
  if (!std::filesystem::is_regular_file(status))
    return Refuse("The file " + path + " is not a fingerprint: it is not a regular file.");
  const auto size = std::filesystem::file_size(path, error);
  if (error || size != FileSize) return RefuseSize(path, error ? 0 : size);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFOpenError("Cannot open the fingerprint file " + path);
  // Read into a scratch copy first (one byte more, to see a file that grew meanwhile): the blocks
  // change only when exactly the whole file was read.
  std::vector<char> bytes(FileSize + 1);
  in.read(bytes.data(), std::streamsize(bytes.size()));
  if (in.bad()) throw EFOpenError("Cannot read the fingerprint file " + path);
  if (in.gcount() != std::streamsize(FileSize)) return RefuseSize(path, uintmax_t(in.gcount()));
  std::copy(bytes.begin(), bytes.begin() + AnalogSize, Analog);
  std::copy(bytes.begin() + AnalogSize, bytes.begin() + FileSize, Digital);
  loadError_.clear();
  return true;
}

uint8_t FingerBufferBase::GetAnalog(unsigned index) const { return index < AnalogSize ? Analog[index] : 0; }

void FingerBufferBase::SetAnalog(unsigned index, uint8_t level) {
  if (index < AnalogSize) Analog[index] = level;
}

uint8_t FingerBufferBase::GetDigital(unsigned index) const {
  return index < DigitalSize ? Digital[index] : 0;
}

void FingerBufferBase::SetDigital(unsigned index, int value) {
  if (index < DigitalSize) Digital[index] = uint8_t(unsigned(value) & 0xFF);
}
