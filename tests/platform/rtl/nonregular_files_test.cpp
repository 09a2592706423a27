// Files that are not plain files: a FIFO, socket or device at a settings or log path is never
// opened (opening a FIFO waits for its other end for ever) and never replaced; a symbolic link is
// written through to its target, so the link stays.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "platform/rtl/Classes.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// ---- FIFO, socket, device ----

enum class NonRegular { Fifo, Socket, Device };

struct NonRegularCase {
  const char* name;
  NonRegular kind;
};

// Puts the non-regular file at path (the device through a link to /dev/zero, which never ends).
void MakeNonRegular(NonRegular kind, const std::string& path, int& socketFd) {
  switch (kind) {
    case NonRegular::Fifo:
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
      break;
    case NonRegular::Socket: {
      socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      ASSERT_LT(path.size(), sizeof address.sun_path);
      std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
      ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
      break;
    }
    case NonRegular::Device:
      fs::create_symlink("/dev/zero", path);
      break;
  }
}

// Should an open of the FIFO block after all, keeps opening its other end once the test has waited
// long enough, so a fault fails the test instead of hanging it.
class FifoRelease {
 public:
  explicit FifoRelease(std::string path) : path_(std::move(path)), thread_([this] { Run(); }) {}
  ~FifoRelease() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  bool Released() const { return released_; }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    if (wake_.wait_for(lock, std::chrono::seconds(30), [this] { return done_; })) return;
    released_ = true;
    do {
      const int fd = ::open(path_.c_str(), O_RDWR | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
    } while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return done_; }));
  }
  std::string path_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::atomic<bool> released_{false};
  std::thread thread_;
};

mode_t KindOf(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

class NonRegularFileTest : public testing::TestWithParam<NonRegularCase> {
 protected:
  void SetUp() override { MakeNonRegular(GetParam().kind, file, socketFd); }
  void TearDown() override {
    if (socketFd >= 0) ::close(socketFd);
  }
  TempFolder temp;
  std::string file = temp / "RT7731IV.INI";
  int socketFd = -1;
};

TEST_P(NonRegularFileTest, IsNeitherReadNorWrittenAndNamedOnce) {
  const mode_t kind = KindOf(file);
  testing::internal::CaptureStderr();
  {
    FifoRelease release(file);
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadInteger("FORM", "Left", 100), 100);
    EXPECT_FALSE(ini.WriteInteger("FORM", "Left", 5));
    EXPECT_EQ(ini.ReadString("FORM", "Left", "default"), "default");

    TStringList log;
    EXPECT_THROW(log.LoadFromFile(file), Exception);
    log.Add("Panels erzeugt...");
    EXPECT_THROW(log.SaveToFile(file), Exception);

    for (bool append : {false, true}) {
      FILE* opened = OpenTextFileForWriting(file, append);
      EXPECT_EQ(opened, nullptr) << "append " << append;
      if (opened) std::fclose(opened);
    }
    EXPECT_FALSE(release.Released()) << "an open waited for the FIFO's other end";
  }
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(file + " is "), std::string::npos) << said;
  EXPECT_NE(said.find("not a regular file"), std::string::npos) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "said once: " << said;
  EXPECT_EQ(KindOf(file), kind) << "replaced";
  EXPECT_EQ(temp.Entries(), std::vector<std::string>{"RT7731IV.INI"});  // no temporary file left
}

