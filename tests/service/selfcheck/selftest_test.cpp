// The self-test as the operator runs it: "Start", the rows of the result sheet in order with their
// verdicts, navigation disabled while it runs and restored after, and each injected fault failing
// its own row (and the rows that physically depend on it).
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <set>

#include "SelfCheckFixture.h"

namespace {

float CellFloat(const std::array<uint8_t, 256>& eeprom, int first) {
  uint32_t bits = 0;
  for (int b = 0; b < 4; ++b) bits |= uint32_t(eeprom[size_t(first + b)]) << (8 * b);
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

}  // namespace

TEST_F(SelfCheckTest, HealthyInstrumentPassesEveryRowInOrder) {
  Start();
  ASSERT_TRUE(VclTest::MouseDown(frame->Panel1, mbLeft, 10, 10));
  ASSERT_NE(frame->ResultSheet(), nullptr);
  EXPECT_EQ(Header()->Caption(), "Self-test active ... please wait");
  EXPECT_EQ(Header()->Font()->Color(), clYellow);
  for (int row = 1; row <= SelfTestRowCount; ++row) {
    EXPECT_EQ(Text(row), "---") << row;
    EXPECT_EQ(Colour(row), clGray) << row;
  }
  ASSERT_TRUE(VclTest::MouseUp(frame->Panel1, mbLeft, 10, 10));

  EXPECT_EQ(Header()->Caption(), "Selbsttes ... complete");
  EXPECT_TRUE(RedRows().empty());
  for (int row = 1; row <= SelfTestRowCount; ++row) {
    if (row == RowSonarProbe) continue;
    EXPECT_EQ(Colour(row), clGreen) << row << " " << Text(row);
  }
  EXPECT_EQ(Text(1), "V263");
  EXPECT_EQ(Text(3), "0x21");
  EXPECT_EQ(Text(10), "0x2d");
  EXPECT_EQ(Text(RowSonarProbe), "connected");
  // Shown in the button face unless that is the sheet's own colour, as it is here.
  EXPECT_NE(ColorToRGB(Colour(RowSonarProbe)), ColorToRGB(frame->ResultSheet()->Color()));
  EXPECT_NE(ColorToRGB(Header()->Font()->Color()), ColorToRGB(frame->ResultSheet()->Color()));
  EXPECT_EQ(Text(21), "0x3d");
  EXPECT_EQ(Text(22), "35.3 mA");
  EXPECT_EQ(Text(38), "15.7 mA");
  EXPECT_EQ(Text(41), "25.6 Grad");
  EXPECT_EQ(Text(43), "OK");
  EXPECT_EQ(Text(RowXo400Drift), "0.0 Hz");
  EXPECT_EQ(Text(55), "0000");
  EXPECT_TRUE(frame->Panel1->Visible());
  EXPECT_TRUE(ActionPanelRef->Enabled());
  EXPECT_TRUE(FramePanelRef->Enabled());
}

TEST_F(SelfCheckTest, RowsFillInOrderWithNavigationDisabled) {
  Start();
  std::vector<bool> navigation, startShown;
  std::vector<int> filled;  // rows with a result at each pause
  frame->Pause = [&](unsigned) {
    int rows = 0;
    while (rows < SelfTestRowCount && Text(rows + 1) != "---") ++rows;
    filled.push_back(rows);
    navigation.push_back(ActionPanelRef->Enabled() || FramePanelRef->Enabled());
    startShown.push_back(frame->Panel1->Visible() || frame->Edit1->Enabled() || frame->Panel2->Enabled());
  };
  ASSERT_TRUE(PressStart());
  ASSERT_FALSE(navigation.empty());
  for (size_t i = 0; i < navigation.size(); ++i) {
    EXPECT_FALSE(navigation[i]) << i;
    EXPECT_FALSE(startShown[i]) << i;
  }
  EXPECT_TRUE(ActionPanelRef->Enabled() && FramePanelRef->Enabled() && frame->Panel1->Visible());
  EXPECT_TRUE(frame->Edit1->Enabled() && frame->Panel2->Enabled());
  // After each IF filter check, after the VLF check, inside and after the drift check.
  EXPECT_EQ(filled, (std::vector<int>{44, 46, 48, 50, 51, 52, 52}));
  for (int row = 53; row <= SelfTestRowCount; ++row) EXPECT_EQ(Text(row), "0000");
}

// The program is asked to end during the run: the run stops at its next step instead of going on
// to its end, and the navigation is back so that the program can close.
TEST_F(SelfCheckTest, TerminationSignalEndsTheRunAtItsNextStep) {
  Start();
  int pauses = 0;
  frame->Pause = [&](unsigned) {
    if (++pauses == 1) kill(getpid(), SIGTERM);  // after the first IF filter check
  };
  ASSERT_TRUE(PressStart());
  EXPECT_EQ(pauses, 1);
  EXPECT_EQ(Text(IFFilterRow(1, 2)), "OK");
  EXPECT_EQ(Text(IFFilterRow(2, 1)), "---");
  EXPECT_EQ(Text(RowFirstSoundBank), "---");
  EXPECT_EQ(Header()->Caption(), "Self-test stopped ... the program ends");
  EXPECT_TRUE(ActionPanelRef->Enabled());
  EXPECT_TRUE(FramePanelRef->Enabled());
}

TEST_F(SelfCheckTest, DeviceFailureMidwayEnablesNavigationAndSaysSo) {
  Start();
  frame->Pause = [](unsigned) { usb2sim::UnplugNow(); };  // after the first IF filter check
  ASSERT_TRUE(PressStart());
  EXPECT_EQ(Text(IFFilterRow(1, 2)), "OK");
  EXPECT_EQ(Text(IFFilterRow(2, 1)), "---");
  EXPECT_EQ(Text(55), "---");
  EXPECT_EQ(Header()->Caption(), "Self-test aborted ... the instrument does not answer");
  EXPECT_EQ(Header()->Font()->Color(), clRed);
  EXPECT_TRUE(ActionPanelRef->Enabled());
  EXPECT_TRUE(FramePanelRef->Enabled());
  EXPECT_TRUE(frame->Panel1->Visible());
  EXPECT_TRUE(frame->Enabled());
}

TEST_F(SelfCheckTest, FailureInTheDriftCheckKeepsTheOldClockOffset) {
  Start();
  IOCtrl->Dds400ClockOffset = 123.0;
  int pauses = 0;
  frame->Pause = [&](unsigned) {
    if (++pauses == 6) usb2sim::UnplugNow();  // between the drift check's two passes
  };
  ASSERT_TRUE(PressStart());
  EXPECT_EQ(Header()->Font()->Color(), clRed);
  EXPECT_EQ(Colour(RowXo400Drift), clGray);
  EXPECT_EQ(IOCtrl->Dds400ClockOffset, 123.0);
}

// The program may close (and so leave the view, which frees the sheet) while a run waits between
// two checks; the run goes on without drawing on the freed sheet, and a new run works.
TEST_F(SelfCheckTest, LeavingBetweenTheDriftChecksPassesEndsTheRunCleanly) {
  Start();
  int pauses = 0;
  frame->Pause = [&](unsigned) {
    if (++pauses == 6) frame->Leave();  // between the drift check's two passes
  };
  ASSERT_TRUE(PressStart());
  EXPECT_EQ(frame->ResultSheet(), nullptr);
  frame->Pause = [](unsigned) {};
  frame->Enter();
  ASSERT_TRUE(PressStart());
  EXPECT_EQ(Colour(RowXo400Drift), clGreen);
}

// The first pass finds the 0 Hz line 12.5 x the reference's error off; the check corrects every
// error whose line its sweep can place (up to about +-399 kHz), near the sweep's ends as well.
TEST_F(SelfCheckTest, DriftCheckStoresACorrectionForEveryLineTheSweepPlaces) {
  for (const double errorHz : {4000.0, 40000.0, 390000.0, -390000.0}) {
    SCOPED_TRACE(errorHz);
    frame.reset();
    DropDevice();
    Start("[scene]\nxo400_error_hz=" + std::to_string(errorHz) + "\n");
    ASSERT_TRUE(PressStart());
    EXPECT_EQ(Colour(RowXo400Drift), clGreen);
    EXPECT_EQ(Text(RowXo400Drift), "0.0 Hz");
    EXPECT_NEAR(IOCtrl->Dds400ClockOffset, errorHz, 1e-6);
    EXPECT_NEAR(CellFloat(usb2sim::GetState().eeprom, 34), float(errorHz), 1e-3);
  }
}

TEST_F(SelfCheckTest, DriftCheckWithoutALineKeepsTheStoredOffset) {
  // A calibrated instrument (offset 200 Hz in cells 34-37) whose 0 Hz line is missing.
  Start("[eeprom]\ncell.34=0\ncell.35=0\ncell.36=72\ncell.37=67\n[scene]\nzero_hz_signal=0\n");
  ASSERT_EQ(IOCtrl->Dds400ClockOffset, 200.0);
  ASSERT_TRUE(PressStart());
  EXPECT_EQ(Colour(RowXo400Drift), clRed);
  EXPECT_EQ(IOCtrl->Dds400ClockOffset, 200.0);
  EXPECT_EQ(CellFloat(usb2sim::GetState().eeprom, 34), 200.0f);
  EXPECT_EQ(Header()->Caption(), "Selbsttes ... complete");
}

TEST_F(SelfCheckTest, ProbeNotPluggedInLeavesItsChipRowsOpen) {
  Start("[probe]\npresent=0\n");
  ASSERT_TRUE(PressStart());
  EXPECT_EQ(Text(RowSonarProbe), "not connected");
  EXPECT_EQ(Colour(RowSonarProbe), clGray);
  for (int row = 16; row <= 21; ++row) {
    EXPECT_EQ(Text(row), "---") << row;
    EXPECT_EQ(Colour(row), clGray) << row;
  }
  EXPECT_TRUE(RedRows().empty());
}

TEST_F(SelfCheckTest, ProbeWithoutItsDisplayShowsTheDisplayRowsRed) {
  Start("[faults]\nabsent_i2c=0x3C,0x3D\n");
  ASSERT_TRUE(PressStart());
  EXPECT_EQ(Text(RowSonarProbe), "connected");
  EXPECT_EQ(RedRows(), (std::vector<int>{20, 21}));
}

TEST_F(SelfCheckTest, SecondStartReplacesTheSheetAndLeaveFreesIt) {
  Start("[device]\npic_version=0\n");
  ASSERT_TRUE(PressStart());
  ASSERT_EQ(Text(1), "fault");
  ASSERT_TRUE(VclTest::MouseDown(frame->Panel1, mbLeft, 10, 10));
  for (int row = 1; row <= SelfTestRowCount; ++row) EXPECT_EQ(Text(row), "---") << row;
  ASSERT_TRUE(VclTest::MouseUp(frame->Panel1, mbLeft, 10, 10));
  frame->Leave();
  EXPECT_EQ(frame->ResultSheet(), nullptr);
  EXPECT_FALSE(frame->Enabled());
  frame->Enter();
  EXPECT_EQ(frame->ResultSheet(), nullptr);
  EXPECT_TRUE(frame->Enabled());
}

// ---- One injected fault per case: the rows that turn red, no more ----

struct FaultCase {
  const char* name;
  const char* scenario;
  std::set<int> red;
};

class SelfCheckFaultTest : public SelfCheckTest, public testing::WithParamInterface<FaultCase> {};

TEST_P(SelfCheckFaultTest, FailsExactlyItsRows) {
  Start(GetParam().scenario);
  ASSERT_TRUE(PressStart());
  const std::vector<int> red = RedRows();
  EXPECT_EQ(std::set<int>(red.begin(), red.end()), GetParam().red);
  EXPECT_EQ(Header()->Caption(), "Selbsttes ... complete");
}

const FaultCase FaultCases[] = {
    {"UsbPicVersion0", "[device]\npic_version=0\n", {1}},
    {"SoundPicVersion0", "[device]\nsound_pic_version=0\n", {2}},
    // Chips whose absence also keeps the hardware behind them from switching fail those rows too:
    // the mainboard port (band and front end), the current multiplexer, the filter ports, the VLF
    // converter.
    {"MainboardPortAbsent", "[faults]\nabsent_i2c=0x21\n", {3, 24, 39, 40, 52}},
    {"MainboardControlAbsent",
     "[faults]\nabsent_i2c=0x77\n",
     {4, 23, 24, 25, 26, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42}},
    {"SweepFilterPortAbsent", "[faults]\nabsent_i2c=0x22\n", {5, 43, 45, 47, 49, 51}},
    {"AudioFilterPortAbsent", "[faults]\nabsent_i2c=0x23\n", {6, 44, 46, 48, 50}},
    {"FrontendAbsent", "[faults]\nabsent_i2c=0x20\n", {7}},
    {"VlfSectionAbsent", "[faults]\nabsent_i2c=0x26\n", {8, 36, 51}},
    {"VideoSectionAbsent", "[faults]\nabsent_i2c=0x24\n", {9}},
    {"DemodSelectorAbsent", "[faults]\nabsent_i2c=0x2D\n", {10}},
    {"SoundPulseSetAbsent", "[faults]\nabsent_i2c=0x2C\n", {11}},
    {"SoundProcessorAbsent", "[faults]\nabsent_i2c=0x40\n", {12}},
    {"SoundMuxAbsent", "[faults]\nabsent_i2c=0x74\n", {13}},
    {"SoundOutCtrlAbsent", "[faults]\nabsent_i2c=0x70\n", {14}},
    {"AmplifierCurrentLow", "[health]\ncurrent.0=6\n", {22}},                  // 23.5 mA
    {"MainVcoCurrentHigh", "[health]\ncurrent.2=250\n", {24, 25}},             // both bands read 980 mA
    {"HotPowerModule", "[health]\ntemp_power=104\n", {42}},                    // 111.3 degrees
    {"ColdMainboard", "[health]\ntemp_mainboard=30\n", {41}},                  // -10.6 degrees
    {"SweepFilter250kHzDetuned", "[faults]\ndetune_record.0=40\n", {45, 51}},  // the VLF check uses it too
    {"SweepFilter150kHzDetuned", "[faults]\ndetune_record.1=40\n", {47}},
    {"SweepFilter25kHzDetuned", "[faults]\ndetune_record.2=-40\n", {49}},
    {"AudioFilter250kHzDetuned", "[faults]\ndetune_record.3=40\n", {46}},
    {"AudioFilter150kHzDetuned", "[faults]\ndetune_record.4=-40\n", {48}},
    {"AudioFilter25kHzDetuned", "[faults]\ndetune_record.5=40\n", {50}},
    {"NoZeroHzLine", "[scene]\nzero_hz_signal=0\n", {52}},
    {"ReferenceBeyondTheSweep", "[scene]\nxo400_error_hz=420000\n", {52}},
    {"SoundBank0ReadsBackWrong", "[faults]\nbad_sound_bank=0\n", {53}},
    {"SoundBank1ReadsBackWrong", "[faults]\nbad_sound_bank=1\n", {54}},
    {"SoundBank2ReadsBackWrong", "[faults]\nbad_sound_bank=2\n", {55}},
};

INSTANTIATE_TEST_SUITE_P(Faults, SelfCheckFaultTest, testing::ValuesIn(FaultCases),
                         [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });
