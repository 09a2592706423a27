#include "screens/locate/Silenttestwinunit.h"

#include <algorithm>

#include "engine/Silentthreads.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace silent_debug {

Display::Display(TScrollBox* box) : TImage(box), box_(box) {
  SetParent(box);
  Resize();
}

Display::~Display() { ClearData(); }

void Display::Resize() {
  SetBounds(Left(), Top(), PointCount, std::max(1, box_->Height() - 24));
  Picture()->Bitmap()->SetSize(Width(), Height());
  Redraw();
}

void Display::ClearData() {
  for (auto& row : data_) row.clear();
  present_.fill(false);
  dataCount_ = 0;
}

void Display::Redraw() {
  DrawGrid();
  DrawTraces();
  DrawTitle();
  Invalidate();
}

void Display::SetTitle(const std::string& text, TColor colour) {
  title_ = text;
  titleColour_ = colour;
  Redraw();
}

void Display::SetGrid(bool on, int columns, int rows, TColor colour) {
  gridOn_ = on;
  columns_ = std::max(1, columns);
  rows_ = std::max(1, rows);
  gridColour_ = colour;
  Redraw();
}

void Display::SetData(int row, const float* data, unsigned count) {
  if (!data || row < 0 || row > 2) return;
  if (dataCount_ == 0) {
    for (auto& r : data_) r.assign(count, 0.0);
    dataCount_ = int(count);
  }
  const unsigned n = std::min<unsigned>(count, unsigned(dataCount_));
  std::copy(data, data + n, data_[row].begin());
  present_[row] = true;
  Redraw();
}

int Display::YToPixel(double v) const {
  // An empty range (all values equal, for example a silent recording) draws at the bottom.
  if (YTop == YBottom) return 0;
  return int(Height() / (YTop - YBottom) * (v - YBottom));
}

void Display::DrawGrid() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(background_);
  c->FillRect(ClientRect());
  if (!gridOn_) return;
  c->Pen()->SetColor(gridColour_);
  const int w = Width(), h = Height();
  for (int i = 0; i <= columns_; ++i) {
    const int x = i * (w - 1) / columns_;
    c->MoveTo(x, 0);
    c->LineTo(x, h);
  }
  for (int i = 0; i <= rows_; ++i) {
    const int y = i * (h - 1) / rows_;
    c->MoveTo(0, y);
    c->LineTo(w, y);
  }
}

void Display::DrawTraces() {
  for (int row = 0; row < 3; ++row)
    if (present_[row] && !data_[row].empty()) DrawTrace(row);
}

void Display::DrawTrace(int row) {
  if (dataCount_ != Width()) return;
  TCanvas* c = Canvas();
  c->Pen()->SetColor(Colours[row]);
  const int h = Height();
  const std::vector<double>& v = data_[row];
  for (int i = 0; i < dataCount_; ++i) {
    if (Kinds[row] == 1) {
      c->MoveTo(i, h - YToPixel(YBottom));
      c->LineTo(i, h - YToPixel(v[i]));
    } else if (i == 0) {
      c->MoveTo(0, h - YToPixel(v[0]));
    } else {
      c->LineTo(i, h - YToPixel(v[i]));
    }
  }
}

void Display::DrawTitle() {
  TCanvas* c = Canvas();
  c->Font()->SetColor(titleColour_);
  c->Font()->SetName("Consolas");
  c->Font()->SetSize(10);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(1, 1, title_);
  c->Brush()->SetStyle(bsSolid);
}

}  // namespace silent_debug

TSilentTestWin::TSilentTestWin(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("SilentTestWin");
  SetBounds(396, 263, 1253, 656);
  SetColor(clBtnFace);
  Font()->SetName("MS Sans Serif");
  Font()->SetHeight(-11);
  PC1 = new TPageControl(this);
  PC1->SetParent(this);
  auto* sheet = new TTabSheet(this);
  sheet->SetPageControl(PC1);
  sheet->SetCaption("TabSheet1");
  lb = new TListBox(this);
  lb->SetParent(sheet);
  lb->SetBounds(472, 4, 253, 85);
  for (size_t i = 0; i < Boxes.size(); ++i) {
    Boxes[i] = new TScrollBox(this);
    Boxes[i]->SetParent(this);
    Boxes[i]->HorzScrollBar()->SetTracking(true);
  }
  OnResize = [this](TObject*) { OnFormResize(); };
  OnFormResize();
  for (size_t i = 0; i < Boxes.size(); ++i)
    if (i != 8 && i != 11) Plots[i] = new silent_debug::Display(Boxes[i]);
}

TSilentTestWin::~TSilentTestWin() {
  for (auto*& plot : Plots) {
    delete plot;
    plot = nullptr;
  }
}

void TSilentTestWin::OnFormResize() {
  const int W = Width(), H = Height();
  PC1->SetBounds(0, 0, ClientWidth(), 100);
  const int P = PC1->Height();
  const int b = W / 3 - 24, h = (H - P) / 4 - 24;
  const int xs[3] = {15, W / 3 + 6, 2 * b + 45};
  for (int i = 0; i < 12; ++i) Boxes[i]->SetBounds(xs[i % 3], P + 10 + (i / 3) * (h + 10), b, h);
  for (auto* plot : Plots)
    if (plot) plot->Resize();
}

void TSilentTestWin::ShowAnalysis(const SilentAnalysis& analysis, const float* channelA,
                                  const float* channelB, bool allScores) {
  const int n = analysis.SampleCount;
  struct Stage {
    const char* title;
    int points, rangeCount;
    const float* a;
    const float* b;
  } stages[4] = {
      {"Record", n, n, channelA, channelB},
      {"FIR", n, n - 252, analysis.Stage2[0].data(), analysis.Stage2[1].data()},
      {"Decimate", n / 2, n / 2 - 126, analysis.Decimated[0].data(), analysis.Decimated[1].data()},
      {"FFT-Segmente", n / 4, n / 4, analysis.Spectrogram[0].data(), analysis.Spectrogram[1].data()}};
  for (int p = 0; p < 4; ++p) {
    const Stage& s = stages[p];
    silent_debug::Display* plot = Plots[p];
    if (!plot || !s.a || !s.b) continue;
    plot->SetGrid(true, 10, 6, 0x80000004);
    plot->SetTitle(s.title, 0xFF0000);
    plot->PointCount = s.points;
    plot->Resize();
    double low = 1e12, high = 0.0;
    for (int i = 0; i < s.rangeCount; ++i)
      for (const float* row : {s.a, s.b}) {
        low = std::min(low, double(row[i]));
        high = std::max(high, double(row[i]));
      }
    plot->YBottom = low;
    plot->YTop = high;
    plot->Redraw();
    plot->SetData(0, s.a, unsigned(s.points));
    plot->SetData(1, s.b, unsigned(s.points));
    if (Application) Application->ProcessMessages();
  }
  lb->Items()->Clear();
  lb->Items()->Add(std::to_string(int(analysis.Level1)) + "  " + std::to_string(int(analysis.Level2)));
  if (allScores)
    for (int k = 0; k < 3; ++k)
      lb->Items()->Add("dd" + std::to_string(k) + " = " + std::to_string(int(analysis.Scores[k])));
  lb->Items()->Add(FormatFloat("0", analysis.Result));
}
