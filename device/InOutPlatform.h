// The few platform services the device layer uses, in one place: module loading, pauses, the
// performance counter, the GUI message pump, number formatting, the message box and the INI entry
// of the calibrated clock offset.
#pragma once
#include <cstdint>
#include <string>

#include "platform/rtl/SysUtils.h"

using DeviceError = Exception;

void* DeviceLoadModule(const std::string& name);
void* DeviceModuleSymbol(void* handle, const char* name);
void DeviceFreeModule(void* handle);
void DeviceMessageBox(const std::string& text, const std::string& caption);
void DeviceSleep(unsigned milliseconds);
int64_t DeviceCounter();
int64_t DeviceCounterFrequency();
// Lets the GUI thread's pending messages run; does nothing on other threads, nor while the GUI
// thread's dispatch is held (inside HardwareLock, a view's Enter or Leave).
void DeviceProcessMessages();
std::string DeviceFormatFloat(const std::string& format, double value);
void DeviceWriteXO400Offset(double offset);
