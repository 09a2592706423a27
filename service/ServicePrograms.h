// Service tools of a service build: seventeen numbered service programs that tune single
// synthesisers, switch paths and draw raw sweep curves on plain images, the receiver test panel's
// centre frequency, and the simulated spectrum of the two test displays. The delivered build runs
// none of them: the switches below are 0 unless the build sets them (CMake RT_SERVICE_PROGRAM and
// RT_TEST_DISPLAY).
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class IOControl;
class NormalBuffer;
class TCheckBox;
class TControl;
class TImage;
class TList;
class TPanel;
class TWinControl;

extern int ServiceProgramNumber;    // 1..17 selects a program; never changed at run time
extern uint8_t ServiceProgramDone;  // set by the programs that run once
extern uint8_t TestDisplaySwitch;   // the two test displays with their simulated spectrum

// What the programs touch of the main window.
struct ServiceProgramView {
  TWinControl* ImageParent = nullptr;    // DisplayPanel
  TList* Images = nullptr;               // TestImages (the main window owns the images)
  std::function<void()> ClearImages;     // frees the images of the list
  TControl* StatusView = nullptr;        // hidden by the drawing programs
  TPanel* TestInputFreqPanel = nullptr;  // shown by program 12
  TCheckBox* VcoLowBox = nullptr;        // "2.VCO Low"
  std::function<void(const std::string&)> SetCaption;
  double TestCenterFreq = 100.0;  // MHz, the test panel's centre
};

class ServicePrograms {
 public:
  static constexpr int Count = 17;
  // One step of the selected program; nothing while ServiceProgramDone is set or for a number
  // outside 1..17. Device results are not looked at (only program 15's set-up).
  void Run(int program, IOControl& io, ServiceProgramView& view);

  // State kept between passes (first-pass flags and the swept frequencies of programs 2 and 3).
  std::array<bool, Count + 1> FirstPassDone{};
  double SweepFrequency2 = 19e6;
  double SweepFrequency3 = 19e6;

 private:
  void DdsSweep(IOControl& io, double& f, double step, bool setPort, bool& firstDone);
  void IfFilterCurves(IOControl& io, ServiceProgramView& view);
  void TestPanelReceiver(IOControl& io, ServiceProgramView& view);
  void IfTunerCurve(IOControl& io, ServiceProgramView& view);
  void BarSweep(IOControl& io, ServiceProgramView& view);
  void SoundReadBack(IOControl& io, ServiceProgramView& view);
  // The program's images (count of width x 256), made anew when the list holds another number.
  std::vector<TImage*> Images(ServiceProgramView& view, int count, int width);
};

// The receiver test panel's centre (MHz) from its edit, read as far as the text is a number (an
// empty or non-numeric text reads 0). Refused, with a message for the technician: a centre the
// 400 MHz synthesiser's 32-bit tuning word cannot hold, (centre + 5000) / 256 outside 0 to 400 MHz.
constexpr double MinTestCenterMHz = -5000.0;
constexpr double MaxTestCenterMHz = 400.0 * 256.0 - 5000.0;
bool ReadTestCenterFreq(const std::string& text, double& mhz, std::string& message);
// "<<" and ">>": 5 MHz down or up; below 0 gives 0, and a step past the top is not taken.
double StepTestCenterFreq(double mhz, bool up);
// The DDS-400 frequency of program 12 for a centre in MHz: (centre + 5000) MHz / 256.
double TestPanelDds400Hz(double centreMHz);

// The simulated spectrum of the test displays, every tick of the test timer. It lets window
// messages run between points, so a tick arriving meanwhile is skipped instead of nesting.
class TestSpectrum {
 public:
  // False when a run was already in progress (the tick is skipped).
  bool Tick(NormalBuffer* overview, NormalBuffer* detail, const std::function<void()>& letMessagesRun);
  bool Running() const { return running_; }

 private:
  bool running_ = false;
  unsigned seed_ = 1;
  int Random();
};
