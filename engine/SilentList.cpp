#include "engine/SilentList.h"

#include <cmath>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"

// ---- SilentListItem ----

void SilentListItem::Reset() {
  Frequency = 0.0;
  Level = 0.0;
  Alarm = 0;
  Highlight = 0;
  States.fill(NotChecked);
}

// ---- SilentList ----

SilentList::~SilentList() { SilentList::Clear(); }

void SilentList::Clear() {
  for (int i = 0; i < Count(); ++i) delete static_cast<SilentListItem*>(Items(i));
  TList::Clear();
}

int SilentList::AddItem(SilentListItem* item) { return TList::Add(item); }

void SilentList::Add(double frequency, double level) {
  auto* item = new SilentListItem();
  item->Frequency = frequency;
  item->Level = level;
  AddItem(item);
}

SilentListItem* SilentList::Get(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return static_cast<SilentListItem*>(Items(index));
}

double SilentList::GetFrequency(int index) const {
  const SilentListItem* item = Get(index);
  return item ? item->Frequency : -1.0;
}

void SilentList::SortByLevel() {
  if (Count() < 2) return;
  // A stable sort gives the order of the neighbour-exchange passes without their quadratic time
  // (the scan thread sorts inside HardwareLock).
  Sort([](void* a, void* b) {
    const double la = static_cast<SilentListItem*>(a)->Level;
    const double lb = static_cast<SilentListItem*>(b)->Level;
    return la > lb ? -1 : (la < lb ? 1 : 0);
  });
}

void SilentList::ClearHighlight() {
  for (int i = 0; i < Count(); ++i) Get(i)->Highlight = 0;
}

// ---- Row painting ----

namespace {

constexpr TColor kGreen = 0x008000;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlack = 0x000000;
constexpr TColor kGrey = 0x808080;
constexpr TColor kBoxOutline = 0xA4A0A0;

void Outline(TCanvas* canvas, int left, int top, int right, int bottom) {
  canvas->Polyline({TPoint(left, top), TPoint(right, top), TPoint(right, bottom), TPoint(left, bottom),
                    TPoint(left, top)});
}

}  // namespace

// The factor is a double (just below 12/85); the product is taken in extended precision, so level
// 170 gives 23 pixels and 255 gives 35.
int SilentLevelBarWidth(double level) {
  constexpr double factor = 0.1411764705882353;
  return static_cast<int>(static_cast<long double>(level) * static_cast<long double>(factor));
}

void PaintSilentRow(TCanvas* canvas, const TRect& rect, const SilentListItem* item) {
  if (!canvas || !item) return;
  const int top = rect.Top;
  const int bottom = rect.Bottom;
  canvas->Pen()->SetColor(clBtnFace);
  canvas->Brush()->SetColor(item->Highlight ? clBackground : kGrey);
  canvas->FillRect(TRect(rect.Left + 1, top + 1, rect.Right - 1, bottom - 1));

  canvas->Font()->SetColor(clBtnFace);
  canvas->Font()->SetName("Consolas");
  canvas->Font()->SetSize(12);
  canvas->TextOut(15, top + 4, FormatFloat("0.0 MHz", item->Frequency * 0.000001));

  canvas->Pen()->SetColor(kBoxOutline);
  Outline(canvas, 115, top + 9, 155, bottom - 9);
  const int bar = SilentLevelBarWidth(item->Level);
  if (bar > 0) {
    canvas->Brush()->SetColor(kGreen);
    canvas->FillRect(TRect(117, top + 11, 117 + bar, bottom - 11));
  }

  for (int k = 0; k < SilentListItem::CheckCount; ++k) {
    const int left = 170 + 18 * k;
    Outline(canvas, left, top + 5, left + 18, bottom - 5);
    const int32_t state = item->States[static_cast<size_t>(k)];
    if (state < SilentListItem::NoMatch || state > SilentListItem::NotMeasurable) continue;
    canvas->Brush()->SetColor(state == SilentListItem::NoMatch ? kGreen
                              : state == SilentListItem::Match ? kRed
                                                               : kBlack);
    canvas->FillRect(TRect(left + 2, top + 7, left + 16, bottom - 7));
  }

  if (item->Alarm == 1) {
    canvas->Brush()->SetColor(kGrey);
    canvas->Font()->SetColor(kRed);
    canvas->TextOut(312, top + 4, "ALARM");
  }
}

// ---- TSilentListBox ----

TSilentListBox::TSilentListBox(TForm* owner) : TCustomListBox(owner) {
  SetBounds(Left(), Top(), 200, 200);
  SetVisible(false);
  SetParent(owner);
  SetBorderStyle(bsNone);
  SetStyle(lbOwnerDrawFixed);
  SetItemHeight(28);
  OnDrawItem = [this](TWinControl*, int index, const TRect& rect, TOwnerDrawState) {
    if (index < 0 || index >= Items()->Count()) return;
    PaintSilentRow(Canvas(), rect, static_cast<SilentListItem*>(Items()->Objects(index)));
  };
  SetColor(clInactiveCaptionText);
}

void TSilentListBox::SetList(SilentList* list) {
  Items()->Clear();
  if (!list) return;
  for (int i = 0; i < list->Count(); ++i) Items()->AddObject("", list->Get(i));
}
