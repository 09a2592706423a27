#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/Modules.h"
#include "platform/rtl/SysUtils.h"

namespace {

TEST(ModulesTest, NamesMapToSharedObjects) {
  const std::string folder = GetProgramFolder();
  EXPECT_EQ(ModuleFileName("usb2.dll"), folder + "libusb2.so");
  EXPECT_EQ(ModuleFileName("usb2.DLL"), folder + "libusb2.so");
  EXPECT_EQ(ModuleFileName("libfoo.so"), folder + "libfoo.so");
  EXPECT_EQ(ModuleFileName("/opt/rt/libusb2.so"), "/opt/rt/libusb2.so");
  EXPECT_EQ(ModuleFileName("drivers\\libx.so"), "drivers/libx.so");
}

TEST(ModulesTest, LoadsModuleAndFindsItsFunction) {
  TModuleHandle module = LoadModule("rttestmod.dll");
  ASSERT_NE(module, nullptr) << ModuleError();
  using AddFn = int (*)(int, int);
  auto add = reinterpret_cast<AddFn>(GetModuleSymbol(module, "RtTestAdd"));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 3), 5);

  EXPECT_EQ(GetModuleSymbol(module, "UsbNoSuchFunction"), nullptr);
  EXPECT_NE(ModuleError().find("UsbNoSuchFunction"), std::string::npos);
  FreeModule(module);
}

TEST(ModulesTest, FullPathLoadsToo) {
  TModuleHandle module = LoadModule(std::string(RT_TEST_PROGRAM_DIR) + "librttestmod.so");
  ASSERT_NE(module, nullptr) << ModuleError();
  EXPECT_NE(GetModuleSymbol(module, "RtTestAdd"), nullptr);
  FreeModule(module);
}

TEST(ModulesTest, MissingModuleGivesNull) {
  EXPECT_EQ(LoadModule("nosuchmodule.dll"), nullptr);
  EXPECT_FALSE(ModuleError().empty());
  EXPECT_EQ(LoadModule(""), nullptr);
  EXPECT_EQ(GetModuleSymbol(nullptr, "RtTestAdd"), nullptr);
  FreeModule(nullptr);  // harmless
}

TEST(ModulesTest, FollowsTheProgramFolderOverride) {
  SetProgramFolder("/nowhere");
  EXPECT_EQ(LoadModule("rttestmod.dll"), nullptr);
  SetProgramFolder("");
  TModuleHandle module = LoadModule("rttestmod.dll");
  EXPECT_NE(module, nullptr);
  FreeModule(module);
}

}  // namespace
