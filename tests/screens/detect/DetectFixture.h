// The real main window with the simulated instrument in process: the program and the test share
// one simulator (the module is bound by its build path), so the test can change the scene while a
// screen measures.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "shell/CategoryFrames.h"
#include "sim/Instrument.h"
#include "tests/shell/main/MainWinFixture.h"
#include "tests/support/Pump.h"
#include "tests/support/SimInstrument.h"

class DetectTest : public MainWinTest {
 protected:
  void SetUp() override {
    MainWinTest::SetUp();
    siminstrument::Bind();
  }

  // Starts the program with the scenario (empty: the default scene).
  void StartWith(const std::string& scenario = "") {
    ASSERT_TRUE(siminstrument::Load(scenario));
    Start();
  }

  // Opens category n (1..9) as its main button does: the other categories and their views are left.
  void OpenCategory(int n) {
    TImage* buttons[] = {win->MainBut1, win->MainBut2, win->MainBut3, win->MainBut4, win->MainBut5,
                         win->MainBut6, win->MainBut7, win->MainBut8, win->MainBut9};
    win->OnMainButClick(buttons[n - 1]);
  }
  static constexpr int AutoCategory = 2, FingerCategory = 6;

  // Lets the program run (messages, timers, queued calls) until done() holds or the time is up.
  static bool RunUntil(const std::function<bool()>& done, double seconds = 240.0) {
    return testpump::PumpUntil(testpump::Loop::Messages, done, std::chrono::duration<double>(seconds));
  }
  static void RunFor(double seconds) {
    testpump::PumpFor(testpump::Loop::Messages, std::chrono::duration<double>(seconds));
  }
};
