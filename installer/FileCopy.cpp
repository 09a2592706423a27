#include "installer/FileCopy.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

CopyResult Failed(const std::string& reason) { return {false, reason}; }

CopyResult CheckTarget(const std::string& target) {
  std::error_code ec;
  if (!fs::is_directory(target, ec)) return Failed(target + " fehlt...");
  return {true, ""};
}

}  // namespace

CopyResult CopyFolderContent(const std::string& source, const std::string& target) {
  std::error_code ec;
  if (!fs::is_directory(source, ec)) return Failed(source + " fehlt...");
  if (fs::is_empty(source, ec) || ec) return Failed(source + " ist leer...");
  if (CopyResult checked = CheckTarget(target); !checked.ok) return checked;
  for (const fs::directory_entry& entry : fs::directory_iterator(source, ec)) {
    fs::copy(entry.path(), fs::path(target) / entry.path().filename(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) return Failed(entry.path().string() + ": " + ec.message());
  }
  if (ec) return Failed(source + ": " + ec.message());
  return {true, ""};
}

CopyResult CopyFileInto(const std::string& source, const std::string& target) {
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) return Failed(source + " fehlt...");
  if (CopyResult checked = CheckTarget(target); !checked.ok) return checked;
  fs::copy_file(source, fs::path(target) / fs::path(source).filename(), fs::copy_options::overwrite_existing,
                ec);
  if (ec) return Failed(source + ": " + ec.message());
  return {true, ""};
}

bool IsSameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}
