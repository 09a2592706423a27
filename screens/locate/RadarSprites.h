// The fast-detect radar: five sprites (grid, beam, signal, mask, point) with textures made at start,
// and the drawing of one animation pass.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <thread>

#include "screens/locate/FastDetectLogic.h"

class TMemoryStream;
class ZSprite;
class ZXBase;

using RadarSpriteSet = std::array<std::unique_ptr<ZSprite>, 5>;

// The radar's textures. Drawing them and writing the beam, signal, mask and point textures as PNG
// files into the folder takes about half a second, most of it compressing the 2048 x 2048 mask; the
// start-up need not wait for that, so a worker thread does it from construction on while the window
// comes up, and the sprites take the textures when the radar is first needed (waiting for the worker
// if it is not done yet). The files are still written at every start.
class RadarTextures {
 public:
  RadarTextures(int background, const std::string& folder);  // starts the worker
  ~RadarTextures();                                          // waits for it
  RadarTextures(const RadarTextures&) = delete;
  RadarTextures& operator=(const RadarTextures&) = delete;

  // Waits for the worker and loads the textures into the sprites on base's device, once (a texture
  // that could not be made leaves its sprite without one); later calls do nothing.
  void LoadInto(ZXBase* base, RadarSpriteSet& sprites);
  bool Loaded() const { return loaded_; }

 private:
  struct Made;
  int background_;
  std::string folder_;
  std::unique_ptr<Made> made_;
  std::thread worker_;
  bool loaded_ = false;
};

// Draws grid, beam, target (when the pass has one) and mask.
void DrawRadar(const RadarSpriteSet& sprites, const RadarAnimation::Pass& pass);
