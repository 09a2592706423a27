// A fresh temporary folder per test, removed afterwards; path() ends with '/'.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "rt7731_shell_XXXXXX").string();
    path_ = std::string(mkdtemp(pattern.data())) + "/";
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }

  void Write(const std::string& name, const std::string& content) const {
    std::filesystem::create_directories(std::filesystem::path(path_ + name).parent_path());
    std::ofstream(path_ + name, std::ios::binary) << content;
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(path_ + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  bool Exists(const std::string& name) const { return std::filesystem::exists(path_ + name); }

 private:
  std::string path_;
};
