// The names under which the detection views' operations report an unexpected failure: each operation
// runs its body under the catch-all with its own "Class::Method" name (the mobile monitor's read
// "TMobilFrame", the fast-detect scan handler "TFastDetectFrame"), and so do the thread-end handlers.
#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/Guard.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "screens/locate/Ufastdetectframev2unit.h"
#include "screens/locate/Ufingercompareframeunit.h"
#include "screens/locate/Ufingerframeunit.h"
#include "screens/locate/Umobilframev2unit.h"
#include "screens/locate/Usilentframeunit.h"
#include "tests/screens/detect/DetectFixture.h"

namespace {

std::vector<std::string>* seenNames = nullptr;
std::thread::id guiThread;

void NoteName(const char* where) {
  if (seenNames && std::this_thread::get_id() == guiThread) seenNames->push_back(where);
}

class GuardNames : public DetectTest {
 protected:
  void SetUp() override {
    DetectTest::SetUp();
    guiThread = std::this_thread::get_id();
    seenNames = &names_;
    GuardEntered = &NoteName;
  }
  void TearDown() override {
    GuardEntered = nullptr;
    seenNames = nullptr;
    DetectTest::TearDown();
  }

  struct Case {
    const char* name;  // the name the operation's own body runs under (the first one entered)
    std::function<void()> operation;
  };
  void ExpectNames(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      names_.clear();
      c.operation();
      ASSERT_FALSE(names_.empty()) << c.name;
      EXPECT_EQ(names_.front(), c.name);
    }
  }
  bool Seen(const std::string& name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
  }
  // Lets the program run until the last of the names was entered (thread-end handlers and what they
  // start), and expects the others among the names entered meanwhile.
  void ExpectHandlers(const std::vector<std::string>& handlers) {
    names_.clear();
    ASSERT_TRUE(RunUntil([&] { return Seen(handlers.back()); }, 300)) << handlers.back();
    for (const std::string& name : handlers) EXPECT_TRUE(Seen(name)) << name;
  }
  static void Press(TControl* control, bool down) {
    if (down)
      control->OnMouseDown(control, mbLeft, 0, 0, 0);
    else
      control->OnMouseUp(control, mbLeft, 0, 0, 0);
  }

  std::vector<std::string> names_;
};

