// Basic run-time services: exceptions, timing, the program folder, paths, files and text conversions.
// Standard C++ only. Numbers are always written and read with '.' as the decimal separator.
#pragma once
#include <concepts>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <type_traits>

using AnsiString = std::string;  // text is UTF-8 throughout

// Base of every exception the platform raises; Message is what a box or log shows.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  std::string Message;
};

// A text that is not a number of the requested kind.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// ---- Timing ----
void Sleep(unsigned milliseconds);
// Monotonic counter and its ticks per second (nanoseconds of the steady clock).
int64_t QueryPerformanceCounter();
int64_t QueryPerformanceFrequency();

// ---- Program folder and paths ----
// Folder of the running executable (from /proc/self/exe) with a trailing '/'.
std::string GetProgramFolder();
// Makes GetProgramFolder return folder (a trailing '/' is added); "" returns to the executable's folder.
// For tests and tools that run the system from a copy of the program folder.
void SetProgramFolder(const std::string& folder);
// Turns the system's relative names ("Elements\Panel101101.bmp") into Linux paths ('\' -> '/').
std::string PlatformPath(const std::string& path);
std::string ExtractFilePath(const std::string& path);   // up to and including the last separator
std::string ExtractFileName(const std::string& path);   // after the last separator
std::string ExtractFileExt(const std::string& path);    // ".ext" of the name, "" when none
std::string ExtractFileDrive(const std::string& path);  // "X:" of a drive path, "" otherwise
std::string IncludeTrailingPathDelimiter(const std::string& path);
bool FileExists(const std::string& path);  // a file (not a folder) exists
bool DirectoryExists(const std::string& path);
bool CreateDir(const std::string& path);         // one level; false when it fails or exists
bool ForceDirectories(const std::string& path);  // every missing level; true when the folder exists after
// Opens a text file to write it anew (append false) or to append to it, creating it when missing, as
// fopen's "w" and "a" do; nullptr when it cannot be opened or is not a regular file (a FIFO, socket
// or device there is named on stderr and never opened: opening a FIFO waits for a reader).
std::FILE* OpenTextFileForWriting(const std::string& path, bool append);

// ---- Numbers and text ----
std::string IntToStr(long long value);
// Hexadecimal, upper case, at least digits long; negative values show their two's complement in the
// argument's own width (IntToHex(-1, 2) == "FFFFFFFF" for an int).
namespace rtl_detail {
std::string IntToHexUnsigned(unsigned long long value, int digits);
}
template <std::integral T>
std::string IntToHex(T value, int digits) {
  return rtl_detail::IntToHexUnsigned(
      static_cast<unsigned long long>(static_cast<std::make_unsigned_t<T>>(value)), digits);
}
// Decimal ("-12"), or hexadecimal with "$" or "0x"; blanks around the number are allowed.
// StrToInt raises EConvertError for anything else or a value outside the int range.
int StrToInt(const std::string& text);
int StrToIntDef(const std::string& text, int defaultValue);
bool TryStrToInt(const std::string& text, int& value);
// '.' decimal separator, optional exponent; blanks around the number are allowed; no "inf"/"nan".
double StrToFloat(const std::string& text);
double StrToFloatDef(const std::string& text, double defaultValue);
bool TryStrToFloat(const std::string& text, double& value);

// Formats value by a picture such as "0.000", "#0.0", "0.0 MHz", "#,##0.00", "0.00;-0.00;zero":
// '0' digit, '#' optional digit, '.' decimal point, ',' thousands grouping, "..."/'...' literal text,
// other characters literal, up to three sections (positive; negative; zero). Rounds half away from
// zero on the value's 15 significant digits (34.545 with "0.00" gives "34.55"). Empty picture: FloatToStr.
std::string FormatFloat(const std::string& format, double value);
// General form with up to 15 significant digits and no trailing zeros ("0", "10.7", "1E20", "1.5E-7").
std::string FloatToStr(double value);

std::string Trim(const std::string& text);  // removes blanks and control characters at both ends
std::string TrimLeft(const std::string& text);
std::string TrimRight(const std::string& text);
std::string UpperCase(const std::string& text);  // ASCII letters only
std::string LowerCase(const std::string& text);
int CompareText(const std::string& a, const std::string& b);  // ASCII case-insensitive, <0 / 0 / >0
bool SameText(const std::string& a, const std::string& b);

// ---- UTF-8 ----
bool IsValidUtf8(const std::string& text);
size_t Utf8Length(const std::string& text);  // code points (an invalid byte counts as one)
