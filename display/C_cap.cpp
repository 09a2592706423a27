// Camera preview in a capture window.
#include "display/C_cap.h"

#include <cstdint>
#include <string>

namespace {

constexpr int DriverTextLength = 79;  // name and version are each read into 80-character buffers

}  // namespace

TCap::TCap(TWinControl* parent) : TCap(parent, 320, 200) {}

TCap::TCap(TWinControl* parent, int width, int height)
    : parent(parent),
      captureWindow(capture::CreateCaptureWindow("My Capture Window", parent, 0, 0, width, height, 1)),
      driverList(new TStringList()) {}

TCap::~TCap() {
  delete driverList;
  if (capture::IsCaptureWindow(captureWindow)) {
    capture::SetPreview(captureWindow, false);
    // The connected driver is disconnected (not connected again) before the window goes.
    if (connectedDriver >= 0) capture::DriverDisconnect(captureWindow);
    capture::DestroyCaptureWindow(captureWindow);
  }
}

int TCap::ListDrivers() {
  driverList->Clear();
  std::string name, version;
  for (int index = 0; capture::GetDriverDescription(index, name, version); ++index)
    driverList->AddObject(name.substr(0, DriverTextLength) + ", " + version.substr(0, DriverTextLength),
                          reinterpret_cast<TObject*>(static_cast<intptr_t>(index)));
  return driverList->Count();
}

void TCap::Connect(int driverIndex) {
  if (!capture::IsCaptureWindow(captureWindow)) return;
  const int previous = connectedDriver;
  if (previous != -1) {
    capture::SetPreview(captureWindow, false);
    capture::DriverDisconnect(captureWindow);
    connectedDriver = -1;
  }
  if (!capture::DriverConnect(captureWindow, driverIndex)) {
    // The previous driver stays the connected one, without preview.
    if (previous != -1 && capture::DriverConnect(captureWindow, previous)) connectedDriver = previous;
    return;
  }
  capture::CaptureStatus status;
  capture::GetStatus(captureWindow, status);
  capture::SetWindowSize(captureWindow, status.imageWidth, status.imageHeight);
  if (parent)
    parent->SetBounds(parent->Left(), parent->Top(), status.imageWidth,
                      status.imageHeight + capture::MenuBarHeight() + capture::CaptionHeight());
  capture::SetPreviewRate(captureWindow, 33);
  capture::SetPreview(captureWindow, true);
  connectedDriver = driverIndex;
}
