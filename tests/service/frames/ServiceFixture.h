// The main window against the simulated instrument, with the module linked into the test so that
// the test reads the instrument's state (sim/Instrument.h) of the very module the program drives.
#pragma once
#include <string>

#include "../../shell/main/MainWinFixture.h"
#include "device/InOut.h"
#include "platform/vcl/TestHooks.h"
#include "service/ServicePrograms.h"
#include "base/Globals.h"
#include "sim/Instrument.h"
#include "tests/support/SimInstrument.h"

class ServiceTest : public MainWinTest {
 protected:
  void StartService(const std::string& scenario = "") {
    siminstrument::Bind();
    ASSERT_TRUE(siminstrument::Load(scenario));
    VclTest::ClearScriptedAnswers();
    VclTest::ClearShownBoxes();
    // As in a service build, no measuring view is opened at start-up (program 13 does nothing).
    ServiceProgramNumber = 13;
    Start();
    ServiceProgramNumber = 0;
    ASSERT_EQ(LinkUp.load(), 1);
  }
  void TearDown() override {
    MainWinTest::TearDown();
    VclTest::ClearScriptedAnswers();
    (void)siminstrument::Load("");
  }
  // Boxes shown since the last call.
  std::vector<VclTest::ShownBox> TakeBoxes() {
    auto boxes = VclTest::ShownBoxes();
    VclTest::ClearShownBoxes();
    return boxes;
  }
};
