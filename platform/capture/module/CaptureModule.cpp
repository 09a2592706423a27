// The camera-capture library module over synthetic cameras. Each initialised camera has a thread of
// its own that writes a requested frame into the caller's target buffer and then reports it done.
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/capture/Capture.h"

namespace {

using capture::CaptureParameters;

struct Camera {
  std::string name;
  std::mutex mutex;
  std::condition_variable wake;
  std::thread worker;
  CaptureParameters parameters;
  bool running = false;
  bool requested = false;
  bool done = false;
  bool stop = false;
  unsigned frame = 0;
};

std::mutex camerasMutex;
std::vector<std::unique_ptr<Camera>> cameras;
std::atomic<bool> hold{false};  // requested frames wait while set

// The camera list: RT_CAPTURE_DEVICES ("a;b;c", empty for none), by default one camera.
std::vector<std::string> CameraNames() {
  const char* env = std::getenv("RT_CAPTURE_DEVICES");
  std::string list = env ? env : "Syntek STK1160";
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= list.size() && !list.empty()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) names.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

Camera* CameraAt(unsigned device) {
  std::lock_guard<std::mutex> lock(camerasMutex);
  return device < cameras.size() ? cameras[device].get() : nullptr;
}

void Work(Camera* camera) {
  std::unique_lock<std::mutex> lock(camera->mutex);
  for (;;) {
    camera->wake.wait(lock, [camera] { return camera->stop || (camera->requested && !hold); });
    if (camera->stop) return;
    const CaptureParameters p = camera->parameters;
    capture::RenderTestPattern(reinterpret_cast<uint8_t*>(p.targetBuffer), p.width, p.height, p.width * 4,
                               camera->frame++);
    camera->requested = false;
    camera->done = true;
  }
}

void StopCamera(Camera* camera) {
  {
    std::lock_guard<std::mutex> lock(camera->mutex);
    if (!camera->running) return;
    camera->stop = true;
  }
  camera->wake.notify_all();
  camera->worker.join();
  std::lock_guard<std::mutex> lock(camera->mutex);
  camera->running = camera->requested = camera->done = camera->stop = false;
}

// Stops every camera thread before the cameras are destroyed at unload or exit.
struct StopAllAtExit {
  ~StopAllAtExit() {
    std::lock_guard<std::mutex> lock(camerasMutex);
    for (auto& camera : cameras) StopCamera(camera.get());
  }
} stopAllAtExit;

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int countCaptureDevices() {
  std::lock_guard<std::mutex> lock(camerasMutex);
  // Cameras already known keep their state; new names are appended.
  const std::vector<std::string> names = CameraNames();
  for (size_t i = cameras.size(); i < names.size(); ++i) {
    cameras.push_back(std::make_unique<Camera>());
    cameras.back()->name = names[i];
  }
  for (size_t i = 0; i < names.size() && i < cameras.size(); ++i) cameras[i]->name = names[i];
  return int(names.size());
}

__attribute__((visibility("default"))) int initCapture(unsigned device, CaptureParameters* parameters) {
  Camera* camera = CameraAt(device);
  if (!camera || !parameters || !parameters->targetBuffer || parameters->width <= 0 ||
      parameters->height <= 0)
    return 0;
  StopCamera(camera);
  std::lock_guard<std::mutex> lock(camera->mutex);
  camera->parameters = *parameters;
  camera->frame = 0;  // every start shows the pattern from its first frame
  camera->running = true;
  camera->worker = std::thread(Work, camera);
  return 1;
}

__attribute__((visibility("default"))) void deinitCapture(unsigned device) {
  if (Camera* camera = CameraAt(device)) StopCamera(camera);
}

__attribute__((visibility("default"))) void doCapture(unsigned device) {
  Camera* camera = CameraAt(device);
  if (!camera) return;
  {
    std::lock_guard<std::mutex> lock(camera->mutex);
    if (!camera->running) return;
    camera->done = false;
    camera->requested = true;
  }
  camera->wake.notify_all();
}

__attribute__((visibility("default"))) int isCaptureDone(unsigned device) {
  Camera* camera = CameraAt(device);
  if (!camera) return 0;
  std::lock_guard<std::mutex> lock(camera->mutex);
  return camera->done ? 1 : 0;
}

__attribute__((visibility("default"))) void initCOM() {}

__attribute__((visibility("default"))) void getCaptureDeviceName(unsigned device, char* name, int length) {
  if (!name || length <= 0) return;
  name[0] = 0;
  Camera* camera = CameraAt(device);
  if (!camera) return;
  std::strncpy(name, camera->name.c_str(), size_t(length - 1));
  name[length - 1] = 0;
}

__attribute__((visibility("default"))) int ESCAPIDLLVersion() { return capture::CaptureLibraryVersion; }

__attribute__((visibility("default"))) void holdCapture(int on) {
  std::vector<Camera*> all;
  {
    std::lock_guard<std::mutex> lock(camerasMutex);
    for (auto& camera : cameras) all.push_back(camera.get());
  }
  hold = on != 0;
  for (Camera* camera : all) {
    { std::lock_guard<std::mutex> lock(camera->mutex); }  // a waiter sees the new value or gets the wake
    camera->wake.notify_all();
  }
}

}  // extern "C"
