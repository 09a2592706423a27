// Capture windows over the synthetic driver, the test pattern, and the capture library module.
#include <gtest/gtest.h>

#include <QWidget>
#include <cstdlib>
#include <vector>

#include "platform/capture/Capture.h"
#include "platform/rtl/Modules.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Native.h"

using namespace capture;

namespace {

std::vector<uint8_t> Pattern(unsigned frame) {
  std::vector<uint8_t> pixels(PatternWidth * PatternHeight * 4);
  RenderTestPattern(pixels.data(), PatternWidth, PatternHeight, PatternWidth * 4, frame);
  return pixels;
}

const uint8_t* PixelAt(const std::vector<uint8_t>& pixels, int x, int y) {
  return &pixels[(size_t(y) * PatternWidth + size_t(x)) * 4];
}

class DriverList : public ::testing::Test {
 protected:
  void SetUp() override { saved = InstalledDrivers(); }
  void TearDown() override { SetInstalledDrivers(saved); }
  std::vector<DriverInfo> saved;
};

}  // namespace

TEST(CapturePattern, BarsMovingBarAndFrameCounter) {
  const std::vector<uint8_t> first = Pattern(0), later = Pattern(100);
  struct Case {
    int x, y;
    std::vector<uint8_t> rgba;
  } cases[] = {
      {100, 10, {0, 255, 255, 255}},     // third bar: cyan
      {300, 10, {0, 0, 0, 255}},         // last bar: black
      {319, 190, {255, 255, 255, 255}},  // end of the grey ramp
      {10, 190, {7, 7, 7, 255}},         // near the start of the grey ramp
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::vector<uint8_t>(PixelAt(first, c.x, c.y), PixelAt(first, c.x, c.y) + 4), c.rgba) << c.x;
  // The white bar moves with the frame number.
  EXPECT_EQ(PixelAt(later, 101, 10)[0], 255);
  EXPECT_EQ(PixelAt(later, 101, 10)[1], 255);
  EXPECT_EQ(PixelAt(first, 101, 10)[0], 0);
  // Frame 5 in binary along the bottom: cells of bits 0 and 2 bright, bit 1 dark.
  const std::vector<uint8_t> five = Pattern(5);
  EXPECT_EQ(PixelAt(five, 310, 230)[0], 220);
  EXPECT_EQ(PixelAt(five, 290, 230)[0], 30);
  EXPECT_EQ(PixelAt(five, 270, 230)[0], 220);
  // A bad target is left alone.
  RenderTestPattern(nullptr, 10, 10, 40, 0);
  uint8_t small[4] = {1, 2, 3, 4};
  RenderTestPattern(small, 2, 1, 4, 0);  // stride shorter than a row
  EXPECT_EQ(small[0], 1);
}

TEST_F(DriverList, DescriptionsOfInstalledDrivers) {
  std::string name, version;
  ASSERT_TRUE(GetDriverDescription(0, name, version));
  EXPECT_EQ(name, "Test pattern camera");
  EXPECT_FALSE(GetDriverDescription(1, name, version));
  EXPECT_FALSE(GetDriverDescription(-1, name, version));
  SetInstalledDrivers({});
  EXPECT_FALSE(GetDriverDescription(0, name, version));
  SetInstalledDrivers({{"A", "1", 10, 10, true}, {"B", "2", 20, 20, true}});
  ASSERT_TRUE(GetDriverDescription(1, name, version));
  EXPECT_EQ(name + "/" + version, "B/2");
}

TEST_F(DriverList, WindowStateWithoutGui) {
  SetInstalledDrivers({{"A", "1", 64, 48, true}, {"Refuses", "1", 64, 48, false}});
  CaptureWindow* window = CreateCaptureWindow("Test", nullptr, 0, 0, 320, 200, 1);
  ASSERT_TRUE(IsCaptureWindow(window));
  int w = 0, h = 0;
  ASSERT_TRUE(GetWindowSize(window, w, h));
  EXPECT_EQ(w * 1000 + h, 320200);
  CaptureStatus status;
  ASSERT_TRUE(GetStatus(window, status));
  EXPECT_EQ(status.connectedDriver, -1);

  EXPECT_FALSE(DriverConnect(window, 2));
  EXPECT_FALSE(DriverConnect(window, 1));  // refuses
  ASSERT_TRUE(DriverConnect(window, 0));
  ASSERT_TRUE(GetStatus(window, status));
  EXPECT_EQ(status.connectedDriver, 0);
  EXPECT_EQ(status.imageWidth, 64);
  EXPECT_EQ(status.imageHeight, 48);
  EXPECT_FALSE(AdvancePreview(window)) << "no preview yet";
  ASSERT_TRUE(SetPreview(window, true));
  ASSERT_TRUE(SetPreviewRate(window, 33));
  ASSERT_TRUE(SetScale(window, true));
  EXPECT_TRUE(AdvancePreview(window));
  EXPECT_TRUE(AdvancePreview(window));
  EXPECT_EQ(PreviewFrameCount(window), 2u);
  ASSERT_TRUE(GetStatus(window, status));
  EXPECT_TRUE(status.previewing && status.scaled);
  EXPECT_EQ(status.previewRateMs, 33);
  EXPECT_FALSE(SetPreviewRate(window, 0));
  ASSERT_TRUE(SetWindowSize(window, 64, 48));
  ASSERT_TRUE(DriverDisconnect(window));
  EXPECT_FALSE(DriverDisconnect(window)) << "nothing left to disconnect";
  EXPECT_FALSE(AdvancePreview(window));

  DestroyCaptureWindow(window);
  EXPECT_FALSE(IsCaptureWindow(window));
  EXPECT_FALSE(DriverConnect(window, 0));
  EXPECT_FALSE(SetPreview(window, true));
  EXPECT_FALSE(GetStatus(window, status));
  DestroyCaptureWindow(window);  // twice: ignored
  EXPECT_FALSE(IsCaptureWindow(nullptr));
}

