// Temporary stand-in until the real log lands: keeps the program linkable.
#include "shell/Log.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>

void WriteLog(const std::string&, bool) {}
void WriteLog2(const std::string&, const std::string&, bool) {}
void ReportFatalError(const std::string& where) {
  std::fprintf(stderr, "Error: %s\n", where.c_str());
  std::exit(1);
}
uint32_t ColorToARGB(int colour, uint8_t alpha) {
  return uint32_t(alpha) << 24 | uint32_t(colour & 0xFF) << 16 | uint32_t(colour & 0xFF00) |
         uint32_t((colour >> 16) & 0xFF);
}
long double GetPerformanceSeconds() {
  using namespace std::chrono;
  return duration<long double>(steady_clock::now().time_since_epoch()).count();
}
