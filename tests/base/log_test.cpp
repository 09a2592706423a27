// The start-up log file, the fatal-error report and the colour conversion.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "platform/rtl/Classes.h"
#include "base/Globals.h"
#include "base/Log.h"
#include "tests/support/Pump.h"
#include "tests/support/TempFolder.h"

namespace {

// Points the log at a temporary folder with a new list; removes the list afterwards.
class LogTest : public testing::Test {
 protected:
  void SetUp() override { StartRun(); }
  void TearDown() override {
    delete LogList;
    LogList = nullptr;
    LogFolder.clear();
  }
  void StartRun() {
    delete LogList;
    LogList = new TStringList;
    LogFolder = folder.path();
  }
  std::string LogText() const { return folder.Read("log.txt"); }
  void AppendAsAnotherWriter(const std::string& line) const {
    FILE* f = std::fopen((folder.path() + "log.txt").c_str(), "a");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }

  TempFolder folder;
};

TEST_F(LogTest, WithoutListNothingIsWritten) {
  delete LogList;
  LogList = nullptr;
  WriteLog("Panels erzeugt...");
  WriteLog2("xBase", "gestartet");
  EXPECT_FALSE(folder.Exists("log.txt"));
}

TEST_F(LogTest, EverySaveRewritesTheWholeListWithCrLf) {
  WriteLog("Panels erzeugt...");
  EXPECT_EQ(LogText(), "Panels erzeugt...\r\n");
  WriteLog2("xBase", "prüfen");
  WriteLog("vor Frames...");
  EXPECT_EQ(LogText(), "Panels erzeugt...\r\nxBase     prüfen\r\nvor Frames...\r\n");
  EXPECT_EQ(LogList->Count(), 3);
}

// File identity (device, inode): a rewrite through a temporary file gives the name a new file.
std::pair<dev_t, ino_t> FileId(const std::string& path) {
  struct stat s {};
  if (::stat(path.c_str(), &s) != 0) return {};
  return {s.st_dev, s.st_ino};
}

TEST_F(LogTest, SavesThatOnlyAddLinesAddToTheFileInPlace) {
  const std::string file = folder.path() + "log.txt";
  WriteLog("Panels erzeugt...");
  const auto id = FileId(file);
  // Checked after each save: a new file may get the number that a removed one had.
  WriteLog("vor Frames...");
  EXPECT_EQ(FileId(file), id);
  WriteLog("nach Frames...");
  EXPECT_EQ(FileId(file), id);
  EXPECT_EQ(LogText(), "Panels erzeugt...\r\nvor Frames...\r\nnach Frames...\r\n");
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"log.txt"});
}

// Another program's file of the very length we saved is not ours to add to: it is rewritten.
TEST_F(LogTest, AFileReplacedSinceOurSaveIsRewrittenFromTheList) {
  const std::string file = folder.path() + "log.txt";
  WriteLog("Panels erzeugt...");
  const std::string foreign = "fremde Zeile.....\r\n";
  ASSERT_EQ(foreign.size(), LogText().size());
  folder.Write("log.txt", foreign);
  std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  WriteLog("vor Frames...");
  EXPECT_EQ(LogText(), "Panels erzeugt...\r\nvor Frames...\r\n");
}

TEST_F(LogTest, UnsavedLinesWaitForTheNextSave) {
  WriteLog("eins");
  WriteLog("zwei", false);
  EXPECT_EQ(LogText(), "eins\r\n");
  WriteLog("drei");
  EXPECT_EQ(LogText(), "eins\r\nzwei\r\ndrei\r\n");
}

TEST_F(LogTest, TwoRunsLeaveOnlyTheSecondRunsLines) {
  WriteLog("erster Lauf 1");
  WriteLog("erster Lauf 2");
  StartRun();
  WriteLog("zweiter Lauf");
  EXPECT_EQ(LogText(), "zweiter Lauf\r\n");
}

