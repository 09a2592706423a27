// The fingerprint buffer and its ".fng" file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/FingerBuffer.h"
#include "platform/rtl/Classes.h"

namespace {

namespace fs = std::filesystem;

class FingerFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("finger_test_" + std::to_string(::getpid()));
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  std::string PathOf(const char* name) const { return (folder / name).string(); }

  static void Fill(FingerBufferBase& buffer, int seed) {
    for (unsigned i = 0; i < FingerBufferBase::AnalogSize; ++i) buffer.SetAnalog(i, uint8_t(i * 7 + seed));
    for (unsigned i = 0; i < FingerBufferBase::DigitalSize; ++i)
      buffer.SetDigital(i, int(i % 300) - 150 + seed);
  }

  static std::vector<uint8_t> Bytes(const FingerBufferBase& buffer) {
    std::vector<uint8_t> bytes(buffer.Analog, buffer.Analog + FingerBufferBase::AnalogSize);
    bytes.insert(bytes.end(), buffer.Digital, buffer.Digital + FingerBufferBase::DigitalSize);
    return bytes;
  }

  fs::path folder;
};

TEST_F(FingerFileTest, SavedBufferReadsBackByteForByte) {
  FingerBufferBase saved;
  Fill(saved, 3);
  const std::string path = PathOf("print.fng");
  saved.Save(path);
  ASSERT_EQ(fs::file_size(path), 180000u);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(file, Bytes(saved));  // analogue block first, then the digital block, no header

  FingerBufferBase loaded;
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(Bytes(loaded), Bytes(saved));
  EXPECT_EQ(loaded.LoadError(), "");

  Fill(saved, 9);  // saving again replaces the file
  saved.Save(path);
  ASSERT_TRUE(loaded.Load(path));
  EXPECT_EQ(Bytes(loaded), Bytes(saved));
  EXPECT_FALSE(fs::exists(path + ".part"));
}

TEST_F(FingerFileTest, FileOfAnotherSizeIsRefusedAndTheBufferKept) {
  FingerBufferBase buffer;
  Fill(buffer, 5);
  const auto before = Bytes(buffer);
  for (size_t size : {size_t(0), size_t(1), size_t(150000), size_t(179999), size_t(180001), size_t(360000)}) {
    const std::string path = PathOf("wrong.fng");
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      const std::vector<char> bytes(size, char(0x55));
      out.write(bytes.data(), std::streamsize(size));
    }
    EXPECT_FALSE(buffer.Load(path)) << size;
    EXPECT_EQ(Bytes(buffer), before) << size;
    EXPECT_NE(buffer.LoadError().find(std::to_string(size) + " bytes instead of 180000"), std::string::npos)
        << buffer.LoadError();
  }
  EXPECT_FALSE(buffer.Load(PathOf("missing.fng")));
  EXPECT_NE(buffer.LoadError().find("does not exist"), std::string::npos);
  EXPECT_FALSE(buffer.Load(folder.string()));  // a folder is not a fingerprint
  EXPECT_NE(buffer.LoadError().find("not a regular file"), std::string::npos) << buffer.LoadError();
  const std::string fifo = PathOf("pipe.fng");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(buffer.Load(fifo));  // refused without opening it, which would wait for a writer
  EXPECT_NE(buffer.LoadError().find("not a regular file"), std::string::npos) << buffer.LoadError();
  EXPECT_EQ(Bytes(buffer), before);
}

TEST_F(FingerFileTest, SaveIntoAMissingFolderRaisesAndLeavesNothing) {
  FingerBufferBase buffer;
  const std::string path = PathOf("no/such/folder/print.fng");
  EXPECT_THROW(buffer.Save(path), EFCreateError);
  EXPECT_FALSE(fs::exists(path));
}

TEST(FingerBuffer, BlocksStartZeroedAndClearZeroesThem) {
  FingerBufferBase buffer;
  EXPECT_EQ(buffer.GetAnalog(0), 0);
  EXPECT_EQ(buffer.GetDigital(FingerBufferBase::DigitalSize - 1), 0);
  buffer.SetAnalog(10, 200);
  buffer.SetDigital(20, 7);
  buffer.Clear();
  EXPECT_EQ(buffer.GetAnalog(10), 0);
  EXPECT_EQ(buffer.GetDigital(20), 0);
}

TEST(FingerBuffer, DigitalValuesKeepTheirLowByteAndIndicesStayInside) {
  FingerBufferBase buffer;
  buffer.SetDigital(0, -3);
  EXPECT_EQ(buffer.Digital[0], 0xFD);
  EXPECT_EQ(unsigned(buffer.GetDigital(0)), 253u);
  buffer.SetDigital(1, 300);
  EXPECT_EQ(buffer.GetDigital(1), 44);
  buffer.SetAnalog(FingerBufferBase::AnalogSize, 9);    // ignored
  buffer.SetDigital(FingerBufferBase::DigitalSize, 9);  // ignored
  EXPECT_EQ(buffer.GetAnalog(FingerBufferBase::AnalogSize), 0);
  EXPECT_EQ(buffer.GetDigital(FingerBufferBase::DigitalSize), 0);
}

TEST(FingerBuffer, FileNamesHaveNoLeadingZeros) {
  EXPECT_EQ(FingerBufferBase::FileNameFor(9, 12, 2026, 6, 5, 3), "Finger_9_12_2026__6_5_3.fng");
  EXPECT_EQ(FingerBufferBase::FileNameFor(31, 1, 2027, 23, 59, 0), "Finger_31_1_2027__23_59_0.fng");
  const std::string now = FingerBufferBase::CreateFileName();
  EXPECT_EQ(now.rfind("Finger_", 0), 0u);
  EXPECT_EQ(now.substr(now.size() - 4), ".fng");
  EXPECT_NE(now.find("__"), std::string::npos);
}

}  // namespace
