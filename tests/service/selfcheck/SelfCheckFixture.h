// The self-test view against the simulated instrument in this process: the device object on the
// linked simulator, a render window for the result sheet, the two navigation panels and a registry
// of its own.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "device/InOut.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TestHooks.h"
#include "service/SelfTestChecks.h"
#include "service/Selfcheckframeunit.h"
#include "base/Globals.h"
#include "sim/Instrument.h"
#include "tests/support/SimInstrument.h"
#include "tests/support/TempFolder.h"

class SelfCheckTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { siminstrument::Bind(); }
  static void TearDownTestSuite() { siminstrument::Unbind(); }

  void SetUp() override {
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    Application->Initialize();
    VclTest::ClearScriptedAnswers();
    render = std::make_unique<TForm>(nullptr);
    render->SetBounds(0, 0, 1024, 768);
    RenderWindow = render.get();
    render->Show();
    host = std::make_unique<TForm>(nullptr);
    host->SetBounds(0, 0, 900, 200);
    host->Show();
    actionPanel = std::make_unique<TPanel>(nullptr);
    framePanel = std::make_unique<TPanel>(nullptr);
    ActionPanelRef = actionPanel.get();
    FramePanelRef = framePanel.get();
  }

  void TearDown() override {
    frame.reset();
    DropDevice();
    host.reset();
    ActionPanelRef = nullptr;
    FramePanelRef = nullptr;
    RenderWindow = nullptr;
    (void)siminstrument::Load("");
    VclTest::ResetTermination();
  }

  // Loads the scenario, brings the instrument up as the main window does and makes the view,
  // entered, with the pauses between the sweep checks shortened. A scenario whose faults stop the
  // bring-up (an EEPROM that cannot be read) passes bringsUp false: the view gets the instrument as
  // the failed bring-up left it.
  void Start(const std::string& scenario = "", bool bringsUp = true) {
    ASSERT_TRUE(siminstrument::Load(scenario));
    MakeDevice(bringsUp);
    frame = std::make_unique<TSelfCheckFrame>(nullptr);
    frame->Pause = [](unsigned) {};
    frame->SetParent(host.get());
    frame->SetBounds(0, 0, 881, 157);
    frame->Enter();
  }

  void MakeDevice(bool bringsUp = true) {
    IOCtrl = new IOControl(0);
    EXPECT_EQ(siminstrument::BringUp(*IOCtrl), bringsUp);
  }

  void DropDevice() {
    delete IOCtrl;
    IOCtrl = nullptr;
  }

  // "Start" pressed and released, as the operator does.
  bool PressStart() {
    return VclTest::MouseDown(frame->Panel1, mbLeft, 10, 10) &&
           VclTest::MouseUp(frame->Panel1, mbLeft, 10, 10);
  }

  TLabel* Value(int row) const {
    return dynamic_cast<TLabel*>(frame->ResultSheet()->FindComponent("a" + std::to_string(row) + "a"));
  }
  std::string Text(int row) const { return Value(row)->Caption(); }
  TColor Colour(int row) const { return Value(row)->Font()->Color(); }
  TLabel* Header() const { return dynamic_cast<TLabel*>(frame->ResultSheet()->FindComponent("a0")); }

  // Rows whose value is red.
  std::vector<int> RedRows() const {
    std::vector<int> rows;
    for (int row = 1; row <= SelfTestRowCount; ++row)
      if (Colour(row) == clRed) rows.push_back(row);
    return rows;
  }

  TempFolder config;
  std::unique_ptr<TForm> render;
  std::unique_ptr<TForm> host;
  std::unique_ptr<TPanel> actionPanel;
  std::unique_ptr<TPanel> framePanel;
  std::unique_ptr<TSelfCheckFrame> frame;
};