TEST_F(LogTest, AFileLeftByAnEarlierProgramRunIsReplacedNotMerged) {
  folder.Write("log.txt", "alter Lauf 1\r\nalter Lauf 2\r\n");
  const std::string file = folder.path() + "log.txt";
  std::filesystem::last_write_time(file,
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  WriteLog("Panels erzeugt...");
  EXPECT_EQ(LogText(), "Panels erzeugt...\r\n");
  WriteLog("vor Frames...");
  EXPECT_EQ(LogText(), "Panels erzeugt...\r\nvor Frames...\r\n");
  EXPECT_EQ(LogList->Count(), 2);
}

TEST_F(LogTest, LinesAnotherWriterAppendsAreKeptInOrder) {
  // The imaging unit empties the file at start and appends its own lines between our saves.
  StartRun();
  folder.Write("log.txt", "");
  AppendAsAnotherWriter("ImageBase gestartet");
  WriteLog("Panels erzeugt...");
  AppendAsAnotherWriter("Open( AnsiString filename ) fehlgeschlagen");
  WriteLog("nach InitSkin...");
  EXPECT_EQ(LogText(),
            "ImageBase gestartet\r\nPanels erzeugt...\r\nOpen( AnsiString filename ) fehlgeschlagen\r\n"
            "nach InitSkin...\r\n");
  WriteLog("nach ClearInfo...");
  EXPECT_EQ(LogList->Count(), 5);
}

TEST_F(LogTest, AWriterThatAlsoAddsToTheListIsNotRepeated) {
  folder.Write("log.txt", "");
  LogList->Add("ImageBase gestartet");
  AppendAsAnotherWriter("ImageBase gestartet");
  WriteLog("Panels erzeugt...");
  LogList->Add("Clone( void ) fehlgeschlagen");
  AppendAsAnotherWriter("Clone( void ) fehlgeschlagen");
  WriteLog("vor Frames...");
  EXPECT_EQ(LogText(),
            "ImageBase gestartet\r\nPanels erzeugt...\r\nClone( void ) fehlgeschlagen\r\nvor Frames...\r\n");
  EXPECT_EQ(LogList->Count(), 4);
}

TEST_F(LogTest, AnUnwritableFolderDoesNotStopTheProgram) {
  LogFolder = folder.path() + "missing/";
  EXPECT_NO_THROW(WriteLog("Panels erzeugt..."));
  EXPECT_NO_THROW(WriteLog("vor Frames..."));
  EXPECT_EQ(LogList->Count(), 2);
  LogFolder = folder.path();
  WriteLog("nach Frames...");
  EXPECT_EQ(LogText(), "Panels erzeugt...\r\nvor Frames...\r\nnach Frames...\r\n");
}

using FatalErrorDeathTest = testing::Test;

TEST_F(FatalErrorDeathTest, ShowsThePlaceWithCaptionErrorAndEndsWithFailure) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(ReportFatalError("RangeDefList::AddItem"), testing::ExitedWithCode(FatalExitCode),
              testing::AllOf(testing::HasSubstr("Error"), testing::HasSubstr("RangeDefList::AddItem")));
  EXPECT_EXIT(ReportFatalError(""), testing::ExitedWithCode(FatalExitCode), "Error");
  EXPECT_NE(FatalExitCode, 0);
}

// From a worker thread the box is handed to the GUI thread and shown there before the process ends.
TEST_F(FatalErrorDeathTest, FromAWorkerTheGuiThreadShowsTheBox) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        std::thread([] { ReportFatalError("SweepThread::Execute"); }).detach();
        testpump::PumpFor(testpump::Loop::Queue, std::chrono::seconds(60));
        std::exit(0);
      },
      testing::ExitedWithCode(FatalExitCode), "\\[Error\\] SweepThread::Execute");
}

struct ArgbCase {
  int colour;
  uint8_t alpha;
  uint32_t expected;
};

void PrintTo(const ArgbCase& c, std::ostream* os) {
  const std::ios_base::fmtflags flags = os->flags();
  *os << "colour 0x" << std::hex << std::uppercase << static_cast<uint32_t>(c.colour) << std::dec << " alpha "
      << int(c.alpha);
  os->flags(flags);
}

class ColorToARGBTest : public testing::TestWithParam<ArgbCase> {};

TEST_P(ColorToARGBTest, SwapsRedAndBlueAndSetsAlpha) {
  EXPECT_EQ(ColorToARGB(GetParam().colour, GetParam().alpha), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ColorToARGBTest,
                         testing::Values(ArgbCase{0x0000FF, 255, 0xFFFF0000},
                                         ArgbCase{0x123456, 0x80, 0x80563412},
                                         ArgbCase{static_cast<int>(0x80000001), 0, 0x00010000},
                                         ArgbCase{0xFFFFFF, 0, 0x00FFFFFF}, ArgbCase{0, 0xFF, 0xFF000000}));

TEST(PerformanceSeconds, NeverRunsBackwards) {
  const long double first = GetPerformanceSeconds();
  const long double second = GetPerformanceSeconds();
  EXPECT_GT(first, 0.0L);
  EXPECT_GE(second, first);
}

}  // namespace
