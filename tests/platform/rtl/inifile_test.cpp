#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>

#include <ostream>

#include "platform/rtl/IniFiles.h"
#include "tests/support/TempFolder.h"

using namespace std::string_literals;

namespace {

enum class Type { String, Integer, Bool, Float };

struct ReadCase {
  const char* name;
  std::string file;  // content; "<missing>" for no file
  const char* section;
  const char* key;
  Type type;
  const char* expected;  // what the reader returns, as text
};
std::ostream& operator<<(std::ostream& os, const ReadCase& c) { return os << c.name; }

std::string ReadAsText(const TIniFile& ini, const ReadCase& c) {
  switch (c.type) {
    case Type::String:
      return ini.ReadString(c.section, c.key, "default");
    case Type::Integer:
      return std::to_string(ini.ReadInteger(c.section, c.key, 100));
    case Type::Bool:
      return ini.ReadBool(c.section, c.key, false) ? "true" : "false";
    case Type::Float:
      return FloatToStr(ini.ReadFloat(c.section, c.key, 0.25));
  }
  return "";
}

class IniReadTest : public testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTest, ReadsValueOrDefault) {
  TempFolder temp;
  const std::string file = temp / "RT7731IV.INI";
  if (GetParam().file != "<missing>") TempFolder::WriteBytes(file, GetParam().file);
  TIniFile ini(file);
  EXPECT_EQ(ReadAsText(ini, GetParam()), GetParam().expected);
}

