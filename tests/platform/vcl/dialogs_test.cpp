// Message boxes and dialogs without a display: defaults, stderr notes and scripted answers.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <thread>

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TestHooks.h"

namespace {

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    ASSERT_TRUE(VclTest::Headless());
    VclTest::ClearScriptedAnswers();
    VclTest::ClearShownBoxes();
  }
  void TearDown() override { VclTest::ClearScriptedAnswers(); }
};

struct DefaultCase {
  const char* name;
  unsigned flags;
  int expected;
};

void PrintTo(const DefaultCase& c, std::ostream* os) { *os << c.name; }

class DefaultAnswer : public DialogsTest, public ::testing::WithParamInterface<DefaultCase> {};

TEST_P(DefaultAnswer, IsReturnedWithoutBlockingAndWrittenToStderr) {
  testing::internal::CaptureStderr();
  int result = MessageBox("Schwerer Fehler im Gerät", "Error", GetParam().flags);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(result, GetParam().expected);
  EXPECT_NE(err.find("Error"), std::string::npos);
  EXPECT_NE(err.find("Schwerer Fehler im Gerät"), std::string::npos);
  auto shown = VclTest::ShownBoxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Error");
  EXPECT_EQ(shown[0].answer, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    MessageBox, DefaultAnswer,
    ::testing::Values(DefaultCase{"Ok", MB_OK, IDOK}, DefaultCase{"OkCancel", MB_OKCANCEL, IDOK},
                      DefaultCase{"OkCancelSecond", MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
                      DefaultCase{"YesNo", MB_YESNO | MB_ICONQUESTION, IDYES},
                      DefaultCase{"YesNoSecond", MB_YESNO | MB_DEFBUTTON2, IDNO},
                      DefaultCase{"YesNoCancelThird", MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
                      DefaultCase{"DefaultBeyondButtons", MB_OK | MB_DEFBUTTON3, IDOK}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogsTest, MessageBoxFromAWorkerThreadReturnsTheDefault) {
  int result = 0;
  testing::internal::CaptureStderr();
  std::thread worker(
      [&] { result = MessageBox("Event oder OnTerminate = NULL", "Schwerer Fehler in Thread", MB_OK); });
  worker.join();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(result, IDOK);
  EXPECT_NE(err.find("Schwerer Fehler in Thread"), std::string::npos);
}

TEST_F(DialogsTest, ScriptedAnswersAreTakenInOrderByTheMatchingKind) {
  VclTest::ScriptMessageBoxAnswer(IDNO);
  VclTest::ScriptFileDialogAnswer("/tmp/Finger/segment.fng");
  VclTest::ScriptColorDialogAnswer(clRed);
  VclTest::ScriptDialogCancel();
  testing::internal::CaptureStderr();

  EXPECT_EQ(MessageBox("Überschreiben?", "Frage", MB_YESNO), IDNO);

  TSaveDialog save(nullptr);
  save.SetFilter("Fingerprint|*.fng");
  save.SetFileName("proposed.fng");
  EXPECT_EQ(MessageBox("not scripted for a box", "Info", MB_OK), IDOK)
      << "a file answer does not answer a box";
  EXPECT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName(), "/tmp/Finger/segment.fng");

  TColorDialog colour(nullptr);
  colour.SetColor(clBlack);
  EXPECT_TRUE(colour.Execute());
  EXPECT_EQ(colour.Color(), clRed);

  TOpenDialog open(nullptr);
  open.SetFileName("keep.fng");
  EXPECT_FALSE(open.Execute()) << "cancelled";
  EXPECT_EQ(open.FileName(), "keep.fng");
  EXPECT_EQ(VclTest::ScriptedAnswersLeft(), 0);
  testing::internal::GetCapturedStderr();
}

TEST_F(DialogsTest, UnscriptedDialogsAreCancelledAndChangeNothing) {
  testing::internal::CaptureStderr();
  TOpenDialog open(nullptr);
  open.SetFileName("a.fng");
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(open.FileName(), "a.fng");
  TColorDialog colour(nullptr);
  colour.SetColor(clLime);
  EXPECT_FALSE(colour.Execute());
  EXPECT_EQ(colour.Color(), clLime);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(VclTest::ShownBoxes().size(), 2u);
}

TEST_F(DialogsTest, ExceptionBoxUsesTheApplicationsHandlerWhenSet) {
  std::string seen;
  Application->OnException = [&](TObject*, const std::exception& e) { seen = e.what(); };
  Application->ShowException(Exception("Zugriff verweigert"));
  Application->OnException = nullptr;
  EXPECT_EQ(seen, "Zugriff verweigert");
  EXPECT_TRUE(VclTest::ShownBoxes().empty());
}

}  // namespace
