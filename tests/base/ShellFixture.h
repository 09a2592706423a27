// A program folder of its own for each test: ProgramFolder, LogFolder, an INI service and a log list.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/rtl/Classes.h"
#include "base/Globals.h"
#include "base/IniService.h"
#include "tests/support/TempFolder.h"

class ShellFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    ProgramFolder = folder.path();
    LogFolder = folder.path();
    GlobalIniService = new IniService(folder.path());
    LogList = new TStringList;
  }
  void TearDown() override {
    delete GlobalIniService;
    GlobalIniService = nullptr;
    delete LogList;
    LogList = nullptr;
    ProgramFolder.clear();
    LogFolder.clear();
  }
  bool LogHas(const std::string& line) const { return LogList->IndexOf(line) >= 0; }

  TempFolder folder;
};
