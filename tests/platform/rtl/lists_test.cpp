#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

#include "platform/rtl/Classes.h"
#include "tests/support/TempFolder.h"

namespace {

// An object that counts how often it is destroyed.
class Counted : public TObject {
 public:
  explicit Counted(int* deletions) : deletions_(deletions) {}
  ~Counted() override { ++*deletions_; }

 private:
  int* deletions_;
};

TEST(TListTest, KeepsPointersInOrderAndChecksIndices) {
  TList list;
  int a = 1, b = 2, c = 3;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&b), 1);
  list.Insert(0, &c);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], &c);
  EXPECT_EQ(list.IndexOf(&b), 2);
  list.Exchange(0, 2);
  EXPECT_EQ(list.First(), &b);
  EXPECT_EQ(list.Last(), &c);
  EXPECT_EQ(list.Remove(&a), 1);
  EXPECT_EQ(list.Remove(&a), -1);
  EXPECT_THROW(list.Items(2), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Exchange(0, 5), EListError);
  EXPECT_THROW(TList().First(), EListError);
}

TEST(TListTest, StoresIntegersAsPointers) {
  TList marks;
  for (intptr_t index : {500, 20, 7000}) marks.Add(reinterpret_cast<void*>(index));
  marks.Sort([](void* x, void* y) {
    return static_cast<int>(reinterpret_cast<intptr_t>(x) - reinterpret_cast<intptr_t>(y));
  });
  EXPECT_EQ(reinterpret_cast<intptr_t>(marks[0]), 20);
  EXPECT_EQ(reinterpret_cast<intptr_t>(marks[2]), 7000);
}

TEST(TObjectListTest, OwningListFreesEachItemOnceExceptExtracted) {
  int deletions = 0;
  Counted* kept = new Counted(&deletions);
  {
    TObjectList list;
    for (int i = 0; i < 4; ++i) list.Add(new Counted(&deletions));
    list.Add(kept);
    list.Delete(0);
    EXPECT_EQ(deletions, 1);
    EXPECT_EQ(list.Extract(kept), kept);
    EXPECT_EQ(deletions, 1);
    list.Remove(list.Items(0));
    EXPECT_EQ(deletions, 2);
  }  // the two left are freed with the list
  EXPECT_EQ(deletions, 4);
  delete kept;
  EXPECT_EQ(deletions, 5);
}

TEST(TObjectListTest, NotOwningListFreesNothing) {
  int deletions = 0;
  Counted item(&deletions);
  {
    TObjectList list(false);
    list.Add(&item);
    list.Clear();
    list.Add(&item);
  }
  EXPECT_EQ(deletions, 0);
}

TEST(TStringListTest, EditsIndexesAndSorts) {
  TStringList list;
  list.Add("Gamma");
  list.Add("alpha");
  list.AddObject("Beta", reinterpret_cast<TObject*>(intptr_t{7}));
  EXPECT_EQ(list.IndexOf("ALPHA"), 1);  // case does not matter by default
  list.CaseSensitive = true;
  EXPECT_EQ(list.IndexOf("ALPHA"), -1);
  list.CaseSensitive = false;
  list.Sort();
  EXPECT_EQ(list[0], "alpha");
  EXPECT_EQ(list[1], "Beta");
  EXPECT_EQ(reinterpret_cast<intptr_t>(list.Objects(1)), 7);  // the object moves with its string
  list.Strings(2) = "Delta";
  list.Exchange(0, 2);
  EXPECT_EQ(list[0], "Delta");
  list.Delete(0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_THROW(list.Strings(2), EStringListError);
  EXPECT_THROW(list.Delete(-1), EStringListError);
  EXPECT_THROW(list.Objects(5), EStringListError);
}

struct TextCase {
  const char* text;
  std::vector<std::string> lines;
};
std::ostream& operator<<(std::ostream& os, const TextCase& c) { return os << c.lines.size() << " lines"; }

class TStringListTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(TStringListTextTest, LoadsLfAndCrLfText) {
  TempFolder temp;
  const std::string file = temp / "lines.txt";
  TempFolder::WriteBytes(file, GetParam().text);
  TStringList list;
  list.Add("old");
  list.LoadFromFile(file);
  ASSERT_EQ(list.Count(), static_cast<int>(GetParam().lines.size()));
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list[i], GetParam().lines[i]);
}

INSTANTIATE_TEST_SUITE_P(LineEnds, TStringListTextTest,
                         testing::Values(TextCase{"a\r\nb\r\n", {"a", "b"}}, TextCase{"a\nb\n", {"a", "b"}},
                                         TextCase{"a\nb", {"a", "b"}}, TextCase{"a\r\n\r\nb", {"a", "", "b"}},
                                         TextCase{"a\rb\r\n", {"a", "b"}}, TextCase{"", {}},
                                         TextCase{"\xEF\xBB\xBFprüfen\r\n", {"prüfen"}}));

TEST(TStringListTest, SaveWritesCrLfAndReplacesALongerFile) {
  TempFolder temp;
  const std::string file = temp / "log.txt";
  TempFolder::WriteBytes(file, "a much longer old content\r\nthat must go\r\n");
  TStringList list;
  list.Add("xBase     prüfen");
  list.Add("");
  list.Add("nach InitHardware...");
  list.SaveToFile(file);
  EXPECT_EQ(TempFolder::ReadBytes(file), "xBase     prüfen\r\n\r\nnach InitHardware...\r\n");
  TStringList loaded;
  loaded.LoadFromFile(file);
  EXPECT_EQ(loaded.Text(), list.Text());
  EXPECT_EQ(temp.Entries().size(), 1u);  // no temporary file left
}

TEST(TStringListTest, FileErrorsRaise) {
  TempFolder temp;
  TStringList list;
  list.Add("x");
  EXPECT_THROW(list.LoadFromFile(temp / "missing.txt"), EFOpenError);
  EXPECT_THROW(list.SaveToFile(temp / "no/such/folder/log.txt"), EFCreateError);
  EXPECT_THROW(list.SaveToFile(temp.path()), EFCreateError);  // a folder
  EXPECT_EQ(list.Count(), 1);                                 // a failed load leaves the list as it was
}

TEST(TMemoryStreamTest, ReadsWritesSeeksAndRoundTripsAFile) {
  TMemoryStream stream;
  const char record[] = "0123456789";
  stream.WriteBuffer(record, 10);
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_EQ(stream.Seek(-4, soEnd), 6);
  char tail[16] = {};
  EXPECT_EQ(stream.Read(tail, 8), 4);  // only what is left
  EXPECT_STREQ(tail, "6789");
  EXPECT_EQ(stream.Seek(-50, soCurrent), 0);                // clamped
  EXPECT_THROW(stream.ReadBuffer(tail, 11), EStreamError);  // only 10 there

  TempFolder temp;
  stream.SaveToFile(temp / "Filter_W_0.fil");
  TMemoryStream loaded;
  loaded.LoadFromFile(temp / "Filter_W_0.fil");
  ASSERT_EQ(loaded.Size(), 10);
  EXPECT_EQ(loaded.Position(), 0);
  EXPECT_EQ(std::memcmp(loaded.Memory(), record, 10), 0);
  EXPECT_THROW(loaded.LoadFromFile(temp / "missing.fil"), EFOpenError);
  EXPECT_EQ(loaded.Size(), 10);
  EXPECT_THROW(loaded.SaveToFile(temp / "no/folder.fil"), EFCreateError);
}

}  // namespace
