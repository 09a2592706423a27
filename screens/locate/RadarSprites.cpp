#include "screens/locate/RadarSprites.h"

#include <cmath>
#include <exception>
#include <functional>
#include <numbers>

#include "display/DirectXBase.h"
#include "display/Imagebase.h"
#include "platform/rtl/Classes.h"
#include "platform/vcl/Graphics.h"

namespace {
constexpr double pi = std::numbers::pi;
enum { GridSprite, BeamSprite, SignalSprite, MaskSprite, PointSprite };

TPoint Polar(double r, double a) { return {int(511 - r * std::cos(a)), int(511 - r * std::sin(a))}; }

std::unique_ptr<TBitmap> FilledBitmap(int size, int colour) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf32bit);
  bitmap->SetSize(size, size);
  bitmap->Canvas()->Brush()->SetColor(TColor(colour));
  bitmap->Canvas()->FillRect(Rect(0, 0, size, size));
  return bitmap;
}

void Line(TCanvas* c, TPoint a, TPoint b) {
  c->MoveTo(a.X, a.Y);
  c->LineTo(b.X, b.Y);
}

std::unique_ptr<TBitmap> GridBitmap(int background) {
  auto bitmap = FilledBitmap(1024, background);
  TCanvas* c = bitmap->Canvas();
  c->Pen()->SetColor(TColor(0x67BEFE));
  c->Pen()->SetWidth(3);
  for (int inset : {0, 20, 103, 188, 271, 291, 364, 437})
    c->Ellipse(inset, inset, 1022 - inset, 1022 - inset);
  for (int k = 0; k < 8; ++k) Line(c, Polar(74, k * pi / 4), Polar(511, k * pi / 4));
  for (int k = 0; k < 64; ++k) {
    Line(c, Polar(491, k * pi / 32), Polar(511, k * pi / 32));
    Line(c, Polar(240, k * pi / 32), Polar(220, k * pi / 32));
  }
  return bitmap;
}

// The image with alpha as its alpha channel, saved as PNG.
bool SaveWithAlpha(ZImage& image, ZImage& alpha, const std::string& file) {
  const TRect all = Rect(0, 0, image.Width(), image.Height());
  return image.ToRGBA(255, all) && image.SetChannel(alpha, 3) && image.SavePNG(file);
}

bool MakeBeam(int background, const std::string& file) {
  auto bitmap = FilledBitmap(1024, background);
  bitmap->Canvas()->Brush()->SetColor(TColor(0x008000));
  bitmap->Canvas()->Pen()->SetColor(TColor(0x008000));
  bitmap->Canvas()->Ellipse(0, 0, 1023, 1023);
  ZImage image(bitmap.get(), Rect(0, 0, 1024, 1024));
  auto fade = FilledBitmap(1024, 0);
  TCanvas* c = fade->Canvas();
  c->Pen()->SetWidth(3);
  for (int i = 0; i < 640; ++i) {
    const int grey = std::min(255, int(i * 0.25));
    c->Pen()->SetColor(TColor(grey | grey << 8 | grey << 16));
    Line(c, Polar(511, i * pi / 320), {511, 511});
  }
  ZImage alpha(fade.get(), Rect(0, 0, 1024, 1024));
  alpha.ToGray(Rect(0, 0, 1024, 1024));
  return SaveWithAlpha(image, alpha, file);
}

bool MakeSignal(int background, const std::string& file) {
  auto bitmap = FilledBitmap(1024, background);
  TCanvas* c = bitmap->Canvas();
  c->Pen()->SetColor(TColor(0x0000FF));
  c->Pen()->SetWidth(12);
  for (int inset : {51, 251, 411}) c->Ellipse(inset, inset, 1022 - inset, 1022 - inset);
  ZImage image(bitmap.get(), Rect(0, 0, 1024, 1024));
  std::unique_ptr<ZImage> alpha(image.ToGray_C(Rect(0, 0, 1024, 1024)));
  if (!alpha) return false;
  BYTE* p = alpha->Pixels();
  for (int i = 0; i < 1024 * 1024; ++i) p[i] = p[i] > 32 ? 255 : p[i];
  return SaveWithAlpha(image, *alpha, file);
}

bool MakeDisc(int size, int colour, int radius, bool opaqueOutside, const std::string& file) {
  ZImage image(size, size, 4, 0);
  image.FillRect(Rect(0, 0, size, size), TColor(colour));
  ZImage alpha(size, size, 1, 0);
  alpha.FillRect(Rect(0, 0, size, size), opaqueOutside ? TColor(0xFFFFFF) : TColor(0));
  alpha.DrawEllipse({size / 2 - 1, size / 2 - 1}, radius, radius,
                    opaqueOutside ? TColor(0) : TColor(0xFFFFFF), true);
  return SaveWithAlpha(image, alpha, file);
}

