// The parsed copy behind TIniFile and TRegistry: one parse for many reads, and every change of the file
// (by this process or another writer) seen at the next use.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/rtl/IniCache.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Registry.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempFolder.h"

namespace {

using rtl_detail::IniFileParseCount;

// A file changed less than the racy window ago is read again at every use; the counting tests wait
// that long after a foreign change so that the copy is trusted.
void WaitOutRacyWindow() {
  std::this_thread::sleep_for(std::chrono::nanoseconds(rtl_detail::RacyWindowNs) + std::chrono::milliseconds(50));
}

// Every way the program reads, N times over: the count of parses after the first read.
uint64_t ParsesForManyReads(const TIniFile& ini, int rounds) {
  const uint64_t before = IniFileParseCount();
  TStringList keys;
  for (int i = 0; i < rounds; ++i) {
    ini.ReadInteger("FORM", "Left", 100);
    ini.ReadBool("FORM", "MAXIMIZED", false);
    ini.ReadFloat("SYSTEM", "XO400_OFFSET", 0.0);
    ini.ReadString("SKIN", "SKIN_TEXT_COLOR_" + std::to_string(i), "");
    ini.SectionExists("GRID");
    ini.ValueExists("GRID", "Size");
    ini.ReadSection("FOREIGN", keys);
  }
  return IniFileParseCount() - before;
}

std::string ForeignSection(int keys) {
  std::string text = "[FOREIGN]\n; kept by another tool\n";
  for (int i = 0; i < keys; ++i) text += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
  return text;
}

class IniCacheTest : public testing::Test {
 protected:
  TempFolder temp;
  std::string file = temp / "RT7731IV.INI";

  // Another writer's change that keeps the size and the modification time, as an in-place rewrite
  // within the same second could.
  void RewriteKeepingSizeAndTime(const std::string& content) {
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    ASSERT_EQ(size_t(before.st_size), content.size());
    TempFolder::WriteBytes(file, content);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  }
};

TEST_F(IniCacheTest, ManyReadsParseAnUnchangedFileOnce) {
  TempFolder::WriteBytes(file, "[FORM]\nLeft=12\n[GRID]\nSize=3\n" + ForeignSection(2000));
  WaitOutRacyWindow();
  TIniFile ini(file);
  EXPECT_EQ(ParsesForManyReads(ini, 100), 1u);
  EXPECT_EQ(ini.ReadInteger("FORM", "Left", 100), 12);
  TIniFile second(file);  // a second object on the same file shares the copy
  EXPECT_EQ(ParsesForManyReads(second, 10), 0u);
}

TEST_F(IniCacheTest, OwnWritesNeedNoParseToReadBack) {
  TIniFile ini(file);
  const uint64_t before = IniFileParseCount();
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(ini.WriteInteger("GRID", "Size", i));
    ASSERT_EQ(ini.ReadInteger("GRID", "Size", -1), i);
  }
  EXPECT_EQ(IniFileParseCount() - before, 0u);
  EXPECT_EQ(TempFolder::ReadBytes(file), "[GRID]\r\nSize=49\r\n");
}

TEST_F(IniCacheTest, ChangesByAnotherWriterAreSeen) {
  TempFolder::WriteBytes(file, "[SKIN]\nSKIN_NR=1\n");
  WaitOutRacyWindow();
  TIniFile ini(file);
  ASSERT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 0), 1);

  RewriteKeepingSizeAndTime("[SKIN]\nSKIN_NR=2\n");  // only the status-change time differs
  EXPECT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 0), 2);

  TempFolder::WriteBytes(file + ".new", "[SKIN]\nSKIN_NR=3\n");  // replaced through a rename
  ASSERT_EQ(std::rename((file + ".new").c_str(), file.c_str()), 0);
  EXPECT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 0), 3);

  TempFolder::WriteBytes(file, "[SKIN]\nSKIN_NR=40\n");  // another size
  EXPECT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 0), 40);

  ASSERT_EQ(::unlink(file.c_str()), 0);  // gone
  EXPECT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 0), 0);
  TempFolder::WriteBytes(file, "[SKIN]\nSKIN_NR=5\n");  // and back
  EXPECT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 0), 5);
}

TEST_F(IniCacheTest, ChangeByAnotherWriterIsReadOnceItIsOld) {
  TIniFile ini(file);
  ASSERT_TRUE(ini.WriteInteger("FORM", "Left", 1));
  TempFolder::WriteBytes(file, "[FORM]\nLeft=2\n" + ForeignSection(10));
  WaitOutRacyWindow();
  EXPECT_EQ(ParsesForManyReads(ini, 50), 1u);
  EXPECT_EQ(ini.ReadInteger("FORM", "Left", 0), 2);
}

TEST_F(IniCacheTest, WriteKeepsWhatAnotherWriterAddedAfterTheLastRead) {
  TempFolder::WriteBytes(file, "[FORM]\nLeft=1\n");
  WaitOutRacyWindow();
  TIniFile ini(file);
  ASSERT_EQ(ini.ReadInteger("FORM", "Left", 0), 1);
  const std::string foreign = ForeignSection(3);
  TempFolder::WriteBytes(file, "[FORM]\nLeft=1\n\n" + foreign);
  ASSERT_TRUE(ini.WriteInteger("FORM", "Top", 7));
  EXPECT_EQ(TempFolder::ReadBytes(file), "[FORM]\nLeft=1\nTop=7\n\n" + foreign);
}

