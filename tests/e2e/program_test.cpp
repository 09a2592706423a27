// The whole program, started headless from a temporary copy of the program folder.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits until condition holds, checking every 50 ms; false after limit.
bool PollFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

class ProgramRun : public testing::Test {
 protected:
  void SetUp() override {
    root = temp.path();
    program = root / "program";
    config = root / "config";
    fs::create_directories(program);
    fs::create_directories(config);
    const fs::path bin = RT_BIN_DIR;
    for (const char* name : {"RT7731_IV", "libusb2.so", "Elements", "Images", "meshes", "Sounds"})
      if (fs::exists(bin / name)) fs::copy(bin / name, program / name, fs::copy_options::recursive);
  }

  void TearDown() override {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }

  void Scenario(const std::string& text) { std::ofstream(program / "usb2sim.ini") << text; }

  // Boxes and dialogs wait for a person, as with a display, instead of answering at once.
  void Launch(bool dialogsWait = false) {
    pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const std::string err = (root / "stderr.txt").string();
      freopen(err.c_str(), "w", stderr);
      freopen("/dev/null", "w", stdout);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("XDG_CONFIG_HOME", config.c_str(), 1);
      unsetenv("USB2SIM_SCENARIO");
      if (dialogsWait) setenv("VCL_HEADLESS_DIALOGS", "wait", 1);
      for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
      const std::string exe = (program / "RT7731_IV").string();
      execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }

  // The exit code once the program has ended within limit; -1 when it is still running.
  int WaitForExit(std::chrono::seconds limit) {
    int status = 0;
    const bool ended = PollFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit);
    if (!ended) return -1;
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  bool Running() { return waitpid(pid, nullptr, WNOHANG) == 0; }

  std::string Log() const { return ReadFile(program / "log.txt"); }
  std::string Ini() const { return ReadFile(program / "RT7731IV.INI"); }
  std::string Registry() const { return ReadFile(config / "RT7731IV" / "registry.ini"); }
  std::string Stderr() const { return ReadFile(root / "stderr.txt"); }

  // The start-up lines, in the order the log must hold them.
  static void ExpectStartUpLog(const std::string& log) {
    const char* lines[] = {"Panels erzeugt...",     "xBase     prüfen", "xBase     gestartet",
                           "vor Frames...",         "nach Frames...",   "vor Test...",
                           "vor TestMesh->Open...", "nach Test...",     "nach InitHardware...",
                           "nach UpdateFromIni...", "nach InitSkin...", "nach ClearInfo..."};
    size_t at = 0;
    for (const char* line : lines) {
      const size_t found = log.find(std::string(line) + "\r\n", at);
      ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
      at = found;
    }
  }

  static void ExpectFormKeys(const std::string& ini) {
    for (const char* key : {"[FORM]", "Left=", "Top=", "Width=", "Height=", "MAXIMIZED="})
      EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
  }

  TempFolder temp;
  fs::path root, program, config;
  std::vector<std::pair<std::string, std::string>> environment;  // set in the program's environment
  pid_t pid = -1;
};

// A display server on a local TCP port that accepts a connection and never answers: a program that
// makes its GUI there is held inside that step until the server goes away, and then carries on
// without a display ("xcb;offscreen" falls back to the offscreen platform).
class SilentDisplay {
 public:
  SilentDisplay() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (number_ = 50; number_ < 100; ++number_) {
      address.sin_port = htons(static_cast<uint16_t>(6000 + number_));
      if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
    }
    listen(listener_, 1);
  }
  ~SilentDisplay() { GoAway(); }
  std::string Name() const { return "127.0.0.1:" + std::to_string(number_); }
  // True once a program has connected (within limit).
  bool Connected(std::chrono::seconds limit) {
    pollfd wait{listener_, POLLIN, 0};
    if (poll(&wait, 1, int(std::chrono::milliseconds(limit).count())) != 1) return false;
    client_ = accept(listener_, nullptr, nullptr);
    return client_ >= 0;
  }
  void GoAway() {
    for (int* fd : {&client_, &listener_})
      if (*fd >= 0) {
        close(*fd);
        *fd = -1;
      }
  }

 private:
  int listener_ = -1, client_ = -1, number_ = 0;
};

