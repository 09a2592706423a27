#include "platform/rtl/IniCache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <map>

#include "platform/rtl/FileText.h"
#include "platform/rtl/SysUtils.h"

namespace rtl_detail {

namespace {

// Files kept parsed; the least recently used goes first.
constexpr size_t MaxCachedFiles = 8;

int64_t Nanoseconds(const timespec& t) { return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

struct Stamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified = 0, changed = 0;  // ns
  bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const struct stat& info) {
  return {true, info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
}

struct Entry {
  Stamp stamp;
  IniDocument document;
  bool tooLarge = false;
  bool trusted = false;  // false: read again at the next use (racy, see RacyWindowNs)
  uint64_t lastUse = 0;
};

std::map<std::string, Entry>& Cache() {
  static std::map<std::string, Entry> cache;
  return cache;
}

std::atomic<uint64_t> parseCount{0};
uint64_t useClock = 0;

int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

void ReportTooLarge(const std::string& path, off_t size) {
  std::fprintf(stderr,
               "%s: %lld bytes is more than a settings file can hold (at most %lld): its values are not "
               "read (defaults are used) and it is not written\n",
               path.c_str(), static_cast<long long>(size), static_cast<long long>(MaxIniFileBytes));
}

// Reads and parses the file into entry; false when it cannot be read.
bool Fill(const std::string& path, Entry& entry) {
  const int64_t readAt = NowNs();
  struct stat info {};
  int fd = OpenForReading(path, info);
  if (fd < 0) return false;
  entry.stamp = StampOf(info);
  entry.tooLarge = info.st_size > MaxIniFileBytes;
  entry.trusted = entry.tooLarge || readAt - entry.stamp.changed >= RacyWindowNs;
  std::string text;
  // The stamp was taken first: a change while reading makes the next use read again.
  const bool read = entry.tooLarge || ReadToEnd(fd, text, size_t(info.st_size));
  ::close(fd);
  if (!read) return false;
  if (entry.tooLarge) {
    ReportTooLarge(path, info.st_size);
    return true;
  }
  entry.document.Parse(text);
  ++parseCount;
  return true;
}

void EvictLeastRecentlyUsed() {
  auto& cache = Cache();
  while (cache.size() > MaxCachedFiles) {
    auto oldest = cache.begin();
    for (auto it = cache.begin(); it != cache.end(); ++it)
      if (it->second.lastUse < oldest->second.lastUse) oldest = it;
    cache.erase(oldest);
  }
}

// The file's parsed content, read again when the file changed; nullptr when it exists but cannot be
// read. Call with FileEditMutex held.
Entry* Current(const std::string& path) {
  auto& cache = Cache();
  Stamp stamp;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    stamp = StampOf(info);
  } else if (errno != ENOENT) {
    cache.erase(path);
    return nullptr;
  }
  auto found = cache.find(path);
  if (found == cache.end() || !found->second.trusted || !(found->second.stamp == stamp)) {
    Entry fresh;
    if (stamp.exists && !Fill(path, fresh)) {
      cache.erase(path);
      return nullptr;
    }
    if (!stamp.exists) fresh.trusted = true;  // a missing file reads as empty until it appears
    found = cache.insert_or_assign(path, std::move(fresh)).first;
  }
  found->second.lastUse = ++useClock;
  EvictLeastRecentlyUsed();  // never this entry: it is the most recently used
  return &found->second;
}

}  // namespace

void ReadIniFile(const std::string& path, const std::function<void(const IniDocument&)>& read) {
  static const IniDocument empty;
  std::lock_guard lock(FileEditMutex());
  const Entry* entry = Current(path);
  read(entry && !entry->tooLarge ? entry->document : empty);
}

bool FindInIniFile(const std::string& path, const std::string& section, const std::string& key,
                   std::string& value) {
  bool found = false;
  ReadIniFile(path, [&](const IniDocument& document) { found = document.Find(section, key, value); });
  return found;
}

bool IniFileHasSection(const std::string& path, const std::string& section) {
  bool exists = false;
  ReadIniFile(path, [&](const IniDocument& document) { exists = document.HasSection(section); });
  return exists;
}

bool EditIniFile(const std::string& path, const std::function<bool(IniDocument&)>& edit, bool createFolder) {
  std::lock_guard lock(FileEditMutex());
  Entry* entry = Current(path);
  if (!entry || entry->tooLarge) return false;
  if (!edit(entry->document)) return true;
  const bool written = (!createFolder || ForceDirectories(ExtractFilePath(path))) &&
                       WriteFileAtomically(path, entry->document.Serialize());
  struct stat info {};
  if (written && ::stat(path.c_str(), &info) == 0) {
    // The file now holds what was written: the edited copy stays, without reading the file back.
    entry->stamp = StampOf(info);
    entry->trusted = true;
  } else {
    Cache().erase(path);  // the copy no longer matches the file
  }
  return written;
}

uint64_t IniFileParseCount() { return parseCount; }

}  // namespace rtl_detail
