// What the fuzz drivers of the INI-style files found: a key stored twice in one section.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Registry.h"
#include "tests/support/TempFolder.h"

namespace {

const char* const Doubled = "[Software\\RT7731IV]\nDistributor=first\nInstallPath=/opt\nDistributor=second\n";

TEST(IniFileFindings, DeletingAKeyStoredTwiceRemovesBothAndKeepsTheRest) {
  TempFolder temp;
  const std::string file = temp / "doubled.ini";
  TempFolder::WriteBytes(file, Doubled);
  TIniFile ini(file);
  EXPECT_TRUE(ini.DeleteKey("Software\\RT7731IV", "DISTRIBUTOR"));
  EXPECT_FALSE(ini.ValueExists("Software\\RT7731IV", "Distributor"));
  EXPECT_EQ(ini.ReadString("Software\\RT7731IV", "Distributor", "none"), "none");
  EXPECT_EQ(ini.ReadString("Software\\RT7731IV", "InstallPath", ""), "/opt");
}

TEST(RegistryFindings, ADeletedValueStoredTwiceNoLongerReads) {
  TempFolder temp;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", temp.path().c_str(), 1);
  std::filesystem::create_directories(temp / "RT7731IV");
  TempFolder::WriteBytes(temp / "RT7731IV/registry.ini", Doubled);
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\RT7731IV", false));
  EXPECT_EQ(registry.ReadString("Distributor"), "first");
  EXPECT_TRUE(registry.DeleteValue("Distributor"));
  EXPECT_FALSE(registry.ValueExists("Distributor"));
  EXPECT_EQ(registry.ReadString("Distributor"), "");
  EXPECT_EQ(registry.ReadString("InstallPath"), "/opt");
  if (old)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