// A texture that cannot be made leaves its sprite without one; the radar still draws.
bool Attempt(const std::function<bool()>& make) {
  try {
    return make();
  } catch (const std::exception&) {
    return false;
  }
}

const char* const TextureFiles[5] = {"/gridtmp.png", "/radartmp.png", "/signaltmp.png", "/masktmp.png",
                                     "/pointtmp.png"};
}  // namespace

// What the worker made: the grid as a bitmap stream, and which texture files were written.
struct RadarTextures::Made {
  TMemoryStream grid;
  bool gridMade = false;
  std::array<bool, 5> written{};
};

RadarTextures::RadarTextures(int background, const std::string& folder)
    : background_(background), folder_(folder), made_(std::make_unique<Made>()) {
  worker_ = std::thread([this] {
    Made& made = *made_;
    made.gridMade = Attempt([&] {
      GridBitmap(background_)->SaveToStream(&made.grid);
      return true;
    });
    made.written[BeamSprite] = Attempt([&] { return MakeBeam(background_, folder_ + TextureFiles[BeamSprite]); });
    made.written[SignalSprite] =
        Attempt([&] { return MakeSignal(background_, folder_ + TextureFiles[SignalSprite]); });
    made.written[MaskSprite] =
        Attempt([&] { return MakeDisc(2048, background_, 511, true, folder_ + TextureFiles[MaskSprite]); });
    made.written[PointSprite] =
        Attempt([&] { return MakeDisc(128, 0x00FF00, 20, false, folder_ + TextureFiles[PointSprite]); });
  });
}

RadarTextures::~RadarTextures() {
  if (worker_.joinable()) worker_.join();
}

void RadarTextures::LoadInto(ZXBase* base, RadarSpriteSet& sprites) {
  if (loaded_) return;
  if (worker_.joinable()) worker_.join();
  loaded_ = true;
  scene::Device* device = base ? base->Device : nullptr;
  for (auto& s : sprites) s = std::make_unique<ZSprite>(device);
  Made& made = *made_;
  if (made.gridMade) {
    made.grid.SetPosition(0);
    sprites[GridSprite]->LoadTextureFromStream(&made.grid, false, -1, -1);
  }
  if (!sprites[GridSprite]->Texture)
    Attempt([&] {
      const std::string file = folder_ + TextureFiles[GridSprite];
      ZImage grid(GridBitmap(background_).get(), Rect(0, 0, 1024, 1024));
      return grid.SavePNG(file) && sprites[GridSprite]->LoadTexture(file, false, -1, -1);
    });
  for (int s : {BeamSprite, SignalSprite, MaskSprite, PointSprite})
    if (made.written[s]) sprites[s]->LoadTexture(folder_ + TextureFiles[s], false, -1, -1);
  made_.reset();
  sprites[GridSprite]->SetColor(TColor(0xFFFFFF), 160);
  for (int s : {BeamSprite, SignalSprite, MaskSprite, PointSprite})
    sprites[s]->SetColor(TColor(0xFFFFFF), 255);
  for (int s : {GridSprite, BeamSprite, SignalSprite, MaskSprite}) sprites[s]->Centre = {511, 511, 0};
  sprites[PointSprite]->Centre = {63, 63, 0};
}

void DrawRadar(const RadarSpriteSet& sprites, const RadarAnimation::Pass& pass) {
  using scene::Matrix;
  constexpr float s = float(RadarAnimation::Scale), a = float(RadarAnimation::Aspect);
  constexpr float cx = float(RadarAnimation::CentreX), cy = float(RadarAnimation::CentreY);
  const Matrix scale = Matrix::Scaling(a * s, s, 1);
  const Matrix atCentre = scale * Matrix::Translation(cx, cy, 0);
  sprites[GridSprite]->DrawTransformed(&atCentre);
  const Matrix beam = Matrix::RotationYawPitchRoll(0, 0, float(pass.beamRoll)) * atCentre;
  sprites[BeamSprite]->DrawTransformed(&beam);
  if (pass.drawTarget) {
    const Matrix at = Matrix::Translation(float(pass.targetX), float(pass.targetY), 0);
    sprites[PointSprite]->SetColor(TColor(0xFFFFFF), uint8_t(pass.pointAlpha));
    const Matrix point = scale * at;
    sprites[PointSprite]->DrawTransformed(&point);
    const float p = float(pass.pulseScale);
    const Matrix pulse = Matrix::Scaling(a * s * p, s * p, 1) * at;
    sprites[SignalSprite]->DrawTransformed(&pulse);
  }
  const Matrix mask = scale * Matrix::Translation(cx - 512 * s * a, cy - 512 * s, 0);
  sprites[MaskSprite]->DrawTransformed(&mask);
}