TEST_F(ProgramRun, WithTheInstrumentItRunsUntilTerminated) {
  Scenario("[device]\npace=fast\n[eeprom]\ncell.50=1\n");
  Launch();
  // The registry value is the constructor's last step.
  ASSERT_TRUE(PollFor([&] { return Registry().find("Distributor=tarvix") != std::string::npos; },
                      std::chrono::seconds(120)))
      << Stderr();
  // Without the link the exit screen would end the program within about 3 s.
  std::this_thread::sleep_for(std::chrono::seconds(4));
  ASSERT_TRUE(Running()) << Log();
  kill(pid, SIGTERM);
  EXPECT_EQ(WaitForExit(std::chrono::seconds(60)), 0);
  ExpectStartUpLog(Log());
  ExpectFormKeys(Ini());
}

TEST_F(ProgramRun, WithoutTheInstrumentItEndsThroughTheExitScreen) {
  Scenario("[device]\npresent=0\n");
  Launch();
  EXPECT_EQ(WaitForExit(std::chrono::seconds(120)), 0) << Stderr();
  ExpectStartUpLog(Log());
  ExpectFormKeys(Ini());
  EXPECT_EQ(Registry().find("Distributor"), std::string::npos);  // nothing was read from the instrument
  // The user is told why the program ended, on stderr and in the log.
  EXPECT_NE(Stderr().find("no link to the instrument"), std::string::npos) << Stderr();
  EXPECT_NE(Log().find("no link to the instrument"), std::string::npos) << Log();
}

TEST_F(ProgramRun, WithoutTheModuleItSaysSoAndEnds) {
  fs::remove(program / "libusb2.so");
  Launch();
  EXPECT_EQ(WaitForExit(std::chrono::seconds(120)), 0);
  EXPECT_NE(Stderr().find("Usb2Dll could not be opened"), std::string::npos) << Stderr();
  ExpectStartUpLog(Log());
}

// A box that waits for a person is open when the program is asked to end (SIGHUP: the terminal
// closed): the box closes and the program ends through its normal path, saving its window bounds.
class EndRequest : public ProgramRun, public testing::WithParamInterface<int> {};

TEST_P(EndRequest, ClosesAnOpenBoxAndEndsThroughTheNormalPath) {
  fs::remove(program / "libusb2.so");
  Launch(true);
  ASSERT_TRUE(
      PollFor([&] { return Stderr().find("Usb2Dll could not be opened (waiting)") != std::string::npos; },
              std::chrono::seconds(120)))
      << Stderr();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(Running()) << "the box waits";
  const auto sent = std::chrono::steady_clock::now();
  kill(pid, GetParam());
  EXPECT_EQ(WaitForExit(std::chrono::seconds(60)), 0) << Stderr();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  std::printf("signal %d to exit with the box open: %.2f s\n", GetParam(), seconds);
  ExpectFormKeys(Ini());
}

INSTANTIATE_TEST_SUITE_P(Signals, EndRequest, testing::Values(SIGTERM, SIGINT, SIGHUP), [](const auto& info) {
  return std::string(info.param == SIGTERM ? "SIGTERM" : info.param == SIGINT ? "SIGINT" : "SIGHUP");
});

class EarlySignal : public ProgramRun, public testing::WithParamInterface<int> {};

// A signal while the program is still making its GUI (which can take its time: here the display
// server does not answer): the program does not die of it, but ends through its normal path once
// it can.
TEST_P(EarlySignal, WhileTheGuiIsMadeEndsThroughTheNormalPath) {
  Scenario("[device]\npace=fast\n");
  SilentDisplay display;
  environment = {{"QT_QPA_PLATFORM", "xcb;offscreen"}, {"DISPLAY", display.Name()}};
  Launch();
  ASSERT_TRUE(display.Connected(std::chrono::seconds(60))) << Stderr();
  kill(pid, GetParam());  // pending before the program can go on: a default action would kill it
  display.GoAway();
  EXPECT_EQ(WaitForExit(std::chrono::seconds(120)), 0) << Stderr();
  ExpectFormKeys(Ini());
}

// The start splash's picture is missing: its box waits for a person when the signal comes. The box
// closes and the program ends with its start-up failure's exit code, not by the signal.
TEST_P(EarlySignal, WithTheSplashBoxOpenEndsWithTheStartUpFailure) {
  fs::remove(program / "Images" / "Splash_3.jpg");
  Launch(true);
  ASSERT_TRUE(PollFor(
      [&] {
        const std::string err = Stderr();
        return err.find("Cannot load the picture") != std::string::npos && err.find("(waiting)") != std::string::npos;
      },
      std::chrono::seconds(120)))
      << Stderr();
  ASSERT_TRUE(Running()) << "the box waits";
  kill(pid, GetParam());
  EXPECT_EQ(WaitForExit(std::chrono::seconds(60)), 1) << Stderr();
}

