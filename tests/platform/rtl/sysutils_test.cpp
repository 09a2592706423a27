#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

#include "platform/rtl/SysUtils.h"
#include "tests/support/TempFolder.h"

namespace {

struct FormatCase {
  const char* format;
  double value;
  const char* expected;
};
std::ostream& operator<<(std::ostream& os, const FormatCase& c) {
  return os << '"' << c.format << "\" of " << c.value;
}

class FormatFloatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatFloatTest, FormatsByPicture) {
  const FormatCase& c = GetParam();
  EXPECT_EQ(FormatFloat(c.format, c.value), c.expected) << c.format << " of " << c.value;
}

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Pictures, FormatFloatTest,
    testing::Values(
        // Rounding is half away from zero on the value's decimal digits, never toward even.
        FormatCase{"0", 34.545, "35"}, FormatCase{"0.00", 34.545, "34.55"}, FormatCase{"0.00", 1.005, "1.01"},
        FormatCase{"0", 0.5, "1"}, FormatCase{"0", 2.5, "3"}, FormatCase{"0", -0.5, "-1"},
        FormatCase{"0", -2.5, "-3"}, FormatCase{"0.0", 12.25, "12.3"}, FormatCase{"0.00", 9.999, "10.00"},
        FormatCase{"0.000", 0.0005, "0.001"}, FormatCase{"0.000", 0.00049, "0.000"},
        // The formats the program uses.
        FormatCase{"0.000", 980 * 0.001, "0.980"}, FormatCase{"0.000", 418.7, "418.700"},
        FormatCase{"0.0", 7500, "7500.0"}, FormatCase{"0.00", 1.5, "1.50"},
        FormatCase{"#0.000", 0.5, "0.500"}, FormatCase{"0.0 MHz", 1234.56, "1234.6 MHz"},
        FormatCase{"0.00 MHz", 0.2, "0.20 MHz"}, FormatCase{"0.0 mA", 12.25, "12.3 mA"},
        FormatCase{"0.0 Grad", -10.25, "-10.3 Grad"}, FormatCase{"0.0 Hz", -5000, "-5000.0 Hz"},
        // A negative value that rounds to zero shows no sign.
        FormatCase{"0.0", -0.04, "0.0"}, FormatCase{"0.0", -0.05, "-0.1"}, FormatCase{"0", -0.0, "0"},
        // Optional digits, minimum integer digits, grouping, literals, sections.
        FormatCase{"#.##", 0.5, ".5"}, FormatCase{"#.##", 2.0, "2"}, FormatCase{"0.0#", 1.25, "1.25"},
        FormatCase{"0.0#", 1.2, "1.2"}, FormatCase{"00", 5, "05"},
        FormatCase{"#,##0.00", 1234567.891, "1,234,567.89"}, FormatCase{"#,##0", 999, "999"},
        FormatCase{"'V' 0.000", 0.98, "V 0.980"}, FormatCase{"\"x=\"0", 3, "x=3"},
        FormatCase{"0.00;(0.00)", -1.5, "(1.50)"}, FormatCase{"0.00;(0.00)", 1.5, "1.50"},
        FormatCase{"0.0;-0.0;\"zero\"", 0.0, "zero"}, FormatCase{"0.0;-0.0;\"zero\"", -0.01, "zero"},
        // Large and tiny values, and values that are not numbers.
        FormatCase{"0", 1e20, "100000000000000000000"}, FormatCase{"0.000", 1e-10, "0.000"},
        FormatCase{"0.000", nan, "NAN"}, FormatCase{"0.0", inf, "INF"}, FormatCase{"0.0", -inf, "-INF"},
        FormatCase{"", 10.7, "10.7"}));

struct FloatToStrCase {
  double value;
  const char* expected;
};
std::ostream& operator<<(std::ostream& os, const FloatToStrCase& c) { return os << c.expected; }

class FloatToStrTest : public testing::TestWithParam<FloatToStrCase> {};

