// Controls: the owner and parent trees, change events fired from code, the message hook, mouse input,
// forms, labels, images and owner-drawn lists.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Native.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TestHooks.h"

namespace {

// A control that counts its destruction.
template <class Base>
class Probe : public Base {
 public:
  Probe(TComponent* owner, int* deaths) : Base(owner), deaths_(deaths) {}
  ~Probe() override { ++*deaths_; }

 private:
  int* deaths_;
};

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    Application->OnMessage = nullptr;
    VclTest::ClearShownBoxes();
    form = new TForm(nullptr);
    form->SetBounds(10, 10, 400, 300);
    form->Show();
  }
  void TearDown() override { delete form; }
  TForm* form = nullptr;
};

// ---- Ownership ----
TEST_F(ControlsTest, OwnerDeletesWhatItOwnsAndAParentDetachesWhatItDoesNotOwn) {
  int deaths = 0;
  auto* otherOwner = new TComponent(nullptr);
  auto* panel = new Probe<TPanel>(form, &deaths);
  panel->SetParent(form);
  auto* ownedChild = new Probe<TLabel>(panel, &deaths);
  ownedChild->SetParent(panel);
  auto* foreignChild = new Probe<TLabel>(otherOwner, &deaths);
  foreignChild->SetParent(panel);
  ASSERT_EQ(panel->ControlCount(), 2);

  delete panel;
  EXPECT_EQ(deaths, 2) << "the panel and the label it owns";
  EXPECT_EQ(foreignChild->Parent(), nullptr) << "a child owned elsewhere is detached, not deleted";
  EXPECT_FALSE(foreignChild->Showing());
  EXPECT_EQ(form->ComponentCount(), 0);
  EXPECT_EQ(form->ControlCount(), 0);

  foreignChild->SetParent(form);  // still a working control
  EXPECT_TRUE(foreignChild->Showing());
  delete otherOwner;
  EXPECT_EQ(deaths, 3);
  EXPECT_EQ(form->ControlCount(), 0) << "a deleted control leaves its parent";
}

TEST_F(ControlsTest, DeletingAnOwnedComponentEarlyRemovesItFromItsOwner) {
  int deaths = 0;
  auto* owner = new TComponent(nullptr);
  auto* timer = new Probe<TTimer>(owner, &deaths);
  timer->SetName("PollingTimer");
  auto* label = new Probe<TLabel>(owner, &deaths);
  ASSERT_EQ(owner->FindComponent("pollingtimer"), timer);
  delete timer;
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->FindComponent("PollingTimer"), nullptr);
  EXPECT_EQ(owner->Components(0), label);
  delete owner;  // must not delete the timer a second time
  EXPECT_EQ(deaths, 2);
}

TEST_F(ControlsTest, InsertComponentMovesOwnership) {
  int deaths = 0;
  auto* first = new TComponent(nullptr);
  auto* second = new TComponent(nullptr);
  auto* label = new Probe<TLabel>(first, &deaths);
  second->InsertComponent(label);
  EXPECT_EQ(label->Owner(), second);
  EXPECT_EQ(first->ComponentCount(), 0);
  delete first;
  EXPECT_EQ(deaths, 0);
  delete second;
  EXPECT_EQ(deaths, 1);
}

TEST_F(ControlsTest, AControlCannotBePlacedInsideItself) {
  auto* outer = new TPanel(form);
  outer->SetParent(form);
  auto* inner = new TPanel(form);
  inner->SetParent(outer);
  EXPECT_THROW(outer->SetParent(inner), Exception);
  EXPECT_EQ(outer->Parent(), form);
}

TEST_F(ControlsTest, AFormParentedIntoAPanelBehavesAsAChild) {
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 30, 200, 150);
  auto* inner = new TForm(nullptr);
  inner->SetBorderStyle(bsNone);
  inner->SetParent(panel);
  inner->SetBounds(5, 6, 100, 80);
  inner->Show();
  EXPECT_TRUE(inner->Showing());
  EXPECT_EQ(inner->Left(), 5);
  EXPECT_EQ(inner->ClientWidth(), 100);
  TPoint origin = inner->ClientToScreen(TPoint(0, 0));
  TPoint panelOrigin = panel->ClientToScreen(TPoint(0, 0));
  EXPECT_EQ(origin.X - panelOrigin.X, 5);
  EXPECT_EQ(origin.Y - panelOrigin.Y, 6);
  panel->Hide();
  EXPECT_FALSE(inner->Showing());
  EXPECT_TRUE(inner->Visible()) << "Visible is the form's own flag";
  delete panel;  // does not own the form
  EXPECT_EQ(inner->Parent(), nullptr);
  EXPECT_FALSE(inner->Showing());
  delete inner;
}

