// Builds the real main window on the headless platform, from a copy of the program folder with the
// simulated instrument and its scenario, and with a registry of its own.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "device/InOut.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "shell/RT7731_IV_Unit.h"
#include "shell/Splashinunit.h"
#include "base/Globals.h"
#include "tests/support/SimInstrument.h"
#include "tests/support/TempFolder.h"

class MainWinTest : public testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    const fs::path bin = RT_BIN_DIR;
    for (const char* name : {"Elements", "Images", "meshes", "Sounds", "libusb2.so"})
      if (fs::exists(bin / name))
        fs::copy(bin / name, fs::path(folder.path()) / name, fs::copy_options::recursive);
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    unsetenv("USB2SIM_SCENARIO");
    SetProgramFolder(folder.path());
  }

  void TearDown() override {
    Close();
    SetProgramFolder("");
    SetUsb2ModuleName("usb2.dll");
  }

  // Writes the scenario, then builds the main window as the entry routine does and shows it.
  void Start(const std::string& scenario = "") {
    if (!scenario.empty()) folder.Write("usb2sim.ini", scenario);
    Application->Initialize();
    SplashIn = new TSplashIn(nullptr);
    SplashIn->Show();
    win = new TMainWin(nullptr);
    win->AfterConstruction();
    win->Show();
    Application->ProcessMessages();
  }

  // Destroys the main window (saving its bounds) as the end of the program does.
  void Close() {
    if (!win) return;
    Application->OnIdle = nullptr;
    delete win;
    win = nullptr;
  }

  // One idle pass; returns Done.
  bool IdlePass() {
    bool done = true;
    win->IdleLoop(nullptr, done);
    return done;
  }

  std::string RegistryText() const { return config.Read("RT7731IV/registry.ini"); }

  TempFolder folder;
  TempFolder config;
  TMainWin* win = nullptr;
};

// The main window started on the simulated instrument linked into the test (its default scene), so
// that the test reads and changes the very instrument the program drives.
class SimMainWinTest : public MainWinTest {
 protected:
  void SetUp() override {
    MainWinTest::SetUp();
    siminstrument::Bind();
    ASSERT_TRUE(siminstrument::Load(""));
    Start();
  }
};
