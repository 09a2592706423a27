#include "service/ServiceInput.h"

#include <cmath>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"

bool ReadMHz(const std::string& name, const std::string& text, MHzLimits limits, double& value,
             std::string& message) {
  double v = 0.0;
  if (!TryStrToFloat(text, v) || !std::isfinite(v)) {
    message = name + ": \"" + text + "\" is not a number of MHz (use '.' as the decimal point)";
    return false;
  }
  if (v < limits.Min || v > limits.Max) {
    message = name + ": " + FloatToStr(v) + " MHz is outside " + FloatToStr(limits.Min) + " to " +
              FloatToStr(limits.Max) + " MHz";
    return false;
  }
  value = v;
  return true;
}

void ShowServiceMessage(const std::string& text) { MessageBox(text, "Service", MB_OK | MB_ICONWARNING); }
