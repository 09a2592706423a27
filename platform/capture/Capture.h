// Capture: camera preview windows over the installed capture drivers, and the entry points of a
// camera-capture library module. No camera hardware is assumed: the installed driver (and the module's
// camera) is a synthetic source that shows a moving test pattern of 320 x 240 pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class TWinControl;

namespace capture {

// ---------------------------------------------------------------------------------------------------------
// The synthetic source

constexpr int PatternWidth = 320;
constexpr int PatternHeight = 240;

// Frame number n of the moving test pattern: colour bars, a grey ramp and a white bar that moves one step
// per frame. Written as bytes R, G, B, A (A = 255) into rows of stride bytes.
void RenderTestPattern(uint8_t* pixels, int width, int height, int stride, unsigned frame);

// ---------------------------------------------------------------------------------------------------------
// Capture drivers

struct DriverInfo {
  std::string name;
  std::string version;
  int frameWidth = PatternWidth;
  int frameHeight = PatternHeight;
  bool accepts = true;  // false: connecting to it fails
};

// Name and version of installed driver `index`; false when there is no such driver.
bool GetDriverDescription(int index, std::string& name, std::string& version);

// The installed drivers. By default one synthetic camera ("Test pattern camera", "1.0", 320 x 240).
// Tests replace the list (an empty list: no driver installed).
void SetInstalledDrivers(const std::vector<DriverInfo>& drivers);
std::vector<DriverInfo> InstalledDrivers();

// ---------------------------------------------------------------------------------------------------------
// Capture windows: a child window of `parent` that previews the connected driver's frames.
// Every call on a destroyed or null window does nothing and returns false.

class CaptureWindow;

struct CaptureStatus {
  int imageWidth = 0;  // frame size of the connected driver
  int imageHeight = 0;
  bool previewing = false;
  bool scaled = false;
  int previewRateMs = 0;
  int connectedDriver = -1;
};

// A visible child window at (x, y) with size w x h; parent may be null (a window of its own, for tests).
CaptureWindow* CreateCaptureWindow(const std::string& title, TWinControl* parent, int x, int y, int w, int h,
                                   int id);
bool IsCaptureWindow(const CaptureWindow* window);
// Connects driver `index` (a connected driver is disconnected first); false when it does not exist or
// refuses. Preview stays as it was set.
bool DriverConnect(CaptureWindow* window, int index);
bool DriverDisconnect(CaptureWindow* window);
bool SetPreview(CaptureWindow* window, bool on);
bool SetPreviewRate(CaptureWindow* window, int milliseconds);
bool SetScale(CaptureWindow* window, bool on);
bool GetStatus(const CaptureWindow* window, CaptureStatus& status);
bool SetWindowSize(CaptureWindow* window, int width, int height);
bool GetWindowSize(const CaptureWindow* window, int& width, int& height);
// Frames the preview has shown so far (the preview advances on its own timer while the GUI loop runs).
unsigned PreviewFrameCount(const CaptureWindow* window);
// Shows the next preview frame at once (what the preview timer does).
bool AdvancePreview(CaptureWindow* window);
void DestroyCaptureWindow(CaptureWindow* window);
// The connected driver's video-source dialog. The synthetic camera has one source and no settings:
// its dialog names the source (a message box). False without a connected driver.
bool ShowSourceDialog(CaptureWindow* window);

// Heights of a window's menu bar and caption, in pixels, for sizing a window around a preview.
int MenuBarHeight();
int CaptionHeight();

// ---------------------------------------------------------------------------------------------------------
// The camera-capture library module ("escapi.dll" -> <program folder>/libescapi.so), entry points
// resolved by name. Its cameras are synthetic; by default one camera named "Syntek STK1160". The
// environment variable RT_CAPTURE_DEVICES ("name;name;...", empty for none) replaces the camera list.
// Frames are written by the module's own thread into the target buffer as bytes R, G, B, A.

constexpr int CaptureLibraryVersion = 0x200;

struct CaptureParameters {
  int* targetBuffer = nullptr;  // width x height 32-bit words, owned by the caller
  int width = 0;
  int height = 0;
};

extern "C" {
using CountCaptureDevicesFn = int (*)();
using InitCaptureFn = int (*)(unsigned device, CaptureParameters* parameters);
using DeinitCaptureFn = void (*)(unsigned device);
using DoCaptureFn = void (*)(unsigned device);
using IsCaptureDoneFn = int (*)(unsigned device);
using InitCOMFn = void (*)();
using GetCaptureDeviceNameFn = void (*)(unsigned device, char* name, int length);
using CaptureLibraryVersionFn = int (*)();
// Extra entry point "holdCapture" of the synthetic module, for tests: while held (1), requested frames
// do not complete; releasing (0) lets pending frames complete.
using HoldCaptureFn = void (*)(int hold);
}

}  // namespace capture