TEST_F(GuardNames, FingerprintViews) {
  StartWith();
  OpenCategory(FingerCategory);
  TUFingerFrame* v = win->FingerFrame->FingerFrame;
  ExpectNames({
      {"TUFingerFrame::Leave", [&] { v->Leave(); }},
      {"TUFingerFrame::Enter", [&] { v->Enter(); }},
      {"TUFingerFrame::OnResize", [&] { v->OnResize(nullptr); }},
      {"TUFingerFrame::UpdateSkin", [&] { v->UpdateSkin(); }},
      {"TUFingerFrame::UpdateFromIni", [&] { v->UpdateFromIni(); }},
      {"TUFingerFrame::SetViewMode", [&] { v->SetViewMode(TUFingerFrame::Overview); }},
      {"TUFingerFrame::OnStartButMouseDown", [&] { v->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0); }},
      {"TUFingerFrame::OnStartButMouseUp", [&] { v->OnStartButMouseUp(nullptr, mbLeft, 0, 0, 0); }},
  });
  ASSERT_TRUE(v->Scanning());
  names_.clear();
  v->StopScanThread();
  ASSERT_FALSE(names_.empty());
  EXPECT_EQ(names_.front(), "TUFingerFrame::StopScanThread");
  ASSERT_TRUE(RunUntil([&] { return !v->Scanning(); }));  // the scan's end follows in its end handler
  EXPECT_TRUE(Seen("TUFingerFrame::OnScanThreadTerminate"));
  EXPECT_TRUE(Seen("TUFingerFrame::StoreFingerprint"));
  ExpectNames({
      {"TUFingerFrame::OnSavePanelMouseDown", [&] { Press(v->Panel2, true); }},
      {"TUFingerFrame::OnSavePanelMouseUp", [&] { Press(v->Label2, false); }},  // dialog cancelled
      {"TUFingerFrame::ShowSaveDialog", [&] { v->ShowSaveDialog(); }},
      {"TUFingerFrame::OnComparePanelMouseDown", [&] { Press(v->Label3, true); }},
      {"TUFingerFrame::OnComparePanelMouseUp", [&] { Press(v->Panel3, false); }},
      {"TUFingerFrame::CompareFingerprints", [&] { v->CompareFingerprints(); }},
      {"TUFingerFrame::FillResultList", [&] { v->FillResultList(); }},
      {"TUFingerFrame::OnResultListClick", [&] { v->OnResultListClick(nullptr); }},
      {"TUFingerFrame::AutoCenter", [&] { v->AutoCenter(); }},
      {"TUFingerFrame::UpdateVolume", [&] { v->UpdateVolume(10); }},
      {"TUFingerFrame::OnUsbTimer", [&] { v->OnUsbTimer(nullptr); }},
      {"TUFingerFrame::RenderBarGraphs", [&] { v->RenderBarGraphs(); }},
      {"TUFingerFrame::OnRenderWinMouseDown", [&] { v->OnRenderWinMouseDown(mbLeft, 0, 10, 10); }},
      {"TUFingerFrame::OnRenderWinMouseMove", [&] { v->OnRenderWinMouseMove(ssLeft, 20, 10); }},
  });

  TUFingerCompareFrame* c = win->FingerFrame->FingerCompareFrame;
  ExpectNames({
      {"TUFingerFrame::Leave", [&] { v->Leave(); }},
      {"TUFingerCompareFrame::Enter", [&] { c->Enter(); }},
      {"TUFingerCompareFrame::OnResize", [&] { c->OnResize(nullptr); }},
      {"TUFingerCompareFrame::UpdateFromIni", [&] { c->UpdateFromIni(); }},
      {"TUFingerCompareFrame::OnStartButMouseDown", [&] { Press(c->Panel1, true); }},
      {"TUFingerCompareFrame::OnStartButMouseUp", [&] { Press(c->Panel1, false); }},
  });
  ExpectHandlers({"TUFingerCompareFrame::StartAThread", "TUFingerCompareFrame::OnAThreadTerminate",
                  "TUFingerCompareFrame::StartDThread", "TUFingerCompareFrame::OnDThreadTerminate"});
  ExpectNames({
      {"TUFingerCompareFrame::OnCompareMouseDown", [&] { Press(c->Panel2, true); }},  // its Test: cancelled
      {"TUFingerCompareFrame::OnCompareMouseUp", [&] { Press(c->Panel2, false); }},
      {"TUFingerCompareFrame::Test", [&] { c->Test(); }},
      {"TUFingerCompareFrame::OnUsbTimer", [&] { c->OnUsbTimer(nullptr); }},
      {"TUFingerCompareFrame::RenderBarGraphs", [&] { c->RenderBarGraphs(); }},
      {"TUFingerCompareFrame::Leave", [&] { c->Leave(); }},
  });
}

