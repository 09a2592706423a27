// Camera capture: the preview window (TCap) and the capture library adapter (VideoCapture).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "display/C_cap.h"
#include "display/Videocapture.h"
#include "platform/capture/Capture.h"
#include "platform/rtl/Modules.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "tests/platform/imaging/Fixtures.h"

namespace {

using capture::DriverInfo;

class TCapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = capture::InstalledDrivers();
    Application->Initialize();
    form = new TForm(Application);
    panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 160, 120);
  }
  void TearDown() override {
    delete form;
    capture::SetInstalledDrivers(saved);
  }
  capture::CaptureStatus Status(const TCap& cap) {
    capture::CaptureStatus status;
    EXPECT_TRUE(capture::GetStatus(cap.CaptureWindow(), status));
    return status;
  }
  std::vector<DriverInfo> saved;
  TForm* form = nullptr;
  TPanel* panel = nullptr;
};

// The capture library of the program folder, with its camera list set for the test.
class VideoCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFolder(std::string(RT_BIN_DIR) + "/");
    setenv("RT_CAPTURE_DEVICES", "Syntek STK1160", 1);
  }
  void TearDown() override {
    Hold(0);
    unsetenv("RT_CAPTURE_DEVICES");
  }
  static void Hold(int on) {
    auto hold = reinterpret_cast<capture::HoldCaptureFn>(
        GetModuleSymbol(LoadModule(std::string(RT_BIN_DIR) + "/libescapi.so"), "holdCapture"));
    ASSERT_NE(hold, nullptr);
    hold(on);
  }
  // Grabs until a frame arrived (bounded by passes); true when the frame changed.
  static bool GrabUntilChanged(VideoCapture& video) {
    std::vector<BYTE> before(video.Frame()->Pixels(), video.Frame()->Pixels() + video.Frame()->BufferBytes());
    for (int pass = 0; pass < 20000; ++pass) {
      video.GrabFrame();
      if (std::memcmp(before.data(), video.Frame()->Pixels(), before.size()) != 0) return true;
      Sleep(1);
    }
    return false;
  }
};

std::vector<uint8_t> Pattern(unsigned frame) {
  std::vector<uint8_t> pixels(320 * 240 * 4);
  capture::RenderTestPattern(pixels.data(), 320, 240, 320 * 4, frame);
  return pixels;
}

}  // namespace

TEST_F(TCapTest, ListDriversNamesAndIndices) {
  struct Case {
    std::vector<DriverInfo> drivers;
    std::vector<std::string> texts;
  } cases[] = {
      {{}, {}},
      {{{"Cam A", "2.1"}}, {"Cam A, 2.1"}},
      {{{"Cam A", "2.1"}, {"Cam B", ""}}, {"Cam A, 2.1", "Cam B, "}},
      {{{std::string(100, 'n'), std::string(90, 'v')}}, {std::string(79, 'n') + ", " + std::string(79, 'v')}},
  };
  for (const Case& c : cases) {
    capture::SetInstalledDrivers(c.drivers);
    TCap cap(panel);
    EXPECT_EQ(cap.ListDrivers(), int(c.texts.size()));
    ASSERT_EQ(cap.DriverList()->Count(), int(c.texts.size()));
    for (int i = 0; i < int(c.texts.size()); ++i) {
      EXPECT_EQ(cap.DriverList()->Strings(i), c.texts[size_t(i)]);
      EXPECT_EQ(reinterpret_cast<intptr_t>(cap.DriverList()->Objects(i)), i);
    }
    EXPECT_EQ(cap.ListDrivers(), int(c.texts.size())) << "a second listing replaces the first";
  }
}

TEST_F(TCapTest, ConnectSizesWindowsAndStartsPreview) {
  capture::SetInstalledDrivers({{"Small", "1", 320, 240, true}, {"Large", "1", 640, 480, true}});
  TCap cap(panel, 160, 120);
  int w = 0, h = 0;
  ASSERT_TRUE(capture::GetWindowSize(cap.CaptureWindow(), w, h));
  EXPECT_EQ(w * 1000 + h, 160120);
  EXPECT_EQ(cap.ConnectedDriver(), -1);

  cap.Connect(0);
  EXPECT_EQ(cap.ConnectedDriver(), 0);
  ASSERT_TRUE(capture::GetWindowSize(cap.CaptureWindow(), w, h));
  EXPECT_EQ(w * 1000 + h, 320240);
  EXPECT_EQ(panel->Width(), 320);
  EXPECT_EQ(panel->Height(), 240 + capture::MenuBarHeight() + capture::CaptionHeight());
  EXPECT_EQ(panel->Left(), 10) << "the parent is not moved";
  capture::CaptureStatus status = Status(cap);
  EXPECT_TRUE(status.previewing);
  EXPECT_EQ(status.previewRateMs, 33);
  EXPECT_EQ(status.connectedDriver, 0);

  // A second driver replaces the first: the first is disconnected, the second previews.
  cap.Connect(1);
  EXPECT_EQ(cap.ConnectedDriver(), 1);
  status = Status(cap);
  EXPECT_EQ(status.connectedDriver, 1);
  EXPECT_EQ(status.imageWidth, 640);
  EXPECT_TRUE(status.previewing);
  EXPECT_EQ(panel->Width(), 640);
}

