// Installer entry: reads the optional install root, shows the installer's window and runs it to its end.
// Exit code 0 after a successful installation, 1 after a failed one, 2 for a bad command line.
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "installer/Testunit.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr const char* Usage =
    "Usage: Installer [--root FOLDER]\n"
    "Installs the program below FOLDER (default: your home folder): into \"Program Files (x86)/RT7731IV\"\n"
    "when that folder exists there, else into \"Programme/RT7731IV\", or into the path an earlier\n"
    "installation registered.\n";

// The root given by "--root FOLDER" or "--root=FOLDER", made absolute; false for anything else.
bool ParseArguments(int argc, char** argv, std::string& root) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--root" && i + 1 < argc) {
      root = argv[++i];
    } else if (argument.rfind("--root=", 0) == 0) {
      root = argument.substr(7);
    } else {
      return false;
    }
    if (root.empty()) return false;
  }
  if (!root.empty()) {
    std::error_code ec;
    root = std::filesystem::absolute(root, ec).string();
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root;
  if (!ParseArguments(argc, argv, root)) {
    std::cerr << Usage;
    return 2;
  }
  TMainWin::InstallRoot = root;
  try {
    Application->Initialize();
    Application->CreateForm(MainWin);
    Application->Run();
  } catch (const std::exception& e) {
    Application->ShowException(e);
    return 1;
  }
  return TMainWin::ExitCode;
}
