// A capture library module that is unusable on purpose: built once with a wrong version and once
// without one of its entry points.
#include "platform/capture/Capture.h"

extern "C" {
__attribute__((visibility("default"))) int countCaptureDevices() { return 3; }
__attribute__((visibility("default"))) int initCapture(unsigned, capture::CaptureParameters*) { return 1; }
__attribute__((visibility("default"))) void deinitCapture(unsigned) {}
#ifndef FAKE_WITHOUT_DO_CAPTURE
__attribute__((visibility("default"))) void doCapture(unsigned) {}
#endif
__attribute__((visibility("default"))) int isCaptureDone(unsigned) { return 1; }
__attribute__((visibility("default"))) void initCOM() {}
__attribute__((visibility("default"))) void getCaptureDeviceName(unsigned, char* name, int length) {
  const char text[] = "Syntek STK1160";
  for (int i = 0; i < length; ++i) {
    name[i] = i < int(sizeof text) ? text[i] : 0;
  }
  if (length > 0) name[length - 1] = 0;
}
__attribute__((visibility("default"))) int ESCAPIDLLVersion() { return FAKE_VERSION; }
}