TEST_F(ControlsTest, ChildrenFollowTheParentFontUntilTheirOwnIsChanged) {
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  auto* follows = new TLabel(panel);
  follows->SetParent(panel);
  auto* own = new TLabel(panel);
  own->SetParent(panel);
  own->Font()->SetName("DejaVu Sans Mono");
  panel->Font()->SetHeight(-19);
  panel->Font()->SetName("Arial");
  EXPECT_EQ(follows->Font()->Height(), -19);
  EXPECT_EQ(follows->Font()->Name(), "Arial");
  EXPECT_EQ(own->Font()->Name(), "DejaVu Sans Mono");
  EXPECT_NE(own->Font()->Height(), -19);
}

// ---- Change events from code ----
struct ChangeCase {
  const char* name;
  // Builds the control on the form, performs the change in code and returns the events fired.
  std::function<int(TForm*)> run;
  int expectedEvents;
};

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

class ChangeEvents : public ControlsTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangeEvents, FireAsTheClassLibraryDoes) {
  EXPECT_EQ(GetParam().run(form), GetParam().expectedEvents);
}

template <class T>
T* Make(TForm* form) {
  auto* c = new T(form);
  c->SetParent(form);
  return c;
}

const ChangeCase kChangeCases[] = {
    {"TrackBarPosition",
     [](TForm* f) {
       auto* t = Make<TTrackBar>(f);
       int n = 0;
       t->OnChange = [&](TObject* s) { n += s == t; };
       t->SetPosition(5);
       return n;
     },
     1},
    {"TrackBarSamePosition",
     [](TForm* f) {
       auto* t = Make<TTrackBar>(f);
       t->SetPosition(5);
       int n = 0;
       t->OnChange = [&](TObject*) { ++n; };
       t->SetPosition(5);
       return n;
     },
     0},
    {"TrackBarPositionClampedToMax",
     [](TForm* f) {
       auto* t = Make<TTrackBar>(f);
       t->SetMin(10);
       t->SetMax(60);
       int n = 0;
       t->OnChange = [&](TObject*) { ++n; };
       t->SetPosition(3);  // a stored 3 shows as 10
       return t->Position() == 10 ? n : -100;
     },
     0},
    {"TrackBarPositionClampedAboveMax",
     [](TForm* f) {
       auto* t = Make<TTrackBar>(f);
       t->SetMax(255);
       t->SetPosition(100);
       int n = 0;
       t->OnChange = [&](TObject*) { ++n; };
       t->SetPosition(300);
       return t->Position() == 255 ? n : -100;
     },
     1},
    {"TrackBarMaxBelowPosition",
     [](TForm* f) {
       auto* t = Make<TTrackBar>(f);
       t->SetPosition(8);
       int n = 0;
       t->OnChange = [&](TObject*) { ++n; };
       t->SetMax(4);
       return t->Position() == 4 ? n : -100;
     },
     1},
    {"CheckBoxChecked",
     [](TForm* f) {
       auto* c = Make<TCheckBox>(f);
       int n = 0;
       c->OnClick = [&](TObject* s) { n += s == c; };
       c->SetChecked(true);
       c->SetChecked(true);
       c->SetChecked(false);
       return n;
     },
     2},
    {"RadioButtonCheckedFiresOnlyForTheOneTurnedOn",
     [](TForm* f) {
       auto* a = Make<TRadioButton>(f);
       auto* b = Make<TRadioButton>(f);
       a->SetChecked(true);
       int n = 0;
       a->OnClick = [&](TObject*) { n += 100; };
       b->OnClick = [&](TObject* s) { n += s == b; };
       b->SetChecked(true);
       return a->Checked() ? -100 : n;
     },
     1},
    {"RadioButtonCleared",
     [](TForm* f) {
       auto* a = Make<TRadioButton>(f);
       a->SetChecked(true);
       int n = 0;
       a->OnClick = [&](TObject*) { ++n; };
       a->SetChecked(false);
       return a->Checked() ? -100 : n;
     },
     0},
    {"EditText",
     [](TForm* f) {
       auto* e = Make<TEdit>(f);
       int n = 0;
       e->OnChange = [&](TObject*) { ++n; };
       e->SetText("12.5");
       return e->Text() == "12.5" ? n : -100;
     },
     1},
    {"ComboItemIndexInCode",
     [](TForm* f) {
       auto* c = Make<TComboBox>(f);
       c->SetStyle(csDropDownList);
       c->Items()->Add("1");
       c->Items()->Add("2");
       int n = 0;
       c->OnChange = [&](TObject*) { ++n; };
       c->SetItemIndex(1);
       return c->Text() == "2" ? n : -100;
     },
     0},
    {"ListBoxItemIndexInCode",
     [](TForm* f) {
       auto* l = Make<TListBox>(f);
       l->Items()->Add("a");
       l->Items()->Add("b");
       int n = 0;
       l->OnClick = [&](TObject*) { ++n; };
       l->SetItemIndex(1);
       return l->ItemIndex() == 1 ? n : -100;
     },
     0},
    {"ProgressBarClampsWithoutEvents",
     [](TForm* f) {
       auto* p = Make<TProgressBar>(f);
       p->SetMax(30);
       for (int i = 0; i < 31; ++i) p->StepBy(1);
       return p->Position();
     },
     30},
};