TEST_F(GuardNames, AutoDetectionViews) {
  StartWith();
  OpenCategory(AutoCategory);
  TAutoFrame* category = win->AutoFrame;
  TFastDetectFrameV2* f = category->FastDetectFrame;
  ExpectNames({
      {"TFastDetectFrameV2::Leave", [&] { f->Leave(); }},
      {"TFastDetectFrameV2::Enter", [&] { f->Enter(); }},
      {"TFastDetectFrameV2::OnResize", [&] { f->OnResize(nullptr); }},
      {"TFastDetectFrameV2::UpdateSkin", [&] { f->UpdateSkin(); }},
      {"TFastDetectFrameV2::UpdateFromIni", [&] { f->UpdateFromIni(); }},
      {"TFastDetectFrameV2::RenderRadar", [&] { f->RenderRadar(); }},
      {"TFastDetectFrameV2::OnLBTestClick", [&] { f->OnLBTestClick(nullptr); }},
      {"TFastDetectFrameV2::OnSynthTestButClick", [&] { f->OnSynthTestButClick(nullptr); }},
      {"TFastDetectFrameV2::OnTimer1", [&] { f->OnTimer1(nullptr); }},
      {"TFastDetectFrameV2::OnSynthTestButClick", [&] { f->OnSynthTestButClick(nullptr); }},
      {"TFastDetectFrameV2::OnStartButMouseDown", [&] { f->OnStartButMouseDown(nullptr, mbLeft, 0, 0, 0); }},
      {"TFastDetectFrameV2::OnStartButMouseUp", [&] { f->OnStartButMouseUp(nullptr, mbLeft, 0, 0, 0); }},
      {"TFastDetectFrameV2::StopRun", [&] { f->StopRun(); }},
      {"TFastDetectFrameV2::ResetView", [&] { f->ResetView(); }},
      {"TFastDetectFrameV2::StartRun", [&] { f->StartRun(); }},
      {"TFastDetectFrameV2::StartScanThread", [&] { f->StartScanThread(); }},
      {"TFastDetectFrameV2::StartSearchThread", [&] { f->StartSearchThread(); }},
      {"TFastDetectFrameV2::StartCenterThread", [&] { f->StartCenterThread(); }},
      {"TFastDetectFrameV2::OnTestButClick", [&] { f->OnTestButClick(nullptr); }},
  });
  ExpectHandlers({"TFastDetectFrame::OnScanThreadTerminate"});
  f->StopRun();
  ExpectNames({{"TFastDetectFrameV2::OnCenterTestButClick", [&] { f->OnCenterTestButClick(nullptr); }}});
  ExpectHandlers({"TFastDetectFrameV2::OnCenterThreadTerminate"});

  TMobilFrameV2* m = category->MobilFrame;
  ExpectNames({
      {"TFastDetectFrameV2::Leave", [&] { f->Leave(); }},
      {"TMobilFrame::Enter", [&] { m->Enter(); }},
      {"TMobilFrame::OnResize", [&] { m->OnResize(nullptr); }},
      {"TMobilFrame::UpdateFromIni", [&] { m->UpdateFromIni(); }},
      {"TMobilFrame::OnRenderWinMouseMove", [&] { m->OnRenderWinMouseMove(0, 100, 100); }},
      {"TMobilFrame::OnRenderWinMouseDown", [&] { m->OnRenderWinMouseDown(mbLeft, 0, 100, 100); }},
      {"TMobilFrame::OnMouseTimer", [&] { m->OnMouseTimer(nullptr); }},
      {"TMobilFrame::OnRenderWinMouseUp", [&] { m->OnRenderWinMouseUp(mbLeft, 0, 100, 100); }},
      {"TMobilFrame::ClearBuffers", [&] { m->ClearBuffers(); }},
      {"TMobilFrame::StartMobilThread", [&] { m->StartMobilThread(); }},
      {"TMobilFrame::Leave", [&] { m->Leave(); }},
  });

  TUSilentFrame* s = category->SilentFrame;
  ExpectNames({
      {"TUSilentFrame::Enter", [&] { s->Enter(); }},
      {"TUSilentFrame::OnResize", [&] { s->OnResize(nullptr); }},
      {"TUSilentFrame::UpdateFromIni", [&] { s->UpdateFromIni(); }},
      {"TUSilentFrame::SelectSource", [&] { s->SelectSource(); }},
      {"TUSilentFrame::OnSrcPanelMouseDown", [&] { Press(s->Panel2, true); }},
      {"TUSilentFrame::OnSrcPanelMouseUp", [&] { Press(s->Panel2, false); }},
      {"TUSilentFrame::OnSelectRangePanelMouseDown", [&] { Press(s->Panel3, true); }},
      {"TUSilentFrame::OnSelectRangePanelMouseUp", [&] { Press(s->Panel3, false); }},
      {"TUSilentFrame::OnSelectRangePanelMouseDown", [&] { Press(s->Panel3, true); }},
      {"TUSilentFrame::OnStartPanelMouseDown", [&] { Press(s->Panel1, true); }},
      {"TUSilentFrame::OnStartPanelMouseUp", [&] { Press(s->Panel1, false); }},
      {"TUSilentFrame::OnTimer1", [&] { s->OnTimer1(nullptr); }},
  });
  // The search's timer goes on: scan, then the first candidate's recording.
  ExpectHandlers({"TUSilentFrame::OnScanThreadTerminate"});
  ExpectHandlers({"TUSilentFrame::StartRecordThread", "TUSilentFrame::OnRecordThreadTerminate"});
  ExpectNames({
      {"TUSilentFrame::StopSearch", [&] { s->StopSearch(); }},
      {"TUSilentFrame::OnTestButClick", [&] { s->OnTestButClick(nullptr); }},
      {"TUSilentFrame::OnThreadTestButClick", [&] { s->OnThreadTestButClick(nullptr); }},
      {"TUSilentFrame::Leave", [&] { s->Leave(); }},
  });
}

}  // namespace
