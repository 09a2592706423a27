// Soak run: the whole program in this process, headless, against the simulated instrument. For the
// given time it clicks main and frame buttons and the frequency controls and turns the wheel in random
// order (every view of the category frames' button tables, so new views are visited as they come),
// and now and then queues a burst of view clicks that arrive while the views are still switching,
// while it injects faults through the simulator: absent I2C chips, failing commands, the probe unplugged
// and plugged again, a low battery. A fault that costs the link ends the program, as it must; it is then
// started again on a repaired instrument. Near the end the module vanishes and the last run must end by
// itself. Throughout, the idle pass must keep asking to run while the link is up, no view may run
// outside the shown category, no click may run while the GUI thread holds the hardware lock or inside
// a view's Enter or Leave, and no stop may run out (its thread would be orphaned); at the end of every
// run the window must close, every thread end, the window bounds be written and the INI file keep all
// it held.
//   soak [--seconds S] [--seed N]
// Prints a summary; exits 1 after the first failure, naming the seed that reproduces the run.
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "device/InOut.h"
#include "engine/Threads.h"
#include "platform/rtl/IniFiles.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TestHooks.h"
#include "screens/ModeFrameBase.h"
#include "shell/CategoryFrames.h"
#include "shell/RT7731_IV_Unit.h"
#include "shell/Splashinunit.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"
#include "sim/Instrument.h"
#include "tests/support/fuzz/Fuzz.h"
#include "tests/support/fuzz/ScratchFolder.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The INI file the run starts with: the keys the program reads plus a comment, which must all survive.
const char* const StartIni =
    "; soak run\r\n[GRID]\r\nColor=255\r\nTransparence=100\r\nSize=20\r\n\r\n[DISPLAY]\r\nTextColor=65280\r\n"
    "Dims=1\r\nBgColor=0\r\n\r\n[SKIN]\r\nSKIN_NR=1\r\n\r\n[LANGUAGE]\r\nLANG_NR=1\r\n";

// Memory of this process in kB. Resident counts every page in memory, the program's code and mapped
// files among them (more of them come in as the runs reach more of the code); anonymous counts only
// the memory allocated, free pages the allocator keeps included; the heap in use counts only what is
// allocated and not freed (0 where the allocator does not report it, as under the sanitizers).
struct MemorySample {
  long residentKb = 0, anonymousKb = 0, heapKb = 0;
};

struct Summary {
  double seconds = 0;
  long mainClicks = 0, frameClicks = 0, burstClicks = 0, controlClicks = 0, wheelTurns = 0, idlePasses = 0,
       faults = 0;
  long viewsEntered = 0;
  int runs = 0, selfEnded = 0;  // program runs, and how many of them ended by themselves
  int peakOrphans = 0;          // threads whose stop timed out, not yet ended
  long peakKb = 0;
  // Between two runs: at the first end of a run after the first minute, and at the end.
  MemorySample firstMinute, final;
  std::vector<std::string> failures;
};

// Heap in use in kB, large blocks mapped on their own included.
long HeapInUseKb() {
  const struct mallinfo2 info = mallinfo2();
  return long((info.uordblks + info.hblkhd) / 1024);
}

long StatusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, std::strlen(field), field) == 0) return std::atol(line.c_str() + std::strlen(field));
  return 0;
}

MemorySample SampleMemory() { return {StatusKb("VmRSS:"), StatusKb("RssAnon:"), HeapInUseKb()}; }

void PrintGrowth(const char* what, long firstKb, long finalKb) {
  if (firstKb <= 0) return;
  std::printf("  %s between runs: %ld kB after the first minute, %ld kB at the end (%+.1f %%)\n", what,
              firstKb, finalKb, 100.0 * double(finalKb - firstKb) / double(firstKb));
}

class Soak {
 public:
  Soak(double seconds, uint64_t seed) : seconds_(seconds), seed_(seed), random_{seed ? seed : 1} {}

