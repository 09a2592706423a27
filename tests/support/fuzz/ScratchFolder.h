// A folder for the files a fuzz driver writes, made once per process and removed at exit. It lies in
// /dev/shm where that exists: the drivers write and sync a file per input, which on a disk would set
// the pace of the run.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzz {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code error;
    const bool shm = std::filesystem::is_directory("/dev/shm", error);
    std::string pattern = (shm ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path()) /
                          "rt7731_fuzz_XXXXXX";
    path_ = std::string(mkdtemp(pattern.data())) + "/";
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Ends with '/'.
  const std::string& Path() const { return path_; }

  void Write(const std::string& name, const uint8_t* data, size_t size) const {
    std::filesystem::create_directories(std::filesystem::path(path_ + name).parent_path());
    std::ofstream(path_ + name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  }
  void Write(const std::string& name, const std::string& text) const {
    Write(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path_ + name, std::ios::binary | std::ios::ate);
    std::string text(in ? size_t(in.tellg()) : 0, '\0');
    in.seekg(0);
    in.read(text.data(), std::streamsize(text.size()));
    return text;
  }
  void Remove(const std::string& name) const {
    std::error_code ignored;
    std::filesystem::remove(path_ + name, ignored);
  }

 private:
  std::string path_;
};

}  // namespace fuzz