using T = Type;
INSTANTIATE_TEST_SUITE_P(
    Files, IniReadTest,
    testing::Values(
        ReadCase{"CrLf", "[FORM]\r\nLeft=12\r\nTop=7\r\n", "FORM", "Top", T::Integer, "7"},
        ReadCase{"Lf", "[FORM]\nLeft=12\n", "FORM", "Left", T::Integer, "12"},
        ReadCase{"CaseOfNames", "[form]\nleft=12\n", "FORM", "LEFT", T::Integer, "12"},
        ReadCase{"Blanks", "  [ FORM ]  \n  Left =  12  \n", "FORM", "Left", T::Integer, "12"},
        ReadCase{"Negative", "[FORM]\nLeft=-30\n", "FORM", "Left", T::Integer, "-30"},
        ReadCase{"NotANumber", "[FORM]\nLeft=abc\n", "FORM", "Left", T::Integer, "100"},
        ReadCase{"TrailingText", "[FORM]\nLeft=12px\n", "FORM", "Left", T::Integer, "100"},
        ReadCase{"Empty", "[FORM]\nLeft=\n", "FORM", "Left", T::Integer, "100"},
        ReadCase{"TooLarge", "[FORM]\nLeft=99999999999\n", "FORM", "Left", T::Integer, "100"},
        ReadCase{"MissingFile", "<missing>", "FORM", "Left", T::Integer, "100"},
        ReadCase{"EmptyFile", "", "FORM", "Left", T::Integer, "100"},
        ReadCase{"MissingKey", "[FORM]\nTop=1\n", "FORM", "Left", T::Integer, "100"},
        ReadCase{"OtherSection", "[GRID]\nLeft=5\n[FORM]\nTop=1\n", "FORM", "Left", T::Integer, "100"},
        ReadCase{"KeyBeforeSections", "Left=5\n[FORM]\n", "FORM", "Left", T::Integer, "100"},
        ReadCase{"FirstOfTwo", "[FORM]\nLeft=1\nLeft=2\n", "FORM", "Left", T::Integer, "1"},
        ReadCase{"Comment", "[FORM]\n;Left=5\n", "FORM", "Left", T::Integer, "100"},
        ReadCase{"TruncatedKey", "[FORM]\nTop=3\nLef", "FORM", "Left", T::Integer, "100"},
        ReadCase{"TruncatedValue", "[FORM]\nLeft=4", "FORM", "Left", T::Integer, "4"},
        ReadCase{"TruncatedHeader", "[FORM]\nTop=3\n[GRI", "GRI", "Top", T::Integer, "100"},
        ReadCase{"HeaderCutBeforeKeys", "[FO\nLeft=9\n", "FO", "Left", T::Integer, "100"},
        ReadCase{"Garbage", "\0\xff[FORM]\0\nLeft=7\n\xfe\xfe"s, "FORM", "Left", T::Integer, "100"},
        ReadCase{"ByteOrderMark", "\xEF\xBB\xBF[FORM]\r\nLeft=3\r\n", "FORM", "Left", T::Integer, "3"},
        ReadCase{"Hex", "[GRID]\nColor=$808080\n", "GRID", "Color", T::Integer, "8421504"},
        ReadCase{"Float", "[SYSTEM]\r\nXO400_OFFSET=-12.5\r\n", "SYSTEM", "XO400_OFFSET", T::Float, "-12.5"},
        ReadCase{"FloatExponent", "[TEST]\nTESTDDS-0=1.5E8\n", "TEST", "TESTDDS-0", T::Float, "150000000"},
        ReadCase{"FloatComma", "[TEST]\nTESTDDS-0=1,5\n", "TEST", "TESTDDS-0", T::Float, "0.25"},
        ReadCase{"FloatNan", "[TEST]\nTESTDDS-0=NAN\n", "TEST", "TESTDDS-0", T::Float, "0.25"},
        ReadCase{"BoolOne", "[FORM]\nMAXIMIZED=1\n", "FORM", "MAXIMIZED", T::Bool, "true"},
        ReadCase{"BoolZero", "[FORM]\nMAXIMIZED=0\n", "FORM", "MAXIMIZED", T::Bool, "false"},
        ReadCase{"BoolTwo", "[FORM]\nMAXIMIZED=2\n", "FORM", "MAXIMIZED", T::Bool, "true"},
        ReadCase{"BoolWord", "[FORM]\nMAXIMIZED=yes\n", "FORM", "MAXIMIZED", T::Bool, "false"},
        ReadCase{"String", "[SKIN]\nName=Blue Steel\n", "SKIN", "Name", T::String, "Blue Steel"},
        ReadCase{"StringEmpty", "[SKIN]\nName=\n", "SKIN", "Name", T::String, ""},
        ReadCase{"StringQuoted", "[SKIN]\nName=\"  a b  \"\n", "SKIN", "Name", T::String, "  a b  "},
        ReadCase{"StringUtf8", "[SKIN]\nName=Lautstärke\n", "SKIN", "Name", T::String, "Lautstärke"},
        ReadCase{"StringEquals", "[SKIN]\nName=a=b\n", "SKIN", "Name", T::String, "a=b"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

class IniWriteTest : public testing::Test {
 protected:
  TempFolder temp;
  std::string file = temp / "RT7731IV.INI";
};

TEST_F(IniWriteTest, FirstWriteCreatesTheFile) {
  TIniFile ini(file);
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(ini.WriteInteger("FORM", "Left", 100));
  EXPECT_EQ(TempFolder::ReadBytes(file), "[FORM]\r\nLeft=100\r\n");
  EXPECT_TRUE(ini.WriteInteger("FORM", "Top", 20));
  EXPECT_TRUE(ini.WriteBool("FORM", "MAXIMIZED", true));
  EXPECT_TRUE(ini.WriteInteger("GRID", "Color", 8421504));
  EXPECT_EQ(TempFolder::ReadBytes(file),
            "[FORM]\r\nLeft=100\r\nTop=20\r\nMAXIMIZED=1\r\n\r\n[GRID]\r\nColor=8421504\r\n");
  EXPECT_EQ(temp.Entries(), std::vector<std::string>{"RT7731IV.INI"});  // no temporary file left
}

TEST_F(IniWriteTest, EveryTypeReadsBackAsWritten) {
  TIniFile ini(file);
  for (double v : {0.0, 0.1, -2.5e-7, 1e20, 123456.789, 3999999999.5}) {
    ASSERT_TRUE(ini.WriteFloat("SYSTEM", "XO400_OFFSET", v));
    EXPECT_EQ(ini.ReadFloat("SYSTEM", "XO400_OFFSET", -1), v);
  }
  for (int v : {0, -1, 2147483647, -2147483647 - 1}) {
    ASSERT_TRUE(ini.WriteInteger("GRID", "Color", v));
    EXPECT_EQ(ini.ReadInteger("GRID", "Color", 5), v);
  }
  for (bool v : {true, false}) {
    ASSERT_TRUE(ini.WriteBool("DISPLAY", "Dims", v));
    EXPECT_EQ(ini.ReadBool("DISPLAY", "Dims", !v), v);
  }
  for (std::string v : {"", "plain", "  outer blanks ", "\"quoted\"", "a=b;c", "Lautstärke °C"}) {
    ASSERT_TRUE(ini.WriteString("SKIN", "Name", v));
    EXPECT_EQ(ini.ReadString("SKIN", "Name", "default"), v);
  }
  EXPECT_EQ(ini.ReadString("SYSTEM", "XO400_OFFSET", ""), "3999999999.5");  // '.' separator
}

TEST_F(IniWriteTest, WriteKeepsOtherLinesAndUpdatesInPlace) {
  TempFolder::WriteBytes(file, "; settings\n[Form]\nLeft=1\n# note\nTop=2\n\n[GRID]\nSize=3\n");
  TIniFile ini(file);
  EXPECT_TRUE(ini.WriteInteger("FORM", "left", 50));  // matches [Form] and Left
  EXPECT_TRUE(ini.WriteInteger("form", "Width", 800));
  EXPECT_TRUE(ini.WriteInteger("LANGUAGE", "LANG_NR", 1));
  EXPECT_EQ(TempFolder::ReadBytes(file),
            "; settings\n[Form]\nLeft=50\n# note\nTop=2\nWidth=800\n\n[GRID]\nSize=3\n\n"
            "[LANGUAGE]\nLANG_NR=1\n");  // the file's own LF line ends stay
}

TEST_F(IniWriteTest, EveryReadSeesTheFileAsItIsNow) {
  TIniFile ini(file);
  EXPECT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 1), 1);
  TempFolder::WriteBytes(file, "[SKIN]\nSKIN_NR=3\n");
  EXPECT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 1), 3);
  TIniFile other(file);
  EXPECT_TRUE(other.WriteInteger("SKIN", "SKIN_NR", 4));
  EXPECT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 1), 4);
}