  int Run() {
    Prepare();
    const auto start = start_ = Clock::now();
    const auto vanishAt = start + std::chrono::duration<double>(seconds_ * 0.9);
    // A fault may end the program (it ends when the link is lost); it is then started again on a
    // repaired instrument. Near the end the module vanishes and the last run must end by itself.
    bool vanished = false;
    while (!vanished && summary_.failures.empty()) {
      StartProgram();
      while (!Ended() && summary_.failures.empty()) {
        if (!vanished && Clock::now() >= vanishAt) {
          usb2sim::UnplugNow();
          ++summary_.faults;
          vanished = true;
          vanishedAt_ = Clock::now();
        }
        if (vanished && Clock::now() - vanishedAt_ > std::chrono::seconds(60))
          Fail("the program did not end within 60 s after the module vanished");
        Step(vanished);
      }
      EndProgram();
    }
    summary_.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    summary_.peakKb = std::max(summary_.peakKb, StatusKb("VmHWM:"));
    summary_.final = SampleMemory();
    Print();
    return summary_.failures.empty() ? 0 : 1;
  }

  void Fail(const std::string& what) {
    if (summary_.failures.empty()) summary_.failures.push_back(what);
  }

  void Prepare() {
    const fs::path bin = RT_BIN_DIR;
    for (const char* name : {"Elements", "Images", "meshes", "Sounds"})
      if (fs::exists(bin / name))
        fs::copy(bin / name, fs::path(folder_.Path()) / name, fs::copy_options::recursive);
    folder_.Write("RT7731IV.INI", StartIni);
    setenv("XDG_CONFIG_HOME", (folder_.Path() + "config").c_str(), 1);
    unsetenv("USB2SIM_SCENARIO");
    SetProgramFolder(folder_.Path());
    siminstrument::Bind();
    Application->Initialize();
  }

  // The program as the entry routine starts it, on a freshly plugged-in instrument without faults.
  // Every click it gets is checked as it is dispatched.
  void StartProgram() {
    Application->OnMessage = [this](TMsg& msg, bool&) {
      if (msg.message == WM_LBUTTONUP) ++released_;
      if (msg.message != WM_LBUTTONDOWN) return;
      if (HardwareLockHeldHere()) Fail("a click ran while the GUI thread held the hardware lock");
      if (TModeFrameBase::SwitchesInProgress() > 0) Fail("a click ran inside a view's Enter or Leave");
    };
    if (!siminstrument::Load("")) Fail("the default scenario does not load");
    ++summary_.runs;
    SplashIn = new TSplashIn(nullptr);
    SplashIn->Show();
    win_ = new TMainWin(nullptr);
    win_->AfterConstruction();
    win_->Show();
    Application->ProcessMessages();
    if (LinkUp.load() != 1) Fail("the link is not up after the start");
  }

  // The program ended by itself: it lost the link, showed the exit screen and closed its window.
  bool Ended() const { return !win_->Visible(); }

  TImage* MainButton(int n) const {
    TImage* buttons[] = {win_->MainBut1, win_->MainBut2, win_->MainBut3, win_->MainBut4, win_->MainBut5,
                         win_->MainBut6, win_->MainBut7, win_->MainBut8, win_->MainBut9};
    return buttons[n - 1];
  }

  // The category whose frame shows (0: none).
  int ShownCategory() const {
    for (int n = 1; n <= 9; ++n)
      if (TCategoryFrameBase* frame = win_->CategoryFrame(n); frame && frame->Visible()) return n;
    return 0;
  }

  // Views (owned by the category frames) that run now, and in which category.
  std::vector<std::pair<int, TModeFrameBase*>> RunningViews() const {
    std::vector<std::pair<int, TModeFrameBase*>> running;
    for (int n = 1; n <= 9; ++n) {
      TCategoryFrameBase* frame = win_->CategoryFrame(n);
      if (!frame) continue;
      for (int i = 0; i < frame->ComponentCount(); ++i)
        if (auto* view = dynamic_cast<TModeFrameBase*>(frame->Components(i)); view && view->IsEntered())
          running.emplace_back(n, view);
    }
    return running;
  }

  // Every control owned by component and its children, depth first.
  static void CollectControls(TComponent* component, std::vector<TControl*>& controls) {
    if (!component) return;
    for (int i = 0; i < component->ComponentCount(); ++i) {
      TComponent* child = component->Components(i);
      if (auto* control = dynamic_cast<TControl*>(child)) controls.push_back(control);
      CollectControls(child, controls);
    }
  }

  // A click on a control of the frequency, span and volume frames: the frequencies and spans change
  // as the user changes them (controls that do not show or are disabled take no click).
  void ClickFrequencyControl() {
    std::vector<TControl*> controls;
    for (TFrame* frame : {FreqControlFrame, UpDownFrame, VolumeFrame}) CollectControls(frame, controls);
    if (!controls.empty() && VclTest::Click(controls[random_.Below(controls.size())]))
      ++summary_.controlClicks;
  }

