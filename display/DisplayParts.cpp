// The display's small companions that need no scene: point interpolation, fade timing, the draw
// command queue, the display label, the display list and the band-bar layout.
#include <algorithm>
#include <climits>
#include <cmath>

#include "display/Display.h"
#include "platform/vcl/Forms.h"
#include "base/Guard.h"
#include "base/Log.h"
#include "base/RangeDef.h"

void InterpolateY(scene::Vec2* point, scene::Vec2 a, scene::Vec2 b) {
  if (!point || a.x == b.x) return;
  point->y = (point->x - b.x) / (a.x - b.x) * a.y + (point->x - a.x) / (b.x - a.x) * b.y;
}

// Linear fade from 255 to 0 over the duration; a fade of no length is over at once.
int FadeAlpha(double elapsed, double duration) {
  const double remaining = duration - elapsed;
  if (!(remaining >= 0.0) || !(duration > 0.0)) return -1;
  return std::clamp(int(remaining / duration * 255.0), 0, 255);
}

// ---------------------------------------------------------------------------------------------
// GraphCommandList

GraphCommandList::~GraphCommandList() { ClearAll(); }

void GraphCommandList::AddCommand(int channel, char kind, TColorValue colour, int width) {
  Guarded("GraphCommandList::AddCommand", [&] {
    auto item = std::make_unique<GraphCommandItem>(channel, kind, colour, width);
    std::lock_guard<std::mutex> hold(lock_);
    items_.push_back(std::move(item));
  });
}

void GraphCommandList::ClearAll() {
  std::vector<std::unique_ptr<GraphCommandItem>> old;
  {
    std::lock_guard<std::mutex> hold(lock_);
    old.swap(items_);
  }
  // Items are deleted outside the lock, first to last.
  for (auto& item : old) item.reset();
}

GraphCommandItem* GraphCommandList::GetItem(unsigned index) const {
  std::lock_guard<std::mutex> hold(lock_);
  return index < items_.size() ? items_[index].get() : nullptr;
}

int GraphCommandList::Count() const {
  std::lock_guard<std::mutex> hold(lock_);
  return int(items_.size());
}

void GraphCommandList::Snapshot(std::vector<GraphCommandItem>& out) const {
  out.clear();
  std::lock_guard<std::mutex> hold(lock_);
  for (const auto& item : items_) out.push_back(*item);
}

// ---------------------------------------------------------------------------------------------
// DisplayText

DisplayText::DisplayText(TComponent* owner) : TStaticText(owner) {}

DisplayText::DisplayText(TForm* window, TColorValue textColor, TColorValue background, double fontSize,
                         int anchor)
    : TStaticText(window), FontSize(fontSize), Anchor(anchor) {
  SetParent(window);
  Hide();
  SetAutoSize(true);
  SetColor(background);
  Font()->SetColor(textColor);
}

int AnchoredLeft(int x, double sx, int width, int anchor) {
  switch (anchor) {
    case 1:
      return int(x * sx - width);
    case 2:
      return int(x * sx - width / 2);
    default:
      return int(x * sx);
  }
}

// Positions and sizes are kept in the 1024 x 768 virtual space and scaled to the window. The font
// is set first, so that a right or centre anchor uses the width of the text as it will be shown.
void DisplayText::Place() {
  TWinControl* window = Parent();
  if (!window) return;
  const double sx = window->Width() / 1024.0;
  const double sy = window->Height() / 768.0;
  Font()->SetName("Verdana");
  Font()->SetSize(std::max(1, int(FontSize * sy)));
  SetLeft(AnchoredLeft(X, sx, Width(), Anchor));
  SetTop(int(Y * sy));
}

// ---------------------------------------------------------------------------------------------
// DisplayList

bool DisplayList::RenderAll() {
  for (int i = 0; i < Count(); ++i) {
    auto* display = dynamic_cast<StdDisplay*>(Items(i));
    if (!display) continue;
    if (!display->Render()) return false;
  }
  return true;
}

StdDisplay* DisplayList::GetDisplay(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return dynamic_cast<StdDisplay*>(Items(index));
}

// ---------------------------------------------------------------------------------------------
// Band bar layout

std::vector<BandPlacement> LayoutBands(const RangeDefList& list, int width, double start, double stop) {
  std::vector<BandPlacement> bands;
  const double span = stop - start;
  if (!(span > 0.0) || width <= 0) return bands;  // an empty range shows no bands
  auto xOf = [&](double p) { return int(std::clamp(width * (p - start) / span, -1e9, 1e9)); };
  bool alternate = false;
  for (int i = 0; i < list.Count(); ++i) {
    const RangeDefItem* band = list.GetItem(unsigned(i));
    const bool toggle = alternate;
    alternate = !alternate;
    if (!band || band->Upper < start || band->Lower > stop) continue;
    BandPlacement p;
    p.index = i;
    p.lowerHalf = band->Inside != 0;
    p.alternate = toggle;
    const bool beginsInside = band->Lower >= start;
    const bool endsInside = band->Upper <= stop;
    p.x1 = beginsInside ? xOf(band->Lower) : 0;
    p.x2 = endsInside ? xOf(band->Upper) : width;
    p.coversRange = !beginsInside && !endsInside;
    bands.push_back(p);
  }
  return bands;
}

int BandNameX(const BandPlacement& band, int width, int textWidth) {
  if (band.coversRange) return int(width / 2.0 - textWidth - 8);
  if (band.x2 - band.x1 <= textWidth) return INT_MIN;
  return int(band.x1 + (band.x2 - band.x1) / 2.0 - textWidth / 2.0);
}
