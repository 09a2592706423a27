// The bar line: a thick horizontal line whose length shows Value against Maximum.
#include "display/Renderobjects.h"

#include "display/DirectXBase.h"
#include "base/Log.h"

BargarphLine::BargarphLine(ZXBase* xbase, int x, int y, int length, int width)
    : Scene(xbase), Length(length), Width(width), X(x), Y(y) {
  if (xbase && xbase->Device) Line = std::make_unique<scene::Line>(*xbase->Device);
}

BargarphLine::~BargarphLine() = default;

void BargarphLine::Render() {
  if (!Visible || Maximum == 0 || !Line) return;
  const double end = static_cast<double>(Value) / static_cast<double>(Maximum) * Length + X;
  Vertices[0] = {static_cast<float>(X), static_cast<float>(Y)};
  Vertices[1] = {static_cast<float>(end), static_cast<float>(Y)};
  Line->SetWidth(static_cast<float>(Width));
  Line->Begin();
  Line->Draw(Vertices, 2, ColorToARGB(Color, 255));
  Line->End();
}