INSTANTIATE_TEST_SUITE_P(Controls, ChangeEvents, ::testing::ValuesIn(kChangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlsTest, UserChoiceInAComboFiresOnChange) {
  auto* c = Make<TComboBox>(form);
  c->SetStyle(csDropDownList);
  c->Items()->Add("Skin 1");
  c->Items()->Add("Skin 2");
  int n = 0;
  c->OnChange = [&](TObject*) { ++n; };
  VclTest::KeyDown(c, VK_DOWN);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(c->ItemIndex(), 0);
}

TEST_F(ControlsTest, ItemListsRaiseOnABadIndex) {
  auto* l = Make<TListBox>(form);
  l->Items()->Add("a");
  EXPECT_THROW(l->Items()->Strings(1), EStringListError);
  EXPECT_THROW(l->Items()->Delete(-1), EStringListError);
  EXPECT_EQ(l->Items()->Count(), 1);
}

// ---- Message hook and mouse input ----
struct WheelCase {
  const char* name;
  int delta;
  bool handledByHook;
  bool throughComponent;  // TApplicationEvents instead of Application->OnMessage
};

void PrintTo(const WheelCase& c, std::ostream* os) { *os << c.name << " delta " << c.delta; }

class WheelHook : public ControlsTest, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(WheelHook, SeesTheTurnAndItsTargetBeforeDispatch) {
  const WheelCase& c = GetParam();
  auto* panel = Make<TPanel>(form);
  panel->SetBounds(10, 10, 100, 100);
  std::vector<std::string> order;
  TMsg seen;
  TMessageEvent hook = [&](TMsg& msg, bool& handled) {
    if (msg.message != WM_MOUSEWHEEL) return;
    seen = msg;
    order.push_back("hook");
    EXPECT_FALSE(handled);
    handled = c.handledByHook;
  };
  auto* events = new TApplicationEvents(form);
  if (c.throughComponent)
    events->OnMessage = hook;
  else
    Application->OnMessage = hook;
  int delta = 0;
  panel->OnMouseWheel = [&](TObject* sender, TShiftState, int d, TPoint pos, bool& handled) {
    EXPECT_EQ(sender, panel);
    EXPECT_EQ(pos, TPoint(50, 50));
    order.push_back("panel");
    delta = d;
    handled = true;
  };
  ASSERT_TRUE(VclTest::Wheel(panel, c.delta));
  Application->OnMessage = nullptr;
  EXPECT_EQ(seen.Control, panel);
  EXPECT_EQ(GetWheelDeltaWParam(seen.wParam), c.delta);
  if (c.handledByHook) {
    EXPECT_EQ(order, (std::vector<std::string>{"hook"}));
  } else {
    EXPECT_EQ(order, (std::vector<std::string>{"hook", "panel"}));
    EXPECT_EQ(delta, c.delta);
  }
}

INSTANTIATE_TEST_SUITE_P(Controls, WheelHook,
                         ::testing::Values(WheelCase{"NotchBack", -120, false, false},
                                           WheelCase{"NotchForward", 120, false, true},
                                           WheelCase{"TwoNotches", 240, false, false},
                                           WheelCase{"HandledByHook", -120, true, false},
                                           WheelCase{"HandledByComponent", 120, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlsTest, UnhandledWheelReachesTheParent) {
  auto* panel = Make<TPanel>(form);
  auto* image = new TImage(form);
  image->SetParent(panel);
  int panelDelta = 0;
  panel->OnMouseWheel = [&](TObject*, TShiftState, int d, TPoint, bool& handled) {
    panelDelta = d;
    handled = true;
  };
  VclTest::Wheel(image, -120);
  EXPECT_EQ(panelDelta, -120);
}

TEST_F(ControlsTest, MouseEventsCarryButtonShiftAndClientPosition) {
  auto* image = Make<TImage>(form);
  image->SetBounds(50, 40, 120, 80);
  std::vector<std::string> log;
  image->OnMouseDown = [&](TObject* s, TMouseButton b, TShiftState shift, int x, int y) {
    EXPECT_EQ(s, image);
    log.push_back("down " + std::to_string(b) + " " + std::to_string(shift & ssLeft ? 1 : 0) + " " +
                  std::to_string(x) + "," + std::to_string(y));
  };
  image->OnMouseMove = [&](TObject*, TShiftState shift, int x, int y) {
    log.push_back("move " + std::to_string(shift & ssLeft ? 1 : 0) + " " + std::to_string(x) + "," +
                  std::to_string(y));
  };
  image->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
    log.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  image->OnClick = [&](TObject*) { log.push_back("click"); };
  VclTest::MouseDown(image, mbLeft, 10, 20);
  VclTest::MouseMove(image, -5, 25, ssLeft);  // captured: left of the control
  VclTest::MouseUp(image, mbLeft, 11, 21);
  VclTest::MouseDown(image, mbRight, 3, 4);
  VclTest::MouseUp(image, mbRight, 3, 4);
  EXPECT_EQ(log, (std::vector<std::string>{"down 0 1 10,20", "move 1 -5,25", "click", "up 0 11,21",
                                           "down 1 0 3,4", "up 1 3,4"}));
}

TEST_F(ControlsTest, ReleaseOutsideTheControlIsNoClick) {
  auto* panel = Make<TPanel>(form);
  panel->SetBounds(0, 0, 50, 50);
  int clicks = 0;
  panel->OnClick = [&](TObject*) { ++clicks; };
  VclTest::MouseDown(panel, mbLeft, 10, 10);
  VclTest::MouseUp(panel, mbLeft, 80, 10);
  EXPECT_EQ(clicks, 0);
  VclTest::Click(panel);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, HiddenOrDisabledControlsTakeNoInput) {
  auto* panel = Make<TPanel>(form);
  auto* image = new TImage(form);
  image->SetParent(panel);
  int events = 0;
  image->OnClick = [&](TObject*) { ++events; };
  image->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++events; };
  panel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++events; };

  image->Hide();
  EXPECT_FALSE(VclTest::Click(image));
  image->Show();
  panel->SetEnabled(false);  // children of a disabled control are disabled too
  EXPECT_FALSE(VclTest::Click(image));
  // Delivered anyway, as a window system might: still no handler runs.
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(NativeWidget(image), &press);
  EXPECT_EQ(events, 0);
  panel->SetEnabled(true);
  EXPECT_TRUE(VclTest::Click(image));
  EXPECT_EQ(events, 2);
}

TEST_F(ControlsTest, AClickHandlerMayDeleteTheFrameItBelongsTo) {
  int deaths = 0;
  auto* frame = new Probe<TFrame>(form, &deaths);
  frame->SetParent(form);
  auto* image = new TImage(frame);
  image->SetParent(frame);
  auto* button = new TButton(frame);
  button->SetParent(frame);
  button->SetTop(120);
  image->OnClick = [&](TObject*) { delete frame; };
  ASSERT_TRUE(VclTest::Click(image));
  EXPECT_EQ(deaths, 1);
  auto* second = new Probe<TFrame>(form, &deaths);
  second->SetParent(form);
  auto* secondButton = new TButton(second);
  secondButton->SetParent(second);
  secondButton->OnClick = [&](TObject*) { delete second; };
  ASSERT_TRUE(VclTest::Click(secondButton));
  EXPECT_EQ(deaths, 2);
}

TEST_F(ControlsTest, ButtonsAndCheckBoxesRespondToClicks) {
  auto* button = Make<TButton>(form);
  auto* check = Make<TCheckBox>(form);
  check->SetTop(40);
  int buttonClicks = 0, checkClicks = 0;
  button->OnClick = [&](TObject* s) { buttonClicks += s == button; };
  check->OnClick = [&](TObject*) { ++checkClicks; };
  VclTest::Click(button);
  VclTest::Click(check);
  EXPECT_EQ(buttonClicks, 1);
  EXPECT_EQ(checkClicks, 1);
  EXPECT_TRUE(check->Checked());
  button->Click();  // as code does
  EXPECT_EQ(buttonClicks, 2);
}

TEST_F(ControlsTest, ExceptionInAClickHandlerIsShownAndInputGoesOn) {
  auto* button = Make<TButton>(form);
  int clicks = 0;
  button->OnClick = [&](TObject*) {
    ++clicks;
    throw Exception("Knopf kaputt");
  };
  testing::internal::CaptureStderr();
  VclTest::Click(button);
  VclTest::Click(button);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(clicks, 2);
  auto boxes = VclTest::ShownBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Knopf kaputt");
}

TEST_F(ControlsTest, EditKeyDownSeesReturn) {
  auto* edit = Make<TEdit>(form);
  uint16_t seen = 0;
  edit->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
    if (key == VK_RETURN) seen = key;
  };
  VclTest::TypeText(edit, "1.5");
  VclTest::KeyDown(edit, VK_RETURN);
  EXPECT_EQ(seen, 13);
  EXPECT_EQ(edit->Text(), "1.5");
}

