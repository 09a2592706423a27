// Camera preview in a capture window (the selected capture path).
#pragma once
#include <cstdint>

#include "platform/capture/Capture.h"
#include "platform/rtl/Classes.h"
#include "platform/vcl/Controls.h"

// 1 selects TCap (capture window), 0 selects VideoCapture (capture library into a ZImage).
constexpr uint8_t VideoCaptureSwitch = 1;

// A preview window inside `parent` showing the connected capture driver. The callers size the preview
// themselves after Connect, through the capture-window calls on CaptureWindow().
class TCap {
 public:
  explicit TCap(TWinControl* parent);
  TCap(TWinControl* parent, int width, int height);
  ~TCap();
  TCap(const TCap&) = delete;
  TCap& operator=(const TCap&) = delete;

  // Fills the driver list ("name, version", object = driver index); returns the number of drivers.
  int ListDrivers();
  // Connects driver driverIndex and starts its preview at 33 ms per frame; a driver that refuses
  // leaves the previous driver connected, without preview.
  void Connect(int driverIndex);

  TWinControl* Parent() const { return parent; }
  capture::CaptureWindow* CaptureWindow() const { return captureWindow; }
  int ConnectedDriver() const { return connectedDriver; }
  TStringList* DriverList() const { return driverList; }

 private:
  TWinControl* parent;
  capture::CaptureWindow* captureWindow;
  int connectedDriver = -1;
  TStringList* driverList;
};