  void Step(bool vanished) {
    const size_t action = random_.Below(12);
    if (action >= 10) {
      ClickFrequencyControl();
    } else if (action < 3) {
      if (VclTest::Click(MainButton(1 + int(random_.Below(9))))) ++summary_.mainClicks;
    } else if (action < 7) {
      const int category = ShownCategory();
      TCategoryFrameBase* frame = category ? win_->CategoryFrame(category) : nullptr;
      if (frame && frame->ButtonCount() > 0 && random_.Below(4) == 0) {
        PostClickBurst(*frame);
      } else if (frame && frame->ButtonCount() > 0) {
        const std::vector<std::pair<int, TModeFrameBase*>> before = RunningViews();
        if (VclTest::Click(frame->Button(1 + int(random_.Below(size_t(frame->ButtonCount())))))) {
          ++summary_.frameClicks;
          const auto after = RunningViews();
          if (!after.empty() && (before.empty() || before.front().second != after.front().second))
            ++summary_.viewsEntered;
        }
      }
    } else if (action < 9) {
      const int notches = int(random_.Below(5)) - 2;
      if (notches && RenderWindow && VclTest::Wheel(RenderWindow, 120 * notches)) ++summary_.wheelTurns;
    } else if (!vanished) {
      InjectFault();
    }
    IdlePasses(1 + int(random_.Below(4)));
    Check();
  }

  // Two to eight clicks on the category's view buttons, queued at once as quick clicks arrive while
  // the program is still switching; they are all handled before the next idle pass.
  void PostClickBurst(TCategoryFrameBase& frame) {
    const int count = 2 + int(random_.Below(7));
    int posted = 0;
    released_ = 0;
    for (int i = 0; i < count; ++i)
      posted += VclTest::PostClick(frame.Button(1 + int(random_.Below(size_t(frame.ButtonCount())))));
    if (!testpump::PumpUntil(testpump::Loop::Messages, [&] { return released_ >= posted; }))
      Fail("a burst of clicks was not handled");
    summary_.burstClicks += posted;
  }

  void InjectFault() {
    static const uint8_t chips[] = {0x20, 0x21, 0x22, 0x23, 0x26, 0x40, 0x70, 0x74, 0x77};
    static const uint8_t commands[] = {11, 14, 18, 20, 23, 29};  // DDS, EEPROM, DDS-400, sweeps
    switch (random_.Below(4)) {
      case 0:
        usb2sim::SetChipAbsent(chips[random_.Below(sizeof chips)], random_.Below(2) == 0);
        break;
      case 1:
        usb2sim::SetProbePresent(random_.Below(2) == 0);
        break;
      case 2:
        usb2sim::SetCommandFails(commands[random_.Below(sizeof commands)], random_.Below(2) == 0);
        break;
      default:
        usb2sim::SetBatteryLevel(random_.Below(2) == 0 ? 20 : 184);
        break;
    }
    ++summary_.faults;
  }

  void IdlePasses(int count) {
    for (int i = 0; i < count; ++i) {
      bool done = true;
      const bool linked = LinkUp.load() == 1;
      win_->IdleLoop(nullptr, done);
      Application->ProcessMessages();
      ++summary_.idlePasses;
      if (linked && done) Fail("the idle pass stopped asking to run while the link was up");
    }
  }

  void Check() {
    const auto running = RunningViews();
    const int shown = ShownCategory();
    for (const auto& [category, view] : running)
      if (category != shown)
        Fail("a view of category " + std::to_string(category) + " runs while " + std::to_string(shown) +
             " shows");
    if (running.size() > 1) Fail(std::to_string(running.size()) + " views run at once");
    summary_.peakOrphans = std::max(summary_.peakOrphans, OrphanedThreadCount());
    if (OrphanedThreadCount() > 0)
      Fail("a stop ran out: " + std::to_string(OrphanedThreadCount()) + " threads outlived their views");
    if (StopsWithHardwareLockHeld() > 0)
      Fail("a thread was stopped while the GUI thread held the hardware lock");
    summary_.peakKb = std::max(summary_.peakKb, StatusKb("VmRSS:"));
  }

