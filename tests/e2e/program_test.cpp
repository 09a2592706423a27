// The whole program, started headless from a temporary copy of the program folder.
#include <gtest/gtest.h>

#include <signal.h>
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
  pid_t pid = -1;
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
