#include "service/ServicePrograms.h"

#include <cmath>

#include "device/InOut.h"
#include "engine/Buffers.h"
#include "engine/Fft.h"
#include "engine/SoundBuffer.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "service/ServiceInput.h"

#ifndef RT_SERVICE_PROGRAM_NUMBER
#define RT_SERVICE_PROGRAM_NUMBER 0
#endif
#ifndef RT_TEST_DISPLAY_SWITCH
#define RT_TEST_DISPLAY_SWITCH 0
#endif

int ServiceProgramNumber = RT_SERVICE_PROGRAM_NUMBER;
uint8_t ServiceProgramDone = 0;
uint8_t TestDisplaySwitch = RT_TEST_DISPLAY_SWITCH;

namespace {

constexpr double DdsClock = 80000000.0;
constexpr int CurvePoints = 500;
constexpr TColor Background = 0x008000;
constexpr TColor CentreLine = 0x808080;
constexpr TColor CurveColour = 0xC0DCC0;
constexpr TColor FilterColours[5] = {0x00FFFF, 0xF0FBFF, 0xC0DCC0, 0xFFFF00, 0x0000FF};

void FillBackground(TImage* image) {
  TCanvas* c = image->Canvas();
  c->Brush()->SetColor(Background);
  c->FillRect(TRect(0, 0, image->Width(), 256));
}

void DrawCentreLine(TImage* image) {
  TCanvas* c = image->Canvas();
  c->Pen()->SetColor(CentreLine);
  c->MoveTo(249, 0);
  c->LineTo(249, 255);
}

// Polyline through (i, 255 - sample i).
void DrawCurve(TImage* image, const uint8_t* samples, int count, TColor colour) {
  std::vector<TPoint> points;
  points.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) points.emplace_back(i, 255 - samples[i]);
  image->Canvas()->Pen()->SetColor(colour);
  image->Canvas()->Polyline(points);
  image->Invalidate();
}

}  // namespace

std::vector<TImage*> ServicePrograms::Images(ServiceProgramView& view, int count, int width) {
  if (view.StatusView) view.StatusView->SetVisible(false);
  std::vector<TImage*> images;
  if (!view.Images) return images;
  if (view.Images->Count() != count) {
    if (view.ClearImages) view.ClearImages();
    for (int i = 0; i < count; ++i) {
      TImage* image = new TImage(nullptr);
      image->SetParent(view.ImageParent);
      image->SetBounds(20 + 520 * i, 20, width, 256);
      view.Images->Add(image);
    }
  }
  for (int i = 0; i < count; ++i) images.push_back(static_cast<TImage*>(view.Images->Items(i)));
  return images;
}

void ServicePrograms::DdsSweep(IOControl& io, double& f, double step, bool setPort, bool& firstDone) {
  if (!firstDone) {
    firstDone = true;
    io.ResetDDS400();
    io.InitDDS400Control();
    if (setPort) io.SetMainboardPort(0x0F);
  }
  io.SetDDS400Frequency(f);
  f += step;  // whole hertz: exact in a double, so 39 MHz is reached and not skipped
  if (f > 39e6) f = 19e6;
}

void ServicePrograms::IfFilterCurves(IOControl& io, ServiceProgramView& view) {
  const std::vector<TImage*> images = Images(view, 2, 500);
  if (images.size() != 2) return;
  for (int module = 0; module < 2; ++module) {
    io.DDSOff(module == 0 ? 3 : 2);
    io.SelectADChannel(static_cast<uint8_t>(module));
    FillBackground(images[static_cast<size_t>(module)]);
    for (int n = 0; n < 5; ++n) {
      io.SetIFFilterPort(static_cast<uint8_t>(n), module);
      uint8_t samples[CurvePoints] = {};
      double stop = 0.0;
      const double start = n == 0 ? 5.7e6 : 8.7e6, step = n == 0 ? 20e3 : 8e3;
      io.Sweep(CurvePoints, 0, start, step, DdsClock, static_cast<uint8_t>(module == 0 ? 2 : 3), &stop,
               samples);
      DrawCurve(images[static_cast<size_t>(module)], samples, CurvePoints, FilterColours[n]);
    }
  }
}

