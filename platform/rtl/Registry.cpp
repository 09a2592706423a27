#include "platform/rtl/Registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/rtl/IniCache.h"

using rtl_detail::IniDocument;

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return ".";
}

// Applies edit to the store and writes it back (creating its folder) when edit reports a change.
bool EditStore(const std::function<bool(IniDocument&)>& edit) {
  return rtl_detail::EditIniFile(TRegistry::StoreFileName(), edit, true);
}

bool StoreHasSection(const std::string& path) {
  return rtl_detail::IniFileHasSection(TRegistry::StoreFileName(), path);
}

bool StoreFind(const std::string& path, const std::string& name, std::string& value) {
  return rtl_detail::FindInIniFile(TRegistry::StoreFileName(), path, name, value);
}

// "\A\\B\" -> "A\B": no leading, trailing or doubled separators.
std::string NormaliseKeyPath(const std::string& path) {
  std::string result;
  for (char c : PlatformPath(path)) {
    if (c == '/') {
      if (!result.empty() && result.back() != '\\') result += '\\';
    } else {
      result += c;
    }
  }
  if (!result.empty() && result.back() == '\\') result.pop_back();
  return result;
}

}  // namespace

std::string TRegistry::StoreFileName() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base = xdg && xdg[0] == '/' ? xdg : HomeFolder() + "/.config";
  return IncludeTrailingPathDelimiter(base) + "RT7731IV/registry.ini";
}

std::string TRegistry::ResolvePath(const std::string& key) const {
  bool absolute = !key.empty() && (key[0] == '\\' || key[0] == '/');
  std::string path = NormaliseKeyPath(key);
  if (absolute || !open_ || currentPath_.empty()) return path;
  return path.empty() ? currentPath_ : currentPath_ + '\\' + path;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  if (RootKey != HKEY_CURRENT_USER) return false;
  std::string path = ResolvePath(key);
  if (!IniDocument::IsWritableSection(path)) return false;
  bool exists = StoreHasSection(path);
  if (!exists) {
    if (!canCreate) return false;
    if (!EditStore([&](IniDocument& document) {
          document.AddSection(path);
          return true;
        }))
      return false;
  }
  currentPath_ = path;
  open_ = true;
  return true;
}

void TRegistry::CloseKey() {
  currentPath_.clear();
  open_ = false;
}

bool TRegistry::KeyExists(const std::string& key) const {
  if (RootKey != HKEY_CURRENT_USER) return false;
  std::string path = ResolvePath(key);
  return !path.empty() && StoreHasSection(path);
}

std::string TRegistry::ReadString(const std::string& name) const {
  std::string value;
  if (!open_ || !StoreFind(currentPath_, name, value)) return "";
  return value;
}

bool TRegistry::WriteString(const std::string& name, const std::string& value) {
  if (!open_ || !IniDocument::IsWritableKey(name) || !IniDocument::IsWritableValue(value)) return false;
  return EditStore([&](IniDocument& document) {
    return document.Set(currentPath_, name, value);
  });
}

bool TRegistry::ValueExists(const std::string& name) const {
  std::string value;
  return open_ && StoreFind(currentPath_, name, value);
}

bool TRegistry::DeleteValue(const std::string& name) {
  if (!open_) return false;
  bool found = false;
  bool written = EditStore([&](IniDocument& document) {
    found = document.DeleteKey(currentPath_, name);
    return found;
  });
  return written && found;
}
