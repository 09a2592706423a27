#include "base/Log.h"

#include <cxxabi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "base/Globals.h"

namespace {

namespace fs = std::filesystem;

// When this run started: a log file last written before then belongs to an earlier run.
const fs::file_time_type RunStart = fs::file_time_type::clock::now();

// What our last save left on disk: which file, for which list, how many lines and bytes, and when,
// and the text it wrote.
struct SavedState {
  std::string file;
  const TStringList* list = nullptr;
  int lines = 0;
  uintmax_t bytes = 0;
  fs::file_time_type time;
  std::string text;
};
SavedState saved;
bool saveFailureReported = false;

// Lines another writer (the imaging unit) added to the file since our last save, in file order:
// for the list we saved, the lines beyond ours; for a new list, the file's lines when someone wrote
// the file after our last save of it (an untouched file holds an earlier run's lines).
struct Foreign {
  int first = 0;  // list index the file's lines correspond to from here on
  std::vector<std::string> lines;
};

Foreign ForeignLines(const std::string& fileName) {
  Foreign lines;
  std::error_code error;
  const auto written = fs::last_write_time(fileName, error);
  if (error) return lines;
  const uintmax_t bytes = fs::file_size(fileName, error);
  if (error) return lines;
  if (fileName == saved.file && saved.list == LogList && LogList->Count() > saved.lines) {
    if (bytes <= saved.bytes) return lines;
    lines.first = saved.lines;
  } else if (fileName == saved.file) {
    if (written == saved.time && bytes == saved.bytes) return lines;
  } else if (written < RunStart) {
    return lines;
  }
  TStringList file;
  try {
    file.LoadFromFile(fileName);
  } catch (const Exception&) {
    return lines;
  }
  for (int i = lines.first; i < file.Count(); ++i) lines.lines.push_back(file[i]);
  return lines;
}

void RememberSave(const std::string& fileName, std::string text) {
  std::error_code error;
  saved.text = std::move(text);
  saved.file = fileName;
  saved.list = LogList;
  saved.lines = LogList->Count();
  saved.bytes = fs::file_size(fileName, error);
  saved.time = fs::last_write_time(fileName, error);
}

// Writes the list's text by adding to the file when the file is still exactly what our last save
// left and the text only adds lines to it: the file then ends as a whole rewrite would leave it,
// without a new file for every line. False when that does not apply or the append failed.
bool AppendToSavedFile(const std::string& fileName, const std::string& text) {
  if (fileName != saved.file || saved.list != LogList) return false;
  if (text.size() <= saved.text.size() || text.compare(0, saved.text.size(), saved.text) != 0) return false;
  std::error_code error;
  if (fs::file_size(fileName, error) != saved.bytes || error || saved.bytes != saved.text.size()) return false;
  if (fs::last_write_time(fileName, error) != saved.time || error) return false;
  FILE* file = OpenTextFileForWriting(fileName, true);
  if (!file) return false;
  const size_t added = text.size() - saved.text.size();
  const bool written = std::fwrite(text.data() + saved.text.size(), 1, added, file) == added;
  return std::fclose(file) == 0 && written;
}

void SaveLog() {
  const std::string fileName = LogFileName();
  // Foreign lines join the list where they appeared, before the line just added; a line that the
  // list already holds at that place (a writer that also adds to the list) is not repeated.
  const Foreign foreign = ForeignLines(fileName);
  int index = foreign.first;
  for (const std::string& line : foreign.lines) {
    const int newest = LogList->Count() - 1;
    if (index < newest && (*LogList)[index] == line) {
      ++index;
      continue;
    }
    LogList->Insert(std::min(index, newest), line);
    index = std::min(index, newest) + 1;
  }
  try {
    std::string text = LogList->Text();
    // A failed append leaves the file different from what we saved: the whole rewrite mends it.
    if (!AppendToSavedFile(fileName, text)) LogList->SaveToFile(fileName);
    RememberSave(fileName, std::move(text));
    saveFailureReported = false;
  } catch (const Exception& e) {
    // The program keeps running without its log file; say so once until a save succeeds again.
    if (!saveFailureReported) std::fprintf(stderr, "log.txt: %s\n", e.Message.c_str());
    saveFailureReported = true;
  }
}

}  // namespace

std::string LogFileName() { return PlatformPath(LogFolder) + "log.txt"; }

std::string ClassName(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                              std::free);
  return status == 0 && name ? std::string(name.get()) : std::string(type.name());
}

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
  std::fprintf(stderr, "Error: %s\n", where.c_str());
  std::fflush(nullptr);
  ShowBoxFromAnyThread(where, "Error");
  std::fflush(nullptr);
  std::_Exit(FatalExitCode);
}

void ShowBoxFromAnyThread(const std::string& text, const std::string& caption) {
  if (IsMainThread()) {
    MessageBox(text, caption, MB_OK);
    return;
  }
  struct Handover {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool closed = false;
  };
  auto handover = std::make_shared<Handover>();
  auto mark = [handover](bool Handover::*flag) {
    {
      std::lock_guard lock(handover->mutex);
      handover.get()->*flag = true;
    }
    handover->changed.notify_all();
  };
  QueueToMainThread([mark, text, caption] {
    mark(&Handover::started);
    MessageBox(text, caption, MB_OK);
    mark(&Handover::closed);
  });
  std::unique_lock lock(handover->mutex);
  const auto startLimit = std::chrono::duration<double>(FatalBoxStartSeconds);
  if (!handover->changed.wait_for(lock, startLimit, [&] { return handover->started; })) return;
  handover->changed.wait(lock, [&] { return handover->closed; });
}

long double GetPerformanceSeconds() {
  return static_cast<long double>(QueryPerformanceCounter()) /
         static_cast<long double>(QueryPerformanceFrequency());
}
