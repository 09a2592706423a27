// Start-up log, fatal-error report and shared utility functions.
#pragma once
#include <cstdint>
#include <string>

void WriteLog(const std::string& line, bool save = true);
void WriteLog2(const std::string& text, const std::string& text2, bool save = true);
[[noreturn]] void ReportFatalError(const std::string& where);
uint32_t ColorToARGB(int colour, uint8_t alpha);
long double GetPerformanceSeconds();
