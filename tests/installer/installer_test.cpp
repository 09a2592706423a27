// The installer, run headless from a temporary package folder into a temporary root; then the installed
// program, started from where it was installed against the simulated instrument.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "installer/ProgramFolders.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

bool PollFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

constexpr const char* PayloadNames[] = {"Installer", "RT7731_IV", "libusb2.so", "libescapi.so",
                                        "Elements",  "Images",    "meshes",     "Sounds"};

class Installer : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "rt7731_install_XXXXXX").string();
    temp = mkdtemp(pattern.data());
    package = temp / "package";
    home = temp / "home";
    config = temp / "config";
    for (const fs::path& folder : {package, home, config}) fs::create_directories(folder);
    const fs::path bin = RT_BIN_DIR;
    for (const char* name : PayloadNames) fs::copy(bin / name, package / name, fs::copy_options::recursive);
  }

  void TearDown() override {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(temp, ignored);
  }

  // Starts exe with arguments, HOME and XDG_CONFIG_HOME set to the test's folders, output to files.
  void Launch(const fs::path& exe, const std::vector<std::string>& arguments) {
    pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      freopen((temp / "stdout.txt").c_str(), "w", stdout);
      freopen((temp / "stderr.txt").c_str(), "w", stderr);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("HOME", home.c_str(), 1);
      setenv("XDG_CONFIG_HOME", configHome.empty() ? config.c_str() : configHome.c_str(), 1);
      unsetenv("USB2SIM_SCENARIO");
      std::vector<char*> argv{const_cast<char*>(exe.c_str())};
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
  }

  // The exit code once the process has ended within limit; -1 when it is still running.
  int WaitForExit(std::chrono::seconds limit) {
    int status = 0;
    if (!PollFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit)) return -1;
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  int Install(const std::vector<std::string>& arguments = {}) {
    Launch(package / "Installer", arguments);
    return WaitForExit(std::chrono::seconds(120));
  }

  std::string Output() const { return ReadFile(temp / "stdout.txt"); }
  std::string Errors() const { return ReadFile(temp / "stderr.txt"); }
  std::string Registry() const { return ReadFile(config / "RT7731IV" / "registry.ini"); }

  // The value "InstallPath" of the registry store, "" when there is none.
  std::string RegisteredPath() const {
    const std::string text = Registry();
    const size_t at = text.find("InstallPath=");
    if (at == std::string::npos) return "";
    const size_t begin = at + 12;
    return text.substr(begin, text.find_first_of("\r\n", begin) - begin);
  }

  bool HasLine(const std::string& line) const { return Output().find(line + "\n") != std::string::npos; }

  void ExpectInstalled(const fs::path& target) {
    for (const char* folder : ProgramSubFolders) EXPECT_TRUE(fs::is_directory(target / folder)) << folder;
    for (const char* file : {"RT7731_IV", "libusb2.so", "libescapi.so"}) {
      EXPECT_TRUE(fs::is_regular_file(target / file)) << file;
      EXPECT_TRUE(HasLine((target / file).string() + " kopiert...")) << file << "\n" << Output();
    }
    EXPECT_NE(fs::status(target / "RT7731_IV").permissions() & fs::perms::owner_exec, fs::perms::none);
    for (const char* folder : {"Elements", "Images", "meshes", "Sounds"}) {
      EXPECT_TRUE(HasLine((target / folder).string() + "/ kopiert...")) << folder << "\n" << Output();
      for (const auto& entry : fs::recursive_directory_iterator(package / folder))
        EXPECT_TRUE(fs::exists(target / folder / fs::relative(entry.path(), package / folder)))
            << entry.path();
    }
    EXPECT_FALSE(fs::exists(target / "Meshes"));
    EXPECT_TRUE(HasLine("Installation erfolgreich...")) << Output();
    EXPECT_EQ(RegisteredPath(), target.string()) << Registry();
  }

  fs::path temp, package, home, config, configHome;
  pid_t pid = -1;
};

// The build's program folder has every folder an installation has, so that the program run from
// there finds them (the fingerprint dialogs open in Finger/).
TEST(ProgramFolder, TheBuildLaysOutEveryFolderTheInstallerMakes) {
  for (const char* folder : ProgramSubFolders)
    EXPECT_TRUE(fs::is_directory(fs::path(RT_BIN_DIR) / folder)) << folder;
}

TEST_F(Installer, InstallsBelowTheHomeFolderByDefault) {
  ASSERT_EQ(Install(), 0) << Output() << Errors();
  const fs::path target = home / "Programme" / "RT7731IV";
  std::string out = Output();
  for (const std::string& line :
       {std::string("Registry geöffnet"), std::string("Install Path nicht registriert..."),
        std::string("32 Bit version"), (home / "Programme").string() + "/", (home / "Programme").string(),
        target.string()})
    EXPECT_TRUE(HasLine(line)) << line << "\n" << out;
  // The folders are made in their order, each listed once.
  size_t at = out.find(target.string() + "\n");
  for (const char* folder : ProgramSubFolders) {
    const size_t found = out.find((target / folder).string() + "\n");
    ASSERT_NE(found, std::string::npos) << folder << "\n" << out;
    EXPECT_GT(found, at) << folder;
    at = found;
  }
  ExpectInstalled(target);
}

