// Camera frames through the camera-capture library module into a ZImage (the unselected capture path).
#pragma once
#include <cstdint>

#include "display/Imagebase.h"
#include "platform/capture/Capture.h"
#include "platform/rtl/Classes.h"

// The capture library's entry points.
struct EscapiEntryPoints {
  capture::CountCaptureDevicesFn countCaptureDevices = nullptr;
  capture::InitCaptureFn initCapture = nullptr;
  capture::DeinitCaptureFn deinitCapture = nullptr;
  capture::DoCaptureFn doCapture = nullptr;
  capture::IsCaptureDoneFn isCaptureDone = nullptr;
  capture::InitCOMFn initCOM = nullptr;
  capture::GetCaptureDeviceNameFn getCaptureDeviceName = nullptr;
  capture::CaptureLibraryVersionFn version = nullptr;
  bool Complete() const;
};

// Set by InitEscapi: all entry points, or none when the library is unusable.
extern EscapiEntryPoints Escapi;

// Loads the capture library ("escapi.dll") and resolves its eight entry points; returns the number of
// cameras, or 0 when the library or an entry point is missing or its version is not 0x200. The library
// is loaded once per program folder and stays loaded.
int InitEscapi();

class VideoCapture {
 public:
  static constexpr int FrameWidth = 320;
  static constexpr int FrameHeight = 240;
  static constexpr const char* WantedCamera = "Syntek STK1160";

  VideoCapture();
  ~VideoCapture();
  VideoCapture(const VideoCapture&) = delete;
  VideoCapture& operator=(const VideoCapture&) = delete;

  void ListDevices();  // fills DeviceNames() with the cameras' names
  bool FindDevice();   // the first camera named exactly WantedCamera
  void Start();        // starts capturing 320 x 240 frames (only when found)
  void GrabFrame();    // copies a finished frame into Frame() and asks for the next
  void Stop();

  TStringList* DeviceNames() const { return deviceNames; }
  int DeviceIndex() const { return deviceIndex; }
  bool Found() const { return found != 0; }
  bool Running() const { return running != 0; }
  ZImage* Frame() const { return frame; }

 private:
  void ReleaseCapture();

  EscapiEntryPoints library;  // the entry points this adapter found its camera with
  TStringList* deviceNames;
  int deviceIndex = -1;
  uint8_t found = 0;
  capture::CaptureParameters parameters;
  uint8_t running = 0;
  ZImage* frame = nullptr;
};