TEST_P(FloatToStrTest, ShowsFifteenSignificantDigitsWithoutTrailingZeros) {
  EXPECT_EQ(FloatToStr(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FloatToStrTest,
    testing::Values(FloatToStrCase{0.0, "0"}, FloatToStrCase{-0.0, "0"}, FloatToStrCase{10.7, "10.7"},
                    FloatToStrCase{5038, "5038"}, FloatToStrCase{-2.5, "-2.5"},
                    FloatToStrCase{static_cast<double>(11.88f), "11.8800001144409"},
                    FloatToStrCase{0.1 + 0.2, "0.3"}, FloatToStrCase{1.0 / 3, "0.333333333333333"},
                    FloatToStrCase{2.0 / 3, "0.666666666666667"}, FloatToStrCase{1e14, "100000000000000"},
                    FloatToStrCase{1e15, "1E15"}, FloatToStrCase{123456789012345678.0, "1.23456789012346E17"},
                    FloatToStrCase{0.0001, "0.0001"}, FloatToStrCase{0.00001, "1E-5"},
                    FloatToStrCase{-1.5e-7, "-1.5E-7"}, FloatToStrCase{2.5e9, "2500000000"},
                    FloatToStrCase{nan, "NAN"}));

TEST(FloatTextTest, WrittenValuesReadBackTheSame) {
  for (double v : {0.1, -2.5e-7, 1e20, 123456.789, 3999999999.5, -0.000123})
    EXPECT_EQ(StrToFloat(FloatToStr(v)), v) << FloatToStr(v);
}

struct IntCase {
  const char* text;
  bool valid;
  int value;
};
std::ostream& operator<<(std::ostream& os, const IntCase& c) { return os << '"' << c.text << '"'; }

class StrToIntTest : public testing::TestWithParam<IntCase> {};

TEST_P(StrToIntTest, ParsesOrRejects) {
  const IntCase& c = GetParam();
  EXPECT_EQ(StrToIntDef(c.text, -99), c.valid ? c.value : -99) << '"' << c.text << '"';
  if (c.valid) {
    EXPECT_EQ(StrToInt(c.text), c.value);
  } else {
    EXPECT_THROW(StrToInt(c.text), EConvertError);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrToIntTest,
    testing::Values(IntCase{"12", true, 12}, IntCase{" 42 ", true, 42}, IntCase{"-7", true, -7},
                    IntCase{"+7", true, 7}, IntCase{"$FF", true, 255}, IntCase{"0x1f", true, 31},
                    IntCase{"-2147483648", true, -2147483647 - 1}, IntCase{"2147483647", true, 2147483647},
                    IntCase{"$FFFFFFFF", true, -1}, IntCase{"2147483648", false, 0},
                    IntCase{"99999999999999999999", false, 0}, IntCase{"", false, 0},
                    IntCase{"abc", false, 0}, IntCase{"12abc", false, 0}, IntCase{"1.5", false, 0},
                    IntCase{"--5", false, 0}, IntCase{"- 5", false, 0}, IntCase{"0x", false, 0},
                    IntCase{"$", false, 0}));

struct FloatCase {
  const char* text;
  bool valid;
  double value;
};
std::ostream& operator<<(std::ostream& os, const FloatCase& c) { return os << '"' << c.text << '"'; }

class StrToFloatTest : public testing::TestWithParam<FloatCase> {};

TEST_P(StrToFloatTest, ParsesWithPointOrRejects) {
  const FloatCase& c = GetParam();
  EXPECT_EQ(StrToFloatDef(c.text, -99.0), c.valid ? c.value : -99.0) << '"' << c.text << '"';
  if (!c.valid) {
    EXPECT_THROW(StrToFloat(c.text), EConvertError);
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, StrToFloatTest,
                         testing::Values(FloatCase{"1.5", true, 1.5}, FloatCase{" -2.25 ", true, -2.25},
                                         FloatCase{"1e3", true, 1000.0}, FloatCase{".5", true, 0.5},
                                         FloatCase{"+3", true, 3.0}, FloatCase{"7", true, 7.0},
                                         FloatCase{"1,5", false, 0}, FloatCase{"abc", false, 0},
                                         FloatCase{"", false, 0}, FloatCase{"inf", false, 0},
                                         FloatCase{"nan", false, 0}, FloatCase{"1e999", false, 0},
                                         FloatCase{"0x10", false, 0}, FloatCase{"1.5x", false, 0},
                                         FloatCase{"-", false, 0}));

TEST(IntToTextTest, HexAndDecimal) {
  EXPECT_EQ(IntToHex(255, 2), "FF");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(static_cast<uint8_t>(0xAB), 1), "AB");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(int64_t{0x123456789A}, 2), "123456789A");
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-128), "-128");
  EXPECT_EQ(IntToStr(int64_t{5000000000}), "5000000000");
}

