#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "platform/rtl/Registry.h"
#include "tests/support/TempFolder.h"

namespace {

// Sets an environment variable for the life of the object and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_); }

 private:
  void Set(const std::optional<std::string>& value) {
    if (value)
      ::setenv(name_, value->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> old_;
};

const char* const kKey = "\\Software\\RT7731IV";

class RegistryTest : public testing::Test {
 protected:
  TempFolder temp;
  ScopedEnv xdg{"XDG_CONFIG_HOME", temp.path() + "config"};
  std::string store = temp / "config/RT7731IV/registry.ini";
};

TEST_F(RegistryTest, StoreLivesUnderXdgConfigHome) {
  EXPECT_EQ(TRegistry::StoreFileName(), store);
  ScopedEnv home("HOME", temp.path() + "home");
  {
    ScopedEnv unset("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(TRegistry::StoreFileName(), temp / "home/.config/RT7731IV/registry.ini");
  }
  ScopedEnv relative("XDG_CONFIG_HOME", std::string("relative/dir"));  // not absolute: ignored
  EXPECT_EQ(TRegistry::StoreFileName(), temp / "home/.config/RT7731IV/registry.ini");
}

TEST_F(RegistryTest, OpenKeyWithCreateMakesTheKeyAndValuesPersist) {
  {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kKey, false));  // nothing there yet
    EXPECT_FALSE(FileExists(store));
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\RT7731IV");
    EXPECT_EQ(TempFolder::ReadBytes(store), "[Software\\RT7731IV]\r\n");
    EXPECT_EQ(reg.ReadString("Distributor"), "");  // missing value
    EXPECT_FALSE(reg.ValueExists("Distributor"));
    EXPECT_TRUE(reg.WriteString("Distributor", "brenholt"));
    EXPECT_TRUE(reg.WriteString("InstallPath", "/home/u/Programme/RT7731IV"));
    reg.CloseKey();
    EXPECT_EQ(reg.ReadString("Distributor"), "");  // no key open
  }
  TRegistry again;
  ASSERT_TRUE(again.OpenKey("\\software\\rt7731iv", false));  // key names ignore case
  EXPECT_EQ(again.ReadString("DISTRIBUTOR"), "brenholt");
  EXPECT_EQ(again.ReadString("InstallPath"), "/home/u/Programme/RT7731IV");
  EXPECT_TRUE(again.WriteString("Distributor", "tarvix"));
  EXPECT_EQ(again.ReadString("Distributor"), "tarvix");
  EXPECT_TRUE(again.DeleteValue("Distributor"));
  EXPECT_FALSE(again.DeleteValue("Distributor"));
  EXPECT_EQ(again.ReadString("Distributor"), "");
}

TEST_F(RegistryTest, RelativeKeysAndOtherRoots) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\Software", true));
  ASSERT_TRUE(reg.OpenKey("RT7731IV\\", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\RT7731IV");
  EXPECT_TRUE(reg.KeyExists("\\Software"));
  EXPECT_FALSE(reg.KeyExists("Sub"));
  TRegistry machine;
  machine.RootKey = HKEY_LOCAL_MACHINE;
  EXPECT_FALSE(machine.OpenKey(kKey, true));
  EXPECT_FALSE(machine.WriteString("Distributor", "x"));
}

TEST_F(RegistryTest, ValuesKeepTheirExactText) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, true));
  for (std::string v : {"", " padded ", "\"quoted\"", "C:\\Programme\\RT7731IV", "a=b", "Größe"}) {
    ASSERT_TRUE(reg.WriteString("Value", v));
    EXPECT_EQ(reg.ReadString("Value"), v);
  }
  EXPECT_FALSE(reg.WriteString("Value", "two\nlines"));
  EXPECT_FALSE(reg.WriteString("", "x"));
  EXPECT_FALSE(reg.WriteString("a=b", "x"));
}

TEST_F(RegistryTest, CorruptStoreStillServesAndIsRepairedByWrites) {
  ForceDirectories(ExtractFilePath(store));
  TempFolder::WriteBytes(store, "\xff\xfe garbage\n[Software\\RT7731IV]\nDistributor=tarvix\n[Soft");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kKey, false));
  EXPECT_EQ(reg.ReadString("Distributor"), "tarvix");
  EXPECT_TRUE(reg.WriteString("InstallPath", "/opt/x"));
  EXPECT_EQ(reg.ReadString("InstallPath"), "/opt/x");
  EXPECT_EQ(reg.ReadString("Distributor"), "tarvix");
}

TEST_F(RegistryTest, UnwritableStoreGivesFalseNeverThrows) {
  TempFolder::WriteBytes(temp / "blocker", "x");
  ScopedEnv blocked("XDG_CONFIG_HOME", temp.path() + "blocker");  // the folder would be below a file
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(kKey, true));
  EXPECT_FALSE(reg.WriteString("Distributor", "tarvix"));
  EXPECT_EQ(reg.ReadString("Distributor"), "");
  EXPECT_FALSE(reg.ValueExists("Distributor"));
}

}  // namespace