// A root whose path holds blanks and non-ASCII letters, with the 64-bit layout; the installed program
// then starts from there and ends normally when the instrument goes away.
TEST_F(Installer, TheInstalledProgramRunsFromItsFolder) {
  const fs::path root = temp / "Mein Gerät ÄÖÜ";
  fs::create_directories(root / "Program Files (x86)");
  ASSERT_EQ(Install({"--root", root.string()}), 0) << Output() << Errors();
  EXPECT_TRUE(HasLine("64 Bit version")) << Output();
  const fs::path target = root / "Program Files (x86)" / "RT7731IV";
  ExpectInstalled(target);

  // With the instrument: the link comes up (the branding is read from it and registered) and the
  // program runs until it is told to end.
  WriteFile(target / "usb2sim.ini", "[device]\npace=fast\n[eeprom]\ncell.50=1\n");
  Launch(target / "RT7731_IV", {});
  ASSERT_TRUE(PollFor([&] { return Registry().find("Distributor=tarvix") != std::string::npos; },
                      std::chrono::seconds(120)))
      << Errors();
  kill(pid, SIGTERM);
  EXPECT_EQ(WaitForExit(std::chrono::seconds(60)), 0) << Errors();
  EXPECT_NE(ReadFile(target / "log.txt").find("nach ClearInfo..."), std::string::npos);
  EXPECT_TRUE(fs::exists(target / "RT7731IV.INI"));

  // Unplugged during its bring-up (which waits 500 ms after power-on), it ends by itself.
  WriteFile(target / "usb2sim.ini", "[device]\npace=fast\nunplug_after_ms=200\n");
  Launch(target / "RT7731_IV", {});
  EXPECT_EQ(WaitForExit(std::chrono::seconds(120)), 0) << Errors();
}

TEST_F(Installer, ASecondInstallationReusesThePathAndKeepsTheUsersFiles) {
  WriteFile(package / "RT7731IV.INI", "[PACKAGE]\nA=1\n");
  ASSERT_EQ(Install(), 0) << Output();
  const fs::path target = home / "Programme" / "RT7731IV";
  EXPECT_TRUE(HasLine((target / "RT7731IV.INI").string() + " kopiert...")) << Output();
  EXPECT_EQ(ReadFile(target / "RT7731IV.INI"), "[PACKAGE]\nA=1\n");

  WriteFile(target / "RT7731IV.INI", "[USER]\nB=2\n");
  WriteFile(target / "Finger" / "mine.fng", "finger");
  WriteFile(target / "Filter_W_0.fil", "filter");
  const fs::path other = temp / "other";
  fs::create_directories(other);
  ASSERT_EQ(Install({"--root=" + other.string()}), 0) << Output();
  EXPECT_FALSE(HasLine("Install Path nicht registriert...")) << Output();
  EXPECT_TRUE(HasLine((target / "RT7731IV.INI").string() + " bleibt erhalten...")) << Output();
  EXPECT_EQ(ReadFile(target / "RT7731IV.INI"), "[USER]\nB=2\n");
  EXPECT_EQ(ReadFile(target / "Finger" / "mine.fng"), "finger");
  EXPECT_EQ(ReadFile(target / "Filter_W_0.fil"), "filter");
  EXPECT_FALSE(fs::exists(other / "Programme"));
  ExpectInstalled(target);
}

// Without a writable registry store the installation still goes to the default folder.
TEST_F(Installer, AnUnopenableRegistryKeyLeavesTheDefaultPath) {
  configHome = temp / "not-a-folder";
  WriteFile(configHome, "x");
  ASSERT_EQ(Install(), 0) << Output();
  EXPECT_TRUE(HasLine("Fehler beim öffnen der Registry...")) << Output();
  EXPECT_TRUE(HasLine("Install Path kann nicht registriert werden...")) << Output();
  EXPECT_TRUE(fs::is_regular_file(home / "Programme" / "RT7731IV" / "RT7731_IV"));
  EXPECT_TRUE(HasLine("Installation erfolgreich...")) << Output();
}

TEST_F(Installer, ABadCommandLineIsRefused) {
  EXPECT_EQ(Install({"--bogus"}), 2);
  EXPECT_NE(Errors().find("Usage: Installer"), std::string::npos) << Errors();
  EXPECT_EQ(Install({"--root"}), 2);
}

// Each failure: its lines, then "Fehler bei Installation...", exit code 1. The default path is
// registered at the start, before anything is copied, whenever the root was found.
struct FailureCase {
  const char* name;
  std::function<std::string(const fs::path& temp, const fs::path& package)> prepare;  // gives the root
  std::vector<std::string> lines;  // "$ROOT" stands for the root
  const char* registered = "$ROOT/Programme/RT7731IV";
};

std::string Substitute(std::string line, const std::string& root) {
  if (size_t at = line.find("$ROOT"); at != std::string::npos) line.replace(at, 5, root);
  return line;
}

