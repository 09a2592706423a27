// Start-up log, fatal-error report and shared utility functions.
#pragma once
#include <cstdint>
#include <string>
#include <typeinfo>

// Exit code of the process after a fatal error: not 0, so that whatever watches the program does
// not take a fatal error for a normal end.
constexpr int FatalExitCode = 1;

// Appends line to LogList (nothing when LogList does not exist), with save leaves LogFolder +
// "log.txt" holding the whole list (CR LF line ends), then lets the message queue run once.
// Lines that other writers appended to the file during this run are kept.
void WriteLog(const std::string& line, bool save = true);
// WriteLog of text + five blanks + text2.
void WriteLog2(const std::string& text, const std::string& text2, bool save = true);
// Shows a box with the text where and the caption "Error" (from a worker: on the GUI thread, as
// ShowBoxFromAnyThread), then ends the process with FatalExitCode (no destructors run).
[[noreturn]] void ReportFatalError(const std::string& where);
// A box with an OK button, from any thread. From a worker the box is handed to the GUI thread, and
// the call returns once the operator has closed it. A GUI thread that does not take the box within
// FatalBoxStartSeconds (it may itself be waiting for this worker to end) leaves the report to
// stderr alone.
inline constexpr double FatalBoxStartSeconds = 30.0;
void ShowBoxFromAnyThread(const std::string& text, const std::string& caption);
// A colour with red in the low byte (0x00BBGGRR) as a scene colour 0xAARRGGBB with the given alpha.
constexpr uint32_t ColorToARGB(int colour, uint8_t alpha) {
  return uint32_t(alpha) << 24 | uint32_t(colour & 0xFF) << 16 | uint32_t(colour & 0xFF00) |
         uint32_t((colour >> 16) & 0xFF);
}
// The performance counter in seconds.
long double GetPerformanceSeconds();
// LogFolder + "log.txt" as a platform path.
std::string LogFileName();
// The readable name of a class ("SweepVlfThread"), for reports that name a thread or view.
std::string ClassName(const std::type_info& type);