TEST_F(IniWriteTest, WriteOverACorruptFileKeepsItsReadableParts) {
  TempFolder::WriteBytes(file, "[FORM]\nLeft=7\n\0\xff\xfe junk\n[GRI"s);
  TIniFile ini(file);
  EXPECT_TRUE(ini.WriteInteger("GRID", "Size", 30));
  EXPECT_EQ(ini.ReadInteger("FORM", "Left", 0), 7);
  EXPECT_EQ(ini.ReadInteger("GRID", "Size", 0), 30);
}

TEST_F(IniWriteTest, SectionsAndKeysCanBeQueriedAndRemoved) {
  TIniFile ini(file);
  ini.WriteInteger("TEST", "TESTDDS-0", 1);
  ini.WriteBool("TEST", "TESTDDS-0-ON", true);
  ini.WriteInteger("SKIN", "SKIN_NR", 2);
  EXPECT_TRUE(ini.SectionExists("test"));
  EXPECT_TRUE(ini.ValueExists("TEST", "testdds-0-on"));
  EXPECT_FALSE(ini.ValueExists("TEST", "TESTDDS-1"));
  TStringList keys;
  ini.ReadSection("TEST", keys);
  ASSERT_EQ(keys.Count(), 2);
  EXPECT_EQ(keys[1], "TESTDDS-0-ON");
  EXPECT_TRUE(ini.DeleteKey("TEST", "TESTDDS-0"));
  EXPECT_FALSE(ini.ValueExists("TEST", "TESTDDS-0"));
  EXPECT_TRUE(ini.EraseSection("Test"));
  EXPECT_FALSE(ini.SectionExists("TEST"));
  EXPECT_EQ(ini.ReadInteger("SKIN", "SKIN_NR", 1), 2);
  EXPECT_TRUE(ini.EraseSection("NONE"));  // nothing to erase is no failure
}

struct BadWrite {
  const char* name;
  const char* section;
  const char* key;
  const char* value;
};
std::ostream& operator<<(std::ostream& os, const BadWrite& c) { return os << c.name; }

class IniBadWriteTest : public testing::TestWithParam<BadWrite> {};

TEST_P(IniBadWriteTest, RefusedAndFileUnchanged) {
  TempFolder temp;
  const std::string file = temp / "RT7731IV.INI";
  const std::string before = "[FORM]\r\nLeft=1\r\n";
  TempFolder::WriteBytes(file, before);
  TIniFile ini(file);
  EXPECT_FALSE(ini.WriteString(GetParam().section, GetParam().key, GetParam().value));
  EXPECT_EQ(TempFolder::ReadBytes(file), before);
}

INSTANTIATE_TEST_SUITE_P(Names, IniBadWriteTest,
                         testing::Values(BadWrite{"ValueLineBreak", "FORM", "Left", "1\r\n[EVIL]"},
                                         BadWrite{"KeyWithEquals", "FORM", "a=b", "1"},
                                         BadWrite{"EmptyKey", "FORM", "", "1"},
                                         BadWrite{"KeyLikeSection", "FORM", "[X]", "1"},
                                         BadWrite{"SectionBracket", "FO]RM", "Left", "1"},
                                         BadWrite{"SectionLineBreak", "FORM\n", "Left", "1"},
                                         BadWrite{"EmptySection", "", "Left", "1"}),
                         [](const testing::TestParamInfo<BadWrite>& info) {
                           return std::string(info.param.name);
                         });

// Places a write cannot go: each gives false, never an exception, and leaves nothing behind.
TEST(IniUnwritableTest, WriteReturnsFalse) {
  TempFolder temp;
  TempFolder::WriteBytes(temp / "plainfile", "x");
  ForceDirectories(temp / "folder.INI");
  for (std::string path : {temp / "no/such/folder/RT7731IV.INI", temp / "plainfile/RT7731IV.INI",
                           temp / "folder.INI", std::string()}) {
    TIniFile ini(path);
    EXPECT_FALSE(ini.WriteInteger("FORM", "Left", 1)) << path;
    EXPECT_FALSE(ini.WriteFloat("SYSTEM", "XO400_OFFSET", 1.5)) << path;
    EXPECT_EQ(ini.ReadInteger("FORM", "Left", 100), 100) << path;
  }
  EXPECT_EQ(temp.Entries().size(), 2u);
}

TEST(IniUnwritableTest, ReadOnlyFileIsLeftAlone) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write any file";
  TempFolder temp;
  const std::string file = temp / "RT7731IV.INI";
  TempFolder::WriteBytes(file, "[FORM]\nLeft=1\n");
  ::chmod(file.c_str(), 0444);
  TIniFile ini(file);
  EXPECT_FALSE(ini.WriteInteger("FORM", "Left", 2));
  EXPECT_EQ(ini.ReadInteger("FORM", "Left", 0), 1);
}

}  // namespace
