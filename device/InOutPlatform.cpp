#include "device/InOutPlatform.h"

#include "platform/rtl/Classes.h"
#include "platform/rtl/Modules.h"
#include "platform/vcl/Forms.h"
#include "base/Globals.h"
#include "base/IniService.h"

void* DeviceLoadModule(const std::string& name) { return LoadModule(name); }

void* DeviceModuleSymbol(void* handle, const char* name) { return GetModuleSymbol(handle, name); }

void DeviceFreeModule(void* handle) { FreeModule(handle); }

void DeviceMessageBox(const std::string& text, const std::string& caption) {
  MessageBox(text, caption, MB_OK);
}

void DeviceSleep(unsigned milliseconds) { Sleep(milliseconds); }

int64_t DeviceCounter() { return QueryPerformanceCounter(); }

int64_t DeviceCounterFrequency() {
  const int64_t f = QueryPerformanceFrequency();
  return f > 0 ? f : 1;
}

void DeviceProcessMessages() {
  if (Application && IsMainThread()) Application->ProcessMessages();
}

std::string DeviceFormatFloat(const std::string& format, double value) { return FormatFloat(format, value); }

void DeviceWriteXO400Offset(double offset) {
  if (GlobalIniService) GlobalIniService->WriteXO400Offset(offset);
}
