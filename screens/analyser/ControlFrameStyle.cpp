#include "screens/analyser/ControlFrameStyle.h"

#include "screens/PanelButton.h"

namespace control_style {

void DrawBackground(TFrame* frame, TImage* image) {
  const int w = frame->ClientWidth(), h = frame->ClientHeight();
  image->SetBounds(0, 0, w, h);
  image->Picture()->Bitmap()->SetSize(w, h);
  TCanvas* c = image->Canvas();
  c->Brush()->SetColor(Background);
  c->Pen()->SetColor(Background);
  c->FillRect(TRect(0, 0, w, h));
  c->Brush()->SetColor(FrameLine);
  c->Pen()->SetColor(FrameLine);
  c->RoundRect(4, 4, w - 4, h - 4, 8, 8);
  c->Brush()->SetColor(Background);
  c->Pen()->SetColor(Background);
  c->RoundRect(8, 8, w - 8, h - 8, 8, 8);
}

TPanel* MakeButton(TFrame* frame, const char* caption, int left, int top, int width, int height) {
  TPanel* p = NewPanelButton(frame, caption, left, top, width, height);
  p->Font()->SetColor(Text);
  p->SetParentBackground(false);
  return p;
}

}  // namespace control_style
