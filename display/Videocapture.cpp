// Camera frames through the camera-capture library module.
#include "display/Videocapture.h"

#include <cstring>
#include <map>
#include <string>

#include "platform/rtl/Modules.h"

namespace {

template <typename Fn>
Fn Resolve(TModuleHandle module, const char* name) {
  return reinterpret_cast<Fn>(GetModuleSymbol(module, name));
}

constexpr int FrameBytes = VideoCapture::FrameWidth * VideoCapture::FrameHeight * 4;

}  // namespace

EscapiEntryPoints Escapi;

bool EscapiEntryPoints::Complete() const {
  return countCaptureDevices && initCapture && deinitCapture && doCapture && isCaptureDone && initCOM &&
         getCaptureDeviceName && version;
}

int InitEscapi() {
  Escapi = EscapiEntryPoints{};
  // Loaded once per file and kept: frames may still be written by a library thread of a camera that
  // an earlier adapter started, so the library is never unloaded while the program runs.
  static std::map<std::string, TModuleHandle> loaded;
  const std::string file = ModuleFileName("escapi.dll");
  TModuleHandle& module = loaded[file];
  if (!module) module = LoadModule("escapi.dll");
  if (!module) return 0;
  EscapiEntryPoints found;
  found.countCaptureDevices = Resolve<capture::CountCaptureDevicesFn>(module, "countCaptureDevices");
  found.initCapture = Resolve<capture::InitCaptureFn>(module, "initCapture");
  found.deinitCapture = Resolve<capture::DeinitCaptureFn>(module, "deinitCapture");
  found.doCapture = Resolve<capture::DoCaptureFn>(module, "doCapture");
  found.isCaptureDone = Resolve<capture::IsCaptureDoneFn>(module, "isCaptureDone");
  found.initCOM = Resolve<capture::InitCOMFn>(module, "initCOM");
  found.getCaptureDeviceName = Resolve<capture::GetCaptureDeviceNameFn>(module, "getCaptureDeviceName");
  found.version = Resolve<capture::CaptureLibraryVersionFn>(module, "ESCAPIDLLVersion");
  if (!found.Complete() || found.version() != capture::CaptureLibraryVersion) return 0;
  Escapi = found;
  Escapi.initCOM();
  return Escapi.countCaptureDevices();
}

VideoCapture::VideoCapture() : deviceNames(new TStringList()) {}

VideoCapture::~VideoCapture() {
  ReleaseCapture();
  delete[] parameters.targetBuffer;
  delete deviceNames;
  delete frame;
}

void VideoCapture::ReleaseCapture() {
  if (deviceIndex >= 0 && library.deinitCapture) library.deinitCapture(unsigned(deviceIndex));
}

void VideoCapture::ListDevices() {
  deviceNames->Clear();
  const int count = InitEscapi();
  // A running camera keeps the entry points it was started with.
  if (!running) library = Escapi;
  for (int device = 0; device < count; ++device) {
    char name[256] = {};
    Escapi.getCaptureDeviceName(unsigned(device), name, int(sizeof name));
    name[sizeof name - 1] = 0;
    deviceNames->Add(name);
  }
}

bool VideoCapture::FindDevice() {
  ListDevices();
  found = 0;
  deviceIndex = -1;
  for (int i = 0; i < deviceNames->Count(); ++i)
    if (deviceNames->Strings(i) == WantedCamera) {
      deviceIndex = i;
      found = 1;
      break;
    }
  return found != 0;
}

void VideoCapture::Start() {
  if (!found || !library.Complete()) return;
  // The library's thread may still write into the old buffer: stop it before the buffer goes.
  ReleaseCapture();
  running = 0;
  delete[] parameters.targetBuffer;
  parameters.targetBuffer = new int[FrameWidth * FrameHeight]();
  parameters.width = FrameWidth;
  parameters.height = FrameHeight;
  delete frame;
  frame = new ZImage(FrameWidth, FrameHeight, 4, 0);
  // A camera that refuses to start is not reported as running.
  if (!library.initCapture(unsigned(deviceIndex), &parameters)) return;
  running = 1;
  library.doCapture(unsigned(deviceIndex));
}

void VideoCapture::GrabFrame() {
  if (!running || !frame || !library.isCaptureDone(unsigned(deviceIndex))) return;
  std::memcpy(frame->Pixels(), parameters.targetBuffer, FrameBytes);
  library.doCapture(unsigned(deviceIndex));
}

void VideoCapture::Stop() {
  if (running) ReleaseCapture();
  delete frame;
  frame = nullptr;
  running = 0;
}