void ServicePrograms::TestPanelReceiver(IOControl& io, ServiceProgramView& view) {
  const std::vector<TImage*> images = Images(view, 2, 500);
  if (view.TestInputFreqPanel) view.TestInputFreqPanel->SetVisible(true);
  if (!FirstPassDone[12]) {
    FirstPassDone[12] = true;
    io.SetAttenuator(0);
    io.SetMainboardPort(0x0A);
    io.InitDDS400();
    io.SetMainVCOHigh();
  }
  if (view.VcoLowBox && view.VcoLowBox->Checked())
    io.SetMainVCOLow();
  else
    io.SetMainVCOHigh();
  io.SetDDS400Frequency(TestPanelDds400Hz(view.TestCenterFreq));
  if (images.size() != 2) return;
  for (int module = 0; module < 2; ++module) {
    TImage* image = images[static_cast<size_t>(module)];
    io.DDSOff(module == 0 ? 3 : 2);
    io.SelectADChannel(static_cast<uint8_t>(module));
    FillBackground(image);
    if (module == 0) DrawCentreLine(image);
    io.SetIFFilterPort(module == 0 ? 3 : 2, module);
    uint8_t samples[CurvePoints] = {};
    double stop = 0.0;
    io.Sweep(CurvePoints, 10, 22.3e6, 20e3, DdsClock, static_cast<uint8_t>(module == 0 ? 4 : 5), &stop,
             samples);
    DrawCurve(image, samples, CurvePoints, CurveColour);
  }
}

void ServicePrograms::IfTunerCurve(IOControl& io, ServiceProgramView& view) {
  const std::vector<TImage*> images = Images(view, 2, 500);
  if (!FirstPassDone[14]) {
    FirstPassDone[14] = true;
    io.SetIFBandwidth(4);
    io.SetVLFModule(true);
  }
  io.SelectADChannel(0);
  uint8_t raw[CurvePoints] = {}, smoothed[CurvePoints] = {};
  double stop = 0.0;
  io.Sweep(CurvePoints, 10, 25.3e6, 10e3, DdsClock, 4, &stop, raw);
  SmoothBytes(raw, smoothed, CurvePoints, 2);
  if (images.size() != 2) return;
  const uint8_t* curves[2] = {raw, smoothed};
  for (size_t i = 0; i < 2; ++i) {
    FillBackground(images[i]);
    DrawCentreLine(images[i]);
    DrawCurve(images[i], curves[i], CurvePoints, CurveColour);
  }
}

void ServicePrograms::BarSweep(IOControl& io, ServiceProgramView& view) {
  const std::vector<TImage*> images = Images(view, 1, 1000);
  if (!FirstPassDone[15]) {
    FirstPassDone[15] = true;
    if (!io.InitMeasureMode()) io.TakeI2CError();
  }
  if (images.empty()) return;
  TImage* image = images[0];
  FillBackground(image);
  uint8_t samples[1000] = {};
  io.Sweep400(1000, 5, 5e9 / 256.0, 1e6 / 256.0, samples);
  TCanvas* c = image->Canvas();
  c->Pen()->SetColor(0x00FFFF);
  for (int i = 0; i < 1000; ++i) {
    c->MoveTo(i, 255);
    c->LineTo(i, 255 - samples[i]);
  }
  image->Invalidate();
}

void ServicePrograms::SoundReadBack(IOControl& io, ServiceProgramView& view) {
  SoundBufferBase buffer(256);
  // Pages 0 and 1 get a known ramp first, so that the read-back shows what was played.
  for (unsigned i = 0; i < 256; ++i) buffer.Set(i, static_cast<uint16_t>(i * 256));
  buffer.ExchangeBytes();
  io.StoreSound(&buffer, 0, 0);
  io.PlaySound(0, static_cast<uint8_t>(buffer.Count * 2 / 256), 0);
  buffer.Clear();
  io.ReadSoundAD0(&buffer, 0, 0);
  buffer.ExchangeBytes();
  if (view.SetCaption) view.SetCaption(IntToStr(buffer.Get(127)));
}

