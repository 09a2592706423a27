#include "platform/rtl/FileText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace rtl_detail {

int OpenForReading(const std::string& path, struct stat& info) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

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
  struct stat old {};
  bool existed = ::stat(path.c_str(), &old) == 0;
  if (existed && (S_ISDIR(old.st_mode) || ::access(path.c_str(), W_OK) != 0))
    return false;  // read-only stays
  std::string name;
  int fd = CreateTemporary(path, name);
  if (fd < 0) return false;
  bool ok = (!existed || ::fchmod(fd, old.st_mode & 07777) == 0) && WriteAll(fd, content) &&
            (!flushToDisk || ::fsync(fd) == 0);
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(name.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(name.c_str());
  return ok;
}

std::mutex& FileEditMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace rtl_detail