TEST_F(TCapTest, RefusingDriverKeepsThePreviousOneWithoutPreview) {
  capture::SetInstalledDrivers({{"Good", "1", 320, 240, true}, {"Refuses", "1", 320, 240, false}});
  TCap cap(panel);
  cap.Connect(1);
  EXPECT_EQ(cap.ConnectedDriver(), -1);
  EXPECT_FALSE(Status(cap).previewing);
  cap.Connect(0);
  cap.Connect(1);
  EXPECT_EQ(cap.ConnectedDriver(), 0);
  capture::CaptureStatus status = Status(cap);
  EXPECT_EQ(status.connectedDriver, 0);
  EXPECT_FALSE(status.previewing);
  cap.Connect(7);  // no such driver
  EXPECT_EQ(cap.ConnectedDriver(), 0);
}

TEST_F(TCapTest, DestructorClosesTheWindow) {
  auto* cap = new TCap(panel);
  cap->Connect(0);
  capture::CaptureWindow* window = cap->CaptureWindow();
  ASSERT_TRUE(capture::IsCaptureWindow(window));
  delete cap;
  EXPECT_FALSE(capture::IsCaptureWindow(window));
  TCap withoutDriver(nullptr);
  capture::SetInstalledDrivers({});
  EXPECT_EQ(withoutDriver.ListDrivers(), 0);
  withoutDriver.Connect(0);
  EXPECT_EQ(withoutDriver.ConnectedDriver(), -1);
}

TEST_F(VideoCaptureTest, FindDeviceMatchesTheExactName) {
  struct Case {
    const char* cameras;
    bool found;
    int index;
  } cases[] = {
      {"Syntek STK1160", true, 0},   {"USB Camera;Syntek STK1160;Syntek STK1160", true, 1},
      {"syntek stk1160", false, -1}, {"Syntek STK1160 ", false, -1},
      {"Syntek STK116", false, -1},  {"", false, -1},
  };
  for (const Case& c : cases) {
    setenv("RT_CAPTURE_DEVICES", c.cameras, 1);
    VideoCapture video;
    EXPECT_EQ(video.FindDevice(), c.found) << c.cameras;
    EXPECT_EQ(video.DeviceIndex(), c.index) << c.cameras;
  }
}

TEST_F(VideoCaptureTest, FramesArriveOnlyWhenComplete) {
  VideoCapture video;
  video.Start();
  EXPECT_FALSE(video.Running()) << "not started before the camera was found";
  ASSERT_TRUE(video.FindDevice());
  ASSERT_EQ(video.DeviceNames()->Count(), 1);
  Hold(1);
  video.Start();
  ASSERT_TRUE(video.Running());
  ASSERT_NE(video.Frame(), nullptr);
  EXPECT_EQ(video.Frame()->Width(), 320);
  EXPECT_EQ(video.Frame()->Depth(), 4);
  video.GrabFrame();  // the frame is held back: nothing changes
  for (int i = 0; i < video.Frame()->BufferBytes(); ++i) ASSERT_EQ(video.Frame()->Pixels()[i], 0);
  Hold(0);
  ASSERT_TRUE(GrabUntilChanged(video));
  const std::vector<uint8_t> first = Pattern(0);
  EXPECT_EQ(std::memcmp(video.Frame()->Pixels(), first.data(), first.size()), 0) << "copied unchanged";
  ASSERT_TRUE(GrabUntilChanged(video));
  const std::vector<uint8_t> second = Pattern(1);
  EXPECT_EQ(std::memcmp(video.Frame()->Pixels(), second.data(), second.size()), 0);
  video.Stop();
  EXPECT_FALSE(video.Running());
  EXPECT_EQ(video.Frame(), nullptr);
  video.GrabFrame();  // stopped: nothing to do
}

TEST_F(VideoCaptureTest, RestartWhileAFrameIsPendingReplacesBufferAndFrame) {
  VideoCapture video;
  ASSERT_TRUE(video.FindDevice());
  Hold(1);
  video.Start();  // a frame is requested and waits
  video.Start();  // the library is stopped before the old buffer goes
  Hold(0);
  ASSERT_TRUE(video.Running());
  ASSERT_TRUE(GrabUntilChanged(video));
  for (int restart = 0; restart < 5; ++restart) video.Start();
  ASSERT_TRUE(GrabUntilChanged(video));
}

TEST_F(VideoCaptureTest, UnusableLibraryFindsNothing) {
  fixtures::TempFolder empty;
  struct Case {
    std::string folder;
    const char* what;
  } cases[] = {{empty.path(), "missing library"},
               {FAKE_CAPTURE_VERSION_DIR, "wrong version"},
               {FAKE_CAPTURE_MISSING_DIR, "missing entry point"}};
  for (const Case& c : cases) {
    SetProgramFolder(c.folder);
    EXPECT_EQ(InitEscapi(), 0) << c.what;
    VideoCapture video;
    EXPECT_FALSE(video.FindDevice()) << c.what;
    EXPECT_EQ(video.DeviceNames()->Count(), 0) << c.what;
    video.Start();
    EXPECT_FALSE(video.Running()) << c.what;
    EXPECT_EQ(video.Frame(), nullptr) << c.what;
  }
  SetProgramFolder(std::string(RT_BIN_DIR) + "/");
  EXPECT_EQ(InitEscapi(), 1);
}
