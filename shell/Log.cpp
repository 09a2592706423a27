#include "shell/Log.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "shell/Globals.h"

namespace {

namespace fs = std::filesystem;

// What our last save left in the file: for which list, how many lines, how many bytes, and when.
// A file last written before this run started belongs to an earlier run.
struct SavedState {
  const TStringList* list = nullptr;
  int lines = 0;
  uintmax_t bytes = 0;
  fs::file_time_type time = fs::file_time_type::clock::now();
};
SavedState saved;
bool saveFailureReported = false;

// Lines another writer (the imaging unit) appended to the file since our last save, in file order.
// For a new list, the file's lines count when the file was written after our last save (or, before
// any save, during this run); for the same list, the lines beyond those we wrote.
TStringList ForeignLines(const std::string& fileName) {
  TStringList lines;
  std::error_code error;
  const auto written = fs::last_write_time(fileName, error);
  if (error) return lines;
  const uintmax_t bytes = fs::file_size(fileName, error);
  if (error) return lines;
  int first = 0;
  if (saved.list == LogList && LogList->Count() > saved.lines) {  // the same list, grown since
    if (bytes <= saved.bytes) return lines;
    first = saved.lines;
  } else if (written <= saved.time) {
    return lines;
  }
  TStringList file;
  try {
    file.LoadFromFile(fileName);
  } catch (const Exception&) {
    return lines;
  }
  for (int i = first; i < file.Count(); ++i) lines.Add(file[i]);
  return lines;
}

void RememberSave(const std::string& fileName) {
  std::error_code error;
  saved.list = LogList;
  saved.lines = LogList->Count();
  saved.bytes = fs::file_size(fileName, error);
  saved.time = fs::last_write_time(fileName, error);
}

void SaveLog() {
  const std::string fileName = LogFileName();
  const TStringList foreign = ForeignLines(fileName);
  for (int i = 0; i < foreign.Count(); ++i) LogList->Insert(LogList->Count() - 1, foreign[i]);
  try {
    LogList->SaveToFile(fileName);
    RememberSave(fileName);
    saveFailureReported = false;
  } catch (const Exception& e) {
    // The program keeps running without its log file; say so once until a save succeeds again.
    if (!saveFailureReported) std::fprintf(stderr, "log.txt: %s\n", e.Message.c_str());
    saveFailureReported = true;
  }
}

}  // namespace

std::string LogFileName() { return PlatformPath(LogFolder) + "log.txt"; }

void WriteLog(const std::string& line, bool save) {
  if (!LogList) return;
  LogList->Add(line);
  if (save) SaveLog();
  if (Application) Application->ProcessMessages();
}

void WriteLog2(const std::string& text, const std::string& text2, bool save) {
  WriteLog(text + "     " + text2, save);
}

void ReportFatalError(const std::string& where) {
  MessageBox(where, "Error", MB_OK);
  std::fflush(nullptr);
  std::_Exit(FatalExitCode);
}

uint32_t ColorToARGB(int colour, uint8_t alpha) {
  return uint32_t(alpha) << 24 | uint32_t(colour & 0xFF) << 16 | uint32_t(colour & 0xFF00) |
         uint32_t((colour >> 16) & 0xFF);
}

long double GetPerformanceSeconds() {
  return static_cast<long double>(QueryPerformanceCounter()) / static_cast<long double>(QueryPerformanceFrequency());
}
