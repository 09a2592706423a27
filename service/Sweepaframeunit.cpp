#include "service/Sweepaframeunit.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "device/InOut.h"
#include "platform/rtl/SysUtils.h"
#include "service/ServiceInput.h"
#include "base/Globals.h"
#include "base/HardwareLockGuard.h"

TSweepAFrame::TSweepAFrame(TComponent* AOwner) : TModeFrameBase(AOwner) {
  SetBounds(0, 0, 220, 330);
  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetParent(this);
  GroupBox1->SetBounds(8, 8, 200, 80);
  GroupBox1->SetCaption("Span");
  SpanEdit = new TEdit(this);
  SpanEdit->SetParent(GroupBox1);
  SpanEdit->SetBounds(8, 18, 184, 21);
  SpanEdit->SetText("18.0");
  SpanEdit->OnKeyDown = [this](TObject* s, uint16_t& key, TShiftState shift) {
    OnSpanEditKeyDown(s, key, shift);
  };
  ZoomInBut = new TButton(this);
  ZoomInBut->SetParent(GroupBox1);
  ZoomInBut->SetCaption("Zoom In");
  ZoomInBut->SetBounds(8, 46, 88, 25);
  ZoomInBut->OnClick = [this](TObject* sender) { OnZoomButClick(sender); };
  ZoomOutBut = new TButton(this);
  ZoomOutBut->SetParent(GroupBox1);
  ZoomOutBut->SetCaption("ZoomOut");
  ZoomOutBut->SetBounds(104, 46, 88, 25);
  ZoomOutBut->OnClick = [this](TObject* sender) { OnZoomButClick(sender); };

  GroupBox2 = new TGroupBox(this);
  GroupBox2->SetParent(this);
  GroupBox2->SetBounds(8, 96, 200, 140);
  GroupBox2->SetCaption("Filter");
  for (size_t i = 0; i < CBF.size(); ++i) {
    CBF[i] = new TRadioButton(this);
    CBF[i]->SetParent(GroupBox2);
    CBF[i]->SetBounds(8, 18 + 23 * static_cast<int>(i), 100, 20);
    CBF[i]->SetCaption("Filter-" + std::to_string(i + 1));
  }
  CBF[2]->SetChecked(true);
  for (TRadioButton* rb : CBF) rb->OnClick = [this](TObject* s) { OnCBFilterClick(s); };

  GroupBox3 = new TGroupBox(this);
  GroupBox3->SetParent(this);
  GroupBox3->SetBounds(8, 244, 200, 68);
  GroupBox3->SetCaption("Modul");
  RBModWobbel = new TRadioButton(this);
  RBModWobbel->SetParent(GroupBox3);
  RBModWobbel->SetBounds(8, 18, 100, 20);
  RBModWobbel->SetCaption("Wobbel");
  RBModWobbel->SetChecked(true);
  RBModAudio = new TRadioButton(this);
  RBModAudio->SetParent(GroupBox3);
  RBModAudio->SetBounds(8, 40, 100, 20);
  RBModAudio->SetCaption("Audio");
  for (TRadioButton* rb : {RBModWobbel, RBModAudio}) rb->OnClick = [this](TObject* s) { OnCBModulClick(s); };
}

bool TSweepAFrame::ReadSpan(float& span) {
  const float value = static_cast<float>(LeadingNumber(SpanEdit->Text()));
  // Refused: a span that is not above 0 would give a zero or negative sweep step, and one too large
  // for a float an endless one.
  if (!(value > 0.0f) || !std::isfinite(value)) {
    ShowServiceMessage("Span: \"" + SpanEdit->Text() + "\" is no span above 0 MHz; the sweep keeps its span");
    return false;
  }
  span = value;
  return true;
}

void TSweepAFrame::ShowSpan(float span) {
  // Shown with the float's own precision (11.88, not 11.8800001144409).
  SpanEdit->SetText(FloatToStr(std::round(static_cast<double>(span) * 1e5) / 1e5));
}

void TSweepAFrame::Notify(float spanMHz) {
  if (OnChange) OnChange(static_cast<uint8_t>(Module), spanMHz * 1e6f);
}

void TSweepAFrame::OnSpanEditKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key != VK_RETURN) return;
  Module = RBModWobbel->Checked() ? 0 : 1;
  float span = 0.0f;
  if (ReadSpan(span)) Notify(span);
}

void TSweepAFrame::OnZoomButClick(TObject* Sender) {
  const bool zoomIn = Sender == ZoomInBut;
  LastZoom = zoomIn ? 1 : -1;
  float s = 0.0f;
  if (!ReadSpan(s)) return;
  if (zoomIn) {
    if (!(s > MinSpanMHz)) return;
    s = std::max(s * 0.66f, MinSpanMHz);
  } else {
    if (s >= MaxSpanMHz) return;
    s = std::min(s * 1.33f, MaxSpanMHz);
  }
  ShowSpan(s);
  Notify(s);  // with the module chosen last
}

void TSweepAFrame::OnCBFilterClick(TObject* Sender) {
  uint8_t value = 0;
  for (size_t i = 0; i < CBF.size(); ++i)
    if (Sender == CBF[i]) value = static_cast<uint8_t>(i);
  if (!IOCtrl) return;
  HardwareLockGuard lock;
  IOCtrl->SetIFFilterPort(value, 0);
  IOCtrl->SetIFFilterPort(value, 1);
}

void TSweepAFrame::OnCBModulClick(TObject*) {
  Module = RBModWobbel->Checked() ? 0 : 1;
  float span = 0.0f;
  if (ReadSpan(span)) Notify(span);
}
