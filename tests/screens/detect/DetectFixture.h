// The real main window with the simulated instrument in process: the program and the test share
// one simulator (the module is bound by its build path), so the test can change the scene while a
// screen measures.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "shell/CategoryFrames.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"

class DetectTest : public MainWinTest {
 protected:
  void SetUp() override {
    MainWinTest::SetUp();
    SetUsb2ModuleName(std::string(RT_BIN_DIR) + "/libusb2.so");
  }

  // Starts the program with the scenario (empty: the default scene).
  void StartWith(const std::string& scenario = "") {
    folder.Write("scenario.ini", scenario);
    setenv("USB2SIM_SCENARIO", (folder.path() + "scenario.ini").c_str(), 1);
    usb2sim::Reset();
    Start();
  }

  // Opens category n (1..9) as its main button does: the other categories and their views are left.
  void OpenCategory(int n) {
    TImage* buttons[] = {win->MainBut1, win->MainBut2, win->MainBut3, win->MainBut4, win->MainBut5,
                         win->MainBut6, win->MainBut7, win->MainBut8, win->MainBut9};
    win->OnMainButClick(buttons[n - 1]);
  }
  static constexpr int AutoCategory = 2, FingerCategory = 6;

  void TearDown() override {
    MainWinTest::TearDown();
    unsetenv("USB2SIM_SCENARIO");
  }

  // Lets the program run (queued calls, timers) until done() holds or the time is up.
  static bool RunUntil(const std::function<bool()>& done, double seconds = 240.0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return done();
      Application->ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  static void RunFor(double seconds) {
    RunUntil([] { return false; }, seconds);
  }
};
