// Draws what a window shows into a bitmap through the GUI library's own drawing: panel colours,
// pictures, label texts, and the scene as the render window presents it.
#pragma once
#include <cstring>
#include <memory>
#include <string>

#include "display/DirectXBase.h"
#include "display/Imagebase.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "base/Globals.h"

namespace screenshot {

inline void DrawScene(TBitmap* target, const TRect& r) {
  if (!xBase || !xBase->Device) return;
  const std::vector<uint32_t> pixels = xBase->Device->GrabPresented(r.Width(), r.Height());
  if (pixels.empty()) return;
  for (int y = 0; y < r.Height(); ++y) {
    const int row = r.Top + y;
    if (row < 0 || row >= target->Height()) continue;
    auto* line = static_cast<uint32_t*>(target->ScanLine(row));
    for (int x = 0; x < r.Width(); ++x) {
      const int column = r.Left + x;
      if (column >= 0 && column < target->Width())
        line[column] = pixels[size_t(y) * r.Width() + x] | 0xFF000000u;
    }
  }
}

inline void DrawControl(TBitmap* target, TControl* control, int originX, int originY) {
  if (!control->Visible()) return;
  const TRect r =
      Bounds(originX + control->Left(), originY + control->Top(), control->Width(), control->Height());
  TCanvas* canvas = target->Canvas();
  if (control == RenderWindow) {
    DrawScene(target, r);
  } else if (auto* panel = dynamic_cast<TPanel*>(control)) {
    canvas->Brush()->SetColor(ColorToRGB(panel->Color()));
    canvas->FillRect(r);
  } else if (auto* image = dynamic_cast<TImage*>(control)) {
    TBitmap* bitmap = image->Picture()->Bitmap();
    if (!bitmap->Empty()) {
      if (image->Stretch())
        canvas->StretchDraw(r, bitmap);
      else
        canvas->Draw(r.Left, r.Top, bitmap);
    }
  } else if (auto* label = dynamic_cast<TLabel*>(control)) {
    canvas->Font()->Assign(label->Font());
    canvas->Brush()->SetStyle(bsClear);
    const int width = canvas->TextWidth(label->Caption());
    const int left = label->Alignment() == taCenter ? r.Left + (r.Width() - width) / 2 : r.Left;
    canvas->TextOut(left, r.Top, label->Caption());
    canvas->Brush()->SetStyle(bsSolid);
  }
  if (auto* container = dynamic_cast<TWinControl*>(control))
    for (int i = 0; i < container->ControlCount(); ++i)
      DrawControl(target, container->Controls(i), r.Left, r.Top);
}

// The client area of form as a 32-bit bitmap.
inline std::unique_ptr<TBitmap> Capture(TForm* form) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(form->ClientWidth(), form->ClientHeight());
  bitmap->Canvas()->Brush()->SetColor(ColorToRGB(form->Color()));
  bitmap->Canvas()->FillRect(Rect(0, 0, bitmap->Width(), bitmap->Height()));
  for (int i = 0; i < form->ControlCount(); ++i) DrawControl(bitmap.get(), form->Controls(i), 0, 0);
  return bitmap;
}

// A bitmap as a PNG file; true when it was written.
inline bool SavePng(TBitmap* bitmap, const std::string& fileName) {
  ZImage image(bitmap, Rect(0, 0, bitmap->Width(), bitmap->Height()));
  return image.SavePNG(fileName);
}

// The client area of form as a PNG file; true when it was written.
inline bool SaveWindowPng(TForm* form, const std::string& fileName) {
  return SavePng(Capture(form).get(), fileName);
}

}  // namespace screenshot