  // The end of a run: the main window closed (by itself after the link was lost, or as the user closes
  // it when the time is up), every view left and every thread ended; then the window is deleted as the
  // application does at the end, which writes its bounds, and the INI file must hold all it held.
  void EndProgram() {
    if (Ended())
      ++summary_.selfEnded;
    else
      win_->Close();
    const bool reaped = testpump::PumpUntil(
        testpump::Loop::Messages,
        [] {
          ReapOrphanedThreads();
          return OrphanedThreadCount() == 0;
        },
        std::chrono::seconds(30));
    if (!reaped)
      Fail(std::to_string(OrphanedThreadCount()) + " threads still run 30 s after their views were left");
    if (!RunningViews().empty()) Fail("a view still runs after the window closed");
    Application->OnIdle = nullptr;
    Application->OnMessage = nullptr;
    delete win_;
    win_ = nullptr;
    // The process of a real program run ends here and takes with it the style's picture cache and
    // the free pages the allocator keeps (about 150 MB of buffers freed by the views, held for reuse);
    // without this every new main window would add its pictures up to the toolkit's bound, and the
    // resident size between runs would show how those free pages happen to be fragmented.
    VclTest::ClearStyleCache();
    malloc_trim(0);
    TIniFile ini(folder_.Path() + "RT7731IV.INI");
    for (const char* key : {"Left", "Top", "Width", "Height", "MAXIMIZED"})
      if (!ini.ValueExists("FORM", key)) Fail(std::string("FORM ") + key + " not written at the end");
    if (ini.ReadInteger("GRID", "Color", -1) != 255 || ini.ReadInteger("GRID", "Size", -1) != 20 ||
        ini.ReadInteger("DISPLAY", "TextColor", -1) != 65280 ||
        ini.ReadInteger("LANGUAGE", "LANG_NR", -1) != 1)
      Fail("the INI file lost a setting");
    if (folder_.Read("RT7731IV.INI").rfind("; soak run\r\n", 0) != 0) Fail("the INI file lost its comment");
    folder_.Remove("RT7731IV.INI");
    folder_.Write("RT7731IV.INI", StartIni);
    // Between two runs no window exists: the memory there shows what the runs leave behind.
    const MemorySample now = SampleMemory();
    summary_.peakKb = std::max(summary_.peakKb, now.residentKb);
    if (summary_.firstMinute.residentKb == 0 && Clock::now() - start_ >= std::chrono::seconds(60))
      summary_.firstMinute = now;
  }

  void Print() const {
    const Summary& s = summary_;
    std::printf("soak: %.1f s, seed %llu; %d program runs, %d ended by themselves after a lost link\n",
                s.seconds, static_cast<unsigned long long>(seed_), s.runs, s.selfEnded);
    std::printf(
        "  clicks: %ld main buttons, %ld frame buttons (%ld views entered), %ld in bursts, %ld frequency "
        "controls; %ld wheel turns\n",
        s.mainClicks, s.frameClicks, s.viewsEntered, s.burstClicks, s.controlClicks, s.wheelTurns);
    std::printf("  %ld idle passes, %ld faults injected, at most %d threads outlived their stop\n",
                s.idlePasses, s.faults, s.peakOrphans);
    std::printf("  memory: peak %ld kB, final %ld kB\n", s.peakKb, s.final.residentKb);
    PrintGrowth("resident", s.firstMinute.residentKb, s.final.residentKb);
    PrintGrowth("anonymous", s.firstMinute.anonymousKb, s.final.anonymousKb);
    PrintGrowth("heap in use", s.firstMinute.heapKb, s.final.heapKb);
    for (const std::string& f : s.failures)
      std::printf("FAILURE: %s (reproduce: soak --seconds %.0f --seed %llu)\n", f.c_str(), seconds_,
                  static_cast<unsigned long long>(seed_));
    if (s.failures.empty()) std::printf("soak: passed\n");
  }

  double seconds_;
  uint64_t seed_;
  fuzz::Random random_;
  fuzz::ScratchFolder folder_;
  TMainWin* win_ = nullptr;
  Clock::time_point vanishedAt_;
  Clock::time_point start_;
  Summary summary_;
  int released_ = 0;  // clicks (button up) dispatched since the last burst was queued
};

}  // namespace

int main(int argc, char** argv) {
  double seconds = 60;
  uint64_t seed = 1;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
      seconds = std::atof(argv[++i]);
    else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc)
      seed = std::strtoull(argv[++i], nullptr, 0);
    else {
      std::fprintf(stderr, "usage: soak [--seconds S] [--seed N]\n");
      return 2;
    }
  }
  return Soak(seconds, seed).Run();
}