TEST(TextTest, TrimCaseAndCompare) {
  EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(UpperCase("Lautstärke"), "LAUTSTäRKE");  // only ASCII letters change
  EXPECT_EQ(LowerCase("FORM"), "form");
  EXPECT_TRUE(SameText("Form", "fORM"));
  EXPECT_FALSE(SameText("Form", "Forms"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
}

TEST(TextTest, Utf8) {
  EXPECT_EQ(Utf8Length("Lautstärke"), 10u);
  EXPECT_EQ(Utf8Length("°C"), 2u);
  EXPECT_TRUE(IsValidUtf8("prüfen °C ß"));
  EXPECT_FALSE(IsValidUtf8("\xC3"));          // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // surrogate
  EXPECT_FALSE(IsValidUtf8("\xFC"));          // a Windows-1252 byte
}

struct PathCase {
  const char* path;
  const char* filePath;
  const char* fileName;
  const char* ext;
  const char* drive;
};
std::ostream& operator<<(std::ostream& os, const PathCase& c) { return os << c.path; }

class PathTest : public testing::TestWithParam<PathCase> {};

TEST_P(PathTest, SplitsPaths) {
  const PathCase& c = GetParam();
  EXPECT_EQ(ExtractFilePath(c.path), c.filePath);
  EXPECT_EQ(ExtractFileName(c.path), c.fileName);
  EXPECT_EQ(ExtractFileExt(c.path), c.ext);
  EXPECT_EQ(ExtractFileDrive(c.path), c.drive);
}

INSTANTIATE_TEST_SUITE_P(Paths, PathTest,
                         testing::Values(PathCase{"/a/b/c.txt", "/a/b/", "c.txt", ".txt", ""},
                                         PathCase{"C:\\x\\y.fng", "C:\\x\\", "y.fng", ".fng", "C:"},
                                         PathCase{"name", "", "name", "", ""},
                                         PathCase{"a.b/c", "a.b/", "c", "", ""},
                                         PathCase{"/dir/", "/dir/", "", "", ""},
                                         PathCase{"meshes\\Text001.X", "meshes\\", "Text001.X", ".X", ""}));

TEST(PathTest, PlatformPathTurnsBackslashes) {
  EXPECT_EQ(PlatformPath("Elements\\Panel101101.bmp"), "Elements/Panel101101.bmp");
  EXPECT_EQ(PlatformPath("/already/fine"), "/already/fine");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
}

TEST(ProgramFolderTest, IsTheExecutablesFolderUnlessOverridden) {
  EXPECT_EQ(GetProgramFolder(), std::filesystem::canonical(RT_TEST_PROGRAM_DIR).string() + "/");
  SetProgramFolder("/tmp/copy\\of");
  EXPECT_EQ(GetProgramFolder(), "/tmp/copy/of/");
  SetProgramFolder("");
  EXPECT_EQ(GetProgramFolder(), std::filesystem::canonical(RT_TEST_PROGRAM_DIR).string() + "/");
}

TEST(FilesTest, ExistenceAndFolders) {
  TempFolder temp;
  const std::string file = temp / "f.txt";
  TempFolder::WriteBytes(file, "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(temp.path()));  // a folder is not a file
  EXPECT_FALSE(FileExists(temp / "none"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(DirectoryExists(temp.path()));
  EXPECT_FALSE(DirectoryExists(file));

  EXPECT_FALSE(CreateDir(temp / "a/b"));  // one level only
  EXPECT_TRUE(CreateDir(temp / "a"));
  EXPECT_FALSE(CreateDir(temp / "a"));  // exists already
  EXPECT_TRUE(ForceDirectories(temp / "x/y/z"));
  EXPECT_TRUE(DirectoryExists(temp / "x/y/z"));
  EXPECT_TRUE(ForceDirectories(temp / "x/y/z"));
  EXPECT_FALSE(ForceDirectories(file + "/sub"));  // below a file
}

TEST(TimingTest, CounterIsMonotonicInNanoseconds) {
  EXPECT_EQ(QueryPerformanceFrequency(), 1000000000);
  int64_t first = QueryPerformanceCounter();
  Sleep(1);
  EXPECT_GT(QueryPerformanceCounter(), first);
}

}  // namespace
