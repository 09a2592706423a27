#include "platform/rtl/FileText.h"
#include "platform/rtl/SysUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <set>
#include <string>

namespace rtl_detail {

namespace {

// Longest chain of symbolic links followed, as the kernel's own limit.
constexpr int MaxLinkHops = 40;

const char* NonRegularKind(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return nullptr;
}

// Says once per path what went wrong with it, so a file used hundreds of times is named once.
void ReportOnce(const std::string& path, const std::string& text) {
  static std::mutex mutex;
  static std::set<std::string> told;
  std::lock_guard lock(mutex);
  if (told.insert(path).second) std::fprintf(stderr, "%s\n", text.c_str());
}

// True for a regular file. A FIFO, socket or device is named on stderr; a folder is refused quietly.
bool IsRegular(const std::string& path, const struct stat& info) {
  if (S_ISREG(info.st_mode)) return true;
  if (const char* kind = NonRegularKind(info.st_mode))
    ReportOnce(path, path + " is " + kind + ", not a regular file: it is neither read nor written");
  errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  return false;
}

// Opens path with flags once it is known to be a regular file or missing (with O_CREAT): told first
// without opening it, then opened non-blocking (a FIFO put there meanwhile would otherwise wait) and
// told again by the descriptor. -1 for anything else.
int OpenRegular(const std::string& path, int flags, struct stat& info) {
  const bool mayCreate = flags & O_CREAT;
  if (::stat(path.c_str(), &info) == 0) {
    if (!IsRegular(path, info)) return -1;
  } else if (!mayCreate || errno != ENOENT) {
    return -1;
  }
  int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !IsRegular(path, info)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a write to path replaces: path itself, or the end of its chain of symbolic links (a
// relative link counts from the link's own folder); a dangling link gives its target. False, with a
// message, for a loop or a target whose folder does not exist: then nothing is written.
bool ResolveLinks(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0;; ++hops) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    if (hops == MaxLinkHops) {
      ReportOnce(path, path + ": too many symbolic links on the way to the file: it is not written");
      return false;
    }
    char buffer[4096];
    const ssize_t n = ::readlink(target.c_str(), buffer, sizeof buffer);
    if (n <= 0 || size_t(n) == sizeof buffer) return false;
    const std::string next(buffer, size_t(n));
    target = next[0] == '/' ? next : FolderOf(target) + next;
  }
  if (target == path) return true;
  const std::string folder = FolderOf(target);
  struct stat info {};
  if (::stat(folder.empty() ? "." : folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    ReportOnce(path, path + " links to " + target + ", whose folder does not exist: it is not written");
    return false;
  }
  return true;
}

}  // namespace

bool ExistsButIsNotRegular(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !IsRegular(path, info);
}

int OpenForReading(const std::string& path, struct stat& info) { return OpenRegular(path, O_RDONLY, info); }

bool ReadWholeFile(const std::string& path, std::string& content) {
  struct stat info {};
  int fd = OpenForReading(path, info);
  if (fd < 0) return false;
  bool ok = ReadToEnd(fd, content, info.st_size > 0 ? size_t(info.st_size) : 0);
  ::close(fd);
  return ok;
}

bool ReadToEnd(int fd, std::string& content, size_t sizeHint) {
  std::string result;
  result.reserve(sizeHint);
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    result.append(buffer, static_cast<size_t>(n));
  }
  content = std::move(result);
  return true;
}

namespace {

bool WriteAll(int fd, const std::string& content) {
  size_t written = 0;
  while (written < content.size()) {
    ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<size_t>(n);
  }
  return true;
}

// Creates a new temporary file beside path; the umask applies as to any new file.
int CreateTemporary(const std::string& path, std::string& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& content, bool flushToDisk) {
  if (path.empty() || path.back() == '/') return false;
  // Renaming over a link would replace the link by a file and leave its target as it was.
  std::string target;
  if (!ResolveLinks(path, target)) return false;
  struct stat old {};
  bool existed = ::stat(target.c_str(), &old) == 0;
  if (existed && (!IsRegular(path, old) || ::access(target.c_str(), W_OK) != 0))
    return false;  // read-only stays, and a FIFO or device is never replaced
  std::string name;
  int fd = CreateTemporary(target, name);
  if (fd < 0) return false;
  bool ok = (!existed || ::fchmod(fd, old.st_mode & 07777) == 0) && WriteAll(fd, content) &&
            (!flushToDisk || ::fsync(fd) == 0);
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(name.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(name.c_str());
  return ok;
}

std::mutex& FileEditMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace rtl_detail

FILE* OpenTextFileForWriting(const std::string& path, bool append) {
  struct stat info {};
  const int fd = rtl_detail::OpenRegular(path, O_WRONLY | O_CREAT | (append ? O_APPEND : 0), info);
  if (fd < 0) return nullptr;
  // Emptied only now that it is known to be a regular file.
  if (!append && ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  FILE* file = ::fdopen(fd, append ? "a" : "w");
  if (!file) ::close(fd);
  return file;
}