// ---- Forms ----
class CreatedForm : public TForm {
 public:
  explicit CreatedForm(TComponent* owner) : TForm(owner) {
    OnCreate = [this](TObject*) { createdAfterConstructor = constructed; };
    constructed = true;
  }
  bool constructed = false;
  bool createdAfterConstructor = false;
};

TEST_F(ControlsTest, OnCreateFiresAfterTheConstructor) {
  CreatedForm* f = nullptr;
  TForm* mainBefore = Application->MainForm();
  Application->CreateForm(f);
  EXPECT_TRUE(f->createdAfterConstructor);
  EXPECT_EQ(f->Owner(), Application);
  if (!mainBefore) {
    EXPECT_EQ(Application->MainForm(), f);
  }
  delete f;
  EXPECT_EQ(Application->MainForm(), mainBefore);
}

TEST_F(ControlsTest, OnResizeFiresOnEveryClientSizeChangeEvenWhileHidden) {
  auto* hidden = new TForm(nullptr);
  int resizes = 0;
  hidden->OnResize = [&](TObject*) { ++resizes; };
  hidden->SetBounds(0, 0, 500, 400);
  hidden->SetBounds(10, 10, 500, 400);  // moved only
  hidden->SetClientWidth(600);
  EXPECT_EQ(resizes, 2);
  hidden->Show();
  EXPECT_EQ(resizes, 2) << "showing does not report the same size again";
  delete hidden;
}

