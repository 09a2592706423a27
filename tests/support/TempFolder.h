// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes. path() ends with '/'.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "rt7731_test_XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder: " + pattern);
    path_ = pattern + "/";
  }
  ~TempFolder() {
    std::error_code ignored;
    // A test may have taken the write permission away to provoke a failure.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

  // Files named relative to the folder; Write creates the folders on the way.
  void Write(const std::string& name, const std::string& content) const {
    std::filesystem::create_directories(std::filesystem::path(path_ + name).parent_path());
    WriteBytes(path_ + name, content);
  }
  std::string Read(const std::string& name) const { return ReadBytes(path_ + name); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(path_ + name); }
  // Names of the entries in the folder (to see that no temporary file is left behind).
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    return names;
  }

  // Files named by their full path.
  static void WriteBytes(const std::string& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  }
  static std::string ReadBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string path_;
};
