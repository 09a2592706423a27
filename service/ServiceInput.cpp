#include "service/ServiceInput.h"

#include <cctype>
#include <charconv>
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

double LeadingNumber(const std::string& text) {
  size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  if (at < text.size() && text[at] == '+') {
    ++at;
    if (at < text.size() && text[at] == '-') return 0.0;  // one sign only
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
  if (end == text.data() + at || error != std::errc() || !std::isfinite(value)) return 0.0;
  return value;
}

void ShowServiceMessage(const std::string& text) { MessageBox(text, "Service", MB_OK | MB_ICONWARNING); }