TEST_F(ControlsTest, OnCanResizeVetoesSmallSizes) {
  int resizes = 0;
  form->OnResize = [&](TObject*) { ++resizes; };
  form->OnCanResize = [](TObject*, int& w, int& h, bool& resize) {
    if (w < 462 || h < 462) resize = false;
  };
  form->SetBounds(0, 0, 800, 600);
  VclTest::UserResize(form, 400, 600);
  EXPECT_EQ(form->Width(), 800);
  EXPECT_EQ(form->Height(), 600);
  EXPECT_EQ(resizes, 1);
}

TEST_F(ControlsTest, CloseButtonOfASecondaryFormRunsOnCloseAndHidesIt) {
  auto* second = new TForm(nullptr);
  second->Show();
  TCloseAction seen = caNone;
  second->OnClose = [&](TObject*, TCloseAction& action) { seen = action; };
  VclTest::CloseButton(second);
  EXPECT_EQ(seen, caHide);
  EXPECT_FALSE(second->Visible());
  EXPECT_FALSE(Application->Terminated());
  delete second;
}

TEST_F(ControlsTest, CloseRefusedByOnCloseQueryKeepsTheForm) {
  auto* second = new TForm(nullptr);
  second->Show();
  second->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
  bool closed = false;
  second->OnClose = [&](TObject*, TCloseAction&) { closed = true; };
  second->Close();
  EXPECT_FALSE(closed);
  EXPECT_TRUE(second->Visible());
  delete second;
}

