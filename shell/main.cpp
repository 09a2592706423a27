// Program entry: the start splash, the main window, the settings and silent-test windows, then the
// message loop.
#include <exception>

#include "platform/vcl/Forms.h"
#include "screens/locate/Silenttestwinunit.h"
#include "shell/RT7731_IV_Unit.h"
#include "shell/Settings.h"
#include "shell/Splashinunit.h"

TSettingsWin* SettingsWin = nullptr;
TSilentTestWin* SilentTestWin = nullptr;

int main() {
  // Before anything that takes time or shows a box, so that no signal kills the program.
  Application->CatchTerminationSignals();
  try {
    Application->Initialize();
    SplashIn = new TSplashIn(nullptr);
    SplashIn->Show();
    Application->ProcessMessages();
    Application->CreateForm(MainWin);
    Application->CreateForm(SettingsWin);
    Application->CreateForm(SilentTestWin);
    Application->Run();
  } catch (const std::exception& e) {
    Application->ShowException(e);
    return 1;  // not 0: a start that failed must not read as a normal end
  } catch (...) {
    Application->ShowException(Exception("Unknown exception"));
    return 1;
  }
  return 0;
}