TEST_F(DriverList, PreviewRunsOnTheGuiLoopInsideItsParent) {
  Application->Initialize();
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 400, 300);
  form->Show();
  CaptureWindow* window = CreateCaptureWindow("Preview", form, 5, 6, 320, 240, 1);
  ASSERT_TRUE(DriverConnect(window, 0));
  ASSERT_TRUE(SetPreviewRate(window, 5));
  ASSERT_TRUE(SetPreview(window, true));
  // Wait (bounded by passes, not by time) until the preview timer has shown a few frames.
  for (int pass = 0; pass < 4000 && PreviewFrameCount(window) < 3; ++pass) {
    Application->ProcessMessages();
    Sleep(1);
  }
  EXPECT_GE(PreviewFrameCount(window), 3u);
  bool childFound = false;
  for (QWidget* child : NativeWidget(form)->findChildren<QWidget*>())
    if (child->geometry() == QRect(5, 6, 320, 240)) childFound = true;
  EXPECT_TRUE(childFound);
  ASSERT_TRUE(SetPreview(window, false));
  const unsigned stopped = PreviewFrameCount(window);
  for (int pass = 0; pass < 20; ++pass) Application->ProcessMessages();
  EXPECT_EQ(PreviewFrameCount(window), stopped);
  DestroyCaptureWindow(window);
  delete form;
}

TEST(CaptureModule, SyntheticCamerasThroughTheEntryPoints) {
  setenv("RT_CAPTURE_DEVICES", "Cam A;Cam B", 1);
  TModuleHandle module = LoadModule(std::string(RT_BIN_DIR) + "/libescapi.so");
  ASSERT_NE(module, nullptr) << ModuleError();
  auto count = reinterpret_cast<CountCaptureDevicesFn>(GetModuleSymbol(module, "countCaptureDevices"));
  auto init = reinterpret_cast<InitCaptureFn>(GetModuleSymbol(module, "initCapture"));
  auto deinit = reinterpret_cast<DeinitCaptureFn>(GetModuleSymbol(module, "deinitCapture"));
  auto request = reinterpret_cast<DoCaptureFn>(GetModuleSymbol(module, "doCapture"));
  auto done = reinterpret_cast<IsCaptureDoneFn>(GetModuleSymbol(module, "isCaptureDone"));
  auto name = reinterpret_cast<GetCaptureDeviceNameFn>(GetModuleSymbol(module, "getCaptureDeviceName"));
  auto version = reinterpret_cast<CaptureLibraryVersionFn>(GetModuleSymbol(module, "ESCAPIDLLVersion"));
  auto hold = reinterpret_cast<HoldCaptureFn>(GetModuleSymbol(module, "holdCapture"));
  ASSERT_TRUE(count && init && deinit && request && done && name && version && hold);
  ASSERT_NE(GetModuleSymbol(module, "initCOM"), nullptr);

  EXPECT_EQ(version(), 0x200);
  ASSERT_EQ(count(), 2);
  char text[8];
  name(1, text, sizeof text);
  EXPECT_STREQ(text, "Cam B");
  name(0, text, 4);  // cut to the buffer
  EXPECT_STREQ(text, "Cam");
  name(7, text, sizeof text);
  EXPECT_STREQ(text, "");

  std::vector<int> buffer(PatternWidth * PatternHeight, 0);
  CaptureParameters parameters{buffer.data(), PatternWidth, PatternHeight};
  CaptureParameters noBuffer{nullptr, PatternWidth, PatternHeight};
  EXPECT_EQ(init(0, &noBuffer), 0);
  EXPECT_EQ(init(9, &parameters), 0);
  ASSERT_EQ(init(1, &parameters), 1);
  hold(1);
  request(1);
  EXPECT_EQ(done(1), 0) << "held frames do not complete";
  hold(0);
  for (int pass = 0; pass < 20000 && !done(1); ++pass) Sleep(1);
  ASSERT_EQ(done(1), 1);
  const std::vector<uint8_t> expected = Pattern(0);
  EXPECT_EQ(std::memcmp(buffer.data(), expected.data(), expected.size()), 0);
  request(1);
  for (int pass = 0; pass < 20000 && !done(1); ++pass) Sleep(1);
  const std::vector<uint8_t> second = Pattern(1);
  EXPECT_EQ(std::memcmp(buffer.data(), second.data(), second.size()), 0);
  deinit(1);
  deinit(1);  // twice: ignored
  request(1);
  EXPECT_EQ(done(1), 0) << "a stopped camera takes no requests";

  setenv("RT_CAPTURE_DEVICES", "", 1);
  EXPECT_EQ(count(), 0);
  unsetenv("RT_CAPTURE_DEVICES");
  EXPECT_EQ(count(), 1);
  name(0, text, sizeof text);
  EXPECT_STREQ(text, "Syntek ");
}
