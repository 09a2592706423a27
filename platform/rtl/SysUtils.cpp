#include "platform/rtl/SysUtils.h"

#include "platform/rtl/TestClock.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

// ---- Timing ----

void Sleep(unsigned milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

namespace {
// Negative while the counter runs (see TestClock.h).
std::atomic<int64_t> stoppedCounter{-1};
}  // namespace

void StopPerformanceCounterAt(std::optional<int64_t> ticks) {
  stoppedCounter = ticks ? std::max<int64_t>(0, *ticks) : -1;
}

int64_t QueryPerformanceCounter() {
  using namespace std::chrono;
  if (const int64_t stopped = stoppedCounter.load(); stopped >= 0) return stopped;
  return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

int64_t QueryPerformanceFrequency() { return 1000000000; }

// ---- Program folder and paths ----

namespace {

std::mutex programFolderMutex;
std::string programFolderOverride;

std::string ExecutableFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "./";
  return IncludeTrailingPathDelimiter(exe.parent_path().string());
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

size_t LastSeparator(const std::string& path) {
  size_t pos = path.find_last_of("/\\");
  if (pos == std::string::npos && path.size() >= 2 && path[1] == ':') return 1;  // "X:name"
  return pos;
}

}  // namespace

std::string GetProgramFolder() {
  {
    std::lock_guard lock(programFolderMutex);
    if (!programFolderOverride.empty()) return programFolderOverride;
  }
  static const std::string folder = ExecutableFolder();
  return folder;
}

void SetProgramFolder(const std::string& folder) {
  std::lock_guard lock(programFolderMutex);
  programFolderOverride = folder.empty() ? "" : IncludeTrailingPathDelimiter(PlatformPath(folder));
}

std::string PlatformPath(const std::string& path) {
  std::string result = path;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::string ExtractFilePath(const std::string& path) {
  size_t pos = LastSeparator(path);
  return pos == std::string::npos ? "" : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  size_t pos = LastSeparator(path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : name.substr(dot);
}

std::string ExtractFileDrive(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return path.substr(0, 2);
  return "";
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && IsSeparator(path.back())) return path;
  return path + '/';
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(path, ec) && !fs::is_directory(path, ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

bool CreateDir(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::create_directory(path, ec) && !ec;
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(path, ec);
  return DirectoryExists(path);
}

// ---- Numbers ----

std::string IntToStr(long long value) { return std::to_string(value); }

std::string rtl_detail::IntToHexUnsigned(unsigned long long value, int digits) {
  static const char hex[] = "0123456789ABCDEF";
  std::string result;
  do {
    result.insert(result.begin(), hex[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (static_cast<int>(result.size()) < digits) result.insert(0, digits - result.size(), '0');
  return result;
}

bool TryStrToInt(const std::string& text, int& value) {
  std::string s = Trim(text);
  if (s.empty()) return false;
  size_t pos = 0;
  bool negative = false;
  if (s[pos] == '+' || s[pos] == '-') negative = s[pos++] == '-';
  int base = 10;
  if (pos < s.size() && s[pos] == '$') {
    base = 16;
    ++pos;
  } else if (s.size() - pos > 2 && s[pos] == '0' && (s[pos + 1] == 'x' || s[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos >= s.size() || s[pos] == '+' || s[pos] == '-') return false;
  long long magnitude = 0;
  const char* end = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(s.data() + pos, end, magnitude, base);
  if (ec != std::errc() || ptr != end) return false;
  long long signedValue = negative ? -magnitude : magnitude;
  if (base == 16 && !negative && magnitude > INT_MAX && magnitude <= UINT_MAX)
    signedValue = static_cast<int32_t>(static_cast<uint32_t>(magnitude));  // "$FFFFFFFF" is -1
  if (signedValue < INT_MIN || signedValue > INT_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}

int StrToInt(const std::string& text) {
  int value = 0;
  if (!TryStrToInt(text, value)) throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

int StrToIntDef(const std::string& text, int defaultValue) {
  int value = 0;
  return TryStrToInt(text, value) ? value : defaultValue;
}

bool TryStrToFloat(const std::string& text, double& value) {
  std::string s = Trim(text);
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  if (s.empty()) return false;
  // Only plain decimal notation: digits, one point, an optional exponent.
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '+' && c != 'e' &&
        c != 'E')
      return false;
  double parsed = 0.0;
  const char* end = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(s.data(), end, parsed, std::chars_format::general);
  if (ec != std::errc() || ptr != end || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

double StrToFloat(const std::string& text) {
  double value = 0.0;
  if (!TryStrToFloat(text, value)) throw EConvertError("'" + text + "' is not a valid floating point value");
  return value;
}

double StrToFloatDef(const std::string& text, double defaultValue) {
  double value = 0.0;
  return TryStrToFloat(text, value) ? value : defaultValue;
}

// ---- Float formatting ----

namespace {

// |value| as its 15 significant decimal digits and the power of ten of the first one.
struct Decimal15 {
  std::string digits;  // exactly 15 digits, first one non-zero (all '0' for zero)
  int exponent = 0;
};

Decimal15 ToDecimal15(double magnitude) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);
  std::string text = buffer;  // d.dddddddddddddde±xx
  Decimal15 result;
  result.digits = text.substr(0, 1) + text.substr(2, 14);
  result.exponent = std::atoi(text.c_str() + text.find('e') + 1);
  return result;
}

// Decimal digits of |value| × 10^decimals rounded half away from zero (no leading zeros; "" for 0).
std::string ScaledRoundedDigits(double magnitude, int decimals) {
  if (magnitude == 0.0) return "";
  Decimal15 d = ToDecimal15(magnitude);
  int shift = d.exponent - 14 + decimals;  // value × 10^decimals = digits × 10^shift
  std::string result;
  if (shift >= 0) {
    result = d.digits + std::string(shift, '0');
  } else if (-shift <= 15) {
    int keep = 15 + shift;
    result = d.digits.substr(0, keep);
    if (d.digits[keep] >= '5') {  // round up, carrying through nines
      int i = keep - 1;
      for (; i >= 0 && result[i] == '9'; --i) result[i] = '0';
      if (i >= 0)
        ++result[i];
      else
        result.insert(result.begin(), '1');
    }
  }
  size_t first = result.find_first_not_of('0');
  return first == std::string::npos ? "" : result.substr(first);
}

std::string NonFiniteText(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

struct Picture {
  std::string prefix, suffix;  // literal text before the first and after the first placeholder
  int integerZeros = 0;        // '0' before the point: minimum integer digits
  int decimalZeros = 0;        // '0' after the point, up to the last one: fixed decimals
  int decimalPlaces = 0;       // every placeholder after the point
  bool grouping = false;
  bool hasPlaceholder = false;
};

Picture ParsePicture(const std::string& section) {
  Picture p;
  bool afterPoint = false;
  for (size_t i = 0; i < section.size(); ++i) {
    char c = section[i];
    std::string* literal = p.hasPlaceholder ? &p.suffix : &p.prefix;
    if (c == '"' || c == '\'') {
      size_t close = section.find(c, i + 1);
      if (close == std::string::npos) close = section.size();
      *literal += section.substr(i + 1, close - i - 1);
      i = close;
    } else if (c == '0' || c == '#') {
      p.hasPlaceholder = true;
      if (afterPoint) {
        ++p.decimalPlaces;
        if (c == '0') p.decimalZeros = p.decimalPlaces;
      } else if (c == '0') {
        ++p.integerZeros;
      }
    } else if (c == '.' && !afterPoint) {
      p.hasPlaceholder = true;
      afterPoint = true;
    } else if (c == ',' && !afterPoint) {
      p.grouping = true;
    } else {
      *literal += c;
    }
  }
  return p;
}

std::string Group(const std::string& integerDigits) {
  std::string result;
  int n = static_cast<int>(integerDigits.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) result += ',';
    result += integerDigits[i];
  }
  return result;
}

std::string FormatMagnitude(const Picture& p, double magnitude) {
  if (!p.hasPlaceholder) return p.prefix;
  std::string digits = ScaledRoundedDigits(magnitude, p.decimalPlaces);
  if (static_cast<int>(digits.size()) < p.decimalPlaces)
    digits.insert(0, p.decimalPlaces - digits.size(), '0');
  std::string integerPart = digits.substr(0, digits.size() - p.decimalPlaces);
  std::string decimalPart = digits.substr(digits.size() - p.decimalPlaces);
  while (static_cast<int>(decimalPart.size()) > p.decimalZeros && decimalPart.back() == '0')
    decimalPart.pop_back();
  if (static_cast<int>(integerPart.size()) < p.integerZeros)
    integerPart.insert(0, p.integerZeros - integerPart.size(), '0');
  if (p.grouping) integerPart = Group(integerPart);
  std::string number = integerPart;
  if (!decimalPart.empty()) number += '.' + decimalPart;
  return p.prefix + number + p.suffix;
}

std::vector<std::string> SplitSections(const std::string& format) {
  std::vector<std::string> sections(1);
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      sections.emplace_back();
      continue;
    }
    sections.back() += c;
  }
  return sections;
}

}  // namespace

std::string FormatFloat(const std::string& format, double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (format.empty()) return FloatToStr(value);
  std::vector<std::string> sections = SplitSections(format);
  double magnitude = std::fabs(value);
  Picture positive = ParsePicture(sections[0]);
  bool negative = value < 0;
  const std::string* chosen = &sections[0];
  bool needsSign = false;
  if (negative) {
    if (sections.size() > 1 && !sections[1].empty())
      chosen = &sections[1];
    else
      needsSign = true;
  }
  Picture picture = ParsePicture(*chosen);
  // A value that rounds to zero shows no sign and takes the zero section when there is one.
  if (ScaledRoundedDigits(magnitude, picture.decimalPlaces).empty()) {
    needsSign = false;
    if (sections.size() > 2 && !sections[2].empty())
      picture = ParsePicture(sections[2]);
    else if (negative)
      picture = positive;
  }
  std::string text = FormatMagnitude(picture, magnitude);
  return needsSign ? "-" + text : text;
}

std::string FloatToStr(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  if (value == 0.0) return "0";
  Decimal15 d = ToDecimal15(std::fabs(value));
  std::string digits = d.digits;
  digits.erase(digits.find_last_not_of('0') + 1);
  std::string sign = value < 0 ? "-" : "";
  if (d.exponent >= 15 || d.exponent <= -5) {
    std::string mantissa = digits.substr(0, 1);
    if (digits.size() > 1) mantissa += '.' + digits.substr(1);
    return sign + mantissa + "E" + std::to_string(d.exponent);
  }
  if (d.exponent < 0) return sign + "0." + std::string(-d.exponent - 1, '0') + digits;
  int integerDigits = d.exponent + 1;
  if (static_cast<int>(digits.size()) <= integerDigits)
    return sign + digits + std::string(integerDigits - digits.size(), '0');
  return sign + digits.substr(0, integerDigits) + '.' + digits.substr(integerDigits);
}

// ---- Text ----

std::string TrimLeft(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  return text.substr(i);
}

std::string TrimRight(const std::string& text) {
  size_t n = text.size();
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= ' ') --n;
  return text.substr(0, n);
}

std::string Trim(const std::string& text) { return TrimLeft(TrimRight(text)); }

std::string UpperCase(const std::string& text) {
  std::string result = text;
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return result;
}

std::string LowerCase(const std::string& text) {
  std::string result = text;
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return result;
}

int CompareText(const std::string& a, const std::string& b) { return LowerCase(a).compare(LowerCase(b)); }

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

// ---- UTF-8 ----

namespace {

// Length of the well-formed sequence starting at text[i], 0 when it is not well formed.
size_t Utf8SequenceLength(const std::string& text, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char c = byte(i);
  size_t length;
  uint32_t codePoint;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
    codePoint = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    codePoint = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    codePoint = c & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    codePoint = codePoint << 6 | (byte(i + k) & 0x3F);
  }
  bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
  bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (overlong || surrogate || codePoint > 0x10FFFF) return 0;
  return length;
}

}  // namespace

bool IsValidUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

size_t Utf8Length(const std::string& text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) {
    size_t length = Utf8SequenceLength(text, i);
    i += length == 0 ? 1 : length;
  }
  return count;
}