INSTANTIATE_TEST_SUITE_P(Kinds, NonRegularFileTest,
                         testing::Values(NonRegularCase{"Fifo", NonRegular::Fifo}, NonRegularCase{"Socket", NonRegular::Socket},
                                         NonRegularCase{"DeviceThroughALink", NonRegular::Device}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Symbolic links ----

struct LinkCase {
  const char* name;
  const char* link;      // what the link at the settings path holds ("": the target's absolute path)
  const char* target;    // the file it ends at, relative to the temporary folder
  const char* between;   // a second link on the way ("" for none): its name and what it holds
  const char* betweenTo;
};

class LinkTest : public testing::TestWithParam<LinkCase> {
 protected:
  void SetUp() override {
    fs::create_directories(temp / "program");
    fs::create_directories(temp / "elsewhere");
    if (*GetParam().between) fs::create_symlink(GetParam().betweenTo, temp / GetParam().between);
    linkText = *GetParam().link ? std::string(GetParam().link) : Target();
    fs::create_symlink(linkText, file);
  }
  std::string Target() const { return temp / GetParam().target; }
  TempFolder temp;
  std::string file = temp / "program/RT7731IV.INI";
  std::string linkText;
};

TEST_P(LinkTest, WritesGoToTheLinksTargetAndTheLinkStays) {
  const bool targetExists = std::string(GetParam().name).find("Dangling") == std::string::npos;
  if (targetExists) {
    TempFolder::WriteBytes(Target(), "[FORM]\nLeft=1\n[USER]\nKept=yes\n");
    ::chmod(Target().c_str(), 0640);
  }
  TIniFile ini(file);
  EXPECT_TRUE(ini.WriteInteger("FORM", "Left", 2));
  EXPECT_EQ(ini.ReadInteger("FORM", "Left", 0), 2);
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(fs::read_symlink(file), linkText);
  const std::string written = TempFolder::ReadBytes(Target());
  EXPECT_NE(written.find("Left=2"), std::string::npos) << written;
  if (targetExists) {
    EXPECT_NE(written.find("Kept=yes"), std::string::npos) << written;
    EXPECT_EQ(fs::status(Target()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  }
  // The list class (the start-up log) writes through the same way.
  TStringList log;
  log.Add("Panels erzeugt...");
  log.SaveToFile(file);
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(TempFolder::ReadBytes(Target()), "Panels erzeugt...\r\n");
  // No temporary file is left beside the link or the target.
  for (const char* folder : {"program", "elsewhere"})
    for (const auto& entry : fs::directory_iterator(temp / folder))
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkTest,
    testing::Values(LinkCase{"Absolute", "", "elsewhere/user.ini", "", ""},
                    LinkCase{"Relative", "../elsewhere/user.ini", "elsewhere/user.ini", "", ""},
                    LinkCase{"Chain", "../elsewhere/hop.ini", "elsewhere/user.ini", "elsewhere/hop.ini", "user.ini"},
                    LinkCase{"DanglingIntoAFolderThatExists", "../elsewhere/new.ini", "elsewhere/new.ini", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A dangling link into a folder that does not exist: a clear error, and nothing lost.
TEST(DanglingLinkTest, IntoAMissingFolderIsRefusedAndTheLinkStays) {
  TempFolder temp;
  const std::string file = temp / "RT7731IV.INI";
  fs::create_symlink(temp / "gone/user.ini", file);
  testing::internal::CaptureStderr();
  TIniFile ini(file);
  EXPECT_FALSE(ini.WriteInteger("FORM", "Left", 2));
  TStringList log;
  log.Add("line");
  EXPECT_THROW(log.SaveToFile(file), Exception);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(file + " links to " + temp / "gone/user.ini"), std::string::npos) << said;
  EXPECT_NE(said.find("folder does not exist"), std::string::npos) << said;
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_FALSE(fs::exists(temp / "gone"));
  EXPECT_EQ(temp.Entries(), std::vector<std::string>{"RT7731IV.INI"});
}

// A loop of links is refused as well, instead of being followed for ever.
TEST(DanglingLinkTest, ALoopOfLinksIsRefused) {
  TempFolder temp;
  const std::string file = temp / "RT7731IV.INI";
  fs::create_symlink("other.ini", file);
  fs::create_symlink("RT7731IV.INI", temp / "other.ini");
  TIniFile ini(file);
  EXPECT_FALSE(ini.WriteInteger("FORM", "Left", 2));
  testing::internal::CaptureStderr();
  TStringList log;
  log.Add("line");
  EXPECT_THROW(log.SaveToFile(file), Exception);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("too many symbolic links"), std::string::npos) << said;
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_TRUE(fs::is_symlink(temp / "other.ini"));
}

}  // namespace
