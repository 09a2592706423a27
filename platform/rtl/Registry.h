// The per-user registry, kept as an INI-style file: $XDG_CONFIG_HOME/RT7731IV/registry.ini
// ($HOME/.config when XDG_CONFIG_HOME is unset or not absolute), one section per key path
// ([Software\RT7731IV]) holding that key's string values.
#pragma once
#include <cstdint>
#include <string>

#include "platform/rtl/Classes.h"

using HKEY = uintptr_t;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

// Only HKEY_CURRENT_USER is kept; opening a key under another root fails. Nothing throws: failures
// give false, a missing value or a read without an open key gives "".
class TRegistry : public TObject {
 public:
  TRegistry() = default;
  HKEY RootKey = HKEY_CURRENT_USER;

  // key "\Software\RT7731IV" (absolute) or "Sub" (below the open key). With canCreate a missing key
  // is created in the file; false when it is missing (without canCreate) or cannot be written.
  bool OpenKey(const std::string& key, bool canCreate);
  void CloseKey();
  bool KeyExists(const std::string& key) const;             // absolute, or below the open key
  std::string CurrentPath() const { return currentPath_; }  // "Software\RT7731IV", "" when closed

  std::string ReadString(const std::string& name) const;
  bool WriteString(const std::string& name, const std::string& value);
  bool ValueExists(const std::string& name) const;
  bool DeleteValue(const std::string& name);

  // The file behind the store, from the environment at the moment of the call.
  static std::string StoreFileName();

 private:
  std::string ResolvePath(const std::string& key) const;
  std::string currentPath_;
  bool open_ = false;
};