void ServicePrograms::Run(int program, IOControl& io, ServiceProgramView& view) {
  if (ServiceProgramDone || program < 1 || program > Count) return;
  bool once = true;
  switch (program) {
    case 1:
      io.ResetDDS400();
      io.InitDDS400Control();
      io.SetDDS400Frequency(29e6);
      break;
    case 2:
      DdsSweep(io, SweepFrequency2, 100e3, false, FirstPassDone[2]);
      return;  // leaves ServiceProgramDone alone
    case 3:
      DdsSweep(io, SweepFrequency3, 10e3, true, FirstPassDone[3]);
      return;
    case 4:
    case 5:
      io.SetAttenuator(0);
      io.SetMainboardPort(program == 4 ? 0x0A : 0x09);
      break;
    case 6:
    case 7:
    case 9:
    case 10:
      io.SetAttenuator(0);
      io.SetMainboardPort(program == 7 ? 0x6D : 0x0A);
      io.ResetDDS400();
      io.InitDDS400Control();
      io.SetDDS400Frequency(program == 6 ? 19.921875e6 : program == 7 ? 26.7578125e6 : 29.296875e6);
      if (program >= 9) io.SetMainVCOHigh();
      if (program == 10) {
        io.SetDDSFrequency(4, DdsClock, 27.3e6);
        io.SetDDSFrequency(5, DdsClock, 27.3e6);
      }
      break;
    case 8:
      io.SetDDSFrequency(5, DdsClock, 33e6);
      break;
    case 13:
      break;
    default:
      once = false;
      if (program == 11) IfFilterCurves(io, view);
      if (program == 12) TestPanelReceiver(io, view);
      if (program == 14) IfTunerCurve(io, view);
      if (program == 15) BarSweep(io, view);
      if (program == 16) io.SetFan(true);
      if (program == 17) SoundReadBack(io, view);
      break;
  }
  ServiceProgramDone = once ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Receiver test panel

bool ReadTestCenterFreq(const std::string& text, double& mhz, std::string& message) {
  const double v = LeadingNumber(text);
  if (v < MinTestCenterMHz || v >= MaxTestCenterMHz) {
    message = "Center Frequency: " + FloatToStr(v) + " MHz is beyond what the 400 MHz synthesiser can make (" +
              FloatToStr(MinTestCenterMHz) + " to " + FloatToStr(MaxTestCenterMHz) + " MHz)";
    return false;
  }
  mhz = v;
  return true;
}

double StepTestCenterFreq(double mhz, bool up) {
  const double v = up ? mhz + 5.0 : mhz - 5.0;
  if (v < 0.0) return 0.0;
  return v < MaxTestCenterMHz ? v : mhz;  // a step past the synthesiser's reach is not taken
}

double TestPanelDds400Hz(double centreMHz) { return (centreMHz + 5000.0) * 1e6 / 256.0; }

// ---------------------------------------------------------------------------------------------
// Simulated spectrum

int TestSpectrum::Random() {
  seed_ = seed_ * 1103515245u + 12345u;
  return static_cast<int>((seed_ >> 1) & 0x7FFFFFFF);
}

bool TestSpectrum::Tick(NormalBuffer* overview, NormalBuffer* detail,
                        const std::function<void()>& letMessagesRun) {
  if (running_ || !overview || !detail) return false;
  running_ = true;
  const auto pump = [&] {
    if (letMessagesRun) letMessagesRun();
  };
  for (int i = 0; i < 300000; ++i) {  // 0 .. 15 GHz in 50 kHz steps
    overview->Set(static_cast<float>(i * 50e3), static_cast<float>(50 + Random() % 10));
    pump();
  }
  const float peaks[4][2] = {{1e9f, 255.0f}, {2e9f, 128.0f}, {3e9f, 100.0f}, {4e9f, 70.0f}};
  for (const auto& p : peaks) overview->Set(p[0], p[1]);
  overview->FillGaps(0, 300000);
  pump();
  const float at = static_cast<float>((Random() % 15000) * 1e6);
  overview->Set(at, static_cast<float>(50 + Random() % 200));
  for (int i = 0; i < 1800; ++i) {  // 93.4 .. 111.4 MHz in 10 kHz steps
    detail->Set(static_cast<float>(93.4e6 + i * 10e3), static_cast<float>(50 + Random() % 10));
    pump();
  }
  running_ = false;
  return true;
}