TEST_F(IniCacheTest, WritingTheStoredValueAgainLeavesTheFileAlone) {
  TempFolder::WriteBytes(file, "[FORM]\nLeft = 1\n");
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  TIniFile ini(file);
  EXPECT_TRUE(ini.WriteInteger("form", "LEFT", 1));
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
  EXPECT_EQ(TempFolder::ReadBytes(file), "[FORM]\nLeft = 1\n");
  EXPECT_TRUE(ini.WriteInteger("FORM", "Left", 2));
  EXPECT_EQ(TempFolder::ReadBytes(file), "[FORM]\nLeft=2\n");
}

TEST_F(IniCacheTest, FailedWriteLeavesFileAndReadsAsTheyWere) {
  TempFolder::WriteBytes(file, "[FORM]\nLeft=1\n");
  TIniFile ini(file);
  ASSERT_EQ(ini.ReadInteger("FORM", "Left", 0), 1);
  {
    FileSizeLimit fullDisk(8);
    EXPECT_FALSE(ini.WriteInteger("FORM", "Left", 2));
  }
  EXPECT_EQ(ini.ReadInteger("FORM", "Left", 0), 1);
  EXPECT_EQ(TempFolder::ReadBytes(file), "[FORM]\nLeft=1\n");
  EXPECT_EQ(temp.Entries(), std::vector<std::string>{"RT7731IV.INI"});  // no temporary file left
  EXPECT_TRUE(ini.WriteInteger("FORM", "Left", 3));
  EXPECT_EQ(ini.ReadInteger("FORM", "Left", 0), 3);
}

// A file far beyond any settings file: its head holds a key, the rest is a sparse hole.
TEST_F(IniCacheTest, FileTooLargeReadsAsDefaultsAndIsNeverWritten) {
  TempFolder::WriteBytes(file, "[FORM]\nLeft=12\n");
  ASSERT_EQ(::truncate(file.c_str(), rtl_detail::MaxIniFileBytes + 1), 0);
  TIniFile ini(file);
  testing::internal::CaptureStderr();
  EXPECT_EQ(ini.ReadInteger("FORM", "Left", 100), 100);
  EXPECT_EQ(ini.ReadInteger("FORM", "Top", 100), 100);
  EXPECT_FALSE(ini.WriteInteger("FORM", "Left", 5));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(file), std::string::npos) << said;
  EXPECT_NE(said.find("not written"), std::string::npos) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "said once: " << said;
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, rtl_detail::MaxIniFileBytes + 1);
  EXPECT_EQ(TempFolder::ReadBytes(file).substr(0, 15), "[FORM]\nLeft=12\n");
}

TEST_F(IniCacheTest, RegistryStoreIsParsedOnceForManyReads) {
  const std::string store = temp / "config/RT7731IV/registry.ini";
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", (temp.path() + "config").c_str(), 1);
  temp.Write("config/RT7731IV/registry.ini", "[Software\\RT7731IV]\nInstallPath=/opt/x\n" + ForeignSection(500));
  WaitOutRacyWindow();
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\RT7731IV", false));
  const uint64_t before = IniFileParseCount();
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(registry.ReadString("InstallPath"), "/opt/x");
    EXPECT_TRUE(registry.KeyExists("\\FOREIGN"));
  }
  EXPECT_EQ(IniFileParseCount() - before, 0u);  // parsed by OpenKey already
  ASSERT_TRUE(registry.WriteString("Language", "1"));
  EXPECT_NE(TempFolder::ReadBytes(store).find(ForeignSection(500)), std::string::npos);
  if (old)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

// Sections found through the index stay right while the document changes.
TEST(IniDocumentIndexTest, LookupsFollowEdits) {
  rtl_detail::IniDocument document;
  document.Parse("[A]\nx=1\n[b]\ny=2\n[a]\nx=3\n");
  std::string value;
  ASSERT_TRUE(document.Find("a", "x", value));
  EXPECT_EQ(value, "1");  // the first section of a name counts
  document.Set("C", "z", "4");
  document.Set("b", "w", "5");  // an insertion before later sections
  ASSERT_TRUE(document.Find("c", "z", value));
  EXPECT_EQ(value, "4");
  ASSERT_TRUE(document.Find("B", "w", value));
  EXPECT_EQ(value, "5");
  EXPECT_TRUE(document.EraseSection("A"));  // both of that name
  EXPECT_FALSE(document.HasSection("a"));
  ASSERT_TRUE(document.Find("C", "z", value));
  EXPECT_EQ(value, "4");
  EXPECT_TRUE(document.DeleteKey("b", "y"));
  ASSERT_TRUE(document.Find("b", "w", value));
  EXPECT_EQ(document.Serialize(), "[b]\nw=5\n[C]\nz=4\n");
}

}  // namespace