INSTANTIATE_TEST_SUITE_P(Signals, EarlySignal, testing::Values(SIGTERM, SIGINT, SIGHUP), [](const auto& info) {
  return std::string(info.param == SIGTERM ? "SIGTERM" : info.param == SIGINT ? "SIGINT" : "SIGHUP");
});

// A FIFO where a file the program reads at start-up belongs: the program names it, uses its
// defaults, runs as usual and leaves the FIFO as it is (opening it would wait for a writer for ever).
struct FifoCase {
  const char* name;
  const char* file;  // below the temporary folder
};

class FifoAtStartUp : public ProgramRun, public testing::WithParamInterface<FifoCase> {};

TEST_P(FifoAtStartUp, IsNamedLeftAloneAndTheProgramRuns) {
  const fs::path fifo = root / GetParam().file;
  fs::create_directories(fifo.parent_path());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Scenario("[device]\npresent=0\n");  // the program ends by itself through the exit screen
  Launch();
  EXPECT_EQ(WaitForExit(std::chrono::seconds(120)), 0) << Stderr();
  EXPECT_NE(Stderr().find(fifo.string() + " is a named pipe (FIFO), not a regular file"), std::string::npos)
      << Stderr();
  struct stat info {};
  ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "replaced";
}

INSTANTIATE_TEST_SUITE_P(Files, FifoAtStartUp,
                         testing::Values(FifoCase{"Ini", "program/RT7731IV.INI"}, FifoCase{"Log", "program/log.txt"},
                                         FifoCase{"Registry", "config/RT7731IV/registry.ini"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Settings and log kept elsewhere through symbolic links: the program writes the links' targets and
// the links stay.
TEST_F(ProgramRun, LinkedSettingsAndLogAreWrittenThroughTheirLinks) {
  const fs::path elsewhere = root / "elsewhere";
  fs::create_directories(elsewhere);
  std::ofstream(elsewhere / "user.ini") << "[FORM]\nLeft=7\nTop=9\n[USER]\nKept=yes\n";
  fs::create_symlink(elsewhere / "user.ini", program / "RT7731IV.INI");
  fs::create_symlink("../elsewhere/log.txt", program / "log.txt");  // dangling until the first save
  Scenario("[device]\npresent=0\n");
  Launch();
  EXPECT_EQ(WaitForExit(std::chrono::seconds(120)), 0) << Stderr();
  EXPECT_TRUE(fs::is_symlink(program / "RT7731IV.INI"));
  EXPECT_TRUE(fs::is_symlink(program / "log.txt"));
  const std::string ini = ReadFile(elsewhere / "user.ini");
  ExpectFormKeys(ini);
  EXPECT_NE(ini.find("Kept=yes"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Left=7"), std::string::npos) << "the stored bounds were read through the link\n" << ini;
  ExpectStartUpLog(ReadFile(elsewhere / "log.txt"));
}

// A command that fails while the instrument answers is not a lost link: stderr and the log name
// the failed call and the thread, and say that the instrument is still attached.
TEST_F(ProgramRun, FailedCommandIsToldFromALostLink) {
  Scenario("[device]\npace=fast\n[faults]\nfail_command=12,20,23,29,30\n");
  Launch();
  EXPECT_EQ(WaitForExit(std::chrono::seconds(120)), 0) << Stderr();
  const std::string err = Stderr();
  EXPECT_EQ(err.find("no link to the instrument"), std::string::npos) << err;
  EXPECT_NE(err.find("the instrument is still attached: the program ends"), std::string::npos) << err;
  EXPECT_NE(err.find("UsbParOut failed (module error 5)"), std::string::npos) << err;
  EXPECT_EQ(err.find("Device operation failed in \n"), std::string::npos) << err;
  EXPECT_EQ(err.find("Device operation failed in :"), std::string::npos) << err;
  EXPECT_NE(Log().find("the instrument is still attached"), std::string::npos) << Log();
  ExpectFormKeys(Ini());
}

}  // namespace
