// The fast-detect radar: five sprites (grid, beam, signal, mask, point) with textures made at start,
// and the drawing of one animation pass.
#pragma once
#include <array>
#include <memory>
#include <string>

#include "screens/locate/FastDetectLogic.h"

class ZSprite;
class ZXBase;

// Makes the sprites; the beam, signal, mask and point textures are written as PNG files into folder
// (a texture that cannot be made leaves its sprite without one).
std::array<std::unique_ptr<ZSprite>, 5> MakeRadarSprites(ZXBase* base, int background,
                                                         const std::string& folder);
// Draws grid, beam, target (when the pass has one) and mask.
void DrawRadar(const std::array<std::unique_ptr<ZSprite>, 5>& sprites, const RadarAnimation::Pass& pass);