const FailureCase FailureCases[] = {
    {"MissingRoot",
     [](const fs::path& temp, const fs::path&) { return (temp / "nowhere").string(); },
     {"OS Version unbekannt", "$ROOT nicht gefunden..."},
     ""},
    {"RootBelowARegularFile",
     [](const fs::path& temp, const fs::path&) {
       WriteFile(temp / "file", "x");
       return (temp / "file" / "root").string();
     },
     {"$ROOT nicht gefunden..."},
     ""},
    {"BaseFolderCannotBeMade",
     [](const fs::path& temp, const fs::path&) {
       fs::create_directories(temp / "root");
       WriteFile(temp / "root" / "Programme", "x");
       return (temp / "root").string();
     },
     {"$ROOT/Programme kann nicht erzeugt werden...", "$ROOT/Programme/RT7731IV/Elements/ fehlt...",
      "Fehler Copy Elements..."}},
    {"SourceFolderMissing",
     [](const fs::path& temp, const fs::path& package) {
       fs::remove_all(package / "Images");
       return temp.string() + "/home";
     },
     {"$ROOT/Programme/RT7731IV/Elements/ kopiert...", "Fehler Copy Images..."}},
    {"SourceFolderEmpty",
     [](const fs::path& temp, const fs::path& package) {
       fs::remove_all(package / "meshes");
       fs::create_directories(package / "meshes");
       return temp.string() + "/home";
     },
     {"Fehler Copy Meshes..."}},
    {"ProgramMissing",
     [](const fs::path& temp, const fs::path& package) {
       fs::remove(package / "RT7731_IV");
       return temp.string() + "/home";
     },
     {"Fehler Copy RT7731_IV..."}},
    {"UsbModuleMissing",
     [](const fs::path& temp, const fs::path& package) {
       fs::remove(package / "libusb2.so");
       return temp.string() + "/home";
     },
     {"Fehler Copy libusb2.so..."}},
};

TEST_F(Installer, EachFailureEndsWithItsMessageAndExitCode) {
  for (const FailureCase& failure : FailureCases) {
    SCOPED_TRACE(failure.name);
    TearDown();
    SetUp();
    const std::string root = failure.prepare(temp, package);
    EXPECT_EQ(Install({"--root", root}), 1) << Output() << Errors();
    for (const std::string& line : failure.lines)
      EXPECT_TRUE(HasLine(Substitute(line, root))) << Substitute(line, root) << "\n" << Output();
    EXPECT_TRUE(HasLine("Fehler bei Installation...")) << Output();
    EXPECT_FALSE(HasLine("Installation erfolgreich...")) << Output();
    EXPECT_EQ(RegisteredPath(), Substitute(failure.registered, root)) << Registry();
  }
}

// A folder no one may write, root included: /proc refuses new folders to everyone.
TEST_F(Installer, AReadOnlyRootFails) {
  std::error_code ec;
  if (fs::create_directory("/proc/rt7731_probe", ec)) {
    fs::remove("/proc/rt7731_probe");
    GTEST_SKIP() << "/proc accepts new folders here";
  }
  EXPECT_EQ(Install({"--root", "/proc"}), 1) << Output();
  EXPECT_TRUE(HasLine("/proc/Programme kann nicht erzeugt werden...")) << Output();
  EXPECT_TRUE(HasLine("Fehler bei Installation...")) << Output();
  EXPECT_EQ(RegisteredPath(), "/proc/Programme/RT7731IV") << Registry();
}

// A failed run after a successful one keeps the registered path and the installed files.
TEST_F(Installer, AFailedReinstallationKeepsTheEarlierOne) {
  ASSERT_EQ(Install(), 0) << Output();
  const fs::path target = home / "Programme" / "RT7731IV";
  WriteFile(target / "RT7731IV.INI", "[USER]\n");
  fs::remove(package / "libescapi.so");
  EXPECT_EQ(Install(), 1) << Output();
  EXPECT_TRUE(HasLine("Fehler Copy libescapi.so...")) << Output();
  EXPECT_EQ(RegisteredPath(), target.string()) << Registry();
  EXPECT_EQ(ReadFile(target / "RT7731IV.INI"), "[USER]\n");
  EXPECT_TRUE(fs::is_regular_file(target / "RT7731_IV"));
}

TEST_F(Installer, RunFromTheInstallFolderItCopiesNothingOntoItself) {
  ASSERT_EQ(Install(), 0) << Output();
  const fs::path target = home / "Programme" / "RT7731IV";
  fs::copy(package / "Installer", target / "Installer");
  Launch(target / "Installer", {});
  EXPECT_EQ(WaitForExit(std::chrono::seconds(120)), 1) << Output();
  EXPECT_TRUE(HasLine(target.string() + "/ ist der Ordner des Installers...")) << Output();
  EXPECT_TRUE(HasLine("Fehler bei Installation...")) << Output();
  EXPECT_EQ(RegisteredPath(), target.string());
  EXPECT_FALSE(fs::is_empty(target / "Elements"));
}

}  // namespace
