// Reading the MHz values that a service technician types, and telling him what was refused.
// The edits are read with '.' as the decimal separator (as FloatToStr writes them); a text that is
// not a number, or a value the synthesiser cannot make, is refused instead of being sent.
#pragma once
#include <string>

struct MHzLimits {
  double Min = 0.0;
  double Max = 0.0;
};

// Output of the 28-bit synthesisers at their 80 MHz clock: up to half the clock.
constexpr MHzLimits DdsLimits{0.0, 40.0};
// Main VCO: 256 times the 400 MHz synthesiser, which reaches half its clock.
constexpr MHzLimits MainVcoLimits{0.0, 51200.0};

// The value of text in MHz when it is a number inside the limits; otherwise false, with message
// saying what is wrong ("<name>: ...").
bool ReadMHz(const std::string& name, const std::string& text, MHzLimits limits, double& value,
             std::string& message);

// A typed value read as the C library's atof reads it: the number at the start of the text ('.' as
// the decimal point), 0 when there is none. A value too large for a double, infinity or NaN also
// gives 0, so that nothing unreadable is stored.
double LeadingNumber(const std::string& text);

// Shows a refused input to the technician (caption "Service").
void ShowServiceMessage(const std::string& text);
