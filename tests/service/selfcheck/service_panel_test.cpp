// The service panel behind the access code: what it shows from the EEPROM, what "Init EEPR" writes
// into the EEPROM and the registry, that it survives a restart, and that failures are reported.
#include <cstring>

#include "SelfCheckFixture.h"
#include "platform/rtl/Registry.h"
#include "base/Branding.h"

namespace {

std::string RegistryBranding() {
  TRegistry registry;
  return registry.OpenKey(BrandingRegistryKey, false) ? registry.ReadString("Distributor") : "";
}

float OffsetCell(int first) {
  const auto eeprom = usb2sim::GetState().eeprom;
  uint32_t bits = 0;
  for (int b = 0; b < 4; ++b) bits |= uint32_t(eeprom[size_t(first + b)]) << (8 * b);
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

// A calibrated instrument: DDS-400 offset 200 Hz in cells 34-37.
constexpr const char* Calibrated = "[eeprom]\ncell.34=0\ncell.35=0\ncell.36=72\ncell.37=67\n";

}  // namespace

class ServicePanelTest : public SelfCheckTest {
 protected:
  void Unlock() { ASSERT_TRUE(VclTest::TypeText(frame->Edit1, "quorbix")); }
  void PressInit() { ASSERT_TRUE(VclTest::MouseDown(frame->Panel2, mbLeft, 5, 5)); }
};

TEST_F(ServicePanelTest, OnlyTheExactCodeUnlocks) {
  Start();
  // Pasted whole: typed letter by letter, "quorbix " would pass through the code itself.
  for (const char* wrong : {"Quorbix", "quorbix ", "quorbi"}) {
    frame->Edit1->SetText(wrong);
    EXPECT_FALSE(frame->PanelUnlocked()) << wrong;
    EXPECT_FALSE(frame->GroupBox1->Visible());
  }
  frame->Edit1->SetText("");
  Unlock();
  EXPECT_TRUE(frame->PanelUnlocked());
  EXPECT_TRUE(frame->GroupBox1->Visible() && frame->GroupBox2->Visible() && frame->GroupBox3->Visible());
  frame->Edit1->SetText("something else");
  EXPECT_TRUE(frame->PanelUnlocked());  // nothing locks it again
}

TEST_F(ServicePanelTest, ShowsTheCellsWithTheirDefaults) {
  struct Case {
    const char* scenario;
    int clock, sensitivity;
    bool distributor;
  };
  const Case cases[] = {
      {"[eeprom]\nerased=1\n", 168, 69, false},
      {"[eeprom]\ncell.17=200\ncell.18=170\ncell.50=1\n", 170, 200, true},
      {"[eeprom]\ncell.17=0\ncell.18=100\ncell.50=2\n", 148, 69, false},
  };
  for (const Case& c : cases) {
    frame.reset();
    DropDevice();
    Start(c.scenario);
    Unlock();
    EXPECT_EQ(frame->TrackBar1->Position(), c.clock) << c.scenario;
    EXPECT_EQ(frame->Label2->Caption(), std::to_string(c.clock));
    EXPECT_EQ(frame->TrackBar2->Position(), c.sensitivity) << c.scenario;
    EXPECT_EQ(frame->Label3->Caption(), std::to_string(c.sensitivity));
    EXPECT_EQ(frame->RadioButton2->Checked(), c.distributor) << c.scenario;
    EXPECT_EQ(frame->RadioButton1->Checked(), !c.distributor) << c.scenario;
    EXPECT_FALSE(frame->PanelStatusLabel->Visible());
  }
}

TEST_F(ServicePanelTest, ValuesReachEepromAndRegistryAndSurviveARestart) {
  const std::string scenario = std::string("[eeprom]\nfile=") + config.path() + "eeprom.bin\n";
  Start(scenario + "cell.50=2\n");
  Unlock();
  frame->TrackBar1->SetPosition(175);
  frame->TrackBar2->SetPosition(42);
  frame->RadioButton2->SetChecked(true);
  PressInit();
  auto state = usb2sim::GetState();
  EXPECT_EQ(state.eeprom[17], 42);
  EXPECT_EQ(state.eeprom[18], 175);
  EXPECT_EQ(state.eeprom[50], 1);
  EXPECT_EQ(RegistryBranding(), "tarvix");
  EXPECT_EQ(frame->PanelStatusLabel->Caption(), "EEPROM written");

  // The program ends; the instrument is switched on again with what its EEPROM kept.
  frame.reset();
  DropDevice();
  Start(scenario);
  Unlock();
  EXPECT_EQ(frame->TrackBar1->Position(), 175);
  EXPECT_EQ(frame->TrackBar2->Position(), 42);
  EXPECT_TRUE(frame->RadioButton2->Checked());
  EXPECT_EQ(RegistryBranding(), "tarvix");

  frame->RadioButton1->SetChecked(true);
  PressInit();
  EXPECT_EQ(usb2sim::GetState().eeprom[50], 0);
  EXPECT_EQ(RegistryBranding(), "brenholt");
}

TEST_F(ServicePanelTest, InitClearsTheClockCalibrationWithoutAsking) {
  const std::string scenario = std::string("[eeprom]\nfile=") + config.path() + "eeprom.bin\n";
  Start(scenario + Calibrated);
  ASSERT_EQ(IOCtrl->Dds400ClockOffset, 200.0);
  Unlock();
  VclTest::ClearShownBoxes();
  PressInit();
  EXPECT_TRUE(VclTest::ShownBoxes().empty());
  EXPECT_EQ(IOCtrl->Dds400ClockOffset, 0.0);
  for (int first = 30; first <= 42; first += 4) EXPECT_EQ(OffsetCell(first), 0.0f) << first;
  // The next start-up loads zero offsets.
  frame.reset();
  DropDevice();
  Start(scenario);
  EXPECT_EQ(IOCtrl->Dds400ClockOffset, 0.0);
}

TEST_F(ServicePanelTest, FailedWritesAreReported) {
  Start("[faults]\nfail_command=33\n");  // the EEPROM's write command
  Unlock();
  PressInit();
  EXPECT_TRUE(frame->PanelStatusLabel->Visible());
  EXPECT_EQ(frame->PanelStatusLabel->Caption(), "Write failed: Clock offsets, Sonar Sens, Sonar Takt, Distributor");
  EXPECT_EQ(frame->PanelStatusLabel->Font()->Color(), clRed);
  EXPECT_EQ(RegistryBranding(), "brenholt");
}

TEST_F(ServicePanelTest, FailedReadsShowTheDefaultsAndSaySo) {
  // The clock offsets cannot be read either: the main window's bring-up stops there.
  Start("[eeprom]\ncell.17=200\ncell.18=170\ncell.50=1\n[faults]\nfail_command=32\n", false);
  Unlock();
  EXPECT_EQ(frame->TrackBar1->Position(), 168);
  EXPECT_EQ(frame->TrackBar2->Position(), 69);
  EXPECT_TRUE(frame->RadioButton1->Checked());
  EXPECT_EQ(frame->PanelStatusLabel->Caption(),
            "EEPROM read failed, default shown: Sonar Takt, Sonar Sens, Distributor");
}
