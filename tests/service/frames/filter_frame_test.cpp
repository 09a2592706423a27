// The IF-filter service frame: the six trim records backed up into ".fil" files and restored from
// them, and every bad file refused before the question, with nothing written to the device.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "ServiceFixture.h"
#include "service/Filterframeunit.h"

namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
}

// Records 0-5 with distinct bytes: record k byte i = 10k + i.
std::string DistinctRecords() {
  std::string text = "[eeprom]\n";
  for (int k = 0; k < 6; ++k) {
    text += "record." + std::to_string(k) + "=";
    for (int i = 0; i < 18; ++i) text += std::to_string(10 * k + i) + (i < 17 ? "," : "\n");
  }
  return text;
}

class FilterFrameTest : public ServiceTest {
 protected:
  TFilterUserFrame* Frame() { return win->FilterUserFrame; }
  fs::path FilePath(int k) const { return fs::path(folder.path()) / FilterFileName(k); }
  std::string FileBytes(int k) const {
    std::ifstream f(FilePath(k), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  void WriteFile(int k, const std::string& bytes) const { WriteBytes(FilePath(k), bytes); }
  // Six good files whose record k holds 200 + k in every byte.
  void WriteGoodFiles() const {
    for (int k = 0; k < 6; ++k) WriteFile(k, std::string(18, char(200 + k)) + std::string(22, '\0'));
  }
  static std::array<std::array<uint8_t, 18>, 6> Records() { return usb2sim::GetState().filterRecords; }
  int Questions() {
    int n = 0;
    for (const auto& box : TakeBoxes()) n += box.caption == "Filterdaten in EEPROM schreibrn";
    return n;
  }
};

TEST_F(FilterFrameTest, BackupWritesSixFilesOfFortyBytesAndRestoreBringsThemBack) {
  StartService(DistinctRecords());
  Frame()->OnSaveFilterButClick(nullptr);
  for (int k = 0; k < 6; ++k) {
    const std::string bytes = FileBytes(k);
    ASSERT_EQ(bytes.size(), 40u) << k;
    for (int i = 0; i < 18; ++i) EXPECT_EQ(uint8_t(bytes[size_t(i)]), 10 * k + i) << k << " " << i;
    EXPECT_EQ(bytes.substr(18), std::string(22, '\0')) << k;
  }
  // Restore other contents, answering Yes.
  WriteGoodFiles();
  VclTest::ScriptMessageBoxAnswer(IDYES);
  Frame()->OnUpdateEEPROMButClick(nullptr);
  EXPECT_EQ(Questions(), 1);
  for (int k = 0; k < 6; ++k)
    for (int i = 0; i < 18; ++i) EXPECT_EQ(Records()[size_t(k)][size_t(i)], 200 + k) << k;
  EXPECT_EQ(LinkUp.load(), 1);
}

TEST_F(FilterFrameTest, AnsweringNoWritesNothing) {
  StartService(DistinctRecords());
  WriteGoodFiles();
  const auto before = Records();
  VclTest::ScriptMessageBoxAnswer(IDNO);
  Frame()->OnUpdateEEPROMButClick(nullptr);
  EXPECT_EQ(Questions(), 1);
  EXPECT_EQ(Records(), before);
}

struct BadFile {
  const char* what;
  int file;
  std::function<void(const fs::path&)> spoil;
};

TEST_F(FilterFrameTest, BadFilesAreNamedAndNothingIsWritten) {
  StartService(DistinctRecords());
  const BadFile cases[] = {
      {"missing", 1, [](const fs::path& p) { fs::remove(p); }},
      {"short", 4, [](const fs::path& p) { WriteBytes(p, std::string(39, '\x01')); }},
      {"empty", 5, [](const fs::path& p) { WriteBytes(p, ""); }},
      {"unreadable (a folder)", 3,
       [](const fs::path& p) {
         fs::remove(p);
         fs::create_directory(p);
       }},
  };
  const auto before = Records();
  for (const BadFile& c : cases) {
    WriteGoodFiles();
    fs::remove_all(FilePath(c.file));
    WriteGoodFiles();
    c.spoil(FilePath(c.file));
    VclTest::ScriptMessageBoxAnswer(IDYES);
    Frame()->OnUpdateEEPROMButClick(nullptr);
    const auto boxes = TakeBoxes();
    ASSERT_EQ(boxes.size(), 1u) << c.what;  // the refusal only: no question was asked
    EXPECT_NE(boxes[0].text.find(FilterFileName(c.file)), std::string::npos)
        << c.what << ": " << boxes[0].text;
    EXPECT_EQ(Records(), before) << c.what;
    VclTest::ClearScriptedAnswers();
    fs::remove_all(FilePath(c.file));
  }
  EXPECT_EQ(LinkUp.load(), 1);
}

// A file longer than a record gives its first 40 bytes; the rest is not read.
TEST_F(FilterFrameTest, ALongerFileRestoresItsFirstFortyBytes) {
  StartService(DistinctRecords());
  WriteGoodFiles();
  WriteFile(0, std::string(18, char(230)) + std::string(22, '\0') + std::string(60, '\x01'));
  VclTest::ScriptMessageBoxAnswer(IDYES);
  Frame()->OnUpdateEEPROMButClick(nullptr);
  EXPECT_EQ(Questions(), 1);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(Records()[0][size_t(i)], 230) << i;
  EXPECT_EQ(Records()[5][0], 205);
}

TEST_F(FilterFrameTest, RadioButtonsChooseRangeAndModuleAndCallTheCallback) {
  StartService();
  std::vector<std::pair<int, int>> calls;
  Frame()->OnChange = [&](TObject*) { calls.emplace_back(Frame()->CheckRange(), Frame()->CheckModule()); };
  EXPECT_EQ(Frame()->CheckRange(), 0);
  EXPECT_EQ(Frame()->CheckModule(), 0);
  Frame()->RB3->SetChecked(true);
  Frame()->RBModAudio->SetChecked(true);
  Frame()->RB2->SetChecked(true);
  const std::vector<std::pair<int, int>> expected = {{2, 0}, {2, 1}, {1, 1}};
  EXPECT_EQ(calls, expected);
}

TEST_F(FilterFrameTest, NothingHappensWhileTheLinkIsDown) {
  StartService();
  LinkUp = 0;
  Frame()->OnSaveFilterButClick(nullptr);
  EXPECT_FALSE(fs::exists(FilePath(0)));
  WriteGoodFiles();
  Frame()->OnUpdateEEPROMButClick(nullptr);
  EXPECT_EQ(Questions(), 0);
  LinkUp = 1;
}

// ---- A failed EEPROM command: the link goes down and nothing more is tried ----

// Failed commands that one EEPROM record command makes the instrument count.
unsigned FailuresOfOneCall(const std::function<bool()>& call) {
  const unsigned before = usb2sim::GetState().failedCommands;
  EXPECT_FALSE(call());
  return usb2sim::GetState().failedCommands - before;
}

// The instrument refuses to read its records: the backup clears LinkUp after the first failed read,
// tries no further record and leaves the files already in the folder as they were.
TEST_F(FilterFrameTest, AFailedReadDuringTheBackupTakesTheLinkDownAndStops) {
  StartService(DistinctRecords());
  WriteGoodFiles();
  usb2sim::SetCommandFails(14, true);  // read a filter record
  uint8_t record[18];
  const unsigned perRead = FailuresOfOneCall([&] { return IOCtrl->ReadFilterRecord(0, record); });
  ASSERT_GT(perRead, 0u);
  LinkUp = 1;
  const unsigned before = usb2sim::GetState().failedCommands;
  Frame()->OnSaveFilterButClick(nullptr);
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_EQ(usb2sim::GetState().failedCommands - before, perRead) << "one read tried";
  for (int k = 0; k < 6; ++k)
    EXPECT_EQ(FileBytes(k), std::string(18, char(200 + k)) + std::string(22, '\0')) << k;
  usb2sim::SetCommandFails(14, false);
  LinkUp = 1;
}

// The instrument refuses to write its records: the restore clears LinkUp after the first failed
// write and tries no further record; the records stay as they were.
TEST_F(FilterFrameTest, AFailedWriteDuringTheRestoreTakesTheLinkDownAndStops) {
  StartService(DistinctRecords());
  WriteGoodFiles();
  const auto before = Records();
  usb2sim::SetCommandFails(13, true);  // write a filter record
  const uint8_t record[18] = {};
  const unsigned perWrite = FailuresOfOneCall([&] { return IOCtrl->WriteFilterRecord(0, record); });
  ASSERT_GT(perWrite, 0u);
  LinkUp = 1;
  const unsigned failed = usb2sim::GetState().failedCommands;
  VclTest::ScriptMessageBoxAnswer(IDYES);
  Frame()->OnUpdateEEPROMButClick(nullptr);
  EXPECT_EQ(Questions(), 1);
  EXPECT_EQ(LinkUp.load(), 0);
  EXPECT_EQ(usb2sim::GetState().failedCommands - failed, perWrite) << "one write tried";
  EXPECT_EQ(Records(), before);
  usb2sim::SetCommandFails(13, false);
  LinkUp = 1;
}

}  // namespace
