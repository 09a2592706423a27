// Start-up of the whole program: from the launch of build/bin/RT7731_IV (a copy of its folder, with
// the simulated instrument at hardware pace) to the first presented frame painted on its window; the
// link to the instrument is up by then, since the idle loop presents frames only with the link up.
// Each run ends the program with SIGTERM (its normal exit path). Prints every run and the median.
//
//   bench_startup [runs] [ini MB] [registry MB]
//     runs          default 5
//     ini MB        an RT7731IV.INI of that size (the program's keys and a large foreign section),
//                   laid anew before each run; default none (the file the previous run wrote)
//     registry MB   the same for the registry file (holding the branding a start writes, as after
//                   the first start)
// The display is the environment's: under xvfb-run it is the X server, without one "offscreen".
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

fs::path MakeProgramFolder() {
  const fs::path folder = fs::temp_directory_path() / ("rt7731-bench-startup-" + std::to_string(getpid()));
  fs::create_directories(folder / "program");
  fs::create_directories(folder / "config/RT7731IV");
  for (const char* name : {"RT7731_IV", "libusb2.so", "Elements", "Images", "meshes", "Sounds"})
    fs::copy(fs::path(RT_BIN_DIR) / name, folder / "program" / name, fs::copy_options::recursive);
  std::ofstream(folder / "program/usb2sim.ini") << "[device]\npace=real\n";
  return folder;
}

// A settings file of about megabytes MB: the given head, then a foreign section of 40-byte lines.
void WriteLargeFile(const fs::path& file, const std::string& head, double megabytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << head << "\r\n[FOREIGN]\r\n";
  const long lines = long(megabytes * 1024 * 1024 / 40);
  char line[64];
  for (long i = 0; i < lines; ++i) {
    std::snprintf(line, sizeof line, "Entry%08ld=some foreign value %06ld\r\n", i, i % 1000000);
    out << line;
  }
}

// Seconds from launch to the first frame on the window; a negative value when none came.
double OneRun(const fs::path& folder) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], STDERR_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    if (!freopen("/dev/null", "w", stdout)) _exit(126);
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    setenv("RT_REPORT_FIRST_FRAME", "1", 1);
    unsetenv("USB2SIM_SCENARIO");
    const std::string exe = (folder / "program/RT7731_IV").string();
    execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  double seconds = -1;
  std::string text;
  const auto deadline = start + std::chrono::seconds(120);
  while (seconds < 0 && Clock::now() < deadline) {
    pollfd p{pipeFds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buffer[4096];
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;  // the program ended
    text.append(buffer, size_t(n));
    if (text.find("first presented frame shown") != std::string::npos)
      seconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  kill(pid, SIGTERM);
  // Drain stderr so that the program never blocks on a full pipe while it ends.
  const auto endBy = Clock::now() + std::chrono::seconds(20);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > endBy) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    pollfd p{pipeFds[0], POLLIN, 0};
    char buffer[4096];
    if (poll(&p, 1, 50) > 0 && read(pipeFds[0], buffer, sizeof buffer) <= 0) usleep(10000);
  }
  close(pipeFds[0]);
  if (seconds < 0) std::fprintf(stderr, "no frame; the program said:\n%s\n", text.c_str());
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const double iniMb = argc > 2 ? std::atof(argv[2]) : 0;
  const double registryMb = argc > 3 ? std::atof(argv[3]) : 0;
  const fs::path folder = MakeProgramFolder();
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    if (iniMb > 0) WriteLargeFile(folder / "program/RT7731IV.INI", "[FORM]\r\nLeft=100\r\nTop=100", iniMb);
    if (registryMb > 0)
      WriteLargeFile(folder / "config/RT7731IV/registry.ini", "[Software\\RT7731IV]\r\nDistributor=brenholt", registryMb);
    const double seconds = OneRun(folder);
    std::printf("run %d: %.3f s\n", run + 1, seconds);
    std::fflush(stdout);
    if (seconds >= 0) times.push_back(seconds);
  }
  fs::remove_all(folder);
  if (times.empty()) return 1;
  std::sort(times.begin(), times.end());
  std::printf("start-up to the first presented frame (link up), median of %zu: %.3f s (INI %.0f MB, registry %.0f MB)\n",
              times.size(), times[times.size() / 2], iniMb, registryMb);
  return 0;
}