TEST_F(ControlsTest, ShowModalReturnsTheModalResultOfTheButtonPressed) {
  auto* dialog = new TForm(nullptr);
  auto* ok = new TButton(dialog);
  ok->SetParent(dialog);
  ok->SetModalResult(mrOk);
  auto* press = new TTimer(dialog);
  press->SetInterval(1);
  press->OnTimer = [&](TObject*) {
    press->SetEnabled(false);
    VclTest::Click(ok);
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_FALSE(dialog->Visible());
  delete dialog;
}

TEST_F(ControlsTest, CloseWithCaFreeDeletesTheFormAtTheNextDispatch) {
  int deaths = 0;
  auto* second = new Probe<TForm>(nullptr, &deaths);
  second->Show();
  second->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  second->Close();
  EXPECT_EQ(deaths, 0) << "not inside its own handler";
  Application->ProcessMessages();
  EXPECT_EQ(deaths, 1);
}

TEST_F(ControlsTest, ScrollBoxReachesChildrenBeyondItsArea) {
  auto* box = Make<TScrollBox>(form);
  box->SetBounds(0, 0, 200, 100);
  auto* wide = new TPanel(form);
  wide->SetParent(box);
  wide->SetBounds(0, 0, 1280, 80);
  EXPECT_GT(box->HorzScrollBar()->Range(), 0);
  box->HorzScrollBar()->SetPosition(500);
  EXPECT_EQ(box->HorzScrollBar()->Position(), 500);
  EXPECT_EQ(wide->Left(), 0) << "positions stay relative to the scrolled area";
}

TEST_F(ControlsTest, ReportListViewShowsItemsAndSubItems) {
  auto* view = Make<TListView>(form);
  view->SetViewStyle(vsReport);
  view->Columns()->Add()->SetCaption("Name");
  view->Columns()->Add()->SetCaption("Wert");
  TListItem* item = view->Items()->Add();
  item->SetCaption("Akku");
  item->SubItems()->Add("12.4 V");
  Application->ProcessMessages();
  EXPECT_EQ(view->Items()->Count(), 1);
  EXPECT_EQ(item->Index(), 0);
  EXPECT_EQ(view->Items()->Item(1), nullptr);
  view->Items()->Clear();
  Application->ProcessMessages();
  EXPECT_EQ(view->Items()->Count(), 0);
}

TEST_F(ControlsTest, AlignedChildrenFillTheirParent) {
  auto* top = Make<TPanel>(form);
  top->SetHeight(30);
  top->SetAlign(alTop);
  auto* client = Make<TPanel>(form);
  client->SetAlign(alClient);
  EXPECT_EQ(top->BoundsRect(), TRect(0, 0, 400, 30));
  EXPECT_EQ(client->BoundsRect(), TRect(0, 30, 400, 300));
  form->SetClientHeight(200);
  EXPECT_EQ(client->BoundsRect(), TRect(0, 30, 400, 200));
}

TEST_F(ControlsTest, ScreenHasAFixedHeadlessSize) {
  ASSERT_TRUE(VclTest::Headless());
  EXPECT_EQ(Screen->Width(), 1280);
  EXPECT_EQ(Screen->Height(), 1024);
}

// ---- Labels and images ----
TEST_F(ControlsTest, AutoSizedLabelFollowsItsTextMetrics) {
  auto* label = Make<TLabel>(form);
  label->Font()->SetName("Verdana");
  label->Font()->SetHeight(16);
  label->SetCaption("Akku Zustand");
  TBitmap bitmap;
  bitmap.SetSize(10, 10);
  bitmap.Canvas()->Font()->Assign(label->Font());
  EXPECT_EQ(label->Width(), bitmap.Canvas()->TextWidth("Akku Zustand"));
  EXPECT_EQ(label->Height(), bitmap.Canvas()->TextHeight("Akku Zustand"));
  EXPECT_LE(label->Height(), 16) << "a positive height is the cell height";
  EXPECT_GE(label->Height(), 12);
  int shortWidth = label->Width();
  label->SetCaption("Akku Zustand unbekannt");
  EXPECT_GT(label->Width(), shortWidth);
  label->Font()->SetHeight(-30);
  EXPECT_GT(label->Height(), 30);
  label->SetAutoSize(false);
  label->SetCaption("x");
  EXPECT_GT(label->Width(), shortWidth) << "without AutoSize the size stays";
}

QImage Grab(TControl* control) { return NativeWidget(control)->grab().toImage(); }

struct StretchCase {
  const char* name;
  bool stretch;
  bool center;
  QPoint probe;
  bool expectRed;
};

void PrintTo(const StretchCase& c, std::ostream* os) {
  *os << c.name << " at (" << c.probe.x() << ", " << c.probe.y() << ")";
}

class ImageDrawing : public ControlsTest, public ::testing::WithParamInterface<StretchCase> {};

TEST_P(ImageDrawing, PlacesThePicture) {
  const StretchCase& c = GetParam();
  auto* image = Make<TImage>(form);
  image->SetBounds(0, 0, 40, 40);
  TBitmap red;
  red.SetSize(4, 4);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(TRect(0, 0, 4, 4));
  image->Picture()->Assign(&red);
  image->SetStretch(c.stretch);
  image->SetCenter(c.center);
  QImage shot = Grab(image);
  EXPECT_EQ(shot.pixelColor(c.probe) == QColor(Qt::red), c.expectRed);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ImageDrawing,
    ::testing::Values(StretchCase{"NaturalTopLeft", false, false, QPoint(2, 2), true},
                      StretchCase{"NaturalNotBeyond", false, false, QPoint(30, 30), false},
                      StretchCase{"Stretched", true, false, QPoint(30, 30), true},
                      StretchCase{"Centered", false, true, QPoint(20, 20), true},
                      StretchCase{"CenteredNotCorner", false, true, QPoint(2, 2), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlsTest, PictureAssignCopiesAndNullClears) {
  auto* image = Make<TImage>(form);
  TBitmap source;
  source.SetSize(8, 6);
  image->Picture()->Assign(&source);
  source.SetSize(20, 20);
  EXPECT_EQ(image->Picture()->Width(), 8);
  EXPECT_EQ(image->Picture()->Height(), 6);
  image->Picture()->Assign(static_cast<const TBitmap*>(nullptr));
  EXPECT_EQ(image->Picture()->Graphic(), nullptr);
}

TEST_F(ControlsTest, ImageCanvasDrawsIntoABitmapOfTheImageSize) {
  auto* image = Make<TImage>(form);
  image->SetBounds(0, 0, 30, 20);
  image->Canvas()->Brush()->SetColor(clBlue);
  image->Canvas()->FillRect(TRect(0, 0, 30, 20));
  EXPECT_EQ(image->Picture()->Width(), 30);
  EXPECT_EQ(image->Picture()->Bitmap()->Canvas()->Pixels(29, 19), clBlue);
  EXPECT_EQ(Grab(image).pixelColor(15, 10), QColor(Qt::blue));
}

TEST_F(ControlsTest, OwnerDrawnListBoxPaintsItemsThroughOnDrawItem) {
  auto* list = Make<TListBox>(form);
  list->SetBounds(0, 0, 120, 200);
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(28);
  list->Items()->Add("eins");
  list->Items()->AddObject("zwei", list);
  list->SetItemIndex(1);
  std::vector<int> drawn;
  std::vector<int> heights;
  std::vector<TOwnerDrawState> states;
  list->OnDrawItem = [&](TWinControl* control, int index, const TRect& rect, TOwnerDrawState state) {
    EXPECT_EQ(control, list);
    drawn.push_back(index);
    heights.push_back(rect.Height());
    states.push_back(state);
    list->Canvas()->Brush()->SetColor(index == 0 ? clRed : clLime);
    list->Canvas()->FillRect(rect);
  };
  QImage shot = Grab(list);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0], 0);
  EXPECT_EQ(drawn[1], 1);
  EXPECT_EQ(heights[0], 28);
  EXPECT_EQ(states[0] & odSelected, 0u);
  EXPECT_NE(states[1] & odSelected, 0u);
  QPoint inFirst = list->ItemRect(0).Left >= 0
                       ? QPoint(list->ItemRect(0).Left + 20, list->ItemRect(0).Top + 10)
                       : QPoint();
  QWidget* viewport = NativeWidget(list)->findChild<QWidget*>("qt_scrollarea_viewport");
  ASSERT_NE(viewport, nullptr);
  EXPECT_EQ(shot.pixelColor(viewport->mapTo(NativeWidget(list), inFirst)), QColor(Qt::red));
  EXPECT_EQ(list->Items()->Objects(1), list);
}

TEST_F(ControlsTest, PaintHandlerPresentsOnInvalidateAtTheNextDispatchAndOnRepaintAtOnce) {
  auto* window = new TForm(nullptr);
  window->SetBorderStyle(bsNone);
  window->SetParent(form);
  window->SetBounds(0, 0, 64, 48);
  window->Show();
  int paints = 0;
  QRect client;
  SetPaintHandler(window, [&](QPainter& painter, const QRect& rect) {
    ++paints;
    client = rect;
    painter.fillRect(rect, Qt::green);
  });
  Application->ProcessMessages();
  int before = paints;
  window->Invalidate();
  EXPECT_EQ(paints, before) << "Invalidate only marks the window";
  Application->ProcessMessages();
  EXPECT_GT(paints, before);
  EXPECT_EQ(client, QRect(0, 0, 64, 48));
  before = paints;
  window->Repaint();
  EXPECT_EQ(paints, before + 1);
  EXPECT_EQ(Grab(window).pixelColor(10, 10), QColor(Qt::green));
  SetPaintHandler(window, nullptr);
  delete window;
}

// A handler that paints every pixel hides what the control paints itself, which is then clipped
// away unpainted (its paint event still fires); while it does not, the control paints as before.
TEST_F(ControlsTest, AHandlerThatCoversTheClientLeavesTheControlsOwnPaintingClippedAway) {
  auto* window = new TForm(nullptr);
  window->SetBorderStyle(bsNone);
  window->SetParent(form);
  window->SetBounds(0, 0, 64, 48);
  window->SetColor(clRed);
  window->Show();
  int ownPaints = 0;
  window->OnPaint = [&](TObject*) { ++ownPaints; };
  bool covers = false;
  // Paints the left half only, so that what lies under the right half shows.
  SetPaintHandler(
      window,
      [](QPainter& painter, const QRect& rect) {
        painter.fillRect(0, 0, rect.width() / 2, rect.height(), Qt::green);
      },
      [&] { return covers; });
  // The window painted over blue: the colours of a pixel in the left half and in the right half.
  const auto painted = [&] {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::blue);
    NativeWidget(window)->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return std::pair{image.pixelColor(10, 10), image.pixelColor(50, 10)};
  };
  EXPECT_EQ(painted(), std::pair(QColor(Qt::green), QColor(Qt::red)));
  covers = true;
  const int before = ownPaints;
  EXPECT_EQ(painted(), std::pair(QColor(Qt::green), QColor(Qt::blue)));
  EXPECT_EQ(ownPaints, before + 1);
  SetPaintHandler(window, nullptr);
  EXPECT_EQ(painted(), std::pair(QColor(Qt::red), QColor(Qt::red)));
  delete window;
}

TEST_F(ControlsTest, PageControlHoldsTabSheets) {
  auto* pages = Make<TPageControl>(form);
  auto* info = new TTabSheet(form);
  info->SetPageControl(pages);
  info->SetCaption("Info");
  auto* display = new TTabSheet(form);
  display->SetPageControl(pages);
  display->SetCaption("Display");
  auto* button = new TButton(form);
  button->SetParent(display);
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), info);
  pages->SetActivePage(display);
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  EXPECT_TRUE(button->Showing());
  delete info;
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_EQ(pages->Pages(0), display);
}

}  // namespace
