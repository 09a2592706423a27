#include "platform/scene/TextureFileCache.h"

#include "platform/scene/Scene.h"

#include <sys/stat.h>

#include <atomic>
#include <map>
#include <mutex>
#include <tuple>

namespace scene {

namespace {

// What tells one version of a file from another.
struct FileIdentity {
  int64_t size = 0;
  int64_t modifiedNs = 0;
  bool operator==(const FileIdentity&) const = default;
};

bool IdentityOf(const std::string& path, FileIdentity& identity) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  identity = {static_cast<int64_t>(st.st_size),
              static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  return true;
}

using Key = std::tuple<std::string, int, int, uint32_t>;  // path, width, height, colour key

struct Entry {
  FileIdentity identity;
  QImage image;
};

// Images larger than this are made anew each time (the radar's big textures are loaded once and
// would only hold memory), and the kept images together stay within the total.
constexpr qsizetype MaxKeptImageBytes = 1 << 20;
constexpr qsizetype MaxKeptBytes = 16 << 20;

std::mutex mutex;
std::map<Key, Entry> kept;
qsizetype keptBytes = 0;
std::atomic<int> decodes{0};

void Keep(const Key& key, const FileIdentity& identity, const QImage& image) {
  const qsizetype bytes = image.sizeInBytes();
  std::lock_guard lock(mutex);
  auto it = kept.find(key);
  if (it != kept.end()) {
    keptBytes -= it->second.image.sizeInBytes();
    kept.erase(it);
  }
  if (bytes > MaxKeptImageBytes || keptBytes + bytes > MaxKeptBytes) return;
  kept.emplace(key, Entry{identity, image});
  keptBytes += bytes;
}

}  // namespace

QImage SharedTextureImage(const std::string& path, int width, int height, uint32_t colorKey,
                          const std::function<QImage()>& make) {
  const Key key{path, width, height, colorKey};
  FileIdentity identity;
  const bool found = IdentityOf(path, identity);
  if (found) {
    std::lock_guard lock(mutex);
    auto it = kept.find(key);
    if (it != kept.end() && it->second.identity == identity) return it->second.image;
  }
  // The identity was taken before reading: a file that changes while it is read is read again next time.
  QImage image = make();
  ++decodes;
  if (found && !image.isNull()) Keep(key, identity, image);
  return image;
}

int Texture::FileDecodes() { return decodes.load(); }

}  // namespace scene
